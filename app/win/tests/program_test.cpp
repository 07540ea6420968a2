// drovenmk.exe as a user and a script meet it: started with a command line,
// driven through its window's messages, its lists read from outside.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/options/app_options.h"
#include "app/options/win/registry_store.h"
#include "app/shell/missed_schedule.h"
#include "app/win/commands.h"
#include "app/win/tests/program_driver.h"
#include "app/win/version_info.h"
#include "backupset/set_file.h"
#include "backupset/win/win32_set_file_services.h"
#include "base/paths.h"
#include "base/datetime.h"
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

// How many of the status list's titles (the run's carry their time) hold `title`.
int TitlesWith(const std::vector<std::string>& titles, const std::string& title) {
  int count = 0;
  for (const std::string& t : titles) count += t.find(title) != std::string::npos ? 1 : 0;
  return count;
}

TEST_F(ProgramTest, DailyTimeMissedWhileNotRunningRunsOnceAtStart) {
  for (int i = 0; i < 3; ++i) WriteFile(JoinPath(root, "src\\f" + std::to_string(i) + ".txt"), "data");
  std::string set = MakeSet("daily.dmk", JoinPath(root, "src"), JoinPath(root, "dst"));
  // Today's time two minutes ago (yesterday's, just after midnight), while
  // the program was not running; yesterday's run was done, the schedule
  // set the day before.
  SYSTEMTIME st;
  GetLocalTime(&st);
  const double now = EncodeDateTime(MakeDateTime(st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond));
  const DateTimeParts at = DecodeDateTime(now - 2.0 / 1440);
  const double missed = EncodeDateTime(MakeDateTime(at.year, at.month, at.day, at.hour, at.minute));
  SetOptions([&](AppOptions& o) {
    o.optionAutoUpdate = 1;
    o.optionAutoUpdateSchedule = kScheduleDaily, o.optionAutoUpdateHour = at.hour;
    o.optionAutoUpdateTime = std::to_string(at.minute);
    o.optionAutoUpdateCatchUp = 1;
    o.lastBackup = missed - 1 + 5.0 / 86400;
    o.optionAutoUpdateSince = missed - 2;
  });
  Program program("\"" + set + "\"");
  HWND window = FindTopWindow(program.Id(), L"TMainForm");
  ASSERT_TRUE(window);
  HWND status_list = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (status_list = FindChild(window, L"ListView2")) != nullptr; }, 20000));
  auto titles = [&] { return ListTexts(status_list, program.Id(), 0); };
  ASSERT_TRUE(WaitFor([&] { return TitlesWith(titles(), "自動バックアップ終了") == 1; }, 30000));
  EXPECT_EQ(CountFiles(JoinPath(root, "dst")), 3);
  // One notice, before the run's start, naming the time it makes up for.
  std::vector<std::string> texts = ListTexts(status_list, program.Id(), 1);
  std::vector<std::string> shown = titles();
  const std::string notice = MissedScheduleNotice(missed);
  auto notice_row = std::find(texts.begin(), texts.end(), notice);
  ASSERT_NE(notice_row, texts.end()) << notice;
  EXPECT_EQ(std::count(texts.begin(), texts.end(), notice), 1);
  const size_t next = static_cast<size_t>(notice_row - texts.begin()) + 1;
  ASSERT_LT(next, shown.size());
  EXPECT_EQ(TitlesWith({shown[next]}, "自動バックアップ開始"), 1);

  // Not again: the ticks that follow find the time handled, and the next
  // start finds it so in the options (LastBackup holds the time made up for).
  Sleep(1500);
  EXPECT_EQ(TitlesWith(titles(), "自動バックアップ開始"), 1);
  PostMessageW(window, WM_CLOSE, 0, 0);
  ASSERT_EQ(program.WaitForExit(30000), std::optional<DWORD>(0));
  EXPECT_NEAR(ReadOptions().lastBackup, missed, 1e-8);

  // The day's log names the time too (OptionLogSave 2).
  SYSTEMTIME today;
  GetLocalTime(&today);
  char name[32];
  wsprintfA(name, "%04d%02d%02d.log", today.wYear, today.wMonth, today.wDay);
  FileHandle log(CreateFileW(Utf8ToWide(ProgramFolder() + name).c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(log.Valid());
  std::string bytes(1 << 22, '\0');
  DWORD read = 0;
  ReadFile(log.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  bytes.resize(read);
  EXPECT_NE(SjisToUtf8(bytes).find(notice), std::string::npos);
}

// The keep-awake requests of the probe program, one state a line.
std::vector<std::string> KeepAwakeStates(const std::string& file) {
  std::vector<std::string> states;
  FileHandle handle(CreateFileW(Utf8ToWide(file).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr));
  if (!handle.Valid()) return states;
  char buffer[4096] = {};
  DWORD read = 0;
  ReadFile(handle.Get(), buffer, sizeof buffer - 1, &read, nullptr);
  std::string text(buffer, read), line;
  for (char c : text) {
    if (c == '\n') {
      states.push_back(line);
      line.clear();
    } else if (c != '\r') {
      line += c;
    }
  }
  return states;
}

TEST_F(ProgramTest, TheComputerStaysAwakeWhileARunIsInProgress) {
  const std::string probe = ProgramFolder() + "keep-awake-probe\\drovenmk.exe";
  const std::string states_file = ProgramFolder() + "keep-awake-probe\\keep-awake.txt";
  DeleteFileW(Utf8ToWide(states_file).c_str());
  for (int i = 0; i < 3; ++i) WriteFile(JoinPath(root, "src\\f" + std::to_string(i) + ".txt"), "data");
  std::string set = MakeSet("awake.dmk", JoinPath(root, "src"), JoinPath(root, "dst"));
  Program program("\"" + set + "\"", probe);
  HWND window = FindTopWindow(program.Id(), L"TMainForm");
  ASSERT_TRUE(window);
  HWND toolbar = nullptr;
  ASSERT_TRUE(WaitFor([&] { return (toolbar = FindWindowExW(window, nullptr, TOOLBARCLASSNAMEW, nullptr)) != nullptr; },
                      20000));
  auto enabled = [&](int id) { return SendMessageW(toolbar, TB_ISBUTTONENABLED, id, 0) != 0; };
  const std::string kOn = "80000001", kOff = "80000000";  // ES_CONTINUOUS | ES_SYSTEM_REQUIRED; ES_CONTINUOUS
  EXPECT_TRUE(KeepAwakeStates(states_file).empty());  // nothing asked while idle

  // Held on a pause, so the run is surely in progress: the request is on.
  PostMessageW(window, WM_COMMAND, BackupMenu, 0);
  PostMessageW(window, WM_COMMAND, PauseMenu, 0);
  ASSERT_TRUE(WaitFor([&] { return enabled(ToolButtonAbort); }, 10000));
  EXPECT_EQ(KeepAwakeStates(states_file), std::vector<std::string>{kOn});
  // Resumed to its end: off.
  PostMessageW(window, WM_COMMAND, PauseMenu, 0);
  ASSERT_TRUE(WaitFor([&] { return enabled(ToolButtonBackup); }, 30000));
  EXPECT_EQ(KeepAwakeStates(states_file), (std::vector<std::string>{kOn, kOff}));
  EXPECT_EQ(CountFiles(JoinPath(root, "dst")), 3);

  // Aborted: off as well.
  PostMessageW(window, WM_COMMAND, BackupMenu, 0);
  PostMessageW(window, WM_COMMAND, PauseMenu, 0);
  ASSERT_TRUE(WaitFor([&] { return enabled(ToolButtonAbort); }, 10000));
  PostMessageW(window, WM_COMMAND, AbortMenu, 0);
  ASSERT_TRUE(WaitFor([&] { return enabled(ToolButtonBackup); }, 30000));
  EXPECT_EQ(KeepAwakeStates(states_file), (std::vector<std::string>{kOn, kOff, kOn, kOff}));

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
