// The main window's behaviour where it once went wrong: Save locked for a
// whole run and the end-of-run values saved at close, the status bar's
// panels, runs of an empty list from the tray and the list's menu, closing
// while the editor is open, a window stored off the screen, a reference
// date with a time of day.
#include <gtest/gtest.h>

#include "app/win/commands.h"
#include "app/win/tests/program_driver.h"
#include "app/win/tests/window_driver.h"
#include "backupset/win/folder_setting_ids.h"

namespace dm {
namespace {

using drive::AttachMainWindow;
using Window = drive::MainWindow;

bool ButtonEnabled(const Window& w, int id) { return SendMessageW(w.toolbar, TB_ISBUTTONENABLED, id, 0) != 0; }

std::wstring PanelText(const Window& w, DWORD process, int panel) {
  drive::RemoteBuffer remote(process, 1024 * sizeof(wchar_t));
  SendMessageW(w.statusBar, SB_GETTEXTW, panel, remote.At(0));
  wchar_t text[1024] = {};
  remote.Get(text, sizeof text - sizeof(wchar_t));
  return text;
}

int CountContaining(const std::vector<std::string>& texts, const std::string& part) {
  int count = 0;
  for (const std::string& text : texts) count += text.find(part) != std::string::npos;
  return count;
}

// Puts the options back as they were, so the next test starts with them.
class WindowFaultsTest : public ProgramTest {
 protected:
  void SetUp() override {
    before_ = ReadOptions();
    ProgramTest::SetUp();
  }
  void TearDown() override {
    RegistryOptionStore store;
    SaveOptions(before_, store, false);
    ProgramTest::TearDown();
  }
  AppOptions before_;

