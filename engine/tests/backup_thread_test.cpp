#include "engine/backup_thread.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <thread>

#include "engine/run_thread.h"
#include "engine/tests/engine_run_test.h"

namespace dm {
namespace {

using ::testing::Contains;

const DateTimeParts kOld = LocalTime(2007, 1, 10, 12, 0, 0);
const DateTimeParts kNew = LocalTime(2007, 2, 10, 12, 0, 0);

TEST_F(BackupRunTest, TestModeReportsButChangesNothing) {
  fs.AddFile("C:\\src\\new.txt", "n", kOld);
  fs.AddFile("C:\\src\\sub\\x.txt", "x", kOld);
  fs.AddFile("C:\\src\\upd.txt", "s", kNew);
  fs.AddFile("D:\\old\\upd.txt", "d", kOld);
  fs.AddFile("D:\\old\\gone.txt", "g", kOld);
  BackupJob to_new = Job("C:\\src", "D:\\fresh");
  to_new.Mirror = true;
  BackupJob to_old = Job("C:\\src", "D:\\old");
  to_old.Mirror = true;
  to_old.TimeStampWrite = 1;
  options.logLevel = 0;
  auto before = fs.Nodes();
  Run({to_new, to_old}, kRunTest);
  EXPECT_EQ(fs.Nodes(), before);
  EXPECT_TRUE(fs.journal.empty());
  EXPECT_TRUE(HasLine("テストモード開始|2007/12/31 9:00:05"));
  EXPECT_TRUE(HasLine("フォルダ作成|D:\\fresh"));
  EXPECT_TRUE(HasLine("フォルダ作成|D:\\fresh\\sub"));
  EXPECT_TRUE(HasLine("新規コピー|D:\\fresh\\sub\\x.txt"));
  EXPECT_TRUE(HasLine("更新コピー|D:\\old\\upd.txt"));
  EXPECT_TRUE(HasLine("ファイル削除|D:\\old\\gone.txt"));
  EXPECT_EQ(summary, "( 新規:0  更新:0  エラー:0 )");
  EXPECT_TRUE(HasLine("テストモード終了|2007/12/31 9:00:05( 新規:0  更新:0  エラー:0 )"));
}

TEST_F(BackupRunTest, DateFolderJoinsWithOneDelimiter) {
  fs.AddFile("C:\\src\\a.txt", "a", kOld);
  BackupJob day = Job("C:\\src", "D:\\backup\\");
  day.DateFolder = 1;
  BackupJob day_plain = Job("C:\\src", "D:\\plain");
  day_plain.DateFolder = 1;
  BackupJob month = Job("C:\\src", "D:\\monthly");
  month.DateFolder = 1;
  month.DateFolderType = 1;
  Run({day, day_plain, month});
  EXPECT_TRUE(fs.Exists("D:\\backup\\20071231\\a.txt"));
  EXPECT_TRUE(fs.Exists("D:\\plain\\20071231\\a.txt"));
  EXPECT_TRUE(fs.Exists("D:\\monthly\\200712\\a.txt"));
  EXPECT_TRUE(HasLine("【job】|C:\\src --> D:\\backup\\20071231"));
}

TEST_F(BackupRunTest, UncheckedJobsGiveOnlyStartAndEnd) {
  fs.AddFile("C:\\src\\a.txt", "a", kOld);
  BackupJob job = Job();
  job.Checked = false;
  options.scheduleKind = 3;
  Run({job, job}, kRunAutomatic);
  EXPECT_EQ(window.Texts(), (std::vector<std::string>{
                                "自動バックアップ開始|2007/12/31 9:00:05 毎週",
                                "自動バックアップ終了|2007/12/31 9:00:05( 新規:0  更新:0  エラー:0 )"}));
  EXPECT_FALSE(window.modified);
}

TEST_F(BackupRunTest, StatusLevelFiltersWindowLines) {
  fs.AddFile("C:\\src\\a.txt", "a", kOld);
  options.statusLevel = 1;
  Run(Job());
  EXPECT_EQ(window.lines.size(), 2u);  // start and end only
  options.statusLevel = 0;
  window = RecordingWindow();
  Run(Job());
  EXPECT_TRUE(window.lines.empty());
}

TEST_F(BackupRunTest, AbortDuringTheThirdJobCancelsItsCopy) {
  for (const char* name : {"one", "two", "three", "four"}) {
    fs.AddFile(std::string("C:\\") + name + "\\f.txt", std::string("new ") + name, kNew);
    fs.AddFile(std::string("D:\\") + name + "\\f.txt", "previous", kOld);
  }
  fs.onCopyChunk = [this](const std::string& from, int chunk) {
    if (from == "C:\\three\\f.txt" && chunk == 2) control.RequestAbort();
  };
  std::vector<BackupJob> jobs;
  for (const char* name : {"one", "two", "three", "four"}) {
    BackupJob job = Job(std::string("C:\\") + name, std::string("D:\\") + name);
    job.Mirror = true;
    jobs.push_back(job);
  }
  Run(jobs);
  EXPECT_EQ(fs.Content("D:\\two\\f.txt"), "new two");
  EXPECT_EQ(fs.Content("D:\\three\\f.txt"), "previous");
  EXPECT_EQ(fs.Content("D:\\four\\f.txt"), "previous");
  EXPECT_FALSE(AnyTemporaryBelow("D:\\three"));
  EXPECT_TRUE(HasLine("エラー|ファイルの更新コピーに失敗しました。D:\\three\\f.txt"));
  EXPECT_THAT(window.updates, Contains("2:処理中止"));
  EXPECT_THAT(window.updates, Contains("3:処理中止"));
  std::vector<std::string> texts = window.Texts();
  ASSERT_GE(texts.size(), 2u);
  EXPECT_EQ(texts[texts.size() - 2], "処理中止|ユーザーの操作でバックアップを中止しました。");
  EXPECT_EQ(texts.back(), "手動バックアップ終了|2007/12/31 9:00:05( 新規:0  更新:2  エラー:1 )");
  EXPECT_EQ(window.events.back(), "finished aborted");
}

TEST_F(BackupRunTest, PauseHoldsTheRunUntilResumed) {
  fs.AddFile("C:\\src\\a.txt", "a", kOld);
  std::atomic<int> copies{0};
  fs.onCopyChunk = [&](const std::string&, int) { ++copies; };
  control.Pause();
  std::thread runner([&] { Run(Job()); });
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(copies.load(), 0);
  control.Resume();
  runner.join();
  EXPECT_GT(copies.load(), 0);

  // An abort releases a paused run.
  fs = FakeFileSystem();
  fs.AddFile("C:\\src\\a.txt", "a", kOld);
  window = RecordingWindow();
  control.Reset();
  control.Pause();
  std::thread aborted([&] { Run(Job()); });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  control.RequestAbort();
  aborted.join();
  EXPECT_FALSE(fs.Exists("D:\\dst\\a.txt"));
  EXPECT_EQ(window.events.back(), "finished aborted");
}

TEST_F(BackupRunTest, DailyLogGetsLinesUpToItsLevel) {
  fs.AddFolder("C:\\prog");
  fs.AddFile("C:\\src\\a.txt", "a", kOld);
  options.logFolder = "C:\\prog\\";
  options.logLevel = 1;
  options.statusLevel = 0;
  Run(Job());
  Run(Job());  // a second run the same day appends
  std::string log = fs.Content("C:\\prog\\20071231.log");
  EXPECT_EQ(log.substr(0, 41), std::string(" 2, ") + "\x8e\xe8\x93\xae\x83\x6f\x83\x62\x83\x4e\x83\x41\x83\x62\x83\x76\x8a\x4a\x8e\x6e" +
                                   ", 09:00:05, 2007/");
  EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 4);  // start and end, twice

