#include "app/shell/missed_schedule.h"

#include <gtest/gtest.h>

#include <vector>

namespace dm {
namespace {

double At(int month, int day, int hour, int minute, int second = 0, int ms = 0) {
  return EncodeDateTime(MakeDateTime(2026, month, day, hour, minute, second, ms));
}

const Schedule kDailyNoon{kScheduleDaily, "0", 12, 0};
const Schedule kSundayNine{kScheduleWeekly, "0", 9, 0};     // day 0: Sunday
const Schedule kMonthly31st{kScheduleMonthly, "0", 9, 30};  // day 30: the 31st
const Schedule kHourlyHalf{kScheduleHourly, "30", 0, 0};
const Schedule kEveryHour{kScheduleInterval, "0", 1, 0};

enum class Expect { kNothing, kOnTime, kCatchUp };

struct Row {
  const char* what;
  Schedule schedule;
  double lastBackup;
  double since;
  bool catchUp;
  double now;
  Expect expect;
  double madeUpFor = 0;  // kCatchUp: the scheduled time made up for
};

// 2026: 1 and 8 March are Sundays, 10 March a Tuesday. The schedule was set
// on 1 January unless a row says otherwise. (Computed when asked: the
// calendar's own constants are not there before main.)
std::vector<Row> Rows() {
  const double kSetLongAgo = At(1, 1, 8, 0);
  const Schedule kBadMinutes{kScheduleDaily, "x", 12, 0};
  const Schedule kPastMidnight{kScheduleDaily, "75", 23, 0};  // 23:75, beyond the day
  return {
      {"asleep across one daily time", kDailyNoon, At(3, 9, 12, 0, 5), kSetLongAgo, true, At(3, 10, 14, 0),
       Expect::kCatchUp, At(3, 10, 12, 0)},
      {"asleep across two: one run, for the later", kDailyNoon, At(3, 8, 12, 0, 5), kSetLongAgo, true, At(3, 10, 14, 0),
       Expect::kCatchUp, At(3, 10, 12, 0)},
      {"asleep across none", kDailyNoon, At(3, 10, 12, 0, 5), kSetLongAgo, true, At(3, 10, 14, 0), Expect::kNothing},
      {"woken before today's time", kDailyNoon, At(3, 9, 12, 0, 5), kSetLongAgo, true, At(3, 10, 11, 0),
       Expect::kNothing},
      {"woken within the minute: the timer's own run", kDailyNoon, At(3, 9, 12, 0, 5), kSetLongAgo, true,
       At(3, 10, 12, 0, 30), Expect::kOnTime},
      {"the minute just over", kDailyNoon, At(3, 9, 12, 0, 5), kSetLongAgo, true, At(3, 10, 12, 1, 0), Expect::kCatchUp,
       At(3, 10, 12, 0)},
      {"a time made up for is not made up again", kDailyNoon, At(3, 10, 12, 0), kSetLongAgo, true, At(3, 10, 18, 0),
       Expect::kNothing},
      {"the next day runs on time after a catch-up", kDailyNoon, At(3, 10, 12, 0), kSetLongAgo, true,
       At(3, 11, 12, 0, 0, 200), Expect::kOnTime},
      {"never run since the schedule was set", kDailyNoon, 0.0, At(3, 10, 9, 0), true, At(3, 10, 14, 0),
       Expect::kCatchUp, At(3, 10, 12, 0)},
      {"weekly: Sunday slept through, woken Wednesday", kSundayNine, At(3, 1, 9, 0, 5), kSetLongAgo, true,
       At(3, 11, 8, 0), Expect::kCatchUp, At(3, 8, 9, 0)},
      {"weekly: Sunday's run done", kSundayNine, At(3, 8, 9, 0, 5), kSetLongAgo, true, At(3, 11, 8, 0),
       Expect::kNothing},
      {"monthly 31st: February has none, 31 March missed", kMonthly31st, At(1, 31, 9, 0, 5), kSetLongAgo, true,
       At(4, 15, 8, 0), Expect::kCatchUp, At(3, 31, 9, 0)},
      {"monthly 31st: none since January's run", kMonthly31st, At(1, 31, 9, 0, 5), kSetLongAgo, true, At(3, 30, 8, 0),
       Expect::kNothing},
      {"the option off", kDailyNoon, At(3, 9, 12, 0, 5), kSetLongAgo, false, At(3, 10, 14, 0), Expect::kNothing},
      {"the schedule set after the missed time", kDailyNoon, 0.0, At(3, 10, 13, 0), true, At(3, 10, 14, 0),
       Expect::kNothing},
      {"set in the missed minute itself", kDailyNoon, 0.0, At(3, 10, 12, 0, 30), true, At(3, 10, 14, 0),
       Expect::kNothing},
      {"clock moved back after today's run", kDailyNoon, At(3, 10, 12, 0, 5), kSetLongAgo, true, At(3, 10, 9, 0),
       Expect::kNothing},
      {"clock moved back by days", kDailyNoon, At(3, 10, 12, 0, 5), kSetLongAgo, true, At(3, 7, 14, 0),
       Expect::kNothing},
      {"clock moved back behind the setting", kDailyNoon, 0.0, At(3, 12, 8, 0), true, At(3, 10, 14, 0),
       Expect::kNothing},
      {"clock moved forward over a time", kDailyNoon, At(3, 10, 12, 0, 5), kSetLongAgo, true, At(3, 11, 15, 0),
       Expect::kCatchUp, At(3, 11, 12, 0)},
      {"hourly goes on from now", kHourlyHalf, At(3, 10, 8, 30, 1), kSetLongAgo, true, At(3, 10, 14, 45),
       Expect::kNothing},
      {"hourly at its minute", kHourlyHalf, At(3, 10, 8, 30, 1), kSetLongAgo, true, At(3, 10, 15, 30, 0, 100),
       Expect::kOnTime},
      {"interval goes on from now", kEveryHour, At(3, 10, 8, 0), kSetLongAgo, true, At(3, 10, 14, 45), Expect::kOnTime},
      {"a minute text that is no number", kBadMinutes, At(3, 9, 12, 0, 5), kSetLongAgo, true, At(3, 10, 14, 0),
       Expect::kNothing},
      {"a time of day past midnight", kPastMidnight, At(3, 9, 12, 0, 5), kSetLongAgo, true, At(3, 10, 14, 0),
       Expect::kNothing},
  };
}

TEST(MissedSchedule, MadeUpForOnceAtTheNextChance) {
  for (const Row& row : Rows()) {
    SCOPED_TRACE(row.what);
    const DateTimeParts now = DecodeDateTime(row.now);
    std::optional<ScheduledRun> run = ScheduledRunAt(row.schedule, now, {row.lastBackup, row.since, row.catchUp});
    switch (row.expect) {
      case Expect::kNothing:
        EXPECT_FALSE(run.has_value());
        break;
      case Expect::kOnTime:
        ASSERT_TRUE(run.has_value());
        EXPECT_FALSE(run->madeUpFor.has_value());
        EXPECT_NEAR(run->lastBackup, row.now, 1e-9);
        break;
      case Expect::kCatchUp: {
        ASSERT_TRUE(run.has_value());
        ASSERT_TRUE(run->madeUpFor.has_value());
        EXPECT_NEAR(*run->madeUpFor, row.madeUpFor, 1e-9) << MissedScheduleNotice(*run->madeUpFor);
        EXPECT_EQ(run->lastBackup, *run->madeUpFor);
        // Remembered so, the same time is handled: a second tick starts nothing.
        EXPECT_FALSE(ScheduledRunAt(row.schedule, DecodeDateTime(row.now + 1.0 / 86400),
                                    {run->lastBackup, row.since, row.catchUp})
                         .has_value());
        break;
      }
    }
  }
}

TEST(MissedSchedule, TheNoticeNamesTheScheduledTime) {
  EXPECT_EQ(MissedScheduleNotice(At(3, 8, 9, 5)),
            "2026/03/08 9:05 に実行できなかった自動バックアップを今から実行します");
  EXPECT_EQ(LatestScheduledTime(kMonthly31st, At(5, 1, 0, 0)), At(3, 31, 9, 0));
  EXPECT_EQ(LatestScheduledTime(kHourlyHalf, At(5, 1, 0, 0)), std::nullopt);
}

}  // namespace
}  // namespace dm
