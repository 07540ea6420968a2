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
  EXPECT_EQ(back[kOldFileDate], "2003/4/5");  // not edited: as it was
  EXPECT_EQ(back[kDateFolderType], "1");
  EXPECT_EQ(back[kSrcPass], "秘密");
  EXPECT_EQ(back[kUpdate], row[kUpdate]);  // the caller decides what Update becomes
  EXPECT_TRUE(back.checked);

}

TEST(SettingEditor, TheReferenceDateIsRewrittenOnlyWhenThePickerChanged) {
  struct Case {
    const char* stored;
    int shown;         // yyyymmdd the picker shows
    int picked;        // yyyymmdd the user leaves in it
    const char* back;  // the OldFileDate given back
    bool bad;          // the status line about a wrong date
  } cases[] = {
      {"2005/03/04 10:00:00", 20050304, 20050304, "2005/03/04 10:00:00", false},
      {"2005/03/04 10:00:00", 20050304, 20050305, "2005/03/05", false},
      {"2005/3/4", 20050304, 20050304, "2005/3/4", false},
      {"いつか", 20000101, 20000101, "いつか", true},
      {"いつか", 20000101, 20100101, "2010/01/01", true},
      {"2005/03/04 25:00", 20000101, 20000101, "2005/03/04 25:00", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    BackupSetting row = FileDefaultSetting("x");
    row[kOldFileDate] = c.stored;
    std::string bad_date;
    EditorFields fields = FieldsFromSetting(row, kEditSettingCaption, &bad_date);
    EXPECT_EQ(fields.year * 10000 + fields.month * 100 + fields.day, c.shown);
    EXPECT_EQ(bad_date, c.bad ? "基準日の指定に誤りがあります '" + std::string(c.stored) + "'" : "");
    fields.year = c.picked / 10000;
    fields.month = c.picked / 100 % 100;
    fields.day = c.picked % 100;
    EXPECT_EQ(SettingFromFields(fields)[kOldFileDate], c.back);
  }
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
  expected.storedDate = "2010/11/12";
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
