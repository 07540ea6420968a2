// When the automatic backup is due. The timer asks once a second.
#pragma once

#include <string>

#include "base/datetime.h"

namespace dm {

enum ScheduleKind : int {
  kScheduleInterval = 0,  // every Hr hours and N minutes since the last run
  kScheduleHourly = 1,    // at minute N of every hour
  kScheduleDaily = 2,     // at Hr:N every day
  kScheduleWeekly = 3,    // at Hr:N on day of week D (0 Sunday)
  kScheduleMonthly = 4,   // at Hr:N on day of month D + 1
};

struct Schedule {
  int kind = kScheduleInterval;
  std::string minuteText = "5";  // OptionAutoUpdateTime, read at every tick
  int hour = 0;                  // OptionAutoUpdateHour
  int day = 0;                   // OptionAutoUpdateDay
};

// now and lastBackup are day counts with the time as fraction; nowParts is
// the same moment split up. A minute text that is not a whole number never
// becomes due.
bool IsRunDue(const Schedule& schedule, double now, const DateTimeParts& nowParts, double lastBackup);

}  // namespace dm
