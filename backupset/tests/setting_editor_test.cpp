#include "backupset/setting_editor.h"

#include <gtest/gtest.h>

#include "backupset/set_file.h"
#include "backupset/tests/fake_set_file_services.h"

namespace dm {
namespace {

TEST(SettingEditor, FillsFromARowAndReadsBack) {
  BackupSetting row = FileDefaultSetting("日次");
  row.checked = true;
  row[kSrc] = "   ";
  row[kDst] = "\\\\server\\share\\dst";
  row[kMirror] = "2";       // any non-zero number is on
  row[kSubDir] = "abc";     // not a number: off
  row[kDateFolderType] = "1";
  row[kOldFileDate] = "2003/4/5";
  row[kSrcPass] = "秘密";
  row[kUpdate] = "2026/12/01 10:00";

  std::string bad_date;
  EditorFields fields = FieldsFromSetting(row, kEditSettingCaption, &bad_date);
  EXPECT_EQ(bad_date, "");
  EXPECT_EQ(fields.caption, "設定の編集");
  EXPECT_TRUE(fields.boxes[kMirror]);
  EXPECT_FALSE(fields.boxes[kSubDir]);
  EXPECT_TRUE(fields.yyyymm);
  EXPECT_EQ(fields.year * 10000 + fields.month * 100 + fields.day, 20030405);

  BackupSetting back = SettingFromFields(fields);
  EXPECT_EQ(back.name, "日次");
  EXPECT_EQ(back[kSrc], "   ");
  EXPECT_EQ(back[kMirror], "1");
  EXPECT_EQ(back[kSubDir], "0");
  EXPECT_EQ(back[kOldFileDate], "2003/04/05");
  EXPECT_EQ(back[kDateFolderType], "1");
  EXPECT_EQ(back[kSrcPass], "秘密");
  EXPECT_EQ(back[kUpdate], row[kUpdate]);  // the caller decides what Update becomes
  EXPECT_TRUE(back.checked);

  row[kOldFileDate] = "いつか";
  fields = FieldsFromSetting(row, kEditSettingCaption, &bad_date);
  EXPECT_EQ(bad_date, "基準日の指定に誤りがあります 'いつか'");
  EXPECT_EQ(SettingFromFields(fields)[kOldFileDate], "2000/01/01");
}

TEST(SettingEditor, OkChecksOnlyEmptyFolders) {
  EditorFields fields = DefaultEditorFields();
  EXPECT_EQ(fields.name, "新しい設定");
  EXPECT_EQ(SettingFromFields(fields).values, NewEditorSetting().values);
  EXPECT_EQ(OkRefusal(fields), "ソース側フォルダを指定してください");
  fields.texts[kDst] = "D:\\";
  EXPECT_EQ(OkRefusal(fields), "ソース側フォルダを指定してください");
  fields.texts[kSrc] = " ";
  fields.texts[kDst].clear();
  EXPECT_EQ(OkRefusal(fields), "バックアップ先フォルダを指定してください");
  fields.texts[kDst] = "D:\\";
  fields.name.clear();
  fields.texts[kPermissibleTime] = "x";
  EXPECT_EQ(OkRefusal(fields), std::nullopt);
}

TEST(SettingEditor, UserDefaultsRoundTripThroughTheFields) {
  FakeSetFileServices fake;
  EXPECT_EQ(NewSettingFields(fake.services), DefaultEditorFields());  // no default.dat yet

  EditorFields mine = DefaultEditorFields();
  mine.caption = kEditSettingCaption;
  mine.name = "私の既定";
  mine.texts[kSrc] = "C:\\データ";
  mine.texts[kFilter] = "*.tmp | *.obj";
  mine.texts[kDstPass] = "pass=word";
  mine.boxes[kMirror] = false;
  mine.boxes[kZeroFile] = true;
  mine.year = 2010;
  mine.month = 11;
  mine.day = 12;
  mine.yyyymm = true;
  ASSERT_TRUE(SaveFieldsAsDefault(mine, fake.services));

  EditorFields read = NewSettingFields(fake.services);
  EditorFields expected = mine;
  expected.caption = kAddSettingCaption;
  EXPECT_EQ(read, expected);  // Update stays 未処理: default.dat's "Update=0" is not read
}

TEST(SettingEditor, ExcludedFoldersAndVolumeRoots) {
  std::string folders = AppendExcludedFolder("", "C:\\a");
  folders = AppendExcludedFolder(folders, "C:\\b c");
  EXPECT_EQ(folders, "C:\\a | C:\\b c");

  EXPECT_EQ(VolumeRootOf("d:\\data\\x"), "d:\\");
  EXPECT_EQ(VolumeRootOf("E:"), "E:\\");
  EXPECT_EQ(VolumeRootOf("\\\\server\\share\\dir"), "\\\\server\\share\\");
  EXPECT_EQ(VolumeRootOf("\\\\server\\share"), "\\\\server\\share\\");
  EXPECT_EQ(VolumeRootOf("\\\\server"), std::nullopt);
  EXPECT_EQ(VolumeRootOf("relative\\path"), std::nullopt);
  EXPECT_EQ(VolumeRootOf(""), std::nullopt);
}

}  // namespace
}  // namespace dm
