// The online update and the about box through the real program under Wine,
// against the loopback server of update_wine_test.sh and the packages
// make_update_site.sh signed with the tests' throwaway key: up to date, no
// build, failed, endless, stalled and aborted downloads, a proxy, the
// details text, every attack on the package refused with the installed
// program left byte for byte as it was, the whole hand-over to the updater
// past stray files, the updater's failure when the old instance will not
// close, libraries planted in the current directory, and the about box.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <map>

#include "app/win/commands.h"
#include "app/win/tests/program_driver.h"
#include "app/win/version_info.h"
#include "base/text.h"
#include "update/release_checks.h"
#include "update/win/form_ids.h"

namespace dm {
namespace {

using Clock = std::chrono::steady_clock;

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

// A Unix path as Wine's Z: drive shows it.
std::string WinePath(const std::string& unix) {
  std::string path = "Z:" + unix;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

double SecondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// A message box ("Drovenmark", or `caption`) of `process` (or kAnyProcess):
// its text, answered with `button`.
std::string AnswerBox(DWORD process, int button = IDOK, const wchar_t* caption = L"Drovenmark",
                      DWORD timeoutMs = 30000) {
  HWND box = FindShown(process, L"#32770", caption, timeoutMs,
                       [](HWND hwnd) { return GetDlgItem(hwnd, 0xFFFF) != nullptr; });
  if (!box) return "(no message box)";
  std::string text = TextOf(GetDlgItem(box, 0xFFFF));
  PostMessageW(box, WM_COMMAND, button, 0);
  WaitFor([&] { return !IsWindow(box); }, 10000);
  return text;
}

bool HasText(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }
bool StartsWithText(const std::string& text, const std::string& part) { return text.rfind(part, 0) == 0; }

class UpdateProgramTest : public ProgramTest {
 protected:
  void SetUp() override {
    port = Env("DM_TEST_HTTP_PORT");
    if (port.empty()) GTEST_SKIP() << "run through update_wine_test.sh, which starts the test server";
    ProgramTest::SetUp();
    // A program of the test before may still be ending (closing takes a few
    // seconds under Wine) and would hold the single-instance mutex.
    WaitFor([] { return ObjectHandle(OpenMutexW(SYNCHRONIZE, FALSE, L"DROVENMK_WIN32")).Get() == nullptr; },
            30000);
    download = JoinPath(root, "download");
    updateFolder = UpdateFolderOf(download);
    testKeyBin = WinePath(Env("DM_TEST_KEY_BIN"));
    SetOptions([&](AppOptions& o) {
      o.updateSearchUrl = Url("now/version.txt");
      o.updateDownloadFolder = download;
      o.updateConnectCheck = 0;
      o.updateProxyEnabled = 0;
      o.updateFinish = 0;
      o.optionAutoSave = 0;
    });
  }

  // Programs a failed test left behind (an updater, a new instance) would
  // keep the next test's program from starting.
  void TearDown() override {
    EnumWindows(
        [](HWND hwnd, LPARAM) -> BOOL {
          if (!HasClass(hwnd, L"TMainForm")) return TRUE;
          DWORD id = 0;
          GetWindowThreadProcessId(hwnd, &id);
          ObjectHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
          if (process && WaitForSingleObject(process.Get(), 0) == WAIT_TIMEOUT) {
            TerminateProcess(process.Get(), 99);
            WaitForSingleObject(process.Get(), 10000);
          }
          return TRUE;
        },
        0);
    if (!port.empty()) ProgramTest::TearDown();
  }

  std::string Url(const std::string& path) { return "http://127.0.0.1:" + port + "/" + path; }
  // What the server's /now/ serves from now on: "MODE/FOLDER".
  void Scenario(const std::string& prefix) {
    FileHandle file(CreateFileW(Utf8ToWide(WinePath(Env("DM_TEST_SCENARIO_FILE"))).c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    ::WriteFile(file.Get(), prefix.data(), static_cast<DWORD>(prefix.size()), &written, nullptr);
  }

  // The program's window, and the update command given to it.
  HWND StartUpdate(Program& program) {
    HWND main = FindTopWindow(program.Id(), L"TMainForm");
    EXPECT_TRUE(main);
    PostMessageW(main, WM_COMMAND, UpdateMenu, 0);
    return main;
  }
  HWND UpdateWindow(DWORD process) { return FindShown(process, L"#32770", L"オンラインアップデート"); }
  HWND SureWindow(DWORD process, DWORD timeoutMs = 30000) {
    return FindShown(process, L"#32770", L"Drovenmark", timeoutMs,
                     [](HWND hwnd) { return GetDlgItem(hwnd, VerSureButton3) != nullptr; });
  }
  // The update window's log, read while it is open.
  std::string Memo(HWND update) { return TextOf(GetDlgItem(update, AutoUpdateMemo1)); }

  bool FileExists(const std::string& path) { return GetFileAttributesW(NativePath(path).c_str()) != INVALID_FILE_ATTRIBUTES; }
  std::string ReadFile(const std::string& path) {
    std::string bytes;
    FileHandle file(CreateFileW(NativePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
    char buffer[65536];
    DWORD read = 0;
    while (file && ::ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
    return bytes;
  }
  // Every file of a folder and its bytes (the daily logs aside).
  std::map<std::string, std::string> Snapshot(const std::string& folder) {
    std::map<std::string, std::string> files;
    auto listing = fs.List(folder);
    for (DirEntry e; listing && listing->Next(e);) {
      if (e.IsFolder() || EndsWith(e.name, ".log")) continue;
      files[e.name] = ReadFile(JoinPath(folder, e.name));
    }
    return files;
  }
  std::vector<std::string> Names(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& [name, bytes] : Snapshot(folder)) names.push_back(name);
    return names;
  }
  // Ends a program whose own closing is not what the test looks at (the
  // options each test needs are written before its program starts).
  void CloseProgram(Program& program) {
    TerminateProcess(program.Handle(), 99);
    EXPECT_TRUE(program.WaitForExit(30000).has_value());
  }

  // A folder with the program as installed: the build that trusts the
  // tests' key, CRYPT.DLL and UNLHA32.DLL (each library when asked for).
  std::string Install(const std::string& name, bool withArchiveLibrary = true, bool withCipherLibrary = true) {
    std::string folder = JoinPath(root, name);
    fs.CreateFolderTree(folder);
    EXPECT_TRUE(CopyFileW(NativePath(JoinPath(testKeyBin, "drovenmk.exe")).c_str(),
                          NativePath(JoinPath(folder, "drovenmk.exe")).c_str(), FALSE));
    if (withCipherLibrary) {
      CopyFileW(NativePath(ProgramFolder() + "CRYPT.DLL").c_str(), NativePath(JoinPath(folder, "CRYPT.DLL")).c_str(),
                FALSE);
    }
    if (withArchiveLibrary) {
      CopyFileW(NativePath(ProgramFolder() + "UNLHA32.DLL").c_str(),
                NativePath(JoinPath(folder, "UNLHA32.DLL")).c_str(), FALSE);
    }
    return folder;
  }

  std::string port;
  std::string download, updateFolder, testKeyBin;
};

TEST_F(UpdateProgramTest, AskedFirstThenUpToDate) {
  Scenario("ok/current");  // this build's own signed package
  SetOptions([](AppOptions& o) { o.updateConnectCheck = 1; });
  Program program("-i", JoinPath(Install("installed"), "drovenmk.exe"));
  StartUpdate(program);
  EXPECT_EQ(AnswerBox(program.Id(), IDNO), "インターネットに接続し、アップデートを行いますか？");
  EXPECT_EQ(FindShown(program.Id(), L"#32770", L"オンラインアップデート", 1000), nullptr);
  EXPECT_FALSE(fs.IsFolder(download));

  StartUpdate(program);
  EXPECT_EQ(AnswerBox(program.Id(), IDYES), "インターネットに接続し、アップデートを行いますか？");
  HWND update = UpdateWindow(program.Id());
  ASSERT_TRUE(update);
  EXPECT_EQ(AnswerBox(program.Id()), "最新版を使用されていますので、アップデートの必要はありません");
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(update); }, 10000));
  // The folders were made for the version file and its signature, which are gone again.
  EXPECT_TRUE(fs.IsFolder(updateFolder));
  EXPECT_EQ(Names(updateFolder), std::vector<std::string>{});
  CloseProgram(program);
}

// Every refusal in one program: each check ends with the user told, no
// updater started, nothing left in the update's folder but what was
// checked, and the installed program as it was.
TEST_F(UpdateProgramTest, WhatTheKeyDidNotSignIsRefused) {
  const std::string next = Env("DM_TEST_NEXT_BUILD");
  const std::string archive = "drovenmk-" + Env("DM_TEST_VERSION") + "-" + next + ".lzh";
  std::string installed = Install("installed");
  const std::map<std::string, std::string> before = Snapshot(installed);
  struct Case {
    const char* scenario;
    bool asks;  // the version file holds: the question comes, and is answered yes
    std::string message;  // what the box begins with
    std::vector<std::string> details;  // and holds
    std::string orMessage = "";  // or what else it may begin with
  };
  const std::string bad_signature = "リリース鍵の署名ではないか、バージョン情報が書き換えられています";
  const Case cases[] = {
      {"ok/unsigned", false, kSignatureRefused, {"署名ファイルを取得できません\nInternetOpenUrl()に失敗しました (HTTP 404)"}},
      {"ok/edited", false, kSignatureRefused, {bad_signature}},
      {"ok/otherkey", false, kSignatureRefused, {bad_signature}},
      {"ok/nobuild", false, "バージョン情報の取得に失敗しました", {}},
      {"missing/genuine", false, "InternetOpenUrl()に失敗しました (HTTP 404)", {}},
      {"endless/genuine", false, "ダウンロードに失敗しました 1048577/不明 (1048576 byte を超えています)", {}},
      {"ok/swapped", true, kArchiveRefused, {archive + ": ", " byte (署名では "}},
      {"ok/tampered", true, kArchiveRefused, {archive + ": SHA-256 が異なります"}},
      // An archive larger than the signed one is refused as soon as its
      // length is announced; one no larger, by its size or hash.
      {"ok/older", true, kArchiveRefused, {}, "ダウンロードに失敗しました 0/"},
      {"ok/endless-archive", true, "ダウンロードに失敗しました ", {"/不明 (", " byte を超えています)"}},
      {"ok/short-archive", true, "ダウンロードに失敗しました 0/", {" byte を超えています)"}},
      {"ok/extra", true, kExtractedRefused, {"VERSION.dll: 署名にないファイルです", "marker.txt: 署名にないファイルです"}},
  };
  Program program("-i", JoinPath(installed, "drovenmk.exe"));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scenario);
    Scenario(c.scenario);
    const auto start = Clock::now();
    StartUpdate(program);
    if (c.asks) {
      HWND sure = SureWindow(program.Id());
      ASSERT_TRUE(sure);
      PostMessageW(sure, WM_COMMAND, VerSureButton1, 0);
    }
    std::string text = AnswerBox(program.Id(), IDOK, L"Drovenmark", 60000);
    std::printf("%-22s refused after %.1f s: %s\n", c.scenario, SecondsSince(start),
                text.substr(0, text.find('\n')).c_str());
    EXPECT_TRUE(StartsWithText(text, c.message) || (!c.orMessage.empty() && StartsWithText(text, c.orMessage)))
        << text;
    for (const std::string& part : c.details) EXPECT_TRUE(HasText(text, part)) << text;
    HWND update = FindShown(program.Id(), L"#32770", L"オンラインアップデート", 1000);
    EXPECT_TRUE(WaitFor([&] { return !update || !IsWindow(update); }, 10000));
    // No updater: the download folder holds no program, the installed one is untouched.
    EXPECT_EQ(Names(updateFolder), std::vector<std::string>{});
    EXPECT_TRUE(Snapshot(installed) == before);
    EXPECT_EQ(FindShown(kAnyProcess, L"#32770", L"Drovenmark", 500), nullptr);
  }
  CloseProgram(program);
}

TEST_F(UpdateProgramTest, SilentServersAndAbortsWhileAReadWaits) {
  std::string installed = Install("installed");
  Program program("-i", JoinPath(installed, "drovenmk.exe"));

  // The version file's server sends its headers and then nothing: 中止 ends
  // the wait at once, and the window answers all the while.
  Scenario("stall/genuine");
  StartUpdate(program);
  HWND update = UpdateWindow(program.Id());
  ASSERT_TRUE(update);
  Sleep(2000);
  DWORD_PTR answer = 0;
  const auto asked = Clock::now();
  EXPECT_TRUE(SendMessageTimeoutW(update, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer));
  std::printf("the window answered after %.3f s while the read waited\n", SecondsSince(asked));
  const auto aborted = Clock::now();
  PostMessageW(update, WM_COMMAND, AutoUpdateButtonAbort, 0);
  FindShown(program.Id(), L"#32770", L"Drovenmark", 10000, [](HWND hwnd) { return GetDlgItem(hwnd, 0xFFFF) != nullptr; });
  const double abort_seconds = SecondsSince(aborted);
  std::string text = AnswerBox(program.Id(), IDOK, L"Drovenmark", 10000);
  std::printf("中止 during a silent read: the box after %.2f s\n", abort_seconds);
  EXPECT_LT(abort_seconds, 5.0);
  EXPECT_EQ(text, "ダウンロードに失敗しました 0/4096");
  EXPECT_EQ(Names(updateFolder), std::vector<std::string>{});

  // The archive's server stalls after its headers: given up after 30 s,
  // whatever the platform does with its receive timeout, and nothing stays.
  Scenario("ok/stall-archive");
  StartUpdate(program);
  HWND sure = SureWindow(program.Id());
  ASSERT_TRUE(sure);
  const auto yes = Clock::now();
  PostMessageW(sure, WM_COMMAND, VerSureButton1, 0);
  text = AnswerBox(program.Id(), IDOK, L"Drovenmark", 60000);
  const double stalled = SecondsSince(yes);
  std::printf("a silent archive download given up after %.1f s\n", stalled);
  EXPECT_EQ(text, "ダウンロードに失敗しました 0/4096 (30 秒間応答がありません)");
  EXPECT_GE(stalled, 29.0);
  EXPECT_EQ(Names(updateFolder), std::vector<std::string>{});
  CloseProgram(program);
}

TEST_F(UpdateProgramTest, DetailsThenAbortDuringTheDownload) {
  Scenario("ok/slow-archive");
  Program program("-i", JoinPath(Install("installed"), "drovenmk.exe"));
  StartUpdate(program);
  HWND sure = SureWindow(program.Id());
  ASSERT_TRUE(sure);
  EXPECT_EQ(TextOf(GetDlgItem(sure, VerSureLabel1)), "最新版 Version" + Env("DM_TEST_VERSION") + " が登録されています");
  EXPECT_EQ(TextOf(GetDlgItem(sure, VerSureLabel2)), "ダウンロードしますか？");

  // The details, and the question stays.
  PostMessageW(sure, WM_COMMAND, VerSureButton3, 0);
  HWND details = FindShown(program.Id(), L"#32770", L"詳細情報");
  ASSERT_TRUE(details);
  EXPECT_TRUE(HasText(TextOf(GetDlgItem(details, VerContMemo1)), "・オンラインアップデートの試験版です。"));
  PostMessageW(details, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(details); }, 10000));
  EXPECT_TRUE(IsWindow(sure));
  EXPECT_EQ(Names(updateFolder), std::vector<std::string>{});

