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

class BackupRunTest : public EngineRunTest {
 protected:
  void SetUp() override { mirror = false; }

  bool HasLine(const std::string& titleAndText) const {
    std::vector<std::string> texts = window.Texts();
    return std::find(texts.begin(), texts.end(), titleAndText) != texts.end();
  }
  int CountLines(const std::string& title) const { return static_cast<int>(Lines(title).size()); }
};

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
