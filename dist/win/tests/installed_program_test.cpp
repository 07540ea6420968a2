// The release files under Wine, each case in a fresh prefix prepared by
// release_wine_test.sh: the installer run silently, the installed program's
// run and about box, the uninstaller next to the user's own files, and the
// online update of an installation to the next build's published package.
#include <windows.h>
#include <shlobj.h>

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

  Program uninstaller("/S", JoinPath(installed, "uninstall.exe"));
  ASSERT_TRUE(uninstaller.Started());
  // The uninstaller runs from a copy of itself and removes the original.
  EXPECT_TRUE(WaitFor([&] { return !Exists(JoinPath(installed, "uninstall.exe")); }, 120000));
  EXPECT_TRUE(WaitFor([&] { return !UninstallString(L"DisplayName").has_value(); }, 30000));
  for (const std::string& name : InstalledNames()) EXPECT_FALSE(Exists(JoinPath(installed, name))) << name;
  EXPECT_FALSE(Exists(Shortcut()));
  EXPECT_TRUE(Exists(JoinPath(installed, "20260105.log")));
  EXPECT_TRUE(Exists(JoinPath(installed, "mine.dmk")));
  EXPECT_TRUE(Exists(set));
  EXPECT_TRUE(Exists(JoinPath(root, "dst\\backup.txt")));
  EXPECT_EQ(ReadOptions().updateSearchUrl, "http://mirror.example/version.txt");
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
  EXPECT_EQ(TextOf(GetDlgItem(ask, 0xFFFF)), "インターネットに接続し、アップデートを行いますか？");
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