  // Yes: progress shows bytes against the announced length, then the abort.
  PostMessageW(sure, WM_COMMAND, VerSureButton1, 0);
  HWND update = UpdateWindow(program.Id());
  ASSERT_TRUE(update);
  ASSERT_TRUE(WaitFor([&] { return HasText(TextOf(GetDlgItem(update, AutoUpdateLabel6)), "byte / "); }, 20000));
  EXPECT_TRUE(HasText(Memo(update), "新バージョンが登録されています Version: " + Env("DM_TEST_VERSION")));
  EXPECT_TRUE(HasText(Memo(update), "ダウンロード中です..."));
  EXPECT_EQ(TextOf(GetDlgItem(update, AutoUpdateButtonAbort)), "中止");
  PostMessageW(update, WM_COMMAND, AutoUpdateButtonAbort, 0);
  std::string text = AnswerBox(program.Id());
  EXPECT_TRUE(StartsWithText(text, "ダウンロードに失敗しました ")) << text;
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(update); }, 10000));
  // The partial file is gone.
  EXPECT_EQ(Names(updateFolder), std::vector<std::string>{});
  CloseProgram(program);
}

TEST_F(UpdateProgramTest, ThroughAProxy) {
  // Nothing listens at the address itself: only the proxy can answer.
  SetOptions([&](AppOptions& o) {
    o.updateSearchUrl = "http://127.0.0.1:9/ok/current/version.txt";
    o.updateProxyEnabled = 1;
    o.updateProxyServer = "127.0.0.1";
    o.updateProxyPort = port;
  });
  Program program("-i", JoinPath(Install("installed"), "drovenmk.exe"));
  StartUpdate(program);
  EXPECT_TRUE(HasText(AnswerBox(program.Id()), "最新版を使用されていますので"));
  CloseProgram(program);
  std::string log = ReadFile(WinePath(Env("DM_TEST_HTTP_LOG")));
  EXPECT_TRUE(HasText(log, "PROXY http://127.0.0.1:9/ok/current/version.txt\n")) << log;
  EXPECT_TRUE(HasText(log, "PROXY http://127.0.0.1:9/ok/current/version.txt.sig\n")) << log;
}

