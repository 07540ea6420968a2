#include "app/shell/missed_schedule.h"

#include <cmath>

#include "base/text.h"

namespace dm {

namespace {

constexpr double kMinute = 1.0 / 1440;
// Scheduled times are whole minutes and LastBackup is stored with 15
// significant digits: well below a millisecond either way.
constexpr double kSameMoment = 0.5 / 86400000;
// Every day of the month a schedule can name (the 29th to the 31st
// included) comes back within 61 days; a week within 7.
constexpr int kDaysLookedBack = 62;

// The minute of the day the timer's test compares: hour × 60 + minutes.
std::optional<int> MinuteOfDay(const Schedule& s) {
  std::optional<int> minutes = ParseInteger(s.minuteText);
  if (!minutes) return std::nullopt;
  const long long minute = static_cast<long long>(s.hour) * 60 + *minutes;
  if (minute < 0 || minute >= 24 * 60) return std::nullopt;
  return static_cast<int>(minute);
}

bool NamesDay(const Schedule& s, const DateTimeParts& day) {
  switch (s.kind) {
    case kScheduleDaily:
      return true;
    case kScheduleWeekly:
      return day.dayOfWeek == s.day;
    case kScheduleMonthly:
      return day.day == s.day + 1;
    default:
      return false;
  }
}

}  // namespace

std::optional<double> LatestScheduledTime(const Schedule& s, double now) {
  if (s.kind != kScheduleDaily && s.kind != kScheduleWeekly && s.kind != kScheduleMonthly) return std::nullopt;
  std::optional<int> minute = MinuteOfDay(s);
  if (!minute || now < 1) return std::nullopt;
  const double today = std::floor(now);
  for (int back = 0; back <= kDaysLookedBack; ++back) {
    DateTimeParts day = DecodeDateTime(today - back);
    if (!NamesDay(s, day)) continue;
    double at = EncodeDateTime(MakeDateTime(day.year, day.month, day.day, *minute / 60, *minute % 60));
    if (at <= now) return at;
  }
  return std::nullopt;
}

std::optional<double> MissedScheduledTime(const Schedule& s, double now, const ScheduleMemory& memory) {
  if (!memory.catchUp) return std::nullopt;
  std::optional<double> latest = LatestScheduledTime(s, now);
  if (!latest) return std::nullopt;
  // Within its own minute the timer's test starts the run itself.
  if (now < *latest + kMinute) return std::nullopt;
  if (*latest <= memory.since + kSameMoment) return std::nullopt;
  if (memory.lastBackup + kSameMoment >= *latest) return std::nullopt;
  return latest;
}

std::optional<ScheduledRun> ScheduledRunAt(const Schedule& s, const DateTimeParts& now, const ScheduleMemory& memory) {
  const double at = EncodeDateTime(now);
  if (IsRunDue(s, at, now, memory.lastBackup)) return ScheduledRun{at, std::nullopt};
  // The catch-up run stands for the time it makes up for, so the next
  // scheduled time's one-day guard counts from that time, not from now.
  if (std::optional<double> missed = MissedScheduledTime(s, at, memory)) return ScheduledRun{*missed, missed};
  return std::nullopt;
}

std::string MissedScheduleNotice(double scheduled) {
  DateTimeParts at = DecodeDateTime(scheduled);
  return FormatShortDate(at) + StringPrintf(" %d:%02d", at.hour, at.minute) +
         " に実行できなかった自動バックアップを今から実行します";
}

}  // namespace dm
