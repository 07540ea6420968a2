// Starting drovenmk.exe from a test and driving it from outside: its
// windows found by class, its list views read across the process boundary,
// its message boxes answered, and a fixture with a scratch folder and the
// options the tests need.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/options/app_options.h"
#include "app/options/win/registry_store.h"
#include "app/win/version_info.h"
#include "backupset/set_file.h"
#include "backupset/win/win32_set_file_services.h"
#include "base/paths.h"
#include "base/win/handles.h"
#include "base/win/wide.h"
#include "engine/win32/win32_file_system.h"

namespace dm {

inline std::string ProgramPath() { return ProgramFolder() + "drovenmk.exe"; }

// A started program, ended when the test is done with it.
class Program {
 public:
  // `program`: another copy of the program (an installed one, an updater);
  // `currentDirectory`: where it starts (this process's own when empty).
  explicit Program(const std::string& arguments, const std::string& program = ProgramPath(),
                   const std::string& currentDirectory = "") {
    std::wstring command = L"\"" + Utf8ToWide(program) + L"\" " + Utf8ToWide(arguments);
    STARTUPINFOW startup = {sizeof startup};
    PROCESS_INFORMATION info = {};
    std::wstring directory = Utf8ToWide(currentDirectory);
    if (CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                       directory.empty() ? nullptr : directory.c_str(), &startup, &info)) {
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

// Stands for every process where a process id is asked for.
inline constexpr DWORD kAnyProcess = 0xFFFFFFFF;

// The first top-level window of `process` that `matches`, waiting for it.
inline HWND FindWindowOf(DWORD process, const std::function<bool(HWND)>& matches, DWORD timeoutMs) {
  struct Search {
    DWORD process;
    const std::function<bool(HWND)>* matches;
    HWND found;
  };
  DWORD start = GetTickCount();
  do {
    Search search{process, &matches, nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
          auto* s = reinterpret_cast<Search*>(param);
          DWORD owner = 0;
          GetWindowThreadProcessId(hwnd, &owner);
          if ((s->process != kAnyProcess && owner != s->process) || !(*s->matches)(hwnd)) return TRUE;
          s->found = hwnd;
          return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    if (search.found) return search.found;
    Sleep(100);
  } while (GetTickCount() - start < timeoutMs);
  return nullptr;
}

inline bool HasClass(HWND hwnd, const wchar_t* className) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return wcscmp(name, className) == 0;
}

inline HWND FindTopWindow(DWORD process, const wchar_t* className, DWORD timeoutMs = 30000) {
  return FindWindowOf(process, [className](HWND hwnd) { return HasClass(hwnd, className); }, timeoutMs);
}

inline HWND FindChild(HWND parent, const wchar_t* text) {
  return FindWindowExW(parent, nullptr, WC_LISTVIEWW, text);
}

// Reads a list view of another process: the text buffer must live there.
inline std::vector<std::string> ListTexts(HWND list, DWORD process, int column) {
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

inline bool AnyContains(const std::vector<std::string>& texts, const std::string& part) {
  for (const std::string& t : texts) {
    if (t.find(part) != std::string::npos) return true;
  }
  return false;
}

inline bool WaitFor(const std::function<bool()>& condition, DWORD timeoutMs) {
  DWORD start = GetTickCount();
  while (!condition()) {
    if (GetTickCount() - start > timeoutMs) return false;
    Sleep(50);
  }
  return true;
}

// A window's text, without waiting on a window that hangs.
inline std::string TextOf(HWND window) {
  wchar_t text[4096] = {};
  SendMessageTimeoutW(window, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000,
                      nullptr);
  return WideToUtf8(text);
}

// A visible top-level window of `process` (or kAnyProcess) with this
// class and caption.
inline HWND FindShown(DWORD process, const wchar_t* className, const wchar_t* caption, DWORD timeoutMs = 30000,
                      const std::function<bool(HWND)>& also = {}) {
  return FindWindowOf(
      process,
      [&](HWND hwnd) {
        wchar_t text[128] = {};
        GetWindowTextW(hwnd, text, 128);
        return IsWindowVisible(hwnd) && HasClass(hwnd, className) && wcscmp(text, caption) == 0 &&
               (!also || also(hwnd));
      },
      timeoutMs);
}

// The end of an update, once the user has agreed to it: the updater's box
// asking to save first, answered OK; the old instance's end; the new
// instance's main window, the program it runs from, and the FileVersion of
// `program` (the copy the update replaced).
struct UpdateEnd {
  std::string restartText = "(no message box)";
  bool oldExited = false;
  bool oldWindowGone = false;
  HWND window = nullptr;  // null when no new main window showed
  std::chrono::steady_clock::time_point shown;
  ObjectHandle process;
  std::string image;
  std::optional<std::string> fileVersion;  // nothing when `program` has no version block
};

inline UpdateEnd AwaitUpdateEnd(Program& old, HWND oldWindow, const std::string& program, DWORD boxTimeoutMs) {
  UpdateEnd end;
  // The updater is another process, so the box is looked for in every one.
  HWND box = FindShown(kAnyProcess, L"#32770", L"Drovenmark", boxTimeoutMs,
                       [](HWND hwnd) { return GetDlgItem(hwnd, 0xFFFF) != nullptr; });
  if (box) {
    end.restartText = TextOf(GetDlgItem(box, 0xFFFF));
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    WaitFor([&] { return !IsWindow(box); }, 10000);
  }
  end.oldExited = old.WaitForExit(30000).has_value();
  end.oldWindowGone = !IsWindow(oldWindow);

  // The updater's own main window stays hidden; the new program's shows.
  end.window = FindShown(kAnyProcess, L"TMainForm", L"Drovenmark - 無題.dmk", 60000);
  end.shown = std::chrono::steady_clock::now();
  if (!end.window) return end;
  DWORD id = 0;
  GetWindowThreadProcessId(end.window, &id);
  end.process.Reset(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, id));
  wchar_t image[MAX_PATH] = {};
  DWORD size = MAX_PATH;
  QueryFullProcessImageNameW(end.process.Get(), 0, image, &size);
  end.image = WideToUtf8(image);
  if (std::optional<VersionBlock> block = ReadVersionBlock(program)) {
    std::string version;
    ReadVersionString(*block, "FileVersion", version);
    end.fileVersion = version;
  }
  return end;
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

  // A set of one setting from `src` to `dst` (without mirroring, then as
  // `change` makes it), saved as `name`.
  std::string MakeSet(const std::string& name, const std::string& src, const std::string& dst,
                      const std::function<void(BackupSetting&)>& change = {}) {
    BackupSet set;
    BackupSetting setting = NewEditorSetting();
    setting.name = "テスト";
    setting[kSrc] = src;
    setting[kDst] = dst;
    setting[kMirror] = "0";
    if (change) change(setting);
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

// Closes the warning box of `process` whose text holds `part`.
inline bool DismissMessageBox(DWORD process, const std::string& part) {
  HWND box = FindTopWindow(process, L"#32770", 30000);
  if (!box) return false;
  // The box exists a moment before its text is filled in.
  wchar_t text[256] = {};
  WaitFor([&] { return IsWindowVisible(box) && GetDlgItemTextW(box, 0xFFFF, text, 256) > 0; }, 10000);
  bool matches = WideToUtf8(text).find(part) != std::string::npos;
  PostMessageW(box, WM_COMMAND, IDOK, 0);
  return matches;
}

}  // namespace dm