TEST_F(UpdateProgramTest, TheWholeHandOverInstallsExactlyTheSignedFiles) {
  std::string installed = Install("installed");
  Scenario("nolength/genuine");  // the archive comes without a length
  // Left from earlier downloads, in the download folder and in the update's
  // own: a library Windows would load beside the updater, and a text.
  for (const std::string& folder : {download, updateFolder}) {
    WriteFile(JoinPath(folder, "VERSION.dll"), "stray library");
    WriteFile(JoinPath(folder, "stray.txt"), "stray");
  }
  Program old_instance("-i", JoinPath(installed, "drovenmk.exe"));
  HWND old_window = StartUpdate(old_instance);
  HWND sure = SureWindow(old_instance.Id());
  ASSERT_TRUE(sure);
  PostMessageW(sure, WM_COMMAND, VerSureButton1, 0);

  // The updater (another process) asks the user to save first; the new
  // program then runs from the installed folder, with the new files.
  UpdateEnd end = AwaitUpdateEnd(old_instance, old_window, JoinPath(installed, "drovenmk.exe"), 60000);
  EXPECT_EQ(end.restartText,
            "Drovenmarkを再起動します\n\n保存が必要な場合は、保存後にＯＫボタンを押してください　　　");
  EXPECT_TRUE(end.oldExited);
  EXPECT_TRUE(end.oldWindowGone);
  ASSERT_TRUE(end.window);
  EXPECT_EQ(AsciiLower(end.image), AsciiLower(JoinPath(installed, "drovenmk.exe")));
  ASSERT_TRUE(end.fileVersion);
  EXPECT_EQ(end.fileVersion->substr(end.fileVersion->rfind('.') + 1), Env("DM_TEST_NEXT_BUILD"));
  // Exactly the release's files, each the next build's.
  EXPECT_EQ(Names(installed), (std::vector<std::string>{"CRYPT.DLL", "UNLHA32.DLL", "drovenmk.chm", "drovenmk.exe"}));
  const std::string next_bin = JoinPath(ParentPath(testKeyBin), "bin-" + Env("DM_TEST_NEXT_BUILD"));
  EXPECT_TRUE(ReadFile(JoinPath(installed, "drovenmk.exe")) == ReadFile(JoinPath(next_bin, "drovenmk.exe")));
  // The stray files are nowhere but where the user's own folder had them.
  EXPECT_FALSE(FileExists(JoinPath(updateFolder, "VERSION.dll")));
  EXPECT_FALSE(FileExists(JoinPath(updateFolder, "stray.txt")));
  EXPECT_TRUE(FileExists(JoinPath(download, "stray.txt")));
  PostMessageW(end.window, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(end.process.Get(), 30000), WAIT_OBJECT_0);
}

