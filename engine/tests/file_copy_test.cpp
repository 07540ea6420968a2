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
  EXPECT_TRUE(HasLine("エラー|ファイルの更新コピーに失敗しました。他のプログラムがファイルを使用中です。D:\\dst\\locked.txt"));
  EXPECT_TRUE(HasLine("エラー|ファイルの新規コピーに失敗しました。他のプログラムがファイルを使用中です。D:\\dst\\fresh.txt"));
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

// Another program holding the file a moment (a scanner right after the
// copy, an indexer) is waited for, about two seconds, before the copy
// counts as failed; a file held longer fails with a line that says why.
TEST_F(BackupRunTest, FilesInUseAreTriedAgain) {
  struct Case {
    const char* what;
    int busyCopies;  // failed tries of the copy itself
    int busyRenames;  // failed tries of the rename over the old copy
    bool copied;
    int sleptMs;
  };
  const Case cases[] = {
      {"free", 0, 0, true, 0},
      {"held for the first try of the copy", 1, 0, true, 100},
      {"held for three tries of the copy", 3, 0, true, 600},
      {"held for two tries of the rename", 0, 2, true, 300},
      {"held throughout the copy's tries", 100, 0, false, 2000},
      {"held throughout the rename's tries", 0, 100, false, 2000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fs = FakeFileSystem();
    window = RecordingWindow();
    clock.sleptMs = 0;
    fs.AddFile("C:\\src\\open.docx", "new", kNew);
    fs.AddFile("D:\\dst\\open.docx", "previous", kOld);
    fs.busyCopyFrom["C:\\src\\open.docx"] = c.busyCopies;
    fs.busyMoveTo["D:\\dst\\open.docx"] = c.busyRenames;
    int errors = Run(Job());
    EXPECT_EQ(fs.Content("D:\\dst\\open.docx"), c.copied ? "new" : "previous");
    EXPECT_FALSE(AnyTemporaryBelow("D:\\dst"));
    EXPECT_EQ(clock.sleptMs, c.sleptMs);
    EXPECT_EQ(errors, c.copied ? 0 : 1);
    if (c.copied) {
      EXPECT_TRUE(Lines("エラー").empty());
    } else {
      EXPECT_EQ(Lines("エラー"), std::vector<std::string>{
                                    "ファイルの更新コピーに失敗しました。他のプログラムがファイルを使用中です。D:\\dst\\open.docx"});
      EXPECT_TRUE(HasLine("通知|(32) プロセスはファイルにアクセスできません。"));
    }
  }
}

TEST_F(BackupRunTest, AnAbortEndsTheWaitForAFileInUse) {
  fs.AddFile("C:\\src\\open.docx", "new", kNew);
  fs.busyCopyFrom["C:\\src\\open.docx"] = 100;
  // The abort comes while the run waits for the second try, which is then
  // not made.
  struct AbortingClock : FixedClock {
    using FixedClock::FixedClock;
    void SleepMs(int ms) override {
      FixedClock::SleepMs(ms);
      if (control) control->RequestAbort();
    }
    RunControl* control = nullptr;
  } aborting{LocalTime(2007, 12, 31, 9, 0, 5)};
  aborting.control = &control;
  TFileBackupThread run(kRunManual, options, RunServices{fs, window, control, aborting});
  run.AddJob(Job());
  run.Execute();
  EXPECT_EQ(fs.calls["CopyFileTo"], 1);
  EXPECT_EQ(aborting.sleptMs, 100);
  EXPECT_EQ(window.events.back(), "finished aborted");
}

}  // namespace
}  // namespace dm
