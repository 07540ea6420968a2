// One file's copy: the previous backup survives a failure, read-only copies
// are replaced, times are carried over.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/tests/engine_run_test.h"

namespace dm {
namespace {

using ::testing::Contains;

const DateTimeParts kOld = LocalTime(2007, 1, 10, 12, 0, 0);
const DateTimeParts kNew = LocalTime(2007, 2, 10, 12, 0, 0);

TEST_F(BackupRunTest, FailedCopyKeepsThePreviousBackup) {
  fs.AddFile("C:\\src\\locked.txt", "new content", kNew);
  fs.AddFile("D:\\dst\\locked.txt", "previous backup", kOld);
  fs.AddFile("C:\\src\\fresh.txt", "fresh", kNew);
  fs.AddFile("C:\\src\\z.txt", "z", kNew);
  fs.failCopyFrom = {"C:\\src\\locked.txt", "C:\\src\\fresh.txt"};
  Run(Job());
  EXPECT_EQ(fs.Content("D:\\dst\\locked.txt"), "previous backup");
  EXPECT_FALSE(fs.Exists("D:\\dst\\fresh.txt"));
  EXPECT_EQ(fs.Content("D:\\dst\\z.txt"), "z");  // the run goes on
  EXPECT_FALSE(AnyTemporaryBelow("D:\\dst"));
  EXPECT_TRUE(HasLine("エラー|ファイルの更新コピーに失敗しました。D:\\dst\\locked.txt"));
  EXPECT_TRUE(HasLine("エラー|ファイルの新規コピーに失敗しました。D:\\dst\\fresh.txt"));
  EXPECT_TRUE(HasLine("通知|(32) プロセスはファイルにアクセスできません。"));
  EXPECT_EQ(summary, "( 新規:1  更新:0  エラー:2 )");
}

TEST_F(BackupRunTest, ReadOnlyDestinationIsReplaced) {
  fs.AddFile("C:\\src\\r.txt", "new", kNew, kAttrArchive);
  fs.AddFile("D:\\dst\\r.txt", "old", kOld, kAttrReadOnly);
  Run(Job());
  EXPECT_EQ(fs.Content("D:\\dst\\r.txt"), "new");
  EXPECT_EQ(fs.Find("D:\\dst\\r.txt")->attributes & kAttrReadOnly, 0u);
  EXPECT_EQ(summary, "( 新規:0  更新:1  エラー:0 )");
}

TEST_F(BackupRunTest, KeepTimesCarriesTheSourceTimes) {
  fs.AddFile("C:\\src\\a.txt", "a", kNew, kAttrReadOnly);
  fs.AddFile("C:\\src\\b.txt", "b", kNew);
  fs.failSetTimes = {"D:\\dst\\b.txt"};
  BackupJob job = Job();
  job.TimeStampWrite = 1;
  Run(job);
  EXPECT_EQ(fs.Find("D:\\dst\\a.txt")->times, fs.Find("C:\\src\\a.txt")->times);
  EXPECT_NE(fs.Find("D:\\dst\\a.txt")->attributes & kAttrReadOnly, 0u);  // put back after the times
  EXPECT_TRUE(HasLine("エラー|SetFileTime()に失敗しました D:\\dst\\b.txt"));
  EXPECT_EQ(summary, "( 新規:2  更新:0  エラー:0 )");
}

}  // namespace
}  // namespace dm