// Builds in users' hands extract the archive into the download folder itself
// and start the new program from there: it installs the release's files
// found beside it, and nothing else of that folder.
TEST_F(UpdateProgramTest, AnOlderBuildsHandOverInstallsOnlyTheReleasesFiles) {
  std::string installed = Install("installed", false);
  const std::string next_bin = JoinPath(ParentPath(testKeyBin), "bin-" + Env("DM_TEST_NEXT_BUILD"));
  fs.CreateFolderTree(download);
  CopyFileW(NativePath(JoinPath(next_bin, "drovenmk.exe")).c_str(),
            NativePath(JoinPath(download, "drovenmk.exe")).c_str(), FALSE);
  for (const char* file : {"CRYPT.DLL", "UNLHA32.DLL"}) {
    CopyFileW(NativePath(ProgramFolder() + file).c_str(), NativePath(JoinPath(download, file)).c_str(), FALSE);
  }
  WriteFile(JoinPath(download, "marker.txt"), "from an earlier archive");
  WriteFile(JoinPath(download, "wininet.dll"), "not a library");
  Program old_instance("-i", JoinPath(installed, "drovenmk.exe"));
  HWND old_window = FindTopWindow(old_instance.Id(), L"TMainForm");
  ASSERT_TRUE(old_window);
  Program updater("-update " + std::to_string(reinterpret_cast<intptr_t>(old_window)) + " \"" + installed + "\"",
                  JoinPath(download, "drovenmk.exe"), download);
  UpdateEnd end = AwaitUpdateEnd(old_instance, old_window, JoinPath(installed, "drovenmk.exe"), 60000);
  EXPECT_TRUE(end.oldExited);
  ASSERT_TRUE(end.window);
  EXPECT_EQ(updater.WaitForExit(30000), std::optional<DWORD>(0));
  EXPECT_EQ(Names(installed), (std::vector<std::string>{"CRYPT.DLL", "UNLHA32.DLL", "drovenmk.exe"}));
  EXPECT_TRUE(ReadFile(JoinPath(installed, "drovenmk.exe")) == ReadFile(JoinPath(next_bin, "drovenmk.exe")));
  PostMessageW(end.window, WM_CLOSE, 0, 0);
  EXPECT_EQ(WaitForSingleObject(end.process.Get(), 30000), WAIT_OBJECT_0);
}

