// Log-on, volume checks and notification on the real system calls. R: is a
// drive the test bed maps with the label BACKUP1; Q: is left unmapped.
#include <windows.h>

#include <gtest/gtest.h>

#include "base/paths.h"
#include "base/text.h"
#include "engine/backup_thread.h"
#include "engine/tests/engine_test_support.h"
#include "engine/win32/win32_file_system.h"
#include "engine/win32/win32_network.h"

namespace dm {
namespace {

class Win32NetworkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(fs.IsFolder("R:\\")) << "the test bed maps R: before this test";
    fs.ShellDelete("R:\\net", false);
    ASSERT_TRUE(fs.CreateFolderTree("R:\\net\\src"));
    FILE* file = _wfopen(L"R:\\net\\src\\a.txt", L"wb");
    ASSERT_NE(file, nullptr);
    fputs("a", file);
    fclose(file);
  }
  BackupJob Job(const std::string& src, const std::string& dst) {
    BackupSetting setting = FileDefaultSetting("n");
    setting[kSrc] = src;
    setting[kDst] = dst;
    setting[kMirror] = "0";
    return MakeBackupJob(setting, true);
  }
  std::vector<std::string> Run(const BackupJob& job) {
    RecordingWindow window;
    RunControl control;
    TFileBackupThread run(kRunManual, options, RunServices{fs, window, control, SystemClock(), &network});
    run.AddJob(job);
    run.Execute();
    return window.TitlesOfKind(kReportError);
  }

  Win32FileSystem fs;
  Win32NetworkAccess network;
  RunOptions options{.statusLevel = 3, .finishDelayMs = 0};
};

TEST_F(Win32NetworkTest, VolumeLabelsOfMappedDrives) {
  std::string label;
  ASSERT_EQ(network.VolumeLabel("R:\\", label), 0u);
  EXPECT_EQ(label, "BACKUP1");

  BackupJob job = Job("R:\\net\\src", "R:\\net\\good");
  job.DstVolumeCheck = 1;
  job.DstVolumeName = "BACKUP1";
  EXPECT_TRUE(Run(job).empty());
  EXPECT_TRUE(fs.IsFolder("R:\\net\\good"));

  job = Job("R:\\net\\src", "R:\\net\\wrong");
  job.DstVolumeCheck = 1;
  job.DstVolumeName = "backup1";
  EXPECT_EQ(Run(job), std::vector<std::string>{"エラー|ボリュームラベルが違います。R:\\net\\wrong"});
  EXPECT_FALSE(fs.IsFolder("R:\\net\\wrong"));

  // The line as it always read, then the drive asked and the system's
  // reason: Wine answers 3 for a letter no drive has.
  job = Job("Q:\\data", "R:\\net\\unmapped");
  job.SrcVolumeCheck = 1;
  std::vector<std::string> errors = Run(job);
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[0], "エラー|ボリュームラベルの取得に失敗しました。Q:\\data");
  EXPECT_TRUE(StartsWith(errors[1], "エラー|ボリュームラベルを取得できません。(3) ")) << errors[1];
  EXPECT_TRUE(EndsWith(errors[1], " Q:\\")) << errors[1];
}

TEST_F(Win32NetworkTest, LogOnToAShareFailsWithoutANetwork) {
  BackupJob job = Job("\\\\server\\share\\data", "R:\\net\\unc");
  job.SrcLogin = true;
  job.SrcUser = "user";
  job.SrcPass = "pass";
  std::vector<std::string> errors = Run(job);
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[0], "エラー|ログインに失敗しました。\\\\server\\share\\data");
  // Wine has no network: 1222.
  EXPECT_TRUE(StartsWith(errors[1], "エラー|ログインできません。(1222) ")) << errors[1];
  EXPECT_TRUE(EndsWith(errors[1], " \\\\server\\share\\data")) << errors[1];
  EXPECT_FALSE(fs.IsFolder("R:\\net\\unc"));
}

TEST_F(Win32NetworkTest, NotificationOnWineIsAFailureNotACrash) {
  ASSERT_TRUE(RunningOnWine());
  options.notifyStart = options.notifyFinish = true;
  options.notifyUserName = "admin";
  std::vector<std::string> errors = Run(Job("R:\\net\\src", "R:\\net\\notify"));
  EXPECT_EQ(errors, (std::vector<std::string>{"エラー|メッセージの送信に失敗しました 送信先:admin",
                                              "エラー|メッセージの送信に失敗しました 送信先:admin"}));
}

}  // namespace
}  // namespace dm
