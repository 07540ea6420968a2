// The online update and the about box through the real program under Wine:
// the update command against the loopback server of update_wine_test.sh
// (up to date, a newer build, no build line, failed and aborted downloads, a
// proxy, the details text), the whole hand-over to the updater, the
// updater's failure when the old instance will not close, and the about box.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "app/win/commands.h"
#include "app/win/tests/program_driver.h"
#include "app/win/version_info.h"
#include "base/text.h"
#include "update/win/form_ids.h"

namespace dm {
namespace {

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
    SetOptions([&](AppOptions& o) {
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
  void SearchAt(const std::string& path) {
    SetOptions([&](AppOptions& o) { o.updateSearchUrl = Url(path); });
  }

  // The program's window, and the update command given to it.
  HWND StartUpdate(Program& program) {
    HWND main = FindTopWindow(program.Id(), L"TMainForm");
    EXPECT_TRUE(main);
    PostMessageW(main, WM_COMMAND, UpdateMenu, 0);
    return main;
  }
  HWND UpdateWindow(DWORD process) { return FindShown(process, L"#32770", L"オンラインアップデート"); }
  HWND SureWindow(DWORD process) {
    return FindShown(process, L"#32770", L"Drovenmark", 30000,
                     [](HWND hwnd) { return GetDlgItem(hwnd, VerSureButton3) != nullptr; });
  }
  // The update window's log, read while it is open.
  std::string Memo(HWND update) { return TextOf(GetDlgItem(update, AutoUpdateMemo1)); }

  bool FileExists(const std::string& path) { return GetFileAttributesW(NativePath(path).c_str()) != INVALID_FILE_ATTRIBUTES; }
  uint64_t FileSize(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (!GetFileAttributesExW(NativePath(path).c_str(), GetFileExInfoStandard, &data)) return 0;
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  }
  // Ends a program whose own closing is not what the test looks at (the
  // options each test needs are written before its program starts).
  void CloseProgram(Program& program) {
    TerminateProcess(program.Handle(), 99);
    EXPECT_TRUE(program.WaitForExit(30000).has_value());
  }

  // A folder with the program as installed: drovenmk.exe and CRYPT.DLL, and
  // UNLHA32.DLL when asked for and built.
  std::string Install(const std::string& name, bool withArchiveLibrary) {
    std::string folder = JoinPath(root, name);
    fs.CreateFolderTree(folder);
    for (const char* file : {"drovenmk.exe", "CRYPT.DLL", "UNLHA32.DLL"}) {
      if (std::string(file) == "UNLHA32.DLL" && !withArchiveLibrary) continue;
      CopyFileW(NativePath(ProgramFolder() + file).c_str(), NativePath(JoinPath(folder, file)).c_str(), FALSE);
    }
    return folder;
  }

  std::string port;
  std::string download;
};

TEST_F(UpdateProgramTest, AskedFirstThenUpToDate) {
  SearchAt("ok/current/version.txt");
  SetOptions([](AppOptions& o) { o.updateConnectCheck = 1; });
  Program program("-i");
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
  // The folder was made for the version file, which is gone again.
  EXPECT_TRUE(fs.IsFolder(download));
  EXPECT_FALSE(FileExists(JoinPath(download, "version.txt")));
  CloseProgram(program);
}

TEST_F(UpdateProgramTest, ServerAnswersThatAreNoUpdate) {
  struct Case {
    const char* path;
    const char* message;
  };
  const Case cases[] = {
      {"ok/nobuild/version.txt", "バージョン情報の取得に失敗しました"},
      {"ok/huge/version.txt", "バージョン情報の取得に失敗しました"},
      {"missing/current/version.txt", "InternetOpenUrl()に失敗しました (HTTP 404)"},
  };
  for (const Case& c : cases) {
    SearchAt(c.path);  // read by the program at its start
    Program program("-i");
    StartUpdate(program);
    EXPECT_EQ(AnswerBox(program.Id()), c.message) << c.path;
    EXPECT_FALSE(FileExists(JoinPath(download, "drovenmk.exe")));
    CloseProgram(program);
  }
}

TEST_F(UpdateProgramTest, DetailsThenAbortDuringTheDownload) {
  SearchAt("ok/slow/version.txt");
  Program program("-i");
  StartUpdate(program);
  HWND sure = SureWindow(program.Id());
  ASSERT_TRUE(sure);
  EXPECT_EQ(TextOf(GetDlgItem(sure, VerSureLabel1)), "最新版 Version2.11 が登録されています");
  EXPECT_EQ(TextOf(GetDlgItem(sure, VerSureLabel2)), "ダウンロードしますか？");

  // The details, and the question stays.
  PostMessageW(sure, WM_COMMAND, VerSureButton3, 0);
  HWND details = FindShown(program.Id(), L"#32770", L"詳細情報");
  ASSERT_TRUE(details);
  EXPECT_TRUE(HasText(TextOf(GetDlgItem(details, VerContMemo1)), "・オンラインアップデートの試験版です。"));
  PostMessageW(details, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(details); }, 10000));
  EXPECT_TRUE(IsWindow(sure));
  EXPECT_FALSE(FileExists(JoinPath(download, "info.txt")));

