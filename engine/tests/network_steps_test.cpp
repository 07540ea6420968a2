#include <gtest/gtest.h>

#include <map>
#include <set>

#include "engine/backup_thread.h"
#include "engine/tests/engine_test_support.h"
#include "engine/tests/fake_file_system.h"

namespace dm {
namespace {

class FakeNetwork : public NetworkAccess {
 public:
  uint32_t AddConnection(const std::string& remote, const std::string& user, const std::string& password) override {
    calls.push_back("add " + remote + " " + user + "/" + password);
    return failing.count(remote) ? 1326 : 0;
  }
  uint32_t CancelConnection(const std::string& remote) override {
    calls.push_back("cancel " + remote);
    return 0;
  }
  uint32_t VolumeLabel(const std::string& root, std::string& label) override {
    calls.push_back("label " + root);
    auto it = labels.find(root);
    if (it == labels.end()) return 21;  // the device is not ready
    label = it->second;
    return 0;
  }
  NotifyResult SendNotice(const std::string& recipient, const std::string& message) override {
    calls.push_back("send " + recipient + ":" + message);
    return sendResult;
  }
  std::vector<std::string> calls;
  std::set<std::string> failing;
  std::map<std::string, std::string> labels;
  NotifyResult sendResult = NotifyResult::kSent;
};

class NetworkRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs.AddFile("\\\\server\\share\\data\\a.txt", "a", LocalTime(2007, 1, 1));
    fs.AddFolder("E:\\backup");
  }
  BackupJob Job() {
    BackupSetting setting = FileDefaultSetting("net");
    setting[kSrc] = "\\\\server\\share\\data";
    setting[kDst] = "E:\\backup";
    setting[kMirror] = "0";
    return MakeBackupJob(setting, true);
  }
  void Run(const BackupJob& job, BackupRunMode mode = kRunManual) {
    TFileBackupThread run(mode, options, RunServices{fs, window, control, clock, &network});
    run.AddJob(job);
    run.Execute();
    errors = run.ErrorCount();
  }
  std::vector<std::string> Lines(int kind) { return window.TitlesOfKind(kind); }

  FakeFileSystem fs;
  FakeNetwork network;
  RecordingWindow window;
  RunControl control;
  FixedClock clock{LocalTime(2007, 12, 31, 9, 0, 5)};
  RunOptions options{.statusLevel = 3, .finishDelayMs = 0};
  int errors = 0;
};

TEST_F(NetworkRunTest, LogOnCheckCopyLogOffInOrder) {
  BackupJob job = Job();
  job.SrcLogin = job.SrcLogoff = true;
  job.SrcUser = "alice";
  job.SrcPass = "secret";
  job.DstLogin = job.DstLogoff = true;
  job.SrcVolumeCheck = job.DstVolumeCheck = 1;
  job.SrcVolumeName = "SHARE";
  job.DstVolumeName = "BACKUP1";
  job.DateFolder = 1;
  network.labels = {{"\\\\server\\share\\", "SHARE"}, {"E:\\", "BACKUP1"}};
  Run(job);
  EXPECT_EQ(network.calls, (std::vector<std::string>{
                               "add \\\\server\\share\\data alice/secret", "add E:\\backup\\20071231 /",
                               "label \\\\server\\share\\", "label E:\\", "cancel \\\\server\\share\\data",
                               "cancel E:\\backup\\20071231"}));
  EXPECT_EQ(Lines(kReportLogon), (std::vector<std::string>{"ログオン|\\\\server\\share\\data",
                                                           "ログイン |E:\\backup\\20071231",
                                                           "ログオフ|\\\\server\\share\\data",
                                                           "ログオフ|E:\\backup\\20071231"}));
  EXPECT_EQ(Lines(kReportVolumeCheck).size(), 2u);
  EXPECT_TRUE(fs.Exists("E:\\backup\\20071231\\a.txt"));
}

