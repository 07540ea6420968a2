// The log viewer in the running program, driven from outside: opened from
// its command on a copy of the program whose folder holds prepared daily
// logs; the day list, the lines with their icons, the error filter,
// choosing another day and deleting one after the question.
#include <gtest/gtest.h>

#include "app/win/commands.h"
#include "app/win/tests/window_driver.h"
#include "base/sjis.h"
#include "logview/win/log_view_ids.h"

namespace dm {
namespace {

using drive::AnswerMessageBox;
using drive::Click;
using drive::FindDialog;
using drive::ListImages;
using drive::SelectedRow;
using drive::SelectRow;
namespace ids = logview;

class LogViewWindowTest : public ProgramTest {
 protected:
  void SetUp() override {
    ProgramTest::SetUp();
    SetOptions([](AppOptions& o) { o.optionAutoSave = 0; });
    folder = JoinPath(root, "prog");
    ASSERT_TRUE(fs.CreateFolderTree(folder));
    program = JoinPath(folder, "drovenmk.exe");
    ASSERT_TRUE(CopyFileW(Utf8ToWide(ProgramPath()).c_str(), Utf8ToWide(program).c_str(), FALSE));
  }

  void WriteLog(const std::string& name, const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& line : lines) bytes += Utf8ToSjis(line) + "\r\n";
    WriteFile(JoinPath(folder, name), bytes);
  }
  bool Exists(const std::string& name) {
    return GetFileAttributesW(Utf8ToWide(JoinPath(folder, name)).c_str()) != INVALID_FILE_ATTRIBUTES;
  }

  std::string folder;
  std::string program;
};

TEST_F(LogViewWindowTest, ListsDaysShowsLinesFiltersAndDeletes) {
  WriteLog("20071230.log", {" 2, 手動バックアップ開始, 08:00:00, 2007/12/30 8:00:00",
                            " 0, 手動バックアップ終了, 08:00:09, 2007/12/30 8:00:09( 新規:0  更新:0  エラー:0 )"});
  WriteLog("20071231.log", {" 6, 新規コピー          , 09:00:01, D:\\a,b\\c.txt",
                            " 1, エラー              , 09:00:02, ファイルの新規コピーに失敗しました。D:\\x",
                            " 3, 処理中止            , 09:00:03, ユーザーの操作でバックアップを中止しました。"});
  WriteLog("notes.log", {"not a day"});
  ASSERT_TRUE(fs.CreateFolderTree(JoinPath(folder, "20080101.log")));  // a folder, not a log

  Program running("", program);
  HWND main = FindTopWindow(running.Id(), L"TMainForm");
  ASSERT_TRUE(main);
  PostMessageW(main, WM_COMMAND, TodayLogViewMenu, 0);
  HWND viewer = FindDialog(running.Id(), L"バックアップログ");
  ASSERT_TRUE(viewer);
  HWND days = GetDlgItem(viewer, ids::ListView2);
  HWND lines = GetDlgItem(viewer, ids::ListView1);
  ASSERT_TRUE(days && lines);
  DWORD id = running.Id();
  auto titles = [&] { return ListTexts(lines, id, 0); };
  auto details = [&] { return ListTexts(lines, id, 1); };

  // The latest day is chosen and its lines come in with their icons.
  EXPECT_EQ(ListTexts(days, id, 0), (std::vector<std::string>{"2007/12/30", "2007/12/31"}));
  EXPECT_EQ(SelectedRow(days), 1);
  ASSERT_TRUE(WaitFor([&] { return titles().size() == 3; }, 10000));
  EXPECT_EQ(titles(), (std::vector<std::string>{"09:00:01 新規コピー", "09:00:02 エラー", "09:00:03 処理中止"}));
  EXPECT_EQ(details()[0], "D:\\a");
  EXPECT_EQ(ListImages(lines, id), (std::vector<int>{6, 1, 3}));
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(viewer, ids::ButtonDel)));

  // Errors and aborts only, and back.
  Click(viewer, ids::CheckBoxErrorOnly, true);
  EXPECT_EQ(titles(), (std::vector<std::string>{"09:00:02 エラー", "09:00:03 処理中止"}));
  Click(viewer, ids::CheckBoxErrorOnly, false);
  EXPECT_EQ(titles().size(), 3u);

  // Another day; then none: the row that asks for one.
  SelectRow(days, id, 0);
  ASSERT_TRUE(WaitFor([&] { return titles().size() == 2; }, 10000));
  EXPECT_EQ(titles()[0], "08:00:00 手動バックアップ開始");
  SelectRow(days, id, -1);
  ASSERT_TRUE(WaitFor([&] { return titles() == std::vector<std::string>{"エラー"}; }, 10000));
  EXPECT_EQ(details(), std::vector<std::string>{"ログファイルを選択してください"});
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(viewer, ids::ButtonDel)));

  // Deleting asks first; "no" keeps the file, "yes" removes it and the
  // list chooses the new latest day.
  SelectRow(days, id, 1);
  ASSERT_TRUE(WaitFor([&] { return titles().size() == 3; }, 10000));
  PostMessageW(viewer, WM_COMMAND, ids::ButtonDel, 0);
  EXPECT_EQ(AnswerMessageBox(id, IDNO), "'2007/12/31' のログをを削除しますか？");
  EXPECT_TRUE(Exists("20071231.log"));
  PostMessageW(viewer, WM_COMMAND, ids::ButtonDel, 0);
  EXPECT_EQ(AnswerMessageBox(id, IDYES), "'2007/12/31' のログをを削除しますか？");
  ASSERT_TRUE(WaitFor([&] { return ListTexts(days, id, 0) == std::vector<std::string>{"2007/12/30"}; }, 10000));
  EXPECT_FALSE(Exists("20071231.log"));
  EXPECT_TRUE(Exists("20071230.log"));
  EXPECT_TRUE(Exists("notes.log"));
  EXPECT_EQ(SelectedRow(days), 0);
  ASSERT_TRUE(WaitFor([&] { return titles().size() == 2; }, 10000));

  // "閉じる" ends the viewer; the main window takes commands again.
  PostMessageW(viewer, WM_COMMAND, ids::Button1, 0);
  ASSERT_TRUE(WaitFor([&] { return !IsWindow(viewer); }, 10000));
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_EQ(running.WaitForExit(30000), std::optional<DWORD>(0));
}

}  // namespace
}  // namespace dm
