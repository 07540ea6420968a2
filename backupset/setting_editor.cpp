#include "backupset/setting_editor.h"

#include "backupset/set_file.h"
#include "base/text.h"

namespace dm {

namespace {

// The date the picker shows for an OldFileDate text: its day, or
// 1 January 2000 when the text is no date.
DateTimeParts ShownDate(const std::string& text) {
  std::optional<double> date = ParseDateTimeText(text);
  return DecodeDateTime(date ? *date : EncodeDate(2000, 1, 1));
}

}  // namespace

EditorFields DefaultEditorFields() { return FieldsFromSetting(NewEditorSetting(), kAddSettingCaption); }

EditorFields FieldsFromSetting(const BackupSetting& setting, const std::string& caption, std::string* badDate) {
  EditorFields fields;
  fields.caption = caption;
  fields.name = setting.name;
  fields.checked = setting.checked;
  for (int i = 0; i < kSettingValueCount; ++i) {
    if (IsSwitchSetting(i)) {
      fields.boxes[i] = TextToBool(setting.values[i]);
    } else if (i != kOldFileDate && i != kDateFolderType) {
      fields.texts[i] = setting.values[i];
    }
  }
  fields.yyyymm = TextToBool(setting[kDateFolderType]);
  fields.storedDate = setting[kOldFileDate];
  DateTimeParts shown = ShownDate(fields.storedDate);
  fields.year = shown.year;
  fields.month = shown.month;
  fields.day = shown.day;
  if (badDate && !ParseDateTimeText(fields.storedDate)) {
    *badDate = "基準日の指定に誤りがあります '" + setting[kOldFileDate] + "'";
  }
  return fields;
}

BackupSetting SettingFromFields(const EditorFields& fields) {
  BackupSetting setting;
  setting.name = fields.name;
  setting.checked = fields.checked;
  for (int i = 0; i < kSettingValueCount; ++i) {
    setting.values[i] = IsSwitchSetting(i) ? BoolToText(fields.boxes[i]) : fields.texts[i];
  }
  DateTimeParts stored = ShownDate(fields.storedDate);
  if (stored.year == fields.year && stored.month == fields.month && stored.day == fields.day) {
    setting[kOldFileDate] = fields.storedDate;  // not edited: never rewritten
  } else {
    setting[kOldFileDate] = FormatShortDate(MakeDateTime(fields.year, fields.month, fields.day));
  }
  setting[kDateFolderType] = fields.yyyymm ? "1" : "0";
  return setting;
}

EditorFields NewSettingFields(SetFileServices& services) {
  BackupSetting setting = NewEditorSetting();
  ReadDefaultSetting(setting, services);
  return FieldsFromSetting(setting, kAddSettingCaption);
}

bool SaveFieldsAsDefault(const EditorFields& fields, SetFileServices& services) {
  return WriteDefaultSetting(SettingFromFields(fields), services);
}

std::optional<std::string> OkRefusal(const EditorFields& fields) {
  if (fields.texts[kSrc].empty()) return "ソース側フォルダを指定してください";
  if (fields.texts[kDst].empty()) return "バックアップ先フォルダを指定してください";
  return std::nullopt;
}

EditorEnabling EnablingOf(const EditorFields& fields) {
  const auto& b = fields.boxes;
  return EditorEnabling{b[kOldFileNoCopy], b[kMirror],         b[kPermissibleTimeCheck], b[kDateFolder],
                        b[kSrcVolumeCheck], b[kDstVolumeCheck], b[kSrcLogin],            b[kDstLogin]};
}

std::string AppendExcludedFolder(const std::string& current, const std::string& folder) {
  return current.empty() ? folder : current + " | " + folder;
}

std::optional<std::string> VolumeRootOf(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':' &&
      ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'))) {
    return path.substr(0, 2) + "\\";
  }
  if (path.size() > 2 && path[0] == '\\' && path[1] == '\\') {
    // \\server\share: up to the separator after the share name.
    size_t server_end = path.find('\\', 2);
    if (server_end == std::string::npos || server_end == 2 || server_end + 1 >= path.size()) return std::nullopt;
    size_t share_end = path.find('\\', server_end + 1);
    return path.substr(0, share_end == std::string::npos ? path.size() : share_end) + "\\";
  }
  return std::nullopt;
}

}  // namespace dm
