// Editing a backup set in the running program: a setting added through the
// real editor dialog, the set saved, opened again, saved under another name
// through the file dialogs, and a row deleted after its question.
#include <gtest/gtest.h>

#include "app/win/commands.h"
#include "app/win/tests/window_driver.h"
#include "backupset/win/folder_setting_ids.h"

namespace dm {
namespace {

using drive::AnswerMessageBox;
using drive::AttachMainWindow;
using drive::Click;
using drive::FindDialog;
using drive::MainWindow;
using drive::RemoteBuffer;
using drive::SelectRow;
using drive::SetControlText;

// Fills a common file dialog's name field and confirms it.
bool ChooseFile(DWORD process, const wchar_t* title, const std::string& path) {
  HWND dialog = FindDialog(process, title);
  if (!dialog) return false;
  const int kFileNameCombo = 0x47c;  // cmb13
  const int kFileNameEdit = 0x480;   // edt1
  HWND field = GetDlgItem(dialog, kFileNameCombo);
  if (!field) field = GetDlgItem(dialog, kFileNameEdit);
  SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Utf8ToWide(path).c_str()));
  PostMessageW(dialog, WM_COMMAND, IDOK, 0);
  return WaitFor([&] { return !IsWindow(dialog); }, 10000);
}

class SetEditingTest : public ProgramTest {
 protected:
  std::string ReadBytes(const std::string& path) {
    FileHandle file(CreateFileW(NativePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                                nullptr));
    std::string bytes(1 << 16, '\0');
    DWORD read = 0;
    if (file.Valid()) ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
    bytes.resize(read);
    return bytes;
  }
};