  std::string UpdateText(const std::string& set) { return LoadSet(set).settings.at(0)[kUpdate]; }
};

TEST_F(WindowFaultsTest, SaveStaysLockedForTheWholeRunAndTheEndValuesAreSavedAtClose) {
  SetOptions([](AppOptions& o) {
    o.optionStatusView = 1;
    o.optionStatusWholeProgress = 1;
  });
  const int files = 800;
  for (int i = 0; i < files; ++i) {
    WriteFile(JoinPath(root, "src\\d" + std::to_string(i / 100) + "\\f" + std::to_string(i) + ".txt"), "data");
  }
  std::string set = MakeSet("run.dmk", JoinPath(root, "src"), JoinPath(root, "dst"));
  Program program("\"" + set + "\"");
  Window w = AttachMainWindow(program);
  ASSERT_TRUE(w.statusBar);

  // 85, 100, 100 and 50 pixels.
  drive::RemoteBuffer edges(program.Id(), 4 * sizeof(int));
  ASSERT_EQ(SendMessageW(w.statusBar, SB_GETPARTS, 4, edges.At(0)), 4);
  int right[4] = {};
  edges.Get(right, sizeof right);
  EXPECT_EQ(std::vector<int>(right, right + 4), (std::vector<int>{85, 185, 285, 335}));

  // Started and paused at once, then let go on in small steps until copies
  // are reported: by then the run has marked the set modified.
  auto paused = [&] { return SendMessageW(w.toolbar, TB_ISBUTTONCHECKED, ToolButtonPause, 0) != 0; };
  PostMessageW(w.main, WM_COMMAND, BackupMenu, 0);
  PostMessageW(w.main, WM_COMMAND, PauseMenu, 0);
  ASSERT_TRUE(WaitFor(paused, 10000));
  for (int step = 0; step < 300 && !AnyContains(ListTexts(w.status, program.Id(), 0), "新規コピー"); ++step) {
    PostMessageW(w.main, WM_COMMAND, PauseMenu, 0);
    ASSERT_TRUE(WaitFor([&] { return !paused(); }, 10000));
    PostMessageW(w.main, WM_COMMAND, PauseMenu, 0);
    ASSERT_TRUE(WaitFor(paused, 10000));
  }
  ASSERT_TRUE(AnyContains(ListTexts(w.status, program.Id(), 0), "新規コピー"));
  EXPECT_FALSE(ButtonEnabled(w, ToolButtonSave));
  EXPECT_FALSE(ButtonEnabled(w, ToolButtonBackup));
  // The progress count is centred (a leading tab).
  std::wstring count = PanelText(w, program.Id(), 2);
  EXPECT_EQ(count.substr(0, 1), L"\t") << WideToUtf8(count);
  EXPECT_NE(count.find(L"/" + std::to_wstring(files)), std::wstring::npos) << WideToUtf8(count);
  // A Save that arrives all the same writes nothing.
  PostMessageW(w.main, WM_COMMAND, SaveMenu, 0);
  PostMessageW(w.main, WM_COMMAND, NewSaveMenu, 0);
  Sleep(500);
  EXPECT_FALSE(FindWindowOf(program.Id(), [](HWND hwnd) { return HasClass(hwnd, L"#32770") && IsWindowVisible(hwnd); }, 0));
  EXPECT_EQ(UpdateText(set), "未処理");

  PostMessageW(w.main, WM_COMMAND, PauseMenu, 0);
  ASSERT_TRUE(WaitFor([&] { return ButtonEnabled(w, ToolButtonBackup); }, 60000));
  EXPECT_TRUE(ButtonEnabled(w, ToolButtonSave));
  EXPECT_EQ(CountFiles(JoinPath(root, "dst")), files);
  PostMessageW(w.main, WM_CLOSE, 0, 0);
  EXPECT_EQ(program.WaitForExit(30000), std::optional<DWORD>(0));
  EXPECT_EQ(UpdateText(set).substr(0, 2), "20");  // the end-of-run date, saved with OptionAutoSave 1
}

TEST_F(WindowFaultsTest, TheTrayAndTheListMenuRunAnEmptyList) {
  SetOptions([](AppOptions& o) { o.optionAutoSave = 0; });  // no set at start
  Program program("");
  Window w = AttachMainWindow(program);
  ASSERT_TRUE(w.status);
  EXPECT_TRUE(ListTexts(w.settings, program.Id(), 0).empty());
  ASSERT_TRUE(WaitFor([&] { return !ButtonEnabled(w, ToolButtonBackup); }, 10000));  // no row to run

  // Each run writes its start and its end line, with nothing between.
  auto ends = [&] { return CountContaining(ListTexts(w.status, program.Id(), 0), "手動バックアップ終了"); };
  PostMessageW(w.main, WM_COMMAND, TaskMenuBackup, 0);
  ASSERT_TRUE(WaitFor([&] { return ends() == 1 && !ButtonEnabled(w, ToolButtonAbort); }, 20000));
  PostMessageW(w.main, WM_COMMAND, PopUpMenuBackup, 0);
  ASSERT_TRUE(WaitFor([&] { return ends() == 2; }, 20000));
  std::vector<std::string> titles = ListTexts(w.status, program.Id(), 0);
  EXPECT_EQ(CountContaining(titles, "手動バックアップ開始"), 2);
  EXPECT_EQ(titles.size(), 4u);
  EXPECT_EQ(CountContaining(ListTexts(w.status, program.Id(), 1), "( 新規:0  更新:0  エラー:0 )"), 2);
  PostMessageW(w.main, WM_CLOSE, 0, 0);
  EXPECT_EQ(program.WaitForExit(30000), std::optional<DWORD>(0));
}

TEST_F(WindowFaultsTest, ClosingWhileTheEditorIsOpenWaitsForNoRun) {
  std::string set = MakeSet("edit.dmk", JoinPath(root, "src"), JoinPath(root, "dst"));
  Program program("\"" + set + "\"");
  Window w = AttachMainWindow(program);
  ASSERT_TRUE(w.main);
  PostMessageW(w.main, WM_COMMAND, ToolButtonAdd, 0);
  ASSERT_TRUE(FindWindowOf(
      program.Id(), [](HWND hwnd) { return HasClass(hwnd, L"#32770") && IsWindowVisible(hwnd); }, 20000));
  PostMessageW(w.main, WM_CLOSE, 0, 0);
  bool abort_shown = false;
  std::optional<DWORD> exit_code;
  DWORD start = GetTickCount();
  while (!exit_code && GetTickCount() - start < 15000) {
    abort_shown = abort_shown || FindWindowOf(program.Id(),
                                              [](HWND hwnd) {
                                                wchar_t text[64] = {};
                                                HWND label = GetWindow(hwnd, GW_CHILD);
                                                if (label) GetWindowTextW(label, text, 64);
                                                return IsWindowVisible(hwnd) &&
                                                       wcscmp(text, L"バックアップ処理を中止しています") == 0;
                                              },
                                              0);
    exit_code = program.WaitForExit(100);
  }
  EXPECT_FALSE(abort_shown);
  EXPECT_EQ(exit_code, std::optional<DWORD>(0));
}

TEST_F(WindowFaultsTest, AWindowStoredOffTheScreenComesBack) {
  SetOptions([](AppOptions& o) {
    o.windowLeft = 5000;
    o.windowTop = 4000;
    o.windowWidth = 640;
    o.windowHeight = 480;
  });
  RECT work = {};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  Program program("");
  Window w = AttachMainWindow(program);
  ASSERT_TRUE(w.main);
  ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(w.main) != FALSE; }, 20000));  // shown once placed
  RECT placed = {};
  GetWindowRect(w.main, &placed);
  EXPECT_GE(placed.left, work.left);
  EXPECT_GE(placed.top, work.top);
  EXPECT_LE(placed.right, work.right);
  EXPECT_LE(placed.bottom, work.bottom);
  EXPECT_EQ(placed.right - placed.left, 640);
  PostMessageW(w.main, WM_CLOSE, 0, 0);
  EXPECT_EQ(program.WaitForExit(30000), std::optional<DWORD>(0));
  AppOptions stored = ReadOptions();
  EXPECT_EQ(stored.windowLeft, placed.left);
  EXPECT_EQ(stored.windowTop, placed.top);
}

