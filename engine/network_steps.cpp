// The network steps of a job: log-on to the source and destination shares,
// the volume-label checks, the log-off after a good job, and the messenger
// notices at the start and end of a run.
#include "base/paths.h"
#include "engine/backup_thread.h"

namespace dm {

bool TFileBackupThread::LogOnAndCheckVolumes(const BackupJob& job) {
  // Each step runs only when asked for; the first failure ends the job
  // without counting as a copy error, and leaves earlier connections open.
  if (job.SrcLogin && !LogOn("ログオン", job.Src, job.SrcUser, job.SrcPass)) return false;
  if (job.DstLogin && !LogOn("ログイン ", job.Dst, job.DstUser, job.DstPass)) return false;
  if (job.SrcVolumeCheck && !CheckVolume(job.Src, job.SrcVolumeName)) return false;
  if (job.DstVolumeCheck && !CheckVolume(job.Dst, job.DstVolumeName)) return false;
  return true;
}

bool TFileBackupThread::LogOn(const std::string& title, const std::string& remote, const std::string& user,
                              const std::string& password) {
  Report(kReportLogon, title, kLevelDetailed, remote);
  if (!network_) {
    Report(kReportError, "エラー", kLevelMinimum, "ログインに失敗しました。" + remote);
    return false;
  }
  uint32_t error = network_->AddConnection(remote, user, password);
  if (error == 0) return true;
  ReportWithReason("ログインに失敗しました。" + remote, "ログインできません。", remote, error);
  return false;
}

bool TFileBackupThread::CheckVolume(const std::string& path, const std::string& expected) {
  std::string label;
  std::string root = VolumeRoot(path);
  uint32_t error = network_ ? network_->VolumeLabel(root, label) : 0;
  Report(kReportVolumeCheck, "ボリュームラベル照合", kLevelDetailed, path);
  if (!network_) {
    Report(kReportError, "エラー", kLevelMinimum, "ボリュームラベルの取得に失敗しました。" + path);
    return false;
  }
  if (error != 0) {
    ReportWithReason("ボリュームラベルの取得に失敗しました。" + path, "ボリュームラベルを取得できません。", root, error);
    return false;
  }
  if (label != expected) {
    Report(kReportError, "エラー", kLevelMinimum, "ボリュームラベルが違います。" + path);
    return false;
  }
  return true;
}

void TFileBackupThread::LogOff(const BackupJob& job) {
  if (job.SrcLogin && job.SrcLogoff) LogOffOne(job.Src);
  if (job.DstLogin && job.DstLogoff) LogOffOne(job.Dst);
}

void TFileBackupThread::LogOffOne(const std::string& remote) {
  Report(kReportLogon, "ログオフ", kLevelDetailed, remote);
  if (!network_) {
    Report(kReportError, "エラー", kLevelMinimum, "ログオフに失敗しました。" + remote);
    return;
  }
  uint32_t error = network_->CancelConnection(remote);
  if (error == 0) return;
  ReportWithReason("ログオフに失敗しました。" + remote, "ログオフできません。", remote, error);
}

void TFileBackupThread::SendNotification(const std::string& message) {
  if (!network_) return;
  switch (network_->SendNotice(options_.notifyUserName, message)) {
    case NotifyResult::kSent:
    case NotifyResult::kNoLibrary:
      break;
    case NotifyResult::kUnavailable:
      Report(kReportError, "エラー", kLevelMinimum, "メッセンジャーサービスは利用できません");
      break;
    case NotifyResult::kFailed:
      Report(kReportError, "エラー", kLevelMinimum, "メッセージの送信に失敗しました 送信先:" + options_.notifyUserName);
      break;
  }
}

}  // namespace dm
