// Scheduled times a laptop slept through. A daily, weekly or monthly
// schedule names one minute; the timer that looks once a second finds it
// only while the computer is awake and the program runs. A time that
// passed unseen (asleep, shut down, the program not started, another run
// or the log viewer holding the window) is made up for once, as soon as the
// program can start a run. Interval and hourly schedules need no such
// thing: they go on from now.
#pragma once

#include <optional>
#include <string>

#include "app/shell/schedule.h"
#include "base/datetime.h"

namespace dm {

// What the schedule remembers between ticks and between starts.
struct ScheduleMemory {
  // LastBackup: the start of the last automatic run, or the scheduled time
  // a catch-up run stood for; 0 never. A scheduled time at or before it
  // has been handled.
  double lastBackup = 0.0;
  // OptionAutoUpdateSince: when the schedule was set (the options taken
  // over, automatic backup switched). Nothing before it is made up for.
  double since = 0.0;
  bool catchUp = true;  // OptionAutoUpdateCatchUp
};

// The latest time at or before `now` that a daily, weekly or monthly
// schedule names; nothing for the other kinds, for a minute text that is
// not a number, and for a time of day or a day the schedule never meets
// (as the timer's test never would).
std::optional<double> LatestScheduledTime(const Schedule& schedule, double now);

// The scheduled time to make up for now: the latest one whose minute is
// over, after the schedule was set, that no automatic run has handled.
// Several missed times give one run, for the latest of them. A clock moved
// back finds only handled times until it passes them again.
std::optional<double> MissedScheduledTime(const Schedule& schedule, double now, const ScheduleMemory& memory);

// What the timer does at this tick.
struct ScheduledRun {
  double lastBackup = 0.0;          // the new LastBackup
  std::optional<double> madeUpFor;  // a catch-up run: the scheduled time it makes up for
};
// A run at the schedule's own time comes first; a catch-up only when none
// is due. Nothing when no run starts.
std::optional<ScheduledRun> ScheduledRunAt(const Schedule& schedule, const DateTimeParts& now,
                                           const ScheduleMemory& memory);

// The status line of a catch-up run: "2026/03/10 12:00 に実行できなかった…".
std::string MissedScheduleNotice(double scheduled);

}  // namespace dm
