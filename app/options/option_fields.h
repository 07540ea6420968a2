// The options dialog's contents as plain values: what its controls hold,
// how the options fill them and are taken back on OK, the check OK makes,
// the schedule row per kind and which controls are enabled. The dialog only
// moves these values to and from its controls.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "app/options/app_options.h"

namespace dm {

struct OptionFields {
  // "オプション"
  bool autoUpdate = false;
  int schedule = 0;          // item index of the schedule kind list
  int day = 0;               // item index of the day list (weekday or day of month - 1)
  int hour = 0;              // item index of the hour list
  std::string minutes = "5";  // the minute box, as typed
  bool fileWatch = false;
  bool catchUp = true;  // a daily, weekly or monthly time slept through runs later
  bool autoSave = true;
  bool endToTsr = false;
  bool statusView = false;
  bool statusWholeProgress = false;
  int priority = 0;
  bool cryptEnabled = true;
  bool startup = false;  // the start-up shortcut exists / is wanted
  bool startupMin = false;

  // "オンラインアップデート"
  std::string searchUrl;
  std::string downloadFolder;
  bool proxyEnabled = false;
  std::string proxyServer;
  std::string proxyPort;
  int updateFinish = 0;  // 0 install, 1 only save
  bool connectCheck = true;

  // "管理者"
  bool notifyStart = false;
  bool notifyFinish = false;
  std::string notifyUserName;
  bool password = false;
  std::string passwordText;
  int logView = 2;
  std::string logViewMax = "100";  // the edit box, as typed
  bool logClear = false;
  int logSave = 0;
  bool easyLogView = false;  // no visible control; carried through

  bool operator==(const OptionFields&) const = default;
};

// The captions of the drop-down lists, in item order.
extern const std::vector<std::string> kScheduleKindItems;  // 一定間隔 .. 毎月
extern const std::vector<std::string> kPriorityItems;      // Idle .. TimeCritical
extern const std::vector<std::string> kLogLevelItems;      // しない .. 詳細
extern const std::vector<std::string> kHourItems;          // 0 .. 23

// The controls as the options fill them; `shortcutExists` ticks the
// start-up box. A list index the list does not have shows the option's
// default item, so what the dialog shows is what OK stores.
OptionFields FieldsFromOptions(const AppOptions& options, bool shortcutExists);

// Why OK cannot take the values over: the message to show and the field
// to mend. Checked, in the order of the pages:
// - the schedule's minute box: empty (taken as 0) or a whole number of at
//   least 0 in ASCII digits, the form the scheduler reads; anything else
//   ("３０", "30分") would be stored and never come due;
// - with the fixed interval ("一定間隔") an interval of 0 hours 0 minutes,
//   which would start one run after the other without a pause;
// - the status list's line limit: a whole number of at least 0.
// The schedule is checked whether automatic backup is ticked or not: the
// toolbar's button turns it on with the stored values.
struct OptionRefusal {
  enum class Field { kMinutes, kLineLimit };
  Field field;
  std::string message;
  bool operator==(const OptionRefusal&) const = default;
};
std::optional<OptionRefusal> OptionOkRefusal(const OptionFields& fields);

// What OK changed beyond the values themselves.
struct OptionEffects {
  bool watchChanged = false;  // automatic backup or folder watching changed
  bool watch = false;         // both are on now: the folder watchers run
};

// Takes the fields over after OK, in the order the dialog's values are
// stored. The start of the last automatic run is forgotten, so the
// schedule counts afresh: set `now`, it makes up for no time before. An
// empty minute box is stored as "0"; a minute text or a line limit that is
// not a number (OK refuses them) keeps the value before.
OptionEffects TakeOverOptionFields(const OptionFields& fields, AppOptions& options, double now);

// The schedule row, left to right: day list and its unit, hour list and its
// unit, minute box (always shown) and its unit.
struct ScheduleRow {
  bool dayShown = false;
  std::vector<std::string> dayItems;  // empty while hidden
  std::string dayUnit;
  bool hourShown = false;
  std::string hourUnit;
  std::string minuteUnit;

  bool operator==(const ScheduleRow&) const = default;
};
ScheduleRow ScheduleRowOf(int kind);

// The user picked another schedule kind: the lists the new row shows start
// at their first item; a hidden list keeps its value.
void ChangeScheduleKind(OptionFields& fields, int kind);

// Controls that follow a check box.
struct OptionEnabling {
  bool schedule;       // kind list, day, hour and minute controls, their labels, folder watching
  bool proxy;          // address and port with their labels
  bool password;       // password box and its label
  bool notifyTarget;   // notification target, its label and browse button
  bool startupMin;     // "最小化状態で起動する"
  bool wholeProgress;  // "ステータスバーに全体進捗を表示する"
  bool catchUp;        // "逃した予定を後で実行": a schedule that names times (daily, weekly, monthly)

  bool operator==(const OptionEnabling&) const = default;
};
OptionEnabling EnablingOf(const OptionFields& fields);

}  // namespace dm