  // Yes: progress shows bytes against the announced length, then the abort.
  PostMessageW(sure, WM_COMMAND, VerSureButton1, 0);
  HWND update = UpdateWindow(program.Id());
  ASSERT_TRUE(update);
  ASSERT_TRUE(WaitFor([&] { return HasText(TextOf(GetDlgItem(update, AutoUpdateLabel6)), "byte / "); }, 20000));
  EXPECT_TRUE(HasText(Memo(update), "新バージョンが登録されています Version: 2.11"));
  EXPECT_TRUE(HasText(Memo(update), "ダウンロード中です..."));
  EXPECT_EQ(TextOf(GetDlgItem(update, AutoUpdateButtonAbort)), "中止");
  PostMessageW(update, WM_COMMAND, AutoUpdateButtonAbort, 0);
  std::string text = AnswerBox(program.Id());
  EXPECT_TRUE(HasText(text, "ダウンロードに失敗しました ")) << text;
  EXPECT_TRUE(WaitFor([&] { return !IsWindow(update); }, 10000));
  // The partial file stays, and the message counts its bytes.
  uint64_t partial = FileSize(JoinPath(download, "drovenmk411.lzh"));
  EXPECT_GT(partial, 0u);
  EXPECT_TRUE(HasText(text, " " + std::to_string(partial) + "/")) << text;
  CloseProgram(program);
}

TEST_F(UpdateProgramTest, AConnectionClosedEarlyFailsTheDownload) {
  SearchAt("ok/short/version.txt");
  Program program("-i");
  StartUpdate(program);
  HWND sure = SureWindow(program.Id());
  ASSERT_TRUE(sure);
  PostMessageW(sure, WM_COMMAND, VerSureButton1, 0);
  std::string text = AnswerBox(program.Id());
  uint64_t size = FileSize(JoinPath(download, "drovenmk411.lzh"));
  EXPECT_EQ(text, "ダウンロードに失敗しました " + std::to_string(size) + "/" + std::to_string(size + 1000));
  // No updater was started.
  Sleep(1000);
  EXPECT_FALSE(FileExists(JoinPath(download, "drovenmk.exe")));
  CloseProgram(program);
}

TEST_F(UpdateProgramTest, ThroughAProxy) {
  // Nothing listens at the address itself: only the proxy can answer.
  SetOptions([&](AppOptions& o) {
    // More bytes than announced: read all the same.
    o.updateSearchUrl = "http://127.0.0.1:9/long/current/version.txt";
    o.updateProxyEnabled = 1;
    o.updateProxyServer = "127.0.0.1";
    o.updateProxyPort = port;
  });
  Program program("-i");
  StartUpdate(program);
  EXPECT_TRUE(HasText(AnswerBox(program.Id()), "最新版を使用されていますので"));
  CloseProgram(program);
  std::string log;
  FileHandle file(CreateFileW(Utf8ToWide(WinePath(Env("DM_TEST_HTTP_LOG"))).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  char buffer[65536];
  DWORD read = 0;
  while (file && ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0) log.append(buffer, read);
  EXPECT_TRUE(HasText(log, "PROXY http://127.0.0.1:9/long/current/version.txt")) << log;
}

TEST_F(UpdateProgramTest, TheWholeHandOver) {
  if (!FileExists(ProgramFolder() + "UNLHA32.DLL")) GTEST_SKIP() << "UNLHA32.DLL is not built";
  std::string installed = Install("installed", true);
  SearchAt("ok/nolength/version.txt");  // the archive comes without a length
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
  EXPECT_EQ(*end.fileVersion, "2.1.0.411");
  EXPECT_TRUE(FileExists(JoinPath(installed, "marker.txt")));
  EXPECT_FALSE(FileExists(JoinPath(installed, "version.txt")));
  EXPECT_FALSE(FileExists(JoinPath(installed, "drovenmk411.lzh")));
  EXPECT_FALSE(FileExists(JoinPath(installed, "drovenmk.exe.dmold")));
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
  std::string fresh = WinePath(Env("DM_TEST_NEW_PROGRAM"));
  fs.CreateFolderTree(download);
  for (const char* file : {"drovenmk.exe", "CRYPT.DLL", "marker.txt"}) {
    CopyFileW(NativePath(JoinPath(fresh, file)).c_str(), NativePath(JoinPath(download, file)).c_str(), FALSE);
  }
  WNDCLASSW wc = {};
  wc.lpfnWndProc = StubbornProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"StubbornInstance";
  RegisterClassW(&wc);
  HWND stubborn = CreateWindowW(L"StubbornInstance", L"", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr,
                                wc.hInstance, nullptr);
  ASSERT_TRUE(stubborn);
  Program updater("-update " + std::to_string(reinterpret_cast<intptr_t>(stubborn)) + " \"" + installed + "\"",
                  JoinPath(download, "drovenmk.exe"));
  EXPECT_TRUE(HasText(AnswerBox(updater.Id()), "Drovenmarkを再起動します"));
  DWORD asked = GetTickCount();
  EXPECT_EQ(AnswerBox(updater.Id(), IDOK, L"Drovenmark", 40000), "Drovenmarkの終了に失敗しました");
  EXPECT_GE(GetTickCount() - asked, 10000u);  // 102 waits of 100 ms
  EXPECT_EQ(updater.WaitForExit(30000), std::optional<DWORD>(1));
  EXPECT_FALSE(FileExists(JoinPath(installed, "marker.txt")));
  std::optional<VersionBlock> block = ReadVersionBlock(JoinPath(installed, "drovenmk.exe"));
  std::string file_version;
  ASSERT_TRUE(block && ReadVersionString(*block, "FileVersion", file_version));
  EXPECT_EQ(file_version, "2.1.0.410");
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

TEST_F(UpdateProgramTest, TheAboutBoxAndAMissingArchiveLibrary) {
  SearchAt("ok/newer/version.txt");
  for (bool with_library : {true, false}) {
    if (with_library && !FileExists(ProgramFolder() + "UNLHA32.DLL")) continue;
    std::string installed = Install(with_library ? "with" : "without", with_library);
    Program program("-i", JoinPath(installed, "drovenmk.exe"));
    HWND main = FindTopWindow(program.Id(), L"TMainForm");
    PostMessageW(main, WM_COMMAND, AboutMenu, 0);
    HWND about = nullptr;
    std::map<int, std::string> texts = AboutTexts(program.Id(), about);
    ASSERT_TRUE(about);
    EXPECT_EQ(texts[AboutLabel1], "Drovenmark");
    EXPECT_EQ(texts[AboutLabel2], "Version 2.10");
    EXPECT_EQ(texts[AboutLabel3], "Copyright (C) 2026 Quorvanta");
    EXPECT_EQ(texts[AboutLabel12], "Build 410");
    EXPECT_EQ(texts[AboutLabel8], "CRYPT.DLL");
    EXPECT_EQ(texts[AboutLabel14], "1.1.0.15");
    EXPECT_EQ(texts[AboutLabel10], "UNLHA32.DLL");
    EXPECT_EQ(texts[AboutLabel4], "URL:");
    EXPECT_EQ(texts[AboutLabel6], "E-Mail:");
    EXPECT_TRUE(HasText(texts[AboutLabel5], "quorvanta"));
    PostMessageW(about, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitFor([&] { return !IsWindow(about); }, 10000));
    if (with_library) {
      EXPECT_NE(texts[AboutLabel13], "not found.");
      EXPECT_GE(std::atof(texts[AboutLabel13].c_str()), 0.70);
    } else {
      EXPECT_EQ(texts[AboutLabel13], "not found.");
      // The update then stops at the extraction: nothing to hand over.
      StartUpdate(program);
      HWND sure = SureWindow(program.Id());
      ASSERT_TRUE(sure);
      PostMessageW(sure, WM_COMMAND, VerSureButton1, 0);
      EXPECT_EQ(AnswerBox(program.Id()),
                "ダウンロードしたファイルの解凍ができません\n\nUNLHA32.DLL(Ver0.70以上)をインストールしてください");
      EXPECT_TRUE(FileExists(JoinPath(download, "drovenmk411.lzh")));
      EXPECT_FALSE(FileExists(JoinPath(download, "drovenmk.exe")));
    }
    CloseProgram(program);
  }
}

}  // namespace
}  // namespace dm
