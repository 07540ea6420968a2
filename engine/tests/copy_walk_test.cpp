// The copy walk: the folders it enters, creates and leaves out, the
// exclusion patterns, and the progress it shows.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/tests/engine_run_test.h"

namespace dm {
namespace {

using ::testing::Contains;

const DateTimeParts kOld = LocalTime(2007, 1, 10, 12, 0, 0);
const DateTimeParts kNew = LocalTime(2007, 2, 10, 12, 0, 0);

TEST_F(BackupRunTest, NewerFilesAreCopiedOthersLeftAlone) {
  fs.AddFile("C:\\src\\new.txt", "n", kOld);
  fs.AddFile("C:\\src\\newer.txt", "source", kNew);
  fs.AddFile("D:\\dst\\newer.txt", "old", kOld);
  fs.AddFile("C:\\src\\same.txt", "source", kOld);
  fs.AddFile("D:\\dst\\same.txt", "dest", kOld);
  fs.AddFile("C:\\src\\older.txt", "source", kOld);
  fs.AddFile("D:\\dst\\older.txt", "dest", kNew);
  fs.AddFile("C:\\src\\sub\\deep.txt", "deep", kOld);
  Run(Job());

  EXPECT_EQ(fs.Content("D:\\dst\\new.txt"), "n");
  EXPECT_EQ(fs.Content("D:\\dst\\newer.txt"), "source");
  EXPECT_EQ(fs.Content("D:\\dst\\same.txt"), "dest");
  EXPECT_EQ(fs.Content("D:\\dst\\older.txt"), "dest");
  EXPECT_EQ(fs.Content("D:\\dst\\sub\\deep.txt"), "deep");
  EXPECT_FALSE(AnyTemporaryBelow("D:\\dst"));
  EXPECT_EQ(summary, "( 新規:2  更新:1  エラー:0 )");

  std::vector<std::string> expected = {
      "手動バックアップ開始|2007/12/31 9:00:05",
      "【job】|C:\\src --> D:\\dst",
      "新規コピー|D:\\dst\\new.txt",
      "更新コピー|D:\\dst\\newer.txt",
      "フォルダ作成|D:\\dst\\sub",
      "新規コピー|D:\\dst\\sub\\deep.txt",
      "手動バックアップ終了|2007/12/31 9:00:05( 新規:2  更新:1  エラー:0 )",
  };
  EXPECT_EQ(window.Texts(), expected);
  EXPECT_EQ(window.lines[0].title, "09:00:05 手動バックアップ開始");
  EXPECT_EQ(window.events, (std::vector<std::string>{"running", "started", "idle", "finished"}));
  EXPECT_EQ(window.updates, (std::vector<std::string>{"0:バックアップ中...", "0:2007/12/31 9:00:05"}));
  EXPECT_TRUE(window.modified);
}

TEST_F(BackupRunTest, ExclusionPatterns) {
  fs.AddFile("C:\\src\\A.TMP", "x", kOld);
  fs.AddFile("C:\\src\\~$doc.docx", "x", kOld);
  fs.AddFile("C:\\src\\keep.txt", "x", kOld);
  fs.AddFile("C:\\src\\Temp\\t.txt", "x", kOld);
  fs.AddFile("C:\\src\\a\\temp\\t.txt", "x", kOld);
  fs.AddFile("C:\\src\\a\\other\\o.txt", "x", kOld);

  BackupJob job = Job();
  job.Filter = " *.tmp | ~* ";
  job.FilterFolder = "temp";  // a bare name never matches a full path
  Run(job);
  EXPECT_TRUE(HasLine("除外ファイル|c:\\src\\a.tmp"));
  EXPECT_TRUE(HasLine("除外ファイル|c:\\src\\~$doc.docx"));
  EXPECT_FALSE(fs.Exists("D:\\dst\\A.TMP"));
  EXPECT_TRUE(fs.Exists("D:\\dst\\Temp\\t.txt"));
  EXPECT_TRUE(fs.Exists("D:\\dst\\a\\temp\\t.txt"));

  fs = FakeFileSystem();
  window = RecordingWindow();
  fs.AddFile("C:\\src\\Temp\\t.txt", "x", kOld);
  fs.AddFile("C:\\src\\a\\temp\\t.txt", "x", kOld);
  fs.AddFile("C:\\src\\a\\other\\o.txt", "x", kOld);
  job.FilterFolder = "*\\temp";
  Run(job);
  EXPECT_TRUE(HasLine("除外フォルダ|c:\\src\\temp"));
  EXPECT_TRUE(HasLine("通知|C:\\src\\Temp フォルダ内のファイルは無視します"));
  EXPECT_TRUE(HasLine("除外フォルダ|c:\\src\\a\\temp"));
  EXPECT_FALSE(fs.Exists("D:\\dst\\Temp"));
  EXPECT_FALSE(fs.Exists("D:\\dst\\a\\temp"));
  EXPECT_TRUE(fs.Exists("D:\\dst\\a\\other\\o.txt"));
}

TEST_F(BackupRunTest, ThirtyOnePatternsKeepTheFirstThirty) {
  std::string filter;
  for (int i = 1; i <= 31; ++i) filter += (i > 1 ? "|" : "") + std::string("f") + std::to_string(i) + ".txt";
  fs.AddFile("C:\\src\\f30.txt", "x", kOld);
  fs.AddFile("C:\\src\\f31.txt", "x", kOld);
  BackupJob job = Job();
  job.Filter = filter;
  job.FilterFolder = filter;
  Run(job);
  EXPECT_EQ(window.TitlesOfKind(kReportError),
            (std::vector<std::string>{"エラー|【job】で指定された除外ファイルが多すぎます(max=30)",
                                      "エラー|【job】で指定された除外フォルダが多すぎます(max=30)",
                                      "除外ファイル|c:\\src\\f30.txt"}));
  EXPECT_TRUE(fs.Exists("D:\\dst\\f31.txt"));
  EXPECT_EQ(summary, "( 新規:1  更新:0  エラー:0 )");  // too many patterns is no copy error
}

TEST_F(BackupRunTest, MissingSourceAndUncreatableDestinationAreErrors) {
  fs.AddFile("C:\\src\\a.txt", "a", kOld);
  fs.AddFile("D:\\keep\\stays.txt", "x", kOld);
  fs.uncreatable = {"E:\\nowhere"};
  BackupJob missing = Job("C:\\missing", "D:\\keep");
  missing.Mirror = true;
  BackupJob uncreatable = Job("C:\\src", "E:\\nowhere");
  BackupJob fine = Job("C:\\src", "D:\\fine");
  options.statusBarProgress = true;
  Run({missing, uncreatable, fine});
  EXPECT_TRUE(HasLine("エラー|ソース側フォルダが見つかりません C:\\missing"));
  EXPECT_TRUE(HasLine("エラー|フォルダの作成に失敗しました"));
  EXPECT_EQ(CountLines("通知"), 2);  // "ミラーリングを中止します。" after each failed job
  EXPECT_TRUE(fs.Exists("D:\\keep\\stays.txt"));  // no mirroring after a failed walk
  EXPECT_TRUE(fs.Exists("D:\\fine\\a.txt"));
  EXPECT_THAT(window.updates, Contains("0:処理中止"));
  EXPECT_THAT(window.updates, Contains("1:処理中止"));
  EXPECT_EQ(summary, "( 新規:1  更新:0  エラー:2 )");
}

TEST_F(BackupRunTest, ProgressPanels) {
  fs.AddFile("C:\\src\\a.txt", "aaaa", kOld);
  fs.AddFile("C:\\src\\b.txt", "bbbb", kOld);
  fs.AddFile("C:\\src\\x.bak", "x", kOld);
  BackupJob job = Job();
  job.Filter = "*.bak";
  options.statusBarProgress = true;
  options.wholeProgress = true;
  Run(job);
  EXPECT_THAT(window.panels, Contains("0:調査中..."));
  EXPECT_THAT(window.panels, Contains("2:1/2"));
  EXPECT_THAT(window.panels, Contains("2:2/2"));
  EXPECT_THAT(window.panels, Contains("3:D:\\dst\\b.txt"));
  EXPECT_THAT(window.progress, Contains(100));

  window = RecordingWindow();
  options.wholeProgress = false;
  Run(job);
  EXPECT_THAT(window.panels, Contains("2:1/?"));
}

}  // namespace
}  // namespace dm
