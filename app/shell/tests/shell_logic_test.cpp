#include <gtest/gtest.h>

#include "app/shell/launch_options.h"
#include "app/shell/run_jobs.h"
#include "app/shell/schedule.h"

namespace dm {
namespace {

TEST(LaunchOptions, Switches) {
  LaunchOptions o = ParseLaunchOptions({"drovenmk.exe", "-a=C:\\Sets\\Daily.DMK", "-h", "-X"});
  EXPECT_EQ(o.setPath, "C:\\Sets\\Daily.DMK");  // the path as typed
  EXPECT_TRUE(o.runAndExit);
  EXPECT_TRUE(o.hidden);
  EXPECT_TRUE(o.shutDownAfterRun);
  EXPECT_FALSE(o.runAndStay);

  o = ParseLaunchOptions({"drovenmk.exe", "-S=d:\\a.dmk", "-Insert", "-dd"});
  EXPECT_EQ(o.setPath, "d:\\a.dmk");
  EXPECT_TRUE(o.runAndStay);
  EXPECT_TRUE(o.startInTray);  // only the first two characters count
  EXPECT_TRUE(o.allowSecondInstance);
  EXPECT_FALSE(o.runAndExit);

  o = ParseLaunchOptions({"drovenmk.exe", "D:\\セット\\First.DMK", "E:\\second.dmk"});
  EXPECT_TRUE(o.fileGiven);
  EXPECT_EQ(o.setPath, "E:\\second.dmk");  // a later path replaces an earlier one
  EXPECT_FALSE(o.CommandLineRun());

  o = ParseLaunchOptions({"drovenmk.exe", "notes.txt", "C:\\x.dmk\\y"});
  EXPECT_FALSE(o.fileGiven);
  EXPECT_EQ(o.setPath, "");

  o = ParseLaunchOptions({"drovenmk.exe", "-UPDATE", "1234", "C:\\Program Files\\Drovenmark"});
  EXPECT_TRUE(o.updateMode);
  EXPECT_EQ(o.updateCallerWindow, 1234);
  EXPECT_EQ(o.updateTargetFolder, "C:\\Program Files\\Drovenmark");

  std::string long_path(2000, 'x');
  EXPECT_EQ(ParseLaunchOptions({"drovenmk.exe", "-a=" + long_path}).setPath.size(), 1024u);
}

DateTimeParts At(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
  return MakeDateTime(y, mo, d, h, mi, s, ms);
}

bool Due(const Schedule& s, const DateTimeParts& at, double last) {
  return IsRunDue(s, EncodeDateTime(at), at, last);
}

TEST(Schedule, IntervalCountsFromTheLastRun) {
  Schedule s{kScheduleInterval, "30", 1, 0};
  double last = EncodeDateTime(At(2026, 12, 8, 10, 0, 0));
  EXPECT_FALSE(Due(s, At(2026, 12, 8, 11, 29, 59), last));
  EXPECT_TRUE(Due(s, At(2026, 12, 8, 11, 30, 0), last));
  EXPECT_TRUE(Due(s, At(2026, 12, 8, 0, 0, 1), 0.0));  // never ran: due at once
}

TEST(Schedule, DailyRunsOncePerMatchingMinute) {
  Schedule s{kScheduleDaily, "15", 3, 0};
  EXPECT_TRUE(Due(s, At(2026, 12, 8, 3, 15, 0), 0.0));
  double last = EncodeDateTime(At(2026, 12, 8, 3, 15, 0, 400));
  EXPECT_FALSE(Due(s, At(2026, 12, 8, 3, 15, 1), last));
  EXPECT_FALSE(Due(s, At(2026, 12, 8, 3, 15, 59), last));
  EXPECT_FALSE(Due(s, At(2026, 12, 9, 3, 15, 0, 200), last));  // not yet a whole day
  EXPECT_TRUE(Due(s, At(2026, 12, 9, 3, 15, 1, 200), last));
  EXPECT_FALSE(Due(s, At(2026, 12, 9, 3, 16, 0), last));
}

TEST(Schedule, HourlyWeeklyMonthlyAndBadMinutes) {
  EXPECT_TRUE(Due({kScheduleHourly, "5", 0, 0}, At(2026, 12, 8, 7, 5, 0), 0.0));
  EXPECT_FALSE(Due({kScheduleHourly, "5", 0, 0}, At(2026, 12, 8, 7, 6, 0), 0.0));
  // Day 0 is Sunday: 6 December 2026 is one.
  EXPECT_TRUE(Due({kScheduleWeekly, "0", 9, 0}, At(2026, 12, 6, 9, 0, 0), 0.0));
  EXPECT_FALSE(Due({kScheduleWeekly, "0", 9, 0}, At(2026, 12, 7, 9, 0, 0), 0.0));
  EXPECT_TRUE(Due({kScheduleMonthly, "0", 9, 30}, At(2026, 12, 31, 9, 0, 0), 0.0));
  EXPECT_FALSE(Due({kScheduleMonthly, "0", 9, 30}, At(2026, 11, 30, 9, 0, 0), 0.0));  // no 31st
  EXPECT_FALSE(Due({kScheduleDaily, "abc", 3, 0}, At(2026, 12, 8, 3, 0, 0), 0.0));
  EXPECT_FALSE(Due({7, "0", 0, 0}, At(2026, 12, 8, 0, 0, 0), 0.0));
}

TEST(RunJobs, WatchedAutomaticRunsTakeOnlyChangedRows) {
  BackupSetting a = FileDefaultSetting("a");
  BackupSetting b = FileDefaultSetting("b");
  b[kOldFileDate] = "2000/13/45";
  BackupSetting c = FileDefaultSetting("c");
  std::atomic<int> changed{3}, unchanged{0}, unwatchable{-1};
  auto take = [](std::atomic<int>& count) { return [&count] { return count.exchange(0); }; };
  std::vector<SettingsRow> rows = {{&a, true, take(changed)}, {&b, true, take(unchanged)},
                                   {&c, true, take(unwatchable)}, {&a, false, nullptr}, {&c, true, nullptr}};
  RunJobs run = BuildRunJobs(rows, kRunAutomatic, true, true);
  ASSERT_EQ(run.jobs.size(), 5u);
  EXPECT_TRUE(run.jobs[0].Checked);
  EXPECT_EQ(run.jobs[0].changeCount, 3);
  EXPECT_FALSE(run.jobs[1].Checked);
  EXPECT_TRUE(run.jobs[2].Checked);  // -1 counts as a change
  EXPECT_FALSE(run.jobs[3].Checked);
  EXPECT_FALSE(run.jobs[4].Checked);  // no watcher: treated as unchanged
  EXPECT_EQ(changed.load(), 0);
  EXPECT_EQ(unwatchable.load(), 0);
  ASSERT_EQ(run.statusLines.size(), 1u);
  EXPECT_EQ(run.statusLines[0].text, "基準日の指定に誤りがあります '2000/13/45'");
  EXPECT_EQ(run.jobs[1].OldFileDate, EncodeDate(2000, 1, 1));

  // A time of day belongs to the reference date.
  b[kOldFileDate] = "2005/03/04 10:00:00";
  run = BuildRunJobs(rows, kRunManual, true, true);
  EXPECT_TRUE(run.statusLines.empty());
  EXPECT_DOUBLE_EQ(run.jobs[1].OldFileDate, EncodeDate(2005, 3, 4) + 10.0 / 24);
  b[kOldFileDate] = "2000/13/45";

  // A manual run takes the check marks as they are.
  changed = 5;
  run = BuildRunJobs(rows, kRunManual, true, true);
  EXPECT_TRUE(run.jobs[1].Checked);
  EXPECT_TRUE(run.jobs[4].Checked);
  EXPECT_EQ(changed.load(), 0);
}

}  // namespace
}  // namespace dm
