// The release files under Wine, each case in a fresh prefix prepared by
// release_wine_test.sh: the installer run silently, the installed program's
// run and about box, the uninstaller next to the user's own files, and the
// online update of an installation to the next build's published package.
#include <windows.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <map>

#include "app/win/commands.h"
#include "app/win/tests/program_driver.h"
#include "app/win/version_info.h"
#include "base/text.h"
#include "dist/release.h"
#include "unlha/win/unlha_api.h"
#include "update/win/form_ids.h"

namespace dm {
namespace {

const wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Drovenmark";

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string Folder(int csidl) {
  wchar_t path[MAX_PATH] = {};
  SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
  return WideToUtf8(path);
}

std::optional<std::string> UninstallString(const wchar_t* name) {
  wchar_t value[1024] = {};
  DWORD size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, kUninstallKey, name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return WideToUtf8(value);
}

std::optional<DWORD> UninstallNumber(const wchar_t* name) {
  DWORD value = 0, size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, kUninstallKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  return value;
}

bool Exists(const std::string& path) {
  return GetFileAttributesW(NativePath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

// The about box's version and build lines of a running program.
std::pair<std::string, std::string> AboutVersionAndBuild(Program& program) {
  HWND main = FindTopWindow(program.Id(), L"TMainForm");
  EXPECT_TRUE(main);
  PostMessageW(main, WM_COMMAND, AboutMenu, 0);
  HWND about = FindShown(program.Id(), L"#32770", L"バージョン情報", 30000);
  if (!about) return {"(no about box)", ""};
  auto result = std::make_pair(TextOf(GetDlgItem(about, AboutLabel2)), TextOf(GetDlgItem(about, AboutLabel12)));
  PostMessageW(about, WM_COMMAND, IDOK, 0);
  WaitFor([&] { return !IsWindow(about); }, 10000);
  return result;
}

// The program file of the process that owns `window`.
std::string ImageOf(HWND window) {
  DWORD id = 0;
  GetWindowThreadProcessId(window, &id);
  ObjectHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
  wchar_t image[MAX_PATH] = {};
  DWORD size = MAX_PATH;
  if (!process || !QueryFullProcessImageNameW(process.Get(), 0, image, &size)) return "";
  return WideToUtf8(image);
}

// Processes that run a program file from `folder`.
int ProcessesFrom(const std::string& folder) {
  const std::string prefix = AsciiLower(folder) + "\\";
  ObjectHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry = {sizeof entry};
  int count = 0;
  for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more; more = Process32NextW(snapshot.Get(), &entry)) {
    ObjectHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
    wchar_t image[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (process && QueryFullProcessImageNameW(process.Get(), 0, image, &size) &&
        AsciiLower(WideToUtf8(image)).rfind(prefix, 0) == 0) {
      ++count;
    }
  }
  return count;
}

// A main window of the program installed at `program`, other than `besides`.
HWND InstalledMainWindow(const std::string& program, HWND besides, DWORD timeoutMs) {
  return FindWindowOf(
      kAnyProcess,
      [&](HWND w) { return w != besides && HasClass(w, L"TMainForm") && AsciiLower(ImageOf(w)) == AsciiLower(program); },
      timeoutMs);
}

int MainWindows() {
  int count = 0;
  EnumWindows([](HWND w, LPARAM n) -> BOOL { *reinterpret_cast<int*>(n) += HasClass(w, L"TMainForm") ? 1 : 0; return TRUE; },
              reinterpret_cast<LPARAM>(&count));
  return count;
}

// The process behind a window, to wait for its end.
ObjectHandle ProcessOf(HWND window) {
  DWORD id = 0;
  GetWindowThreadProcessId(window, &id);
  return ObjectHandle(OpenProcess(SYNCHRONIZE, FALSE, id));
}

std::string FileVersionOf(const std::string& program) {
  std::string version;
  if (std::optional<VersionBlock> block = ReadVersionBlock(program)) ReadVersionString(*block, "FileVersion", version);
  return version;
}

class Release : public ProgramTest {
 protected:
  void SetUp() override {
    if (Env("DM_TEST_INSTALLER").empty()) GTEST_SKIP() << "run through release_wine_test.sh";
    ProgramTest::SetUp();
    version = Env("DM_TEST_VERSION");
    build = Env("DM_TEST_BUILD");
  }

  // Runs the installer silently, into `folder` when one is given.
  void Install(const std::string& folder = "") {
    std::string arguments = "/S";
    if (!folder.empty()) arguments += " /D=" + folder;  // /D= comes last and is never quoted
    Program installer(arguments, Env("DM_TEST_INSTALLER"));
    ASSERT_TRUE(installer.Started());
    EXPECT_EQ(installer.WaitForExit(120000), std::optional<DWORD>(0));
  }

  std::vector<std::string> InstalledNames() {
    std::vector<std::string> names = ProgramFiles();
    names.push_back("uninstall.exe");
    return names;
  }

  std::string Shortcut() { return JoinPath(Folder(CSIDL_PROGRAMS), "Drovenmark.lnk"); }

  std::string version, build;
};

// A file's bytes; empty when it cannot be read.
std::string ReadAll(const std::string& path) {
  std::string bytes;
  FileHandle file(
      CreateFileW(NativePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  char buffer[65536];
  for (DWORD got = 0; file.Valid() && ReadFile(file.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0;) {
    bytes.append(buffer, got);
  }
  return bytes;
}

TEST_F(Release, Install) {
  Install();
  // The default: the user's own programs folder, writable without elevation.
  const std::string installed = JoinPath(Folder(CSIDL_LOCAL_APPDATA), "Programs\\Drovenmark");
  for (const std::string& name : InstalledNames()) EXPECT_TRUE(Exists(JoinPath(installed, name))) << name;
  EXPECT_TRUE(Exists(Shortcut()));
  EXPECT_EQ(UninstallString(L"DisplayName"), "Drovenmark " + version);
  EXPECT_EQ(UninstallString(L"DisplayVersion"), version + " (Build " + build + ")");
  EXPECT_EQ(UninstallString(L"Publisher"), "Quorvanta");
  EXPECT_EQ(UninstallString(L"UninstallString"), "\"" + JoinPath(installed, "uninstall.exe") + "\"");
  EXPECT_EQ(UninstallString(L"DisplayIcon"), JoinPath(installed, "drovenmk.exe") + ",0");
  EXPECT_EQ(UninstallString(L"InstallLocation"), installed);
  std::optional<DWORD> size = UninstallNumber(L"EstimatedSize");
  ASSERT_TRUE(size);
  EXPECT_GT(*size, 100u);  // kilobytes

  // The installed program runs the sample set invisibly and logs beside itself.
  const std::string program = JoinPath(installed, "drovenmk.exe");
  Program run("-h -a=D:\\sample.dmk", program);
  EXPECT_EQ(run.WaitForExit(120000), std::optional<DWORD>(0));
  EXPECT_TRUE(Exists("D:\\backup\\文書\\報告書.txt"));
  SYSTEMTIME now;
  GetLocalTime(&now);
  char log[16];
  snprintf(log, sizeof log, "%04d%02d%02d.log", now.wYear, now.wMonth, now.wDay);
  EXPECT_TRUE(Exists(JoinPath(installed, log))) << log;

  Program shown("-i", program);
  auto [shown_version, shown_build] = AboutVersionAndBuild(shown);
  EXPECT_EQ(shown_version, "Version " + version);
  EXPECT_EQ(shown_build, "Build " + build);

  // Installed again, silently, while it sits in the tray: closed without a
  // question, replaced, and started again in the tray.
  HWND old_window = FindTopWindow(shown.Id(), L"TMainForm");
  Install();
  EXPECT_TRUE(shown.WaitForExit(0).has_value());
  HWND again = InstalledMainWindow(program, old_window, 30000);
  ASSERT_TRUE(again);
  Sleep(500);
  EXPECT_FALSE(IsWindowVisible(again));
  EXPECT_EQ(MainWindows(), 1);
  ObjectHandle restarted = ProcessOf(again);
  PostMessageW(again, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(restarted.Get(), 30000), WAIT_OBJECT_0);

  // The next build's installer while another process holds a library: the
  // program file already renamed into place goes back, nothing is left
  // beside the files, no box comes, and the exit code says it failed.
  FileHandle held(CreateFileW(NativePath(JoinPath(installed, "UNLHA32.DLL")).c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(held.Valid());
  Program next_setup("/S", Env("DM_TEST_NEXT_INSTALLER"));
  EXPECT_EQ(next_setup.WaitForExit(120000), std::optional<DWORD>(2));
  EXPECT_EQ(FileVersionOf(program), Env("DM_TEST_FILE_VERSION_PREFIX") + "." + build);
  auto listing = fs.List(installed);
  for (DirEntry e; listing && listing->Next(e);) EXPECT_EQ(e.name.find(".dmsetup-"), std::string::npos) << e.name;
  held.Reset();

  // The next build's installer when the program's new file cannot even be
  // written beside it (a folder has its name): every installed file stays
  // as it was, those never reached included.
  std::map<std::string, std::string> before;
  for (const std::string& name : ProgramFiles()) before[name] = ReadAll(JoinPath(installed, name));
  const std::string blocker = JoinPath(installed, "drovenmk.exe.dmsetup-new");
  ASSERT_TRUE(fs.CreateFolderTree(blocker));
  Program blocked_setup("/S", Env("DM_TEST_NEXT_INSTALLER"));
  EXPECT_EQ(blocked_setup.WaitForExit(120000), std::optional<DWORD>(2));
  for (const std::string& name : ProgramFiles()) {
    EXPECT_EQ(ReadAll(JoinPath(installed, name)), before[name]) << name;
    EXPECT_FALSE(before[name].empty()) << name;
  }
  RemoveDirectoryW(NativePath(blocker).c_str());
}

TEST_F(Release, Uninstall) {
  const std::string installed = "C:\\Apps\\Drovenmark";
  Install(installed);
  for (const std::string& name : InstalledNames()) ASSERT_TRUE(Exists(JoinPath(installed, name))) << name;
  // What the user has: a set and a log beside the program, a backup, options.
  WriteFile(JoinPath(installed, "20260105.log"), "log\r\n");
  const std::string set = MakeSet("mine.dmk", JoinPath(root, "src"), JoinPath(root, "dst"));
  ASSERT_TRUE(CopyFileW(NativePath(set).c_str(), NativePath(JoinPath(installed, "mine.dmk")).c_str(), FALSE));
  WriteFile(JoinPath(root, "dst\\backup.txt"), "backup\r\n");
  SetOptions([](AppOptions& o) { o.updateSearchUrl = "http://mirror.example/version.txt"; });

  // It runs while it is uninstalled, silently: closed first, then removed.
  Program running("", JoinPath(installed, "drovenmk.exe"));
  ASSERT_TRUE(FindTopWindow(running.Id(), L"TMainForm"));
  Program uninstaller("/S", JoinPath(installed, "uninstall.exe"));
  ASSERT_TRUE(uninstaller.Started());
  // The uninstaller runs from a copy of itself and removes the original.
  EXPECT_TRUE(WaitFor([&] { return !Exists(JoinPath(installed, "uninstall.exe")); }, 120000));
  EXPECT_TRUE(WaitFor([&] { return !UninstallString(L"DisplayName").has_value(); }, 30000));
  for (const std::string& name : InstalledNames()) EXPECT_FALSE(Exists(JoinPath(installed, name))) << name;
  EXPECT_TRUE(running.WaitForExit(0).has_value());
  EXPECT_EQ(ProcessesFrom(installed), 0);
  EXPECT_FALSE(Exists(Shortcut()));
  EXPECT_TRUE(Exists(JoinPath(installed, "20260105.log")));
  EXPECT_TRUE(Exists(JoinPath(installed, "mine.dmk")));
  EXPECT_TRUE(Exists(set));
  EXPECT_TRUE(Exists(JoinPath(root, "dst\\backup.txt")));
  EXPECT_EQ(ReadOptions().updateSearchUrl, "http://mirror.example/version.txt");
}

// The installer's or uninstaller's window of `process` (kAnyProcess: the
// uninstaller runs from a copy of itself), whose caption begins with `caption`.
HWND InstallerWindow(DWORD process, const std::string& caption) {
  return FindWindowOf(
      process,
      [&](HWND w) {
        return IsWindowVisible(w) && HasClass(w, L"#32770") && GetDlgItem(w, 1) &&
               TextOf(w).rfind(caption, 0) == 0;
      },
      60000);
}

// A message box of `process` with `button`, answered later by the caller.
HWND MessageBoxWith(DWORD process, int button, DWORD timeoutMs) {
  return FindWindowOf(
      process,
      [&](HWND w) {
        return IsWindowVisible(w) && HasClass(w, L"#32770") && GetDlgItem(w, button) && GetDlgItem(w, 0xFFFF);
      },
      timeoutMs);
}

// A message box's text. Read again while it comes back empty: a process
// busy for a moment (the installer asking the program to close every
// second, on a loaded machine) can let the cross-process read time out.
std::string BoxText(HWND box) {
  std::string text;
  WaitFor([&] { return !(text = TextOf(GetDlgItem(box, 0xFFFF))).empty(); }, 20000);
  return text;
}

// The installer's next button, once it reads `text`, pressed.
bool PressNext(HWND window, const std::string& text) {
  if (!WaitFor([&] { return TextOf(GetDlgItem(window, 1)) == text && IsWindowEnabled(GetDlgItem(window, 1)); }, 60000)) {
    return false;
  }
  PostMessageW(window, WM_COMMAND, 1, 0);
  return true;
}

bool SameBytes(const std::string& a, const std::string& b) {
  std::string left = ReadAll(a);
  return !left.empty() && left == ReadAll(b);
}

// This build installed and running with a set its run changed; the next
// build's installer clicked through: it closes the program (which asks
// whether to save, so at first it cannot), replaces every file and starts
// the new program; then the uninstaller while that one runs.
TEST_F(Release, Upgrade) {
  const std::string installed = JoinPath(Folder(CSIDL_LOCAL_APPDATA), "Programs\\Drovenmark");
  const std::string program = JoinPath(installed, "drovenmk.exe");
  const std::string next = Env("DM_TEST_NEXT_BUILD");
  const std::string caption = "Drovenmark " + version;
  Install();
  WriteFile(JoinPath(root, "src\\a.txt"), "a");
  const std::string set = MakeSet("upgrade.dmk", JoinPath(root, "src"), JoinPath(root, "dst"));
  SetOptions([](AppOptions& o) { o.optionAutoSave = 0; });
  Program old_program("\"" + set + "\"", program);
  HWND old_window = FindTopWindow(old_program.Id(), L"TMainForm");
  ASSERT_TRUE(old_window);
  HWND status_list = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (status_list = FindChild(old_window, L"ListView2")) != nullptr; }, 20000));
  PostMessageW(old_window, WM_COMMAND, BackupMenu, 0);
  ASSERT_TRUE(WaitFor([&] { return AnyContains(ListTexts(status_list, old_program.Id(), 0), "手動バックアップ終了"); },
                      30000));
  // What the program saves at its end: its own options over this change.
  SetOptions([](AppOptions& o) { o.updateSearchUrl = "http://changed.example/version.txt"; });

  Program setup("", Env("DM_TEST_NEXT_INSTALLER"));
  HWND window = InstallerWindow(setup.Id(), caption + " セットアップ");
  ASSERT_TRUE(window);
  ASSERT_TRUE(PressNext(window, "次へ(&N) >"));
  ASSERT_TRUE(PressNext(window, "インストール(&I)"));
  HWND ask = MessageBoxWith(setup.Id(), IDYES, 30000);
  ASSERT_TRUE(ask);
  EXPECT_EQ(BoxText(ask),
            "Drovenmark が起動しています。\n\nインストールを続けるには Drovenmark を終了します。実行中のバックアップは"
            "中止され、バックアップセットとオプションは終了するときと同じように保存されます。\n\n"
            "Drovenmark を終了してよろしいですか？");
  PostMessageW(ask, WM_COMMAND, IDYES, 0);

  // The program asks whether to save its set; meanwhile the installer says
  // it could not close it, and nothing is replaced.
  HWND save = MessageBoxWith(old_program.Id(), IDCANCEL, 30000);
  ASSERT_TRUE(save);
  HWND retry = MessageBoxWith(setup.Id(), IDRETRY, 30000);
  ASSERT_TRUE(retry);
  EXPECT_EQ(BoxText(retry),
            "Drovenmark を終了できませんでした。\n\nDrovenmark が確認を求めているときや画面を開いているときは、"
            "それを閉じてから「再試行」を押してください。「キャンセル」を押すと、何も変更せずにインストールを中止します。");
  EXPECT_EQ(FileVersionOf(program), Env("DM_TEST_FILE_VERSION_PREFIX") + "." + build);
  EXPECT_EQ(old_program.WaitForExit(0), std::nullopt);
  // Answered (not saved), the program ends; tried again, the install goes on.
  PostMessageW(save, WM_COMMAND, IDNO, 0);
  EXPECT_TRUE(old_program.WaitForExit(30000).has_value());
  PostMessageW(retry, WM_COMMAND, IDRETRY, 0);
  ASSERT_TRUE(WaitFor([&] { return TextOf(GetDlgItem(window, 1)) == "完了(&F)"; }, 60000));

  // Every file of the next build, nothing left beside them; the options as
  // the program saved them at its end; the new program started, with its
  // window as the old one had, and the finish page offers no second start.
  const std::string next_bin = Env("DM_TEST_NEXT_BIN");
  for (const std::string& name : ProgramFiles()) {
    EXPECT_TRUE(SameBytes(JoinPath(installed, name), JoinPath(next_bin, name))) << name;
  }
  EXPECT_EQ(FileVersionOf(program), Env("DM_TEST_FILE_VERSION_PREFIX") + "." + next);
  auto listing = fs.List(installed);
  for (DirEntry e; listing && listing->Next(e);) EXPECT_EQ(e.name.find(".dmsetup-"), std::string::npos) << e.name;
  EXPECT_EQ(ReadOptions().updateSearchUrl, kDefaultUpdateUrl);
  HWND started = InstalledMainWindow(program, old_window, 30000);
  ASSERT_TRUE(started);
  EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(started) != FALSE; }, 10000));
  HWND run_box = nullptr;
  EnumChildWindows(
      window,
      [](HWND w, LPARAM found) -> BOOL {
        if (TextOf(w) == "Drovenmark " + Env("DM_TEST_VERSION") + " を実行(&R)") *reinterpret_cast<HWND*>(found) = w;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&run_box));
  ASSERT_TRUE(run_box);
  EXPECT_FALSE(IsWindowVisible(run_box));
  PostMessageW(window, WM_COMMAND, 1, 0);  // 完了
  EXPECT_EQ(setup.WaitForExit(30000), std::optional<DWORD>(0));
  Sleep(1000);
  EXPECT_EQ(MainWindows(), 1);  // no second start, no "already running" box

  // Uninstalled while the new one runs, through its pages: closed, then
  // every file gone and nothing left running from the folder.
  ObjectHandle new_program = ProcessOf(started);
  Program uninstaller("", JoinPath(installed, "uninstall.exe"));
  window = InstallerWindow(kAnyProcess, caption + " アンインストール");
  ASSERT_TRUE(window);
  ASSERT_TRUE(PressNext(window, "次へ(&N) >"));
  ASSERT_TRUE(PressNext(window, "ｱﾝｲﾝｽﾄｰﾙ(&U)"));
  ask = MessageBoxWith(kAnyProcess, IDYES, 30000);
  ASSERT_TRUE(ask);
  EXPECT_EQ(BoxText(ask),
            "Drovenmark が起動しています。\n\nアンインストールを続けるには Drovenmark を終了します。実行中のバックアップは"
            "中止され、バックアップセットとオプションは終了するときと同じように保存されます。\n\n"
            "Drovenmark を終了してよろしいですか？");
  PostMessageW(ask, WM_COMMAND, IDYES, 0);
  EXPECT_EQ(WaitForSingleObject(new_program.Get(), 30000), WAIT_OBJECT_0);
  ASSERT_TRUE(PressNext(window, "閉じる(&C)"));
  EXPECT_TRUE(WaitFor([&] { return !Exists(JoinPath(installed, "uninstall.exe")); }, 30000));
  for (const std::string& name : InstalledNames()) EXPECT_FALSE(Exists(JoinPath(installed, name))) << name;
  EXPECT_EQ(ProcessesFrom(installed), 0);
  EXPECT_FALSE(UninstallString(L"DisplayName").has_value());
}

TEST_F(Release, Update) {
  const std::string installed = JoinPath(Folder(CSIDL_LOCAL_APPDATA), "Programs\\Drovenmark");
  Install();
  const std::string next = Env("DM_TEST_NEXT_BUILD");
  const std::string archive = Env("DM_TEST_ARCHIVE");

  // Our extractor, as installed, reads the published archive whole.
  HMODULE unlha = LoadLibraryW(NativePath(JoinPath(installed, "UNLHA32.DLL")).c_str());
  ASSERT_TRUE(unlha);
  auto test = reinterpret_cast<lzh::UnlhaFunction>(reinterpret_cast<void*>(GetProcAddress(unlha, lzh::kUnlhaName)));
  ASSERT_TRUE(test);
  char report[32000] = {};
  EXPECT_EQ(test(nullptr, ("t \"" + archive + "\"").c_str(), report, sizeof report), 0) << report;
  FreeLibrary(unlha);

  // As a person would set it up: the maker's address replaced by the test
  // server's, the download folder the program's default beside itself.
  SetOptions([&](AppOptions& o) {
    o.updateSearchUrl = "http://127.0.0.1:" + Env("DM_TEST_HTTP_PORT") + "/ok/dist/version.txt";
    o.updateDownloadFolder = JoinPath(installed, "Download");
    o.updateConnectCheck = 1;
    o.updateProxyEnabled = 0;
    o.updateFinish = 0;
    o.optionAutoSave = 0;
  });
  Program old_instance("", JoinPath(installed, "drovenmk.exe"));
  HWND old_window = FindShown(old_instance.Id(), L"TMainForm", L"Drovenmark - 無題.dmk", 30000);
  ASSERT_TRUE(old_window);
  PostMessageW(old_window, WM_COMMAND, UpdateMenu, 0);
  HWND ask = FindShown(old_instance.Id(), L"#32770", L"Drovenmark", 30000,
                       [](HWND hwnd) { return GetDlgItem(hwnd, IDYES) != nullptr; });
  ASSERT_TRUE(ask);
  EXPECT_EQ(BoxText(ask), "インターネットに接続し、アップデートを行いますか？");
  const auto start = std::chrono::steady_clock::now();
  PostMessageW(ask, WM_COMMAND, IDYES, 0);
  HWND sure = FindShown(old_instance.Id(), L"#32770", L"Drovenmark", 60000,
                        [](HWND hwnd) { return GetDlgItem(hwnd, VerSureButton3) != nullptr; });
  ASSERT_TRUE(sure);
  EXPECT_EQ(TextOf(GetDlgItem(sure, VerSureLabel1)), "最新版 Version" + version + " が登録されています");
  PostMessageW(sure, WM_COMMAND, VerSureButton1, 0);

  UpdateEnd end = AwaitUpdateEnd(old_instance, old_window, JoinPath(installed, "drovenmk.exe"), 120000);
  EXPECT_EQ(end.restartText,
            "Drovenmarkを再起動します\n\n保存が必要な場合は、保存後にＯＫボタンを押してください　　　");
  EXPECT_TRUE(end.oldExited);
  EXPECT_TRUE(end.oldWindowGone);
  ASSERT_TRUE(end.window);
  const double seconds = std::chrono::duration<double>(end.shown - start).count();
  std::printf("The update, from the yes to the new instance's window: %.1f s\n", seconds);

  EXPECT_EQ(AsciiLower(end.image), AsciiLower(JoinPath(installed, "drovenmk.exe")));
  ASSERT_TRUE(end.fileVersion);
  EXPECT_EQ(end.fileVersion->substr(end.fileVersion->rfind('.') + 1), next);

  // Only the program's files and what the program itself writes are there.
  auto listing = fs.List(installed);
  for (DirEntry e; listing && listing->Next(e);) {
    if (e.IsDotEntry()) continue;
    std::string lower = AsciiLower(e.name);
    EXPECT_FALSE(lower == "version.txt" || lower.ends_with(".lzh") || lower.ends_with(".dmold") ||
                 lower.ends_with(".dmnew"))
        << e.name;
  }
  PostMessageW(end.window, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(end.process.Get(), 30000), WAIT_OBJECT_0);
}

}  // namespace
}  // namespace dm
