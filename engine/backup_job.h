// A run's own typed copy of one backup setting.
#pragma once

#include <string>

#include "backupset/backup_setting.h"

namespace dm {

enum BackupRunMode : int { kRunManual = 0, kRunAutomatic = 1, kRunTest = 2 };

struct BackupJob {
  bool Checked = false;
  std::string name;
  std::string Src;
  std::string Dst;
  std::string Update;
  std::string Filter;
  std::string FilterFolder;
  bool Mirror = false;
  bool AllCopy = false;
  bool SubDir = false;
  bool SrcLogin = false;
  bool SrcLogoff = false;
  std::string SrcUser;
  std::string SrcPass;
  bool DstLogin = false;
  bool DstLogoff = false;
  std::string DstUser;
  std::string DstPass;
  int SrcVolumeCheck = 0;
  std::string SrcVolumeName;
  int DstVolumeCheck = 0;
  std::string DstVolumeName;
  int OldFileNoCopy = 0;
  double OldFileDate = 0;
  int GotoTrash = 0;
  int PermissibleTimeCheck = 0;
  std::string PermissibleTime;
  int TimeStampWrite = 0;
  int ZeroFile = 0;
  int DateFolder = 0;
  int DateFolderType = 0;
  int NotReadOnly = 0;
  int NotHidden = 0;
  int changeCount = 0;  // the row's watcher count when the run was built
};

// Converts a setting's texts for a run. Switches are 1 when their text is a
// non-zero integer, else 0; DateFolderType keeps its integer (0 when not a
// number). When OldFileDate does not read as a date the job gets 1 January
// 2000 and dateValid is set to false, so the caller can report it.
BackupJob MakeBackupJob(const BackupSetting& setting, bool checked, bool* dateValid = nullptr);

}  // namespace dm