TEST_F(NetworkRunTest, FailuresEndTheJobWithoutCountingAsErrors) {
  BackupJob job = Job();
  job.SrcLogin = job.SrcLogoff = true;
  job.DstLogin = job.DstLogoff = true;
  network.failing = {"E:\\backup"};
  Run(job);
  // The source stays connected: no log-off after a failed job.
  EXPECT_EQ(network.calls, (std::vector<std::string>{"add \\\\server\\share\\data /", "add E:\\backup /"}));
  // The line as it always read, then the system's reason.
  EXPECT_EQ(Lines(kReportError), (std::vector<std::string>{"エラー|ログインに失敗しました。E:\\backup",
                                                          "エラー|ログインできません。(1326) エラー 1326 E:\\backup"}));
  EXPECT_FALSE(fs.Exists("E:\\backup\\a.txt"));
  EXPECT_EQ(errors, 0);

  struct Case {
    std::string label;
    bool known;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"backup1", true, {"エラー|ボリュームラベルが違います。E:\\backup"}},  // case matters
      {"", false,
       {"エラー|ボリュームラベルの取得に失敗しました。E:\\backup", "エラー|ボリュームラベルを取得できません。(21) エラー 21 E:\\"}},
  };
  for (const Case& c : cases) {
    window = RecordingWindow();
    network = FakeNetwork();
    if (c.known) network.labels = {{"E:\\", c.label}};
    BackupJob checked = Job();
    checked.DstVolumeCheck = 1;
    checked.DstVolumeName = "BACKUP1";
    Run(checked);
    EXPECT_EQ(Lines(kReportError), c.expected);
    EXPECT_FALSE(fs.Exists("E:\\backup\\a.txt"));
    EXPECT_EQ(errors, 0);
  }
}

TEST_F(NetworkRunTest, LogOffOnlyAfterALogOnAndASuccessfulCopy) {
  BackupJob job = Job();
  job.SrcLogoff = true;  // without SrcLogin nothing is attempted
  Run(job);
  EXPECT_TRUE(network.calls.empty());

  network = FakeNetwork();
  BackupJob failing = Job();
  failing.Src = "\\\\server\\share\\missing";
  failing.SrcLogin = failing.SrcLogoff = true;
  Run(failing);
  EXPECT_EQ(network.calls, (std::vector<std::string>{"add \\\\server\\share\\missing /"}));
}

TEST_F(NetworkRunTest, TestRunsLogOnToo) {
  BackupJob job = Job();
  job.SrcLogin = true;
  Run(job, kRunTest);
  EXPECT_EQ(network.calls, (std::vector<std::string>{"add \\\\server\\share\\data /"}));
}

TEST_F(NetworkRunTest, NotificationsByModeAndOption) {
  options.notifyStart = options.notifyFinish = true;
  options.notifyUserName = "admin";
  BackupJob job = Job();
  Run(job);
  EXPECT_EQ(network.calls, (std::vector<std::string>{
                               "send admin:手動バックアップを開始しました",
                               "send admin:手動バックアップを完了しました  ( 新規:1  更新:0  エラー:0 )"}));

  network = FakeNetwork();
  Run(job, kRunAutomatic);
  EXPECT_EQ(network.calls.front(), "send admin:自動バックアップを開始しました");
  EXPECT_EQ(network.calls.back(), "send admin:自動バックアップを完了しました  ( 新規:0  更新:0  エラー:0 )");

  network = FakeNetwork();
  Run(job, kRunTest);
  EXPECT_TRUE(network.calls.empty());

  network = FakeNetwork();
  options.notifyStart = options.notifyFinish = false;
  Run(job);
  EXPECT_TRUE(network.calls.empty());
}

TEST_F(NetworkRunTest, NotificationFailuresAreReportedNotCounted) {
  options.notifyStart = true;
  options.notifyUserName = "";
  struct Case {
    NotifyResult result;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {NotifyResult::kFailed, {"エラー|メッセージの送信に失敗しました 送信先:"}},
      {NotifyResult::kUnavailable, {"エラー|メッセンジャーサービスは利用できません"}},
      {NotifyResult::kNoLibrary, {}},
  };
  for (const Case& c : cases) {
    window = RecordingWindow();
    network = FakeNetwork();
    network.sendResult = c.result;
    Run(Job());
    EXPECT_EQ(Lines(kReportError), c.lines);
    EXPECT_EQ(errors, 0);
  }
}

}  // namespace
}  // namespace dm
