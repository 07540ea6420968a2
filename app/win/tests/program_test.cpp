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
#include "app/win/tests/program_driver.h"
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

  // Resumed; aborted once well over a hundred copies were reported, so the
  // status list has had more lines than it keeps, however soon the pause
  // held.
  PostMessageW(window, WM_COMMAND, PauseMenu, 0);
  // Enough copies for more lines than the list keeps, however slow the machine.
  EXPECT_TRUE(WaitFor([&] { return CountFiles(JoinPath(root, "dst")) > paused_at + 150; }, 30000));
  PostMessageW(window, WM_COMMAND, AbortMenu, 0);
  EXPECT_TRUE(WaitFor([&] { return enabled(ToolButtonBackup); }, 10000));
  EXPECT_FALSE(enabled(ToolButtonAbort));
  std::vector<std::string> titles = ListTexts(status_list, program.Id(), 0);
  EXPECT_TRUE(AnyContains(titles, "手動バックアップ終了"));
  // Thousands of lines came; the list keeps OptionLogViewMax (100) + 1.
  EXPECT_EQ(titles.size(), 101u);
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
