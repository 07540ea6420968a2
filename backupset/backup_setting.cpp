#include "backupset/backup_setting.h"

namespace dm {

const std::array<const char*, kSettingValueCount> kSettingKeys = {
    "Src",           "Dst",          "Update",        "Filter",         "Mirror",
    "SubDir",        "AllCopy",      "SrcLogin",      "SrcUser",        "SrcPass",
    "DstLogin",      "DstUser",      "DstPass",       "SrcLogoff",      "DstLogoff",
    "SrcVolumeCheck", "SrcVolumeName", "DstVolumeCheck", "DstVolumeName", "OldFileNoCopy",
    "OldFileDate",   "FilterFolder", "GotoTrash",     "PermissibleTimeCheck", "PermissibleTime",
    "TimeStampWrite", "ZeroFile",    "DateFolder",    "DateFolderType", "NotReadOnly",
    "NotHidden",
};

int SettingIndexOfKey(std::string_view key) {
  for (int i = 0; i < kSettingValueCount; ++i) {
    if (key == kSettingKeys[i]) return i;
  }
  return -1;
}

bool IsSwitchSetting(int index) {
  switch (index) {
    case kMirror:
    case kSubDir:
    case kAllCopy:
    case kSrcLogin:
    case kDstLogin:
    case kSrcLogoff:
    case kDstLogoff:
    case kSrcVolumeCheck:
    case kDstVolumeCheck:
    case kOldFileNoCopy:
    case kGotoTrash:
    case kPermissibleTimeCheck:
    case kTimeStampWrite:
    case kZeroFile:
    case kDateFolder:
    case kNotReadOnly:
    case kNotHidden:
      return true;
    default:
      return false;
  }
}

BackupSetting FileDefaultSetting(std::string name) {
  BackupSetting s;
  s.name = std::move(name);
  s.checked = false;
  for (std::string& v : s.values) v = "0";
  s[kSrc] = "-";
  s[kDst] = "-";
  s[kUpdate] = kNotProcessed;
  s[kFilter] = "*.bak";
  s[kMirror] = "1";
  s[kSubDir] = "1";
  for (SettingIndex text : {kSrcUser, kSrcPass, kDstUser, kDstPass, kSrcVolumeName, kDstVolumeName,
                            kFilterFolder}) {
    s[text].clear();
  }
  s[kOldFileDate] = "2000/01/01";
  s[kPermissibleTime] = "3";
  return s;
}

BackupSetting NewEditorSetting() {
  BackupSetting s = FileDefaultSetting("新しい設定");
  s.checked = true;
  s[kSrc].clear();
  s[kDst].clear();
  s[kFilter].clear();
  return s;
}

}  // namespace dm