// A window that never closes stands for an instance that will not end.
LRESULT CALLBACK StubbornProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_CLOSE) return 0;
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

TEST_F(UpdateProgramTest, AnInstanceThatWillNotCloseGetsNothingCopied) {
  std::string installed = Install("installed", false);
  const std::string next_bin = JoinPath(ParentPath(testKeyBin), "bin-" + Env("DM_TEST_NEXT_BUILD"));
  fs.CreateFolderTree(updateFolder);
  CopyFileW(NativePath(JoinPath(next_bin, "drovenmk.exe")).c_str(),
            NativePath(JoinPath(updateFolder, "drovenmk.exe")).c_str(), FALSE);
  CopyFileW(NativePath(ProgramFolder() + "UNLHA32.DLL").c_str(),
            NativePath(JoinPath(updateFolder, "UNLHA32.DLL")).c_str(), FALSE);
  WNDCLASSW wc = {};
  wc.lpfnWndProc = StubbornProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"StubbornInstance";
  RegisterClassW(&wc);
  HWND stubborn = CreateWindowW(L"StubbornInstance", L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                wc.hInstance, nullptr);
  ASSERT_TRUE(stubborn);
  Program updater("-update " + std::to_string(reinterpret_cast<intptr_t>(stubborn)) + " \"" + installed + "\"",
                  JoinPath(updateFolder, "drovenmk.exe"), updateFolder);
  EXPECT_TRUE(HasText(AnswerBox(updater.Id()), "Drovenmarkを再起動します"));
  DWORD asked = GetTickCount();
  EXPECT_EQ(AnswerBox(updater.Id(), IDOK, L"Drovenmark", 40000), "Drovenmarkの終了に失敗しました");
  EXPECT_GE(GetTickCount() - asked, 10000u);  // 102 waits of 100 ms
  EXPECT_EQ(updater.WaitForExit(30000), std::optional<DWORD>(1));
  EXPECT_FALSE(FileExists(JoinPath(installed, "UNLHA32.DLL")));
  std::optional<VersionBlock> block = ReadVersionBlock(JoinPath(installed, "drovenmk.exe"));
  std::string file_version;
  ASSERT_TRUE(block && ReadVersionString(*block, "FileVersion", file_version));
  EXPECT_EQ(file_version.substr(file_version.rfind('.') + 1), std::to_string(std::stoi(Env("DM_TEST_NEXT_BUILD")) - 1));
  DestroyWindow(stubborn);
}

