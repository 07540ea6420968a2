// Control identifiers of the options dialog (TOption), shared with the tests
// that drive it from outside.
#pragma once

#include <string>
#include <vector>

#include "app/options/option_fields.h"

namespace dm {

enum OptionControl : int {
  PageControl1 = 1201,
  // "オプション"
  CheckBoxAutoUpdate = 1210,
  Label6,
  ComboBoxAutoUpdate,
  ComboBoxAutoUpdateDay,
  LabelAutoUpdateDay,
  ComboBoxAutoUpdateHour,
  LabelAutoUpdateHour,
  EditAutoUpdateTime,
  LabelAutoUpdateMin,
  CheckBoxFileWatch,
  CheckBoxAutoSave,
  CheckBoxEndToTsr,
  CheckBoxStatusView,
  Label13,
  CheckBoxStatusWholeProgress,
  ComboBoxPriority,
  CheckBoxCryptEnabled,
  CheckBoxStartup,
  CheckBoxStartupMin,
  Image1,
  CheckBoxCatchUp,  // beside the schedule kind
  // "オンラインアップデート"
  Label7 = 1240,
  EditSerchUrl,
  Label8,
  EditDownloadFolder,
  SpeedButton1,
  CheckBoxProxyEnabled,
  LabelProxyServer,
  EditProxyServer,
  LabelProxyPort,
  EditProxyPort,
  Label3,
  CheckBoxProxyIEGet,
  RadioUpdateInstall,  // RadioGroupUpdateFinish, item 0
  RadioUpdateSaveOnly,  // item 1
  CheckBoxConnectCheck,
  Image2,
  Image3,
  // "管理者"
  CheckBoxNotifyBackupStart = 1270,
  CheckBoxNotifyBackupFinish,
  Label11,
  EditNotifyUserName,
  SpeedButton2,
  Label12,
  CheckBoxPassword,
  Label9,
  EditPassword,
  Label10,
  Label1,
  ComboBoxLogView,
  Label4,
  EditLogViewMax,
  Label5,
  CheckBoxLogClear,
  Label2,
  ComboBoxLogSave,
  CheckBoxEasyLogView,
  Image4,
};

// Shows page `wParam` (0 to 2), as a click on its tab does; for scripts.
inline constexpr unsigned kOptionShowPage = 0x8000 + 0x21;  // WM_APP + 0x21

// Which field of the dialog's contents each control holds. The day and hour
// lists, whose items follow the schedule kind, and the radio group are
// moved on their own.
struct OptionBoxControl {
  bool OptionFields::*field;
  int control;
};
inline constexpr OptionBoxControl kOptionBoxes[] = {
    {&OptionFields::autoUpdate, CheckBoxAutoUpdate},
    {&OptionFields::fileWatch, CheckBoxFileWatch},
    {&OptionFields::catchUp, CheckBoxCatchUp},
    {&OptionFields::autoSave, CheckBoxAutoSave},
    {&OptionFields::endToTsr, CheckBoxEndToTsr},
    {&OptionFields::statusView, CheckBoxStatusView},
    {&OptionFields::statusWholeProgress, CheckBoxStatusWholeProgress},
    {&OptionFields::cryptEnabled, CheckBoxCryptEnabled},
    {&OptionFields::startup, CheckBoxStartup},
    {&OptionFields::startupMin, CheckBoxStartupMin},
    {&OptionFields::proxyEnabled, CheckBoxProxyEnabled},
    {&OptionFields::connectCheck, CheckBoxConnectCheck},
    {&OptionFields::notifyStart, CheckBoxNotifyBackupStart},
    {&OptionFields::notifyFinish, CheckBoxNotifyBackupFinish},
    {&OptionFields::password, CheckBoxPassword},
    {&OptionFields::logClear, CheckBoxLogClear},
    {&OptionFields::easyLogView, CheckBoxEasyLogView},
};

struct OptionTextControl {
  std::string OptionFields::*field;
  int control;
};
inline constexpr OptionTextControl kOptionTexts[] = {
    {&OptionFields::minutes, EditAutoUpdateTime},
    {&OptionFields::searchUrl, EditSerchUrl},
    {&OptionFields::downloadFolder, EditDownloadFolder},
    {&OptionFields::proxyServer, EditProxyServer},
    {&OptionFields::proxyPort, EditProxyPort},
    {&OptionFields::notifyUserName, EditNotifyUserName},
    {&OptionFields::passwordText, EditPassword},
    {&OptionFields::logViewMax, EditLogViewMax},
};

struct OptionListControl {
  int OptionFields::*field;
  int control;
  const std::vector<std::string>* items;
};
inline const OptionListControl kOptionLists[] = {
    {&OptionFields::schedule, ComboBoxAutoUpdate, &kScheduleKindItems},
    {&OptionFields::priority, ComboBoxPriority, &kPriorityItems},
    {&OptionFields::logView, ComboBoxLogView, &kLogLevelItems},
    {&OptionFields::logSave, ComboBoxLogSave, &kLogLevelItems},
};

}  // namespace dm
