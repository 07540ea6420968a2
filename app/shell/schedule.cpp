#include "app/shell/schedule.h"

#include "base/text.h"

namespace dm {

bool IsRunDue(const Schedule& s, double now, const DateTimeParts& at, double lastBackup) {
  std::optional<int> minutes = ParseInteger(s.minuteText);
  if (!minutes) return false;
  const int n = *minutes;
  const bool at_time = s.hour * 60 + n == at.hour * 60 + at.minute;
  switch (s.kind) {
    case kScheduleInterval:
      return now >= lastBackup + s.hour / 24.0 + n / 1440.0;
    case kScheduleHourly:
      return at.minute == n && now >= lastBackup + 1 / 24.0;
    case kScheduleDaily:
      return at_time && now >= lastBackup + 1;
    case kScheduleWeekly:
      return at.dayOfWeek + 1 == s.day + 1 && at_time && now >= lastBackup + 1;
    case kScheduleMonthly:
      return at.day == s.day + 1 && at_time && now >= lastBackup + 1;
    default:
      return false;
  }
}

}  // namespace dm