TEST_F(SetEditingTest, AddThroughTheEditorSaveReopenSaveAsAndDelete) {
  std::string set = MakeSet("gui.dmk", JoinPath(root, "src"), JoinPath(root, "dst"));
  Program program("\"" + set + "\"");
  MainWindow w = AttachMainWindow(program);
  ASSERT_TRUE(w.settings);
  ASSERT_TRUE(WaitFor([&] { return ListTexts(w.settings, program.Id(), 0).size() == 1; }, 10000));

  PostMessageW(w.main, WM_COMMAND, ToolButtonAdd, 0);
  HWND editor = FindDialog(program.Id(), L"設定の追加");
  ASSERT_TRUE(editor);
  wchar_t name[64] = {};
  GetDlgItemTextW(editor, EditName, name, 64);
  EXPECT_EQ(WideToUtf8(name), "新しい設定");

  // OK with no source folder: refused, the dialog stays with its values.
  SetControlText(editor, EditName, "追加した設定");
  PostMessageW(editor, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(AnswerMessageBox(program.Id(), IDOK), "ソース側フォルダを指定してください");
  ASSERT_TRUE(IsWindow(editor));
  GetDlgItemTextW(editor, EditName, name, 64);
  EXPECT_EQ(WideToUtf8(name), "追加した設定");

  SetControlText(editor, EditSrc, JoinPath(root, "src"));
  SetControlText(editor, EditDst, JoinPath(root, "dst2"));
  SetControlText(editor, EditOutSide, "*.tmp | *.obj");
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(editor, CheckBoxGotoTrash)));
  Click(editor, CheckBoxGotoTrash, true);
  Click(editor, CheckBoxMirror, false);
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(editor, CheckBoxGotoTrash)));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(editor, RadioButtonYYMM)));
  Click(editor, CheckBoxDateFolder, true);
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(editor, RadioButtonYYMM)));
  Click(editor, RadioButtonYYMMDD, false);
  Click(editor, RadioButtonYYMM, true);
  Click(editor, CheckBoxOldFileNoCopy, true);
  SYSTEMTIME date = {};
  date.wYear = 2011;
  date.wMonth = 2;
  date.wDay = 3;
  RemoteBuffer remote(program.Id(), sizeof date);
  SendMessageW(GetDlgItem(editor, DateTimePickerOldFile), DTM_SETSYSTEMTIME, GDT_VALID, remote.Put(&date, sizeof date));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(editor, EditSrcPass)));
  Click(editor, CheckBoxSrcLogin, true);
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(editor, EditSrcPass)));
  SetControlText(editor, EditSrcUser, "user");
  SetControlText(editor, EditSrcPass, "秘密");
  PostMessageW(editor, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(editor); }, 10000));
  ASSERT_TRUE(WaitFor([&] { return ListTexts(w.settings, program.Id(), 0).size() == 2; }, 10000));
  EXPECT_EQ(ListTexts(w.settings, program.Id(), 0)[1], "追加した設定");
  EXPECT_EQ(ListTexts(w.settings, program.Id(), 3)[1], "未処理");

  // Saved under the file's own name, which exists: no dialog.
  PostMessageW(w.main, WM_COMMAND, SaveMenu, 0);
  ASSERT_TRUE(WaitFor([&] { return AnyContains(ListTexts(w.status, program.Id(), 0), "ファイルセーブ"); }, 10000));
  BackupSet saved = LoadSet(set);
  ASSERT_EQ(saved.settings.size(), 2u);
  BackupSetting expected = NewEditorSetting();
  expected.name = "追加した設定";
  expected[kSrc] = JoinPath(root, "src");
  expected[kDst] = JoinPath(root, "dst2");
  expected[kFilter] = "*.tmp | *.obj";
  expected[kMirror] = "0";
  expected[kGotoTrash] = "1";  // kept while its box is disabled
  expected[kDateFolder] = "1";
  expected[kDateFolderType] = "1";
  expected[kOldFileNoCopy] = "1";
  expected[kOldFileDate] = "2011/02/03";
  expected[kSrcLogin] = "1";
  expected[kSrcUser] = "user";
  expected[kSrcPass] = "秘密";
  EXPECT_EQ(saved.settings[1], expected);
  PostMessageW(w.main, WM_CLOSE, 0, 0);
  EXPECT_EQ(program.WaitForExit(30000), std::optional<DWORD>(0));

  // Opened again through the open dialog, saved as another file: the same
  // bytes. Without automatic saving the program starts with no set.
  SetOptions([](AppOptions& o) { o.optionAutoSave = 0; });
  Program again("");
  w = AttachMainWindow(again);
  ASSERT_TRUE(w.settings);
  EXPECT_TRUE(ListTexts(w.settings, again.Id(), 0).empty());
  PostMessageW(w.main, WM_COMMAND, OpenMenu, 0);
  ASSERT_TRUE(ChooseFile(again.Id(), L"バックアップセットを開く", set));
  ASSERT_TRUE(WaitFor([&] { return ListTexts(w.settings, again.Id(), 0).size() == 2; }, 10000));
  std::string copy = JoinPath(root, "copy.dmk");
  PostMessageW(w.main, WM_COMMAND, NewSaveMenu, 0);
  ASSERT_TRUE(ChooseFile(again.Id(), L"バックアップセットに名前を付けて保存", copy));
  ASSERT_TRUE(WaitFor([&] { return AnyContains(ListTexts(w.status, again.Id(), 1), copy); }, 10000));
  EXPECT_EQ(ReadBytes(copy), ReadBytes(set));
  wchar_t title[MAX_PATH] = {};
  GetWindowTextW(w.main, title, MAX_PATH);
  EXPECT_EQ(WideToUtf8(title), "Drovenmark - " + copy);

  // Editing shows the row; "初期化(&I)" resets it to an added setting's
  // defaults until the dialog is cancelled.
  SelectRow(w.settings, again.Id(), 1);
  PostMessageW(w.main, WM_COMMAND, ToolButtonEdit, 0);
  editor = FindDialog(again.Id(), L"設定の編集");
  ASSERT_TRUE(editor);
  GetDlgItemTextW(editor, EditName, name, 64);
  EXPECT_EQ(WideToUtf8(name), "追加した設定");
  EXPECT_EQ(IsDlgButtonChecked(editor, RadioButtonYYMM), BST_CHECKED);
  PostMessageW(editor, WM_COMMAND, Button1, 0);
  EXPECT_EQ(AnswerMessageBox(again.Id(), IDYES), "現在の設定を初期化します。　　\n\nよろしいですか？");
  EXPECT_TRUE(FindDialog(again.Id(), L"設定の追加"));
  GetDlgItemTextW(editor, EditName, name, 64);
  EXPECT_EQ(WideToUtf8(name), "新しい設定");
  PostMessageW(editor, WM_COMMAND, IDCANCEL, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(editor); }, 10000));
  EXPECT_EQ(ListTexts(w.settings, again.Id(), 0)[1], "追加した設定");

  // Deleting the added row asks first; closing then asks whether to save.
  PostMessageW(w.main, WM_COMMAND, ToolButtonDel, 0);
  EXPECT_EQ(AnswerMessageBox(again.Id(), IDYES), "追加した設定 を削除します。\n\nよろしいですか？");
  ASSERT_TRUE(WaitFor([&] { return ListTexts(w.settings, again.Id(), 0).size() == 1; }, 10000));
  PostMessageW(w.main, WM_CLOSE, 0, 0);
  EXPECT_EQ(AnswerMessageBox(again.Id(), IDYES), "'" + copy + "' への変更を保存しますか？");
  EXPECT_EQ(again.WaitForExit(30000), std::optional<DWORD>(0));
  EXPECT_EQ(LoadSet(copy).settings.size(), 1u);
  EXPECT_EQ(LoadSet(set).settings.size(), 2u);
}

}  // namespace
}  // namespace dm