TEST_F(UpdateProgramTest, AnUpdaterWithoutItsArgumentsEndsAtOnce) {
  for (const char* arguments : {"-update", "-update 0", "-update 12345", "-update 12345 \"\""}) {
    Program updater(arguments);
    EXPECT_EQ(updater.WaitForExit(20000), std::optional<DWORD>(static_cast<DWORD>(-1))) << arguments;
  }
}

// The about box's texts, by their controls.
std::map<int, std::string> AboutTexts(DWORD process, HWND& about) {
  about = FindShown(process, L"#32770", L"バージョン情報");
  std::map<int, std::string> texts;
  if (!about) return texts;
  for (int id : {AboutLabel1, AboutLabel2, AboutLabel3, AboutLabel8, AboutLabel14, AboutLabel10, AboutLabel13,
                 AboutLabel12, AboutLabel4, AboutLabel5, AboutLabel6, AboutLabel7}) {
    texts[id] = TextOf(GetDlgItem(about, id));
  }
  return texts;
}

TEST_F(UpdateProgramTest, TheAboutBoxAndMissingLibraries) {
  Scenario("ok/genuine");
  // A folder a stranger could write, as the current directory: a CRYPT.DLL
  // that shows a box when it is loaded, and an archive library.
  const std::string planted = JoinPath(root, "planted");
  fs.CreateFolderTree(planted);
  CopyFileW(NativePath(ProgramFolder() + "crypt_box_at_load.dll").c_str(),
            NativePath(JoinPath(planted, "CRYPT.DLL")).c_str(), FALSE);
  CopyFileW(NativePath(ProgramFolder() + "UNLHA32.DLL").c_str(), NativePath(JoinPath(planted, "UNLHA32.DLL")).c_str(),
            FALSE);
  struct Case {
    const char* name;
    bool archiveLibrary, cipherLibrary;
  };
  for (const Case& c : {Case{"with", true, true}, Case{"without", false, true}, Case{"none", false, false}}) {
    SCOPED_TRACE(c.name);
    std::string installed = Install(c.name, c.archiveLibrary, c.cipherLibrary);
    Program program("-i", JoinPath(installed, "drovenmk.exe"), planted);
    HWND main = FindTopWindow(program.Id(), L"TMainForm");
    PostMessageW(main, WM_COMMAND, AboutMenu, 0);
    HWND about = nullptr;
    std::map<int, std::string> texts = AboutTexts(program.Id(), about);
    ASSERT_TRUE(about);
    EXPECT_EQ(texts[AboutLabel1], "Drovenmark");
    EXPECT_EQ(texts[AboutLabel2], "Version " + Env("DM_TEST_VERSION"));
    EXPECT_EQ(texts[AboutLabel3], "Copyright (C) 2026 Quorvanta");
    EXPECT_EQ(texts[AboutLabel12], "Build " + std::to_string(std::stoi(Env("DM_TEST_NEXT_BUILD")) - 1));
    EXPECT_EQ(texts[AboutLabel8], "CRYPT.DLL");
    EXPECT_EQ(texts[AboutLabel14], c.cipherLibrary ? "1.1.0.15" : "not found.");
    EXPECT_EQ(texts[AboutLabel10], "UNLHA32.DLL");
    EXPECT_EQ(texts[AboutLabel4], "URL:");
    EXPECT_EQ(texts[AboutLabel6], "E-Mail:");
    EXPECT_TRUE(HasText(texts[AboutLabel5], "quorvanta"));
    // The planted library never ran: it would have shown its own box.
    EXPECT_EQ(FindShown(program.Id(), L"#32770", L"CRYPT.DLL エラー", 500), nullptr);
    PostMessageW(about, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(about); }, 10000));
    if (c.archiveLibrary) {
      EXPECT_NE(texts[AboutLabel13], "not found.");
      EXPECT_GE(std::atof(texts[AboutLabel13].c_str()), 0.70);
    } else {
      EXPECT_EQ(texts[AboutLabel13], "not found.");
      // The update then stops at the extraction: nothing to hand over, and
      // the planted archive library was not taken either.
      StartUpdate(program);
      HWND sure = SureWindow(program.Id());
      ASSERT_TRUE(sure);
      PostMessageW(sure, WM_COMMAND, VerSureButton1, 0);
      EXPECT_EQ(AnswerBox(program.Id(), IDOK, L"Drovenmark", 60000),
                "ダウンロードしたファイルの解凍ができません\n\nUNLHA32.DLL(Ver0.70以上)をインストールしてください");
      EXPECT_EQ(Names(updateFolder), std::vector<std::string>{"drovenmk-" + Env("DM_TEST_VERSION") + "-" +
                                                              Env("DM_TEST_NEXT_BUILD") + ".lzh"});
      EXPECT_EQ(FindShown(program.Id(), L"#32770", L"CRYPT.DLL エラー", 500), nullptr);
    }
    CloseProgram(program);
  }
}

}  // namespace
}  // namespace dm
