#include <gtest/gtest.h>

#include "backupset/backup_setting.h"

namespace dm {
namespace {

TEST(BackupSetting, KeysInFileOrder) {
  EXPECT_STREQ(kSettingKeys[kSrc], "Src");
  EXPECT_STREQ(kSettingKeys[kOldFileDate], "OldFileDate");
  EXPECT_STREQ(kSettingKeys[kPermissibleTime], "PermissibleTime");
  EXPECT_STREQ(kSettingKeys[kNotHidden], "NotHidden");
  EXPECT_EQ(SettingIndexOfKey("DateFolderType"), kDateFolderType);
  EXPECT_EQ(SettingIndexOfKey("src"), -1);
}

TEST(BackupSetting, SectionWithoutKeys) {
  BackupSetting s = FileDefaultSetting("x");
  EXPECT_FALSE(s.checked);
  EXPECT_EQ(s[kSrc], "-");
  EXPECT_EQ(s[kDst], "-");
  EXPECT_EQ(s[kUpdate], "未処理");
  EXPECT_EQ(s[kFilter], "*.bak");
  EXPECT_EQ(s[kMirror], "1");
  EXPECT_EQ(s[kSubDir], "1");
  EXPECT_EQ(s[kAllCopy], "0");
  EXPECT_EQ(s[kSrcUser], "");
  EXPECT_EQ(s[kFilterFolder], "");
  EXPECT_EQ(s[kOldFileDate], "2000/01/01");
  EXPECT_EQ(s[kPermissibleTime], "3");
  EXPECT_EQ(s[kDateFolderType], "0");
  EXPECT_EQ(s[kNotHidden], "0");
}

TEST(BackupSetting, NewInEditor) {
  BackupSetting s = NewEditorSetting();
  EXPECT_EQ(s.name, "新しい設定");
  EXPECT_TRUE(s.checked);
  EXPECT_EQ(s[kSrc], "");
  EXPECT_EQ(s[kFilter], "");
  EXPECT_EQ(s[kMirror], "1");
  EXPECT_EQ(s[kUpdate], "未処理");
}

}  // namespace
}  // namespace dm
