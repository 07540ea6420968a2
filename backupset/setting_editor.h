// The setting editor's contents as plain values: what its controls hold,
// how a setting fills them and is read back, the OK checks and which
// controls are enabled. The dialog only moves these values to and from its
// controls.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "backupset/backup_setting.h"
#include "backupset/set_file_services.h"
#include "base/datetime.h"

namespace dm {

inline constexpr char kAddSettingCaption[] = "設定の追加";
inline constexpr char kEditSettingCaption[] = "設定の編集";

struct EditorFields {
  std::string caption = kAddSettingCaption;
  std::string name;
  bool checked = true;  // not shown; carried through
  // The edit fields by value index (Src, Dst, Filter, FilterFolder, user
  // names, passwords, volume names, PermissibleTime; Update is carried
  // through). Unused for switches, the date and the folder form.
  std::array<std::string, kSettingValueCount> texts;
  // The check boxes by value index; used for the switches only.
  std::array<bool, kSettingValueCount> boxes{};
  int year = 2000, month = 1, day = 1;  // the reference date picker
  // The OldFileDate text the fields were filled from. The picker shows a
  // date only; while it still shows this text's date, the text is given
  // back as it was (a time of day, or a text that is no date, included).
  std::string storedDate = "2000/01/01";
  bool yyyymm = false;                  // folder form YYYYMM, else YYYYMMDD

  bool operator==(const EditorFields&) const = default;
};

// The editor's own defaults: caption "設定の追加", name "新しい設定",
// mirroring and sub-folders on, 1 January 2000, three seconds.
EditorFields DefaultEditorFields();

// A setting as the editor shows it. A date that does not convert shows
// 1 January 2000 and `badDate` receives the status line's text.
EditorFields FieldsFromSetting(const BackupSetting& setting, const std::string& caption,
                               std::string* badDate = nullptr);
// The setting the editor gives back: texts as entered, switches "1" or "0",
// the date in the short form unless the picker still shows the stored
// text's date (the text then comes back unchanged), the folder form "0" or
// "1".
BackupSetting SettingFromFields(const EditorFields& fields);

// The editor for a new setting: its defaults with the user's defaults from
// default.dat laid over them.
EditorFields NewSettingFields(SetFileServices& services);
// "既定値として保存(&D)": the current fields become the user's defaults.
bool SaveFieldsAsDefault(const EditorFields& fields, SetFileServices& services);

// Why OK cannot close the dialog (the message to show), or nothing. Only
// emptiness of the two folders counts.
std::optional<std::string> OkRefusal(const EditorFields& fields);

// Controls that follow a check box.
struct EditorEnabling {
  bool oldFileDate;      // label and date picker
  bool gotoTrash;
  bool permissibleTime;  // edit and its label
  bool dateFolderForm;   // labels and both radio buttons
  bool srcVolume;        // edit and "取得"
  bool dstVolume;
  bool srcLogin;         // user, password and log-off
  bool dstLogin;
};
EditorEnabling EnablingOf(const EditorFields& fields);

// A folder excluded by the browser is appended after " | ".
std::string AppendExcludedFolder(const std::string& current, const std::string& folder);

// The root whose volume label "取得" reads: "C:\" for a drive path,
// "\\server\share\" for a network path, nothing otherwise.
std::optional<std::string> VolumeRootOf(const std::string& path);

}  // namespace dm
