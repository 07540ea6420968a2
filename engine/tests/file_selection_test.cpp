// Which files the walk copies: times, the cut-off date and the attribute
// rules.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/tests/engine_run_test.h"

namespace dm {
namespace {

using ::testing::Contains;

const DateTimeParts kOld = LocalTime(2007, 1, 10, 12, 0, 0);
const DateTimeParts kNew = LocalTime(2007, 2, 10, 12, 0, 0);

TEST_F(BackupRunTest, AllCopyAndToleranceDecideOnPackedTimes) {
  struct Case {
    const char* name;
    int sourceDelta;  // in packed units (2 seconds each) relative to the destination
    bool allCopy;
    bool toleranceOn;
    int tolerance;
    bool copied;
  };
  const Case cases[] = {
      {"older_allcopy", -10, true, false, 0, true},
      {"older_plain", -10, false, false, 0, false},
      {"same", 0, false, false, 0, false},
      {"newer_by_2s_tolerance_1", 1, false, true, 1, false},
      {"newer_by_4s_tolerance_1", 2, false, true, 1, true},
      {"newer_by_2s_tolerance_0", 1, false, true, 0, true},
      {"newer_by_2s_no_tolerance", 1, false, false, 5, true},
  };
  const uint32_t base = ToDosDateTime(LocalTime(2007, 6, 1, 10, 20, 0));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs = FakeFileSystem();
    window = RecordingWindow();
    fs.AddFileDos("C:\\src\\f.txt", "source", base + c.sourceDelta);
    fs.AddFileDos("D:\\dst\\f.txt", "dest", base);
    BackupJob job = Job();
    job.AllCopy = c.allCopy;
    job.PermissibleTimeCheck = c.toleranceOn;
    job.PermissibleTime = std::to_string(c.tolerance);
    Run(job);
    EXPECT_EQ(fs.Content("D:\\dst\\f.txt"), c.copied ? "source" : "dest");
    EXPECT_EQ(CountLines("更新コピー"), c.copied ? 1 : 0);
  }
}

TEST_F(BackupRunTest, CutoffDateSkipsFilesUpToTheDay) {
  fs.AddFile("C:\\src\\midnight.txt", "a", LocalTime(2007, 6, 1, 0, 0, 0));
  fs.AddFile("C:\\src\\one_second.txt", "b", LocalTime(2007, 6, 1, 0, 0, 1));
  fs.AddFile("C:\\src\\two_seconds.txt", "c", LocalTime(2007, 6, 1, 0, 0, 2));
  BackupJob job = Job();
  job.OldFileNoCopy = 1;
  job.OldFileDate = EncodeDate(2007, 6, 1);
  Run(job);
  EXPECT_TRUE(HasLine("通知|基準日以前のファイルは無視します C:\\src\\midnight.txt"));
  EXPECT_TRUE(HasLine("通知|基準日以前のファイルは無視します C:\\src\\one_second.txt"));
  EXPECT_FALSE(fs.Exists("D:\\dst\\midnight.txt"));
  EXPECT_EQ(fs.Content("D:\\dst\\two_seconds.txt"), "c");
  EXPECT_EQ(summary, "( 新規:1  更新:0  エラー:0 )");
}

TEST_F(BackupRunTest, AttributeRulesApplyOnlyWhenACopyWouldHappen) {
  fs.AddFile("C:\\src\\empty_older.txt", "", kOld);
  fs.AddFile("D:\\dst\\empty_older.txt", "dest", kNew);
  fs.AddFile("C:\\src\\empty.txt", "", kOld);
  fs.AddFile("C:\\src\\readonly.txt", "r", kOld, kAttrReadOnly);
  fs.AddFile("C:\\src\\hidden.txt", "h", kOld, kAttrHidden);
  fs.AddFile("C:\\src\\empty_hidden.txt", "", kOld, kAttrHidden);
  BackupJob job = Job();
  job.NotReadOnly = 1;
  job.NotHidden = 1;
  Run(job);
  EXPECT_EQ(window.TitlesOfKind(kReportNotice).size(), 5u);  // header + four skips
  EXPECT_TRUE(HasLine("通知|０バイトのファイルは無視します C:\\src\\empty.txt"));
  EXPECT_TRUE(HasLine("通知|０バイトのファイルは無視します C:\\src\\empty_hidden.txt"));  // first rule wins
  EXPECT_TRUE(HasLine("通知|読み取り専用属性ファイルは無視します C:\\src\\readonly.txt"));
  EXPECT_TRUE(HasLine("通知|隠しファィル属性ファイルは無視します C:\\src\\hidden.txt"));
  EXPECT_EQ(summary, "( 新規:0  更新:0  エラー:0 )");

  fs = FakeFileSystem();
  window = RecordingWindow();
  fs.AddFile("C:\\src\\empty.txt", "", kOld);
  job.ZeroFile = 1;
  Run(job);
  EXPECT_TRUE(fs.Exists("D:\\dst\\empty.txt"));
}

}  // namespace
}  // namespace dm
