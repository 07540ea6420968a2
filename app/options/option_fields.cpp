#include "app/options/option_fields.h"

#include "base/text.h"

namespace dm {

namespace {

std::vector<std::string> Numbers(int first, int last) {
  std::vector<std::string> items;
  for (int i = first; i <= last; ++i) items.push_back(std::to_string(i));
  return items;
}

const std::vector<std::string> kWeekdayItems = {"日", "月", "火", "水", "木", "金", "土"};
const std::vector<std::string> kMonthDayItems = Numbers(1, 31);

// An index into a list of `count` items; one the list does not have shows
// `fallback`.
int ListIndex(int value, size_t count, int fallback) {
  return value >= 0 && static_cast<size_t>(value) < count ? value : fallback;
}

int Flag(bool on) { return on ? 1 : 0; }

}  // namespace

const std::vector<std::string> kScheduleKindItems = {"一定間隔", "毎時", "毎日", "毎週", "毎月"};
const std::vector<std::string> kPriorityItems = {"Idle",   "Lowest",  "Lower",       "Normal",
                                                 "Higher", "Highest", "TimeCritical"};
const std::vector<std::string> kLogLevelItems = {"しない", "最小限", "標準", "詳細"};
const std::vector<std::string> kHourItems = Numbers(0, 23);

OptionFields FieldsFromOptions(const AppOptions& o, bool shortcutExists) {
  const AppOptions defaults;
  OptionFields f;
  f.autoSave = o.optionAutoSave == 1;
  f.autoUpdate = o.optionAutoUpdate == 1;
  f.schedule = ListIndex(o.optionAutoUpdateSchedule, kScheduleKindItems.size(), defaults.optionAutoUpdateSchedule);
  f.minutes = o.optionAutoUpdateTime;
  f.priority = ListIndex(o.optionPriority, kPriorityItems.size(), defaults.optionPriority);
  f.logView = ListIndex(o.optionLogView, kLogLevelItems.size(), defaults.optionLogView);
  f.logViewMax = std::to_string(o.optionLogViewMax);
  f.logSave = ListIndex(o.optionLogSave, kLogLevelItems.size(), defaults.optionLogSave);
  f.statusView = o.optionStatusView == 1;
  f.statusWholeProgress = o.optionStatusWholeProgress == 1;
  f.endToTsr = o.optionEndToTsr == 1;
  f.logClear = o.optionLogClear == 1;
  f.easyLogView = o.optionEasyLogView == 1;
  f.downloadFolder = o.updateDownloadFolder;
  f.searchUrl = o.updateSearchUrl;
  f.proxyEnabled = o.updateProxyEnabled == 1;
  f.proxyServer = o.updateProxyServer;
  f.proxyPort = o.updateProxyPort;
  f.updateFinish = ListIndex(o.updateFinish, 2, defaults.updateFinish);
  f.connectCheck = o.updateConnectCheck == 1;
  f.fileWatch = o.optionFileWatch == 1;
  f.catchUp = o.optionAutoUpdateCatchUp == 1;
  f.password = o.optionPassword == 1;
  f.passwordText = o.optionPasswordText;
  f.notifyStart = o.optionNotifyBackupStart == 1;
  f.notifyFinish = o.optionNotifyBackupFinish == 1;
  f.notifyUserName = o.optionNotifyUserName;
  f.cryptEnabled = o.optionCryptEnabled == 1;
  f.startup = shortcutExists;
  f.startupMin = o.optionStartupMin == 1;

  // A hidden list is not shown, so its value is carried through as stored.
  const ScheduleRow row = ScheduleRowOf(f.schedule);
  f.day = row.dayShown ? ListIndex(o.optionAutoUpdateDay, row.dayItems.size(), 0) : o.optionAutoUpdateDay;
  f.hour = row.hourShown ? ListIndex(o.optionAutoUpdateHour, kHourItems.size(), 0) : o.optionAutoUpdateHour;
  return f;
}

std::optional<OptionRefusal> OptionOkRefusal(const OptionFields& fields) {
  const std::optional<int> minutes = fields.minutes.empty() ? 0 : ParseInteger(fields.minutes);
  if (!minutes || *minutes < 0) {
    return OptionRefusal{OptionRefusal::Field::kMinutes, "スケジュールの分に '" + fields.minutes +
                                                             "' は指定できません。\n0 以上の整数を入力してください。"};
  }
  if (fields.schedule == 0 && fields.hour == 0 && *minutes == 0) {
    return OptionRefusal{OptionRefusal::Field::kMinutes,
                         "スケジュールの間隔に 0 時間 0 分は指定できません。\n1 分以上の間隔を入力してください。"};
  }
  std::optional<int> lines = ParseInteger(fields.logViewMax);
  if (lines && *lines >= 0) return std::nullopt;
  return OptionRefusal{OptionRefusal::Field::kLineLimit, "画面表示の上限行数に '" + fields.logViewMax +
                                                             "' は指定できません。\n0 以上の整数を入力してください。"};
}

OptionEffects TakeOverOptionFields(const OptionFields& f, AppOptions& o, double now) {
  OptionEffects effects;
  if (Flag(f.fileWatch) != o.optionFileWatch || Flag(f.autoUpdate) != o.optionAutoUpdate) {
    o.optionFileWatch = Flag(f.fileWatch);
    o.optionAutoUpdate = Flag(f.autoUpdate);
    effects.watchChanged = true;
  }
  effects.watch = o.optionFileWatch == 1 && o.optionAutoUpdate == 1;

  o.optionAutoSave = Flag(f.autoSave);
  o.optionAutoUpdateSchedule = f.schedule;
  o.optionAutoUpdateDay = f.day;
  o.optionAutoUpdateHour = f.hour;
  o.optionAutoUpdateCatchUp = Flag(f.catchUp);
  if (f.minutes.empty()) {
    o.optionAutoUpdateTime = "0";
  } else if (std::optional<int> minutes = ParseInteger(f.minutes); minutes && *minutes >= 0) {
    o.optionAutoUpdateTime = f.minutes;
  }

  o.optionPriority = f.priority;
  o.optionLogView = f.logView;
  if (std::optional<int> lines = ParseInteger(f.logViewMax); lines && *lines >= 0) o.optionLogViewMax = *lines;
  o.optionLogSave = f.logSave;
  o.optionStatusView = Flag(f.statusView);
  o.optionStatusWholeProgress = Flag(f.statusWholeProgress);

  o.lastBackup = 0.0;
  o.optionAutoUpdateSince = now;

  o.optionEndToTsr = Flag(f.endToTsr);
  o.optionLogClear = Flag(f.logClear);
  o.optionEasyLogView = Flag(f.easyLogView);

  o.optionCryptEnabled = Flag(f.cryptEnabled);
  o.updateDownloadFolder = f.downloadFolder;
  o.updateSearchUrl = f.searchUrl;
  o.updateProxyEnabled = Flag(f.proxyEnabled);
  o.updateProxyServer = f.proxyServer;
  o.updateProxyPort = f.proxyPort;
  o.updateFinish = f.updateFinish;
  o.updateConnectCheck = Flag(f.connectCheck);
  o.optionPassword = Flag(f.password);
  o.optionPasswordText = f.passwordText;
  o.optionNotifyBackupStart = Flag(f.notifyStart);
  o.optionNotifyBackupFinish = Flag(f.notifyFinish);
  o.optionNotifyUserName = f.notifyUserName;
  o.optionStartupMin = Flag(f.startupMin);
  return effects;
}

ScheduleRow ScheduleRowOf(int kind) {
  ScheduleRow row;
  switch (kind) {
    case 1:  // 毎時: the minute of the hour only
      row.minuteUnit = "分";
      break;
    case 2:  // 毎日
      row.hourShown = true;
      row.hourUnit = "時";
      row.minuteUnit = "分";
      break;
    case 3:  // 毎週
    case 4:  // 毎月
      row.dayShown = true;
      row.dayItems = kind == 3 ? kWeekdayItems : kMonthDayItems;
      row.dayUnit = kind == 3 ? "曜日" : "日";
      row.hourShown = true;
      row.hourUnit = "時";
      row.minuteUnit = "分";
      break;
    default:  // 一定間隔: hours and minutes between runs
      row.hourShown = true;
      row.hourUnit = "時間";
      row.minuteUnit = "分間隔";
      break;
  }
  return row;
}

void ChangeScheduleKind(OptionFields& fields, int kind) {
  fields.schedule = kind;
  const ScheduleRow row = ScheduleRowOf(kind);
  if (row.dayShown) fields.day = 0;
  if (row.hourShown) fields.hour = 0;
}

OptionEnabling EnablingOf(const OptionFields& f) {
  const bool namesTimes = f.schedule == 2 || f.schedule == 3 || f.schedule == 4;
  return OptionEnabling{f.autoUpdate, f.proxyEnabled, f.password,          f.notifyStart || f.notifyFinish,
                        f.startup,    f.statusView,   f.autoUpdate && namesTimes};
}

}  // namespace dm