  fs.failOpenAppend = true;
  window = RecordingWindow();
  options.statusLevel = 3;
  Run(Job());  // no log file: the run goes on
  EXPECT_EQ(window.events.back(), "finished");

  fs = FakeFileSystem();
  fs.AddFolder("C:\\prog");
  fs.AddFile("C:\\src\\a.txt", "a", kOld);
  options.logLevel = 0;
  Run(Job());
  EXPECT_FALSE(fs.Exists("C:\\prog\\20071231.log"));
}

}  // namespace
}  // namespace dm

namespace dm {
namespace {

// A window whose RunFinished can be waited for from the test thread.
class SignallingWindow : public RecordingWindow {
 public:
  void RunFinished(bool aborted, int errors) override {
    RecordingWindow::RunFinished(aborted, errors);
    std::lock_guard<std::mutex> lock(mutex);
    done = true;
    finished.notify_all();
  }
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
};

TEST(RunThread, RunsOnItsOwnThreadAndFreesItself) {
  FakeFileSystem fs;
  fs.AddFile("C:\\src\\a.txt", "a", LocalTime(2007, 1, 1));
  SignallingWindow window;
  RunControl control;
  FixedClock clock{LocalTime(2007, 12, 31)};
  auto run = std::make_unique<TFileBackupThread>(kRunManual, RunOptions{.finishDelayMs = 0},
                                                 RunServices{fs, window, control, clock});
  BackupSetting setting = FileDefaultSetting("t");
  setting[kSrc] = "C:\\src";
  setting[kDst] = "D:\\dst";
  run->AddJob(MakeBackupJob(setting, true));
  ASSERT_TRUE(StartRunThread(std::move(run), 0));
  std::unique_lock<std::mutex> lock(window.mutex);
  ASSERT_TRUE(window.finished.wait_for(lock, std::chrono::seconds(30), [&] { return window.done; }));
  EXPECT_EQ(fs.Content("D:\\dst\\a.txt"), "a");
}

}  // namespace
}  // namespace dm
