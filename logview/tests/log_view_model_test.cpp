#include <gtest/gtest.h>

#include <map>

#include "base/sjis.h"
#include "engine/backup_log.h"
#include "logview/log_view_model.h"

namespace dm {
namespace {

TEST(ParseLogLine, SplitsTrimsAndCutsTheTextAtItsFirstComma) {
  struct Case {
    const char* line;
    LogRow row;
  };
  const Case cases[] = {
      {" 6, 新規コピー          , 09:00:05, D:\\dst\\a.txt\r\n", {6, "09:00:05 新規コピー", "D:\\dst\\a.txt"}},
      {" 2, 手動バックアップ開始, 09:00:05, 2007/12/31 9:00:05", {2, "09:00:05 手動バックアップ開始", "2007/12/31 9:00:05"}},
      // A path holding a comma shows only up to it.
      {" 6, 新規コピー          , 10:11:12, D:\\a,b\\c.txt\r\n", {6, "10:11:12 新規コピー", "D:\\a"}},
      // Two commas in a row make no empty piece: the time moves up.
      {" 1, エラー,, 10:00:00, x", {1, "10:00:00 エラー", "x"}},
      // An empty text, and a line cut short.
      {" 0, 手動バックアップ終了, 23:59:59, ", {0, "23:59:59 手動バックアップ終了", ""}},
      {"13, 通知", {13, " 通知", ""}},
      {"\t3 ,処理中止\t, 08:00:00 ,ユーザーの操作でバックアップを中止しました。\r",
       {3, "08:00:00 処理中止", "ユーザーの操作でバックアップを中止しました。"}},
      // Not written by the program: shown whole, without an icon.
      {"ここは手で書き足した行, です\r\n", {kNoLogIcon, "", "ここは手で書き足した行, です"}},
  };
  for (const Case& c : cases) {
    std::optional<LogRow> row = ParseLogLine(c.line);
    ASSERT_TRUE(row) << c.line;
    EXPECT_EQ(*row, c.row) << c.line;
  }
  EXPECT_FALSE(ParseLogLine(""));
  EXPECT_FALSE(ParseLogLine(" \r\n"));
}

TEST(ParseLogLine, ReadsBackWhatTheRunWrites) {
  std::string written = FormatBackupLogLine(7, "更新コピー", 9, 8, 7, "E:\\バックアップ\\表.xls");
  std::optional<LogRow> row = ParseLogLine(SjisToUtf8(written));
  ASSERT_TRUE(row);
  EXPECT_EQ(*row, (LogRow{7, "09:08:07 更新コピー", "E:\\バックアップ\\表.xls"}));
}

std::vector<LogRow> All(const LogRows& rows) {
  std::vector<LogRow> all;
  for (size_t i = 0; i < rows.size(); ++i) all.push_back(rows[i]);
  return all;
}

std::string SjisFile(const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& line : lines) bytes += Utf8ToSjis(line) + "\r\n";
  return bytes;
}

TEST(ParseLogFile, KeepsOnlyErrorsAndAbortsWhenAsked) {
  std::string file = SjisFile({" 2, 手動バックアップ開始, 09:00:00, start", " 6, 新規コピー, 09:00:01, a",
                               " 1, エラー, 09:00:02, failed", "", " 1, 除外ファイル, 09:00:03, x.bak",
                               " 3, 処理中止, 09:00:04, stopped", "手書きの行",
                               " 0, 手動バックアップ終了, 09:00:05, end"});
  // The last line may lack its line end.
  file += Utf8ToSjis("13, 通知, 09:00:06, tail");
  std::vector<LogRow> all = All(ParseLogFile(file, false));
  ASSERT_EQ(all.size(), 8u);
  EXPECT_EQ(all[5], (LogRow{kNoLogIcon, "", "手書きの行"}));
  EXPECT_EQ(all[7], (LogRow{13, "09:00:06 通知", "tail"}));

  std::vector<LogRow> errors = All(ParseLogFile(file, true));
  ASSERT_EQ(errors.size(), 3u);
  EXPECT_EQ(errors[0].detail, "failed");
  EXPECT_EQ(errors[1].caption, "09:00:03 除外ファイル");
  EXPECT_EQ(errors[2].kind, 3);
}

TEST(ParseLogFile, ABrokenCharacterDoesNotSwallowTheNextLine) {
  // A lone lead byte at the end of a line, right before its line feed.
  std::string file = " 1, エラー, 09:00:00, bad\x82\n" + SjisFile({" 6, 新規コピー, 09:00:01, next"});
  std::vector<LogRow> rows = All(ParseLogFile(file, false));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1].detail, "next");
}

TEST(ParseLogFile, LongLinesStayWhole) {
  std::string path = "D:\\" + std::string(3000, 'x');
  std::vector<LogRow> rows = All(ParseLogFile(SjisFile({" 6, 新規コピー, 09:00:01, " + path}), false));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].detail, path);
}

TEST(DayOfLogFile, EightCharactersBeforeTheFirstDot) {
  struct Case {
    const char* name;
    const char* caption;  // nullptr: not listed
  };
  const Case cases[] = {
      {"20071231.log", "2007/12/31"},   {"20080101.LOG", "2008/01/01"},
      {"20071231.old.log", "2007/12/31"}, {"notes.log", nullptr},
      {"200712311.log", nullptr},         {".log", nullptr},
      {"20071231.txt", nullptr},          {"20071231.logx", nullptr},
      {"あいうえおかきく.log", "あいうえ/おか/きく"},
  };
  for (const Case& c : cases) {
    std::optional<LogDay> day = DayOfLogFile(c.name);
    if (!c.caption) {
      EXPECT_FALSE(day) << c.name;
      continue;
    }
    ASSERT_TRUE(day) << c.name;
    EXPECT_EQ(day->caption, c.caption);
    EXPECT_EQ(day->fileName, c.name);
  }
}

