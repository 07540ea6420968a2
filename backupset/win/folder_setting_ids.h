// Control identifiers of the setting editor (TFolderSetting), shared with the
// tests that fill it from outside, and which value each control holds.
#pragma once

#include "backupset/backup_setting.h"

namespace dm {

enum FolderSettingControl : int {
  ButtonDefaultSave = 1001,
  Button1,  // 初期化
  PageControl1,
  // 基本設定
  EditName = 1010,
  EditSrc,
  BitBtn1,
  Button2,
  EditDst,
  BitBtn2,
  CheckBoxDateFolder,
  RadioButtonYYMMDD,
  RadioButtonYYMM,
  Label2,
  Label3,
  // 除外指定
  EditOutSide = 1030,
  CheckBoxOldFileNoCopy,
  LabelOldFile,
  DateTimePickerOldFile,
  CheckBoxNotReadOnly,
  CheckBoxNotHidden,
  EditOutSideFolder,
  SpeedButton4,
  // 詳細設定
  CheckBoxSubDir = 1050,
  CheckBoxMirror,
  CheckBoxGotoTrash,
  CheckBoxAllCopy,
  CheckBoxPermissibleTime,
  EditPermissibleTime,
  LabelPermissibleTime,
  CheckBoxTimeStampWrite,
  CheckBoxZeroFile,
  CheckBoxSrcVolume,
  EditSrcVolume,
  ButtonGetSrcVolume,
  CheckBoxDstVolume,
  EditDstVolume,
  ButtonGetDstVolume,
  // セキュリティー
  CheckBoxSrcLogin = 1070,
  CheckBoxSrcLogoff,
  LabelSrcUser,
  EditSrcUser,
  LabelSrcPass,
  EditSrcPass,
  CheckBoxDstLogin,
  CheckBoxDstLogoff,
  LabelDstUser,
  EditDstUser,
  LabelDstPass,
  EditDstPass,
};

// Shows page `wParam` (0 to 3), as a click on its tab does; for scripts.
inline constexpr unsigned kFolderSettingShowPage = 0x8000 + 0x20;  // WM_APP + 0x20

struct ValueControl {
  SettingIndex value;
  int control;
};

// The edit fields.
inline constexpr ValueControl kTextControls[] = {
    {kSrc, EditSrc},
    {kDst, EditDst},
    {kFilter, EditOutSide},
    {kFilterFolder, EditOutSideFolder},
    {kPermissibleTime, EditPermissibleTime},
    {kSrcVolumeName, EditSrcVolume},
    {kDstVolumeName, EditDstVolume},
    {kSrcUser, EditSrcUser},
    {kSrcPass, EditSrcPass},
    {kDstUser, EditDstUser},
    {kDstPass, EditDstPass},
};

// The check boxes, one per switch.
inline constexpr ValueControl kBoxControls[] = {
    {kDateFolder, CheckBoxDateFolder},
    {kOldFileNoCopy, CheckBoxOldFileNoCopy},
    {kNotReadOnly, CheckBoxNotReadOnly},
    {kNotHidden, CheckBoxNotHidden},
    {kSubDir, CheckBoxSubDir},
    {kMirror, CheckBoxMirror},
    {kGotoTrash, CheckBoxGotoTrash},
    {kAllCopy, CheckBoxAllCopy},
    {kPermissibleTimeCheck, CheckBoxPermissibleTime},
    {kTimeStampWrite, CheckBoxTimeStampWrite},
    {kZeroFile, CheckBoxZeroFile},
    {kSrcVolumeCheck, CheckBoxSrcVolume},
    {kDstVolumeCheck, CheckBoxDstVolume},
    {kSrcLogin, CheckBoxSrcLogin},
    {kSrcLogoff, CheckBoxSrcLogoff},
    {kDstLogin, CheckBoxDstLogin},
    {kDstLogoff, CheckBoxDstLogoff},
};

}  // namespace dm
