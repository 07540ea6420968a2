#include "engine/backup_job.h"

#include "base/datetime.h"
#include "base/text.h"

namespace dm {

namespace {
int Switch(const std::string& text) { return TextToBool(text) ? 1 : 0; }
}  // namespace

BackupJob MakeBackupJob(const BackupSetting& s, bool checked, bool* dateValid) {
  BackupJob job;
  job.Checked = checked;
  job.name = s.name;
  job.Src = s[kSrc];
  job.Dst = s[kDst];
  job.Update = s[kUpdate];
  job.Filter = s[kFilter];
  job.FilterFolder = s[kFilterFolder];
  job.Mirror = TextToBool(s[kMirror]);
  job.AllCopy = TextToBool(s[kAllCopy]);
  job.SubDir = TextToBool(s[kSubDir]);
  job.SrcLogin = TextToBool(s[kSrcLogin]);
  job.SrcLogoff = TextToBool(s[kSrcLogoff]);
  job.SrcUser = s[kSrcUser];
  job.SrcPass = s[kSrcPass];
  job.DstLogin = TextToBool(s[kDstLogin]);
  job.DstLogoff = TextToBool(s[kDstLogoff]);
  job.DstUser = s[kDstUser];
  job.DstPass = s[kDstPass];
  job.SrcVolumeCheck = Switch(s[kSrcVolumeCheck]);
  job.SrcVolumeName = s[kSrcVolumeName];
  job.DstVolumeCheck = Switch(s[kDstVolumeCheck]);
  job.DstVolumeName = s[kDstVolumeName];
  job.OldFileNoCopy = Switch(s[kOldFileNoCopy]);
  std::optional<double> date = ParseShortDate(s[kOldFileDate]);
  job.OldFileDate = date ? *date : EncodeDate(2000, 1, 1);
  if (dateValid) *dateValid = date.has_value();
  job.GotoTrash = Switch(s[kGotoTrash]);
  job.PermissibleTimeCheck = Switch(s[kPermissibleTimeCheck]);
  job.PermissibleTime = s[kPermissibleTime];
  job.TimeStampWrite = Switch(s[kTimeStampWrite]);
  job.ZeroFile = Switch(s[kZeroFile]);
  job.DateFolder = Switch(s[kDateFolder]);
  job.DateFolderType = ParseInteger(s[kDateFolderType]).value_or(0);
  job.NotReadOnly = Switch(s[kNotReadOnly]);
  job.NotHidden = Switch(s[kNotHidden]);
  return job;
}

}  // namespace dm