// A file last written at `hour` on 4 March 2005, local time.
void SetWriteTime(const std::string& path, int hour) {
  SYSTEMTIME local = {2005, 3, 5, 4, static_cast<WORD>(hour), 0, 0, 0};
  FILETIME local_time, utc;
  SystemTimeToFileTime(&local, &local_time);
  LocalFileTimeToFileTime(&local_time, &utc);
  FileHandle file(CreateFileW(NativePath(path).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  SetFileTime(file.Get(), nullptr, nullptr, &utc);
}

TEST_F(WindowFaultsTest, AReferenceDateWithATimeIsReadUsedAndKept) {
  const std::string early = JoinPath(root, "src\\early.txt");
  const std::string late = JoinPath(root, "src\\late.txt");
  WriteFile(early, "9:00");
  WriteFile(late, "11:00");
  SetWriteTime(early, 9);
  SetWriteTime(late, 11);
  const std::string path = MakeSet("date.dmk", JoinPath(root, "src"), JoinPath(root, "dst"), [](BackupSetting& s) {
    s.name = "基準日";
    s.checked = true;
    s[kOldFileNoCopy] = "1";
    s[kOldFileDate] = "2005/03/04 10:00:00";
  });

  Program program("\"" + path + "\"");
  Window w = AttachMainWindow(program);
  ASSERT_TRUE(WaitFor([&] { return ListTexts(w.settings, program.Id(), 0).size() == 1; }, 20000));
  // The editor shows its date and OK leaves the stored text as it was.
  drive::SelectRow(w.settings, program.Id(), 0);
  PostMessageW(w.main, WM_COMMAND, ToolButtonEdit, 0);
  HWND editor = FindWindowOf(
      program.Id(), [](HWND hwnd) { return HasClass(hwnd, L"#32770") && IsWindowVisible(hwnd); }, 20000);
  ASSERT_TRUE(editor);
  drive::RemoteBuffer remote_date(program.Id(), sizeof(SYSTEMTIME));
  SendMessageW(GetDlgItem(editor, DateTimePickerOldFile), DTM_GETSYSTEMTIME, 0, remote_date.At(0));
  SYSTEMTIME shown = {};
  remote_date.Get(&shown, sizeof shown);
  EXPECT_EQ(shown.wYear * 10000 + shown.wMonth * 100 + shown.wDay, 20050304);
  PostMessageW(editor, WM_COMMAND, IDOK, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(editor); }, 10000));

  // The run skips what is older than 10:00 on that day.
  PostMessageW(w.main, WM_COMMAND, BackupMenu, 0);
  ASSERT_TRUE(WaitFor([&] { return AnyContains(ListTexts(w.status, program.Id(), 0), "手動バックアップ終了"); }, 20000));
  EXPECT_FALSE(AnyContains(ListTexts(w.status, program.Id(), 1), "基準日の指定に誤りがあります"));
  EXPECT_EQ(CountFiles(JoinPath(root, "dst")), 1);
  EXPECT_EQ(GetFileAttributesW(NativePath(JoinPath(root, "dst\\early.txt")).c_str()), INVALID_FILE_ATTRIBUTES);

  PostMessageW(w.main, WM_CLOSE, 0, 0);  // saved: the edit and the run modified it
  EXPECT_EQ(program.WaitForExit(30000), std::optional<DWORD>(0));
  EXPECT_EQ(LoadSet(path).settings.at(0)[kOldFileDate], "2005/03/04 10:00:00");
}

}  // namespace
}  // namespace dm
