// Editing a backup set in the running program: a setting added through the
// real editor dialog, the set saved, opened again, saved under another name
// through the file dialogs, and a row deleted after its question.
#include <gtest/gtest.h>

#include "app/win/commands.h"
#include "app/win/tests/program_driver.h"
#include "backupset/win/folder_setting_ids.h"

namespace dm {
namespace {

// A visible dialog of `process` with this caption.
HWND FindDialog(DWORD process, const wchar_t* title, DWORD timeoutMs = 20000) {
  return FindWindowOf(
      process,
      [title](HWND hwnd) {
        wchar_t text[128] = {};
        GetWindowTextW(hwnd, text, 128);
        return IsWindowVisible(hwnd) && HasClass(hwnd, L"#32770") && wcscmp(text, title) == 0;
      },
      timeoutMs);
}

// The text of a message box, which is then answered with `button`.
std::string AnswerMessageBox(DWORD process, int button) {
  HWND box = FindDialog(process, L"Drovenmark");
  if (!box) return "(no message box)";
  wchar_t text[512] = {};
  GetDlgItemTextW(box, 0xFFFF, text, 512);
  PostMessageW(box, WM_COMMAND, button, 0);
  WaitFor([&] { return !IsWindow(box); }, 10000);
  return WideToUtf8(text);
}

// Sets a check box or radio button as a click would, so the dialog updates
// what depends on it.
void Click(HWND dialog, int id, bool checked) {
  HWND control = GetDlgItem(dialog, id);
  SendMessageW(control, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
}

void SetText(HWND dialog, int id, const std::string& text) {
  SetDlgItemTextW(dialog, id, Utf8ToWide(text).c_str());
}

// Messages whose parameter points into the receiving process.
class RemoteBuffer {
 public:
  RemoteBuffer(DWORD process, SIZE_T size) : size_(size) {
    process_.Reset(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process));
    if (process_) address_ = VirtualAllocEx(process_.Get(), nullptr, size, MEM_COMMIT, PAGE_READWRITE);
  }
  ~RemoteBuffer() {
    if (address_) VirtualFreeEx(process_.Get(), address_, 0, MEM_RELEASE);
  }
  LPARAM Put(const void* data, SIZE_T size) {
    WriteProcessMemory(process_.Get(), address_, data, std::min(size, size_), nullptr);
    return reinterpret_cast<LPARAM>(address_);
  }

 private:
  ObjectHandle process_;
  void* address_ = nullptr;
  SIZE_T size_;
};

void SelectRow(HWND list, DWORD process, int row) {
  LVITEMW item = {};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = item.stateMask;
  RemoteBuffer remote(process, sizeof item);
  SendMessageW(list, LVM_SETITEMSTATE, row, remote.Put(&item, sizeof item));
}

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

  struct Window {
    HWND main = nullptr;
    HWND settings = nullptr;
    HWND status = nullptr;
  };
  Window Attach(const Program& program) {
    Window w;
    w.main = FindTopWindow(program.Id(), L"TMainForm");
    WaitFor(
        [&] {
          w.settings = FindChild(w.main, L"ListView1");
          w.status = FindChild(w.main, L"ListView2");
          return w.settings && w.status;
        },
        20000);
    return w;
  }
};

TEST_F(SetEditingTest, AddThroughTheEditorSaveReopenSaveAsAndDelete) {
  std::string set = MakeSet("gui.dmk", JoinPath(root, "src"), JoinPath(root, "dst"));
  Program program("\"" + set + "\"");
  Window w = Attach(program);
  ASSERT_TRUE(w.settings);
  ASSERT_TRUE(WaitFor([&] { return ListTexts(w.settings, program.Id(), 0).size() == 1; }, 10000));

  PostMessageW(w.main, WM_COMMAND, ToolButtonAdd, 0);
  HWND editor = FindDialog(program.Id(), L"設定の追加");
  ASSERT_TRUE(editor);
  wchar_t name[64] = {};
  GetDlgItemTextW(editor, EditName, name, 64);
  EXPECT_EQ(WideToUtf8(name), "新しい設定");

  // OK with no source folder: refused, the dialog stays with its values.
  SetText(editor, EditName, "追加した設定");
  PostMessageW(editor, WM_COMMAND, IDOK, 0);
  EXPECT_EQ(AnswerMessageBox(program.Id(), IDOK), "ソース側フォルダを指定してください");
  ASSERT_TRUE(IsWindow(editor));
  GetDlgItemTextW(editor, EditName, name, 64);
  EXPECT_EQ(WideToUtf8(name), "追加した設定");

  SetText(editor, EditSrc, JoinPath(root, "src"));
  SetText(editor, EditDst, JoinPath(root, "dst2"));
  SetText(editor, EditOutSide, "*.tmp | *.obj");
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
  SetText(editor, EditSrcUser, "user");
  SetText(editor, EditSrcPass, "秘密");
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
  w = Attach(again);
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