TEST(BuildDayList, SortedByCaption) {
  std::vector<LogDay> days = BuildDayList({"20080101.log", "notes.log", "20071231.log", "20070615.log"});
  ASSERT_EQ(days.size(), 3u);
  EXPECT_EQ(days[0].caption, "2007/06/15");
  EXPECT_EQ(days[1].caption, "2007/12/31");
  EXPECT_EQ(days[2].fileName, "20080101.log");
}

class FakeLogFolder : public LogFolder {
 public:
  std::vector<std::string> LogFileNames() override {
    std::vector<std::string> names;
    for (const auto& [name, bytes] : files) names.push_back(name);
    return names;
  }
  std::optional<std::string> Read(const std::string& fileName) override {
    if (unreadable == fileName) return std::nullopt;
    auto found = files.find(fileName);
    if (found == files.end()) return std::nullopt;
    return found->second;
  }
  bool Delete(const std::string& fileName) override {
    deleted.push_back(fileName);
    return !locked && files.erase(fileName) == 1;
  }

  std::map<std::string, std::string> files;
  std::string unreadable;
  bool locked = false;
  std::vector<std::string> deleted;
};

TEST(LogViewModel, WithoutLogFilesShowsTheChooseDayRow) {
  FakeLogFolder folder;
  LogViewModel model(folder);
  model.FormShow();
  EXPECT_TRUE(model.Days().empty());
  EXPECT_FALSE(model.SelectedDay());
  model.LoadSelectedDay(false);
  EXPECT_EQ(All(model.Rows()), std::vector<LogRow>{ErrorRow("ログファイルを選択してください")});
  EXPECT_EQ(model.Rows()[0].caption, "エラー");
  EXPECT_FALSE(model.DeleteEnabled());
}

TEST(LogViewModel, LoadsTheLatestDayAndFiltersIt) {
  FakeLogFolder folder;
  folder.files["20071230.log"] = SjisFile({" 6, 新規コピー, 09:00:01, old"});
  folder.files["20071231.log"] = SjisFile({" 6, 新規コピー, 09:00:01, a", " 1, エラー, 09:00:02, b"});
  folder.files["notes.log"] = "x";
  LogViewModel model(folder);
  model.FormShow();
  ASSERT_EQ(model.Days().size(), 2u);
  EXPECT_EQ(model.SelectedDay(), std::optional<size_t>(1));
  EXPECT_TRUE(model.Rows().empty());

  model.LoadSelectedDay(false);
  EXPECT_EQ(model.Rows().size(), 2u);
  EXPECT_TRUE(model.DeleteEnabled());
  model.LoadSelectedDay(true);
  ASSERT_EQ(model.Rows().size(), 1u);
  EXPECT_EQ(model.Rows()[0].detail, "b");
  model.LoadSelectedDay(false);
  EXPECT_EQ(model.Rows().size(), 2u);

  model.SelectDay(0);
  model.LoadSelectedDay(false);
  EXPECT_EQ(model.Rows()[0].detail, "old");
  model.SelectDay(std::nullopt);
  model.LoadSelectedDay(false);
  EXPECT_EQ(model.Rows()[0].detail, "ログファイルを選択してください");
  EXPECT_FALSE(model.DeleteEnabled());
}

TEST(LogViewModel, AnUnreadableDayShowsWhichDay) {
  FakeLogFolder folder;
  folder.files["20071231.log"] = "";
  folder.unreadable = "20071231.log";
  LogViewModel model(folder);
  model.FormShow();
  model.LoadSelectedDay(false);
  EXPECT_EQ(All(model.Rows()), std::vector<LogRow>{ErrorRow("2007/12/31 に作成されたログファイルが見つかりません")});
}

TEST(LogViewModel, DeletingTheShownDaySelectsTheNewLatest) {
  FakeLogFolder folder;
  folder.files["20071230.log"] = SjisFile({" 6, 新規コピー, 09:00:01, old"});
  folder.files["20071231.log"] = SjisFile({" 6, 新規コピー, 09:00:01, new"});
  LogViewModel model(folder);
  model.FormShow();
  model.LoadSelectedDay(false);
  EXPECT_EQ(model.DeleteQuestion(), std::optional<std::string>("'2007/12/31' のログをを削除しますか？"));
  model.DeleteSelectedDay();
  EXPECT_EQ(folder.deleted, std::vector<std::string>{"20071231.log"});
  ASSERT_EQ(model.Days().size(), 1u);
  EXPECT_EQ(model.SelectedDay(), std::optional<size_t>(0));
  EXPECT_TRUE(model.Rows().empty());

  // A file that cannot be deleted stays in the rebuilt list.
  folder.locked = true;
  model.DeleteSelectedDay();
  EXPECT_EQ(model.Days().size(), 1u);
}

TEST(LogViewModel, DeletingWithoutAChosenDayAddsTheErrorRow) {
  FakeLogFolder folder;
  folder.files["20071231.log"] = SjisFile({" 6, 新規コピー, 09:00:01, a"});
  LogViewModel model(folder);
  model.FormShow();
  model.LoadSelectedDay(false);
  model.SelectDay(std::nullopt);
  EXPECT_FALSE(model.DeleteQuestion());
  ASSERT_EQ(model.Rows().size(), 2u);
  EXPECT_EQ(model.Rows()[1], ErrorRow("ログファイルを選択してください"));
  EXPECT_TRUE(model.DeleteEnabled());  // the delete button is left as it was
  model.DeleteSelectedDay();
  EXPECT_TRUE(folder.deleted.empty());
}

}  // namespace
}  // namespace dm
