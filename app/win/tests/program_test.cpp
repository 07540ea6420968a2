// drovenmk.exe as a user and a script meet it: started with a command line,
// driven through its window's messages, its lists read from outside.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/options/app_options.h"
#include "app/options/win/registry_store.h"
#include "app/win/commands.h"
#include "app/win/version_info.h"
#include "backupset/set_file.h"
#include "backupset/win/win32_set_file_services.h"
#include "base/paths.h"
#include "base/sjis.h"
#include "base/win/handles.h"
#include "base/win/wide.h"
#include "engine/win32/win32_file_system.h"

namespace dm {
namespace {

std::string ProgramPath() { return ProgramFolder() + "drovenmk.exe"; }

// A started program, ended when the test is done with it.
class Program {
 public:
  explicit Program(const std::string& arguments) {
    std::wstring command = L"\"" + Utf8ToWide(ProgramPath()) + L"\" " + Utf8ToWide(arguments);
    STARTUPINFOW startup = {sizeof startup};
    PROCESS_INFORMATION info = {};
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
      process_.Reset(info.hProcess);
      CloseHandle(info.hThread);
      processId_ = info.dwProcessId;
    }
  }
  ~Program() {
    if (process_ && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT) TerminateProcess(process_.Get(), 99);
  }
  bool Started() const { return process_.Valid(); }
  DWORD Id() const { return processId_; }
  HANDLE Handle() const { return process_.Get(); }
  // The exit code, or nothing when the program is still running after `ms`.
  std::optional<DWORD> WaitForExit(DWORD ms) {
    if (WaitForSingleObject(process_.Get(), ms) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    GetExitCodeProcess(process_.Get(), &code);
    return code;
  }

 private:
  ObjectHandle process_;
  DWORD processId_ = 0;
};

struct FindData {
  DWORD process;
  const wchar_t* className;
  HWND found;
};

HWND FindTopWindow(DWORD process, const wchar_t* className, DWORD timeoutMs = 30000) {
  DWORD start = GetTickCount();
  do {
    FindData data{process, className, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
          auto* d = reinterpret_cast<FindData*>(param);
          DWORD owner = 0;
          GetWindowThreadProcessId(hwnd, &owner);
          wchar_t name[64];
          GetClassNameW(hwnd, name, 64);
          if (owner == d->process && wcscmp(name, d->className) == 0) {
            d->found = hwnd;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&data));
    if (data.found) return data.found;
    Sleep(100);
  } while (GetTickCount() - start < timeoutMs);
  return nullptr;
}

HWND FindChild(HWND parent, const wchar_t* text) {
  return FindWindowExW(parent, nullptr, WC_LISTVIEWW, text);
}

// Reads a list view of another process: the text buffer must live there.
std::vector<std::string> ListTexts(HWND list, DWORD process, int column) {
  std::vector<std::string> texts;
  ObjectHandle target(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process));
  if (!target) return texts;
  const SIZE_T text_bytes = 1024 * sizeof(wchar_t);
  auto* remote = static_cast<BYTE*>(
      VirtualAllocEx(target.Get(), nullptr, sizeof(LVITEMW) + text_bytes, MEM_COMMIT, PAGE_READWRITE));
  int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < count; ++row) {
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(LVITEMW));
    item.cchTextMax = 1024;
    WriteProcessMemory(target.Get(), remote, &item, sizeof item, nullptr);
    SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(remote));
    wchar_t text[1024] = {};
    ReadProcessMemory(target.Get(), remote + sizeof(LVITEMW), text, text_bytes - sizeof(wchar_t), nullptr);
    texts.push_back(WideToUtf8(text));
  }
  VirtualFreeEx(target.Get(), remote, 0, MEM_RELEASE);
  return texts;
}

bool AnyContains(const std::vector<std::string>& texts, const std::string& part) {
  for (const std::string& t : texts) {
    if (t.find(part) != std::string::npos) return true;
  }
  return false;
}

bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(50);
  }
  return true;
}

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    root = JoinPath(WideToUtf8(temp), "dm_program_" + std::string(
                                          ::testing::UnitTest::GetInstance()->current_test_info()->name()));
    fs.ShellDelete(root, false);
    ASSERT_TRUE(fs.CreateFolderTree(JoinPath(root, "src")));
    SetOptions([](AppOptions& o) {
      o.optionLogView = 2;
      o.optionLogSave = 2;
      o.optionAutoUpdate = 0;
      o.optionAutoSave = 1;
    });
  }
  void TearDown() override { fs.ShellDelete(root, false); }

  void SetOptions(const std::function<void(AppOptions&)>& change) {
    RegistryOptionStore store;
    LoadContext context;
    context.screenWidth = 1024;
    context.screenHeight = 768;
    AppOptions options = LoadOptions(store, context);
    change(options);
    ASSERT_TRUE(SaveOptions(options, store, false));
  }
  AppOptions ReadOptions() {
    RegistryOptionStore store;
    LoadContext context;
    context.screenWidth = 1024;
    context.screenHeight = 768;
    return LoadOptions(store, context);
  }

  void WriteFile(const std::string& path, const std::string& content) {
    fs.CreateFolderTree(ParentPath(path));
    FileHandle file(CreateFileW(NativePath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    ::WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  }
  int CountFiles(const std::string& folder) {
    int count = 0;
    auto listing = fs.List(folder);
    for (DirEntry e; listing && listing->Next(e);) {
      if (!e.IsFolder()) ++count;
      else if (!e.IsDotEntry()) count += CountFiles(JoinPath(folder, e.name));
    }
    return count;
  }

  // A set of one setting from `src` to `dst`, saved as `name`.
  std::string MakeSet(const std::string& name, const std::string& src, const std::string& dst) {
    BackupSet set;
    BackupSetting setting = NewEditorSetting();
    setting.name = "テスト";
    setting[kSrc] = src;
    setting[kDst] = dst;
    setting[kMirror] = "0";
    set.settings.push_back(setting);
    std::string path = JoinPath(root, name);
    int crypt = 1;
    Win32SetFileServices services;
    EXPECT_TRUE(SaveBackupSet(set, path, crypt, services.services));
    return path;
  }
  BackupSet LoadSet(const std::string& path) {
    BackupSet set;
    Win32SetFileServices services;
    LoadBackupSet(set, path, false, services.services);
    return set;
  }

  Win32FileSystem fs;
  std::string root;
};

TEST_F(ProgramTest, HiddenCommandLineRunCopiesSavesAndEnds) {
  for (int i = 0; i < 3; ++i) WriteFile(JoinPath(root, "src\\f" + std::to_string(i) + ".txt"), "data");
  std::string set = MakeSet("daily.dmk", JoinPath(root, "src"), JoinPath(root, "dst"));
  Program program("-h \"-a=" + set + "\"");
  ASSERT_TRUE(program.Started());
  EXPECT_EQ(program.WaitForExit(60000), std::optional<DWORD>(0));
  EXPECT_EQ(CountFiles(JoinPath(root, "dst")), 3);

  // The run's Update text went back into the set, and the options were saved.
  BackupSet saved = LoadSet(set);
  ASSERT_EQ(saved.settings.size(), 1u);
  EXPECT_NE(saved.settings[0][kUpdate], "未処理");
  EXPECT_EQ(saved.settings[0][kUpdate].substr(0, 2), "20");
  EXPECT_EQ(ReadOptions().backupSetFile, set);

  // The day's log in the program's folder has the run's lines in Shift-JIS.
  SYSTEMTIME now;
  GetLocalTime(&now);
  char name[32];
  wsprintfA(name, "%04d%02d%02d.log", now.wYear, now.wMonth, now.wDay);
  FileHandle log(CreateFileW(Utf8ToWide(ProgramFolder() + name).c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(log.Valid());
  std::string bytes(1 << 20, '\0');
  DWORD read = 0;
  ReadFile(log.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  bytes.resize(read);
  std::string text = SjisToUtf8(bytes);
  EXPECT_NE(text.find(" 2, 自動バックアップ開始, "), std::string::npos);
  EXPECT_NE(text.find(" 6, 新規コピー          , "), std::string::npos);
  EXPECT_NE(text.find(JoinPath(root, "dst\\f2.txt")), std::string::npos);
  EXPECT_NE(text.find("( 新規:3  更新:0  エラー:0 )"), std::string::npos);
}

TEST_F(ProgramTest, ExitCodesTellScriptsWhatHappened) {
  std::string broken = MakeSet("broken.dmk", JoinPath(root, "missing"), JoinPath(root, "dst"));
  Program with_errors("-h -a=" + broken);
  EXPECT_EQ(with_errors.WaitForExit(60000), std::optional<DWORD>(1));

  Program no_set("-h -a=" + JoinPath(root, "nothing.dmk"));
  EXPECT_EQ(no_set.WaitForExit(60000), std::optional<DWORD>(2));
}

// Closes the warning box of `process` whose text holds `part`.
bool DismissMessageBox(DWORD process, const std::string& part) {
  HWND box = FindTopWindow(process, L"#32770", 30000);
  if (!box) return false;
  wchar_t text[256] = {};
  GetDlgItemTextW(box, 0xFFFF, text, 256);
  bool matches = WideToUtf8(text).find(part) != std::string::npos;
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  return matches;
}

TEST_F(ProgramTest, SecondInstanceWarnsAndEnds) {
  Program first("");
  ASSERT_TRUE(FindTopWindow(first.Id(), L"TMainForm"));
  Program second("");
  EXPECT_TRUE(DismissMessageBox(second.Id(), "Drovenmark は既に起動しています"));
  EXPECT_EQ(second.WaitForExit(30000), std::optional<DWORD>(static_cast<DWORD>(-1)));
  EXPECT_EQ(first.WaitForExit(0), std::nullopt);  // the first one is unaffected

  Program allowed("-d");
  EXPECT_TRUE(FindTopWindow(allowed.Id(), L"TMainForm"));
  for (Program* p : {&allowed, &first}) {
    PostMessageW(FindTopWindow(p->Id(), L"TMainForm"), WM_CLOSE, 0, 0);
    EXPECT_TRUE(p->WaitForExit(30000).has_value());
  }
}

TEST_F(ProgramTest, WindowRunsPausesAndAborts) {
  const int files = 3000;
  for (int i = 0; i < files; ++i) WriteFile(JoinPath(root, "src\\d" + std::to_string(i / 100) + "\\f" + std::to_string(i) + ".txt"), std::string(2000, 'x'));
  std::string set = MakeSet("gui.dmk", JoinPath(root, "src"), JoinPath(root, "dst"));
  Program program("\"" + set + "\"");
  HWND window = FindTopWindow(program.Id(), L"TMainForm");
  ASSERT_TRUE(window);
  // The window exists before its controls do.
  HWND status_list = nullptr, settings_list = nullptr, toolbar = nullptr;
  ASSERT_TRUE(WaitFor(
      [&] {
        status_list = FindChild(window, L"ListView2");
        settings_list = FindChild(window, L"ListView1");
        toolbar = FindWindowExW(window, nullptr, TOOLBARCLASSNAMEW, nullptr);
        return status_list && settings_list && toolbar;
      },
      20000));
  EXPECT_TRUE(WaitFor([&] { return AnyContains(ListTexts(status_list, program.Id(), 0), "ファイルオープン"); }, 10000));
  EXPECT_EQ(ListTexts(settings_list, program.Id(), 0), std::vector<std::string>{"テスト"});
  auto enabled = [&](int id) { return SendMessageW(toolbar, TB_ISBUTTONENABLED, id, 0) != 0; };
  EXPECT_TRUE(enabled(ToolButtonBackup));
  EXPECT_FALSE(enabled(ToolButtonAbort));

  // Start and pause at once: the run holds at its next checkpoint.
  PostMessageW(window, WM_COMMAND, BackupMenu, 0);
  PostMessageW(window, WM_COMMAND, PauseMenu, 0);
  ASSERT_TRUE(WaitFor([&] { return !enabled(ToolButtonBackup); }, 10000));
  EXPECT_TRUE(enabled(ToolButtonAbort));
  EXPECT_TRUE(enabled(ToolButtonPause));
  EXPECT_FALSE(enabled(ToolButtonNew));
  Sleep(1000);  // let a copy under way finish
  int paused_at = CountFiles(JoinPath(root, "dst"));
  Sleep(1000);
  EXPECT_EQ(CountFiles(JoinPath(root, "dst")), paused_at);
  EXPECT_LT(paused_at, files);

  PostMessageW(window, WM_COMMAND, PauseMenu, 0);
  EXPECT_TRUE(WaitFor([&] { return CountFiles(JoinPath(root, "dst")) > paused_at; }, 10000));
  PostMessageW(window, WM_COMMAND, AbortMenu, 0);
  EXPECT_TRUE(WaitFor([&] { return enabled(ToolButtonBackup); }, 10000));
  EXPECT_FALSE(enabled(ToolButtonAbort));
  EXPECT_TRUE(AnyContains(ListTexts(status_list, program.Id(), 0), "手動バックアップ終了"));
  std::vector<std::string> updates = ListTexts(settings_list, program.Id(), 3);
  EXPECT_TRUE(AnyContains(updates, "処理中止")) << (updates.empty() ? "" : updates[0]);
  EXPECT_LT(CountFiles(JoinPath(root, "dst")), files);

  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(program.WaitForExit(30000), std::optional<DWORD>(0));
}

TEST(VersionInfo, TheProgramSaysWhatItIs) {
  std::optional<VersionBlock> block = ReadVersionBlock(ProgramPath());
  ASSERT_TRUE(block.has_value());
  std::string value;
  EXPECT_TRUE(ReadVersionString(*block, "ProductName", value));
  EXPECT_EQ(value, "Drovenmark");
  EXPECT_TRUE(ReadVersionString(*block, "ProductVersion", value));
  EXPECT_EQ(value, "2.10");
  EXPECT_TRUE(ReadVersionString(*block, "FileVersion", value));
  EXPECT_EQ(value, "2.1.0.410");
  EXPECT_EQ(BuildNumberOf(value), 410);
  EXPECT_FALSE(ReadVersionString(*block, "NoSuchValue", value));
  EXPECT_EQ(value, "");
  EXPECT_EQ(BuildNumberOf("7"), -1);
  EXPECT_EQ(BuildNumberOf("12"), 12);
  EXPECT_FALSE(ReadVersionBlock(ProgramFolder() + "no_such_file.exe").has_value());
}

}  // namespace
}  // namespace dm
