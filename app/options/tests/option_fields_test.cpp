#include "app/options/option_fields.h"

#include <gtest/gtest.h>

#include <tuple>

namespace dm {
namespace {

// Every value the dialog shows away from its default.
AppOptions Edited() {
  AppOptions o;
  o.optionAutoSave = 0;
  o.optionAutoUpdate = o.optionFileWatch = o.optionStatusView = o.optionStatusWholeProgress = 1;
  o.optionEndToTsr = o.optionLogClear = o.optionEasyLogView = o.optionStartupMin = o.optionPassword = 1;
  o.optionNotifyBackupStart = o.optionNotifyBackupFinish = o.updateProxyEnabled = 1;
  o.optionCryptEnabled = o.updateConnectCheck = 0;
  o.optionAutoUpdateSchedule = 4, o.optionAutoUpdateDay = 30, o.optionAutoUpdateHour = 23;
  o.optionPriority = 6, o.optionLogView = 3, o.optionLogViewMax = 500, o.optionLogSave = 1, o.updateFinish = 1;
  o.optionAutoUpdateTime = "45", o.optionPasswordText = "秘密 pass", o.optionNotifyUserName = "経理部のＰＣ";
  o.updateDownloadFolder = "E:\\更新", o.updateSearchUrl = "http://mirror.example/version.txt";
  o.updateProxyServer = "proxy", o.updateProxyPort = "3128";
  o.optionAutoUpdateCatchUp = 0;
  return o;
}

TEST(OptionFields, EveryValueGoesIntoItsControlAndBack) {
  AppOptions edited = Edited();
  edited.lastBackup = 39448.75;
  edited.backupSetFile = "D:\\毎日.dmk";
  edited.windowWidth = 900;
  edited.betaMode = 1;
  OptionFields fields = FieldsFromOptions(edited, true);
  EXPECT_TRUE(fields.startup);
  EXPECT_EQ(fields.schedule, 4);
  EXPECT_EQ(fields.day, 30);
  EXPECT_EQ(fields.logViewMax, "500");
  EXPECT_EQ(fields.passwordText, "秘密 pass");

  // From the defaults, OK with these fields gives the edited options back;
  // what the dialog does not show stays, and the last run is forgotten.
  AppOptions taken;
  taken.backupSetFile = edited.backupSetFile;
  taken.windowWidth = 900;
  taken.betaMode = 1;
  taken.lastBackup = 40000;
  OptionEffects effects = TakeOverOptionFields(fields, taken, 46090.5);
  AppOptions expected = edited;
  expected.lastBackup = 0.0;
  expected.optionAutoUpdateSince = 46090.5;  // the schedule counts from this OK
  EXPECT_EQ(taken, expected);
  EXPECT_TRUE(effects.watchChanged);
  EXPECT_TRUE(effects.watch);

  // And the defaults come through unchanged.
  AppOptions defaults;
  OptionFields default_fields = FieldsFromOptions(defaults, false);
  EXPECT_EQ(default_fields, (OptionFields{.searchUrl = kDefaultUpdateUrl, .proxyPort = "8080"}));
  AppOptions again = defaults;
  EXPECT_FALSE(TakeOverOptionFields(default_fields, again, 0.0).watchChanged);
  EXPECT_EQ(again, defaults);
}

TEST(OptionFields, WatchersFollowOnlyAChangeOfAutomaticBackupOrWatching) {
  // before: automatic backup, watching; after: the same; then the effects.
  const std::tuple<int, int, bool, bool, bool, bool> cases[] = {
      {0, 0, false, false, false, false},  // nothing changed
      {1, 1, true, true, false, true},     // unchanged, both on: the running watchers are kept
      {0, 1, true, true, true, true},      // automatic backup turned on: start
      {1, 1, false, true, true, false},    // automatic backup off, watching stays on: stop
      {1, 0, true, true, true, true},      // watching turned on
      {1, 1, true, false, true, false},
  };
  for (const auto& [auto_before, watch_before, auto_after, watch_after, changed, watch] : cases) {
    AppOptions options;
    options.optionAutoUpdate = auto_before;
    options.optionFileWatch = watch_before;
    OptionFields fields = FieldsFromOptions(options, false);
    fields.autoUpdate = auto_after;
    fields.fileWatch = watch_after;
    OptionEffects effects = TakeOverOptionFields(fields, options, 0.0);
    SCOPED_TRACE(testing::Message() << auto_before << watch_before << auto_after << watch_after);
    EXPECT_EQ(effects.watchChanged, changed);
    EXPECT_EQ(effects.watch, watch);
    EXPECT_EQ(options.optionAutoUpdate, auto_after ? 1 : 0);
    EXPECT_EQ(options.optionFileWatch, watch_after ? 1 : 0);
  }
}

TEST(OptionFields, MinuteBoxIsStoredAsTypedAndEmptyAsZero) {
  // A text OK refuses keeps the value before ("5") if taken over anyway.
  const std::pair<const char*, const char*> cases[] = {{"", "0"},    {"30", "30"}, {" 30 ", " 30 "},
                                                       {" ", "5"},   {"abc", "5"}, {"-5", "5"}};
  for (const auto& [typed, stored] : cases) {
    AppOptions options;
    OptionFields fields = FieldsFromOptions(options, false);
    fields.minutes = typed;
    TakeOverOptionFields(fields, options, 0.0);
    EXPECT_EQ(options.optionAutoUpdateTime, stored) << "'" << typed << "'";
  }
}

TEST(OptionFields, ScheduleMinutesMustBeAWholeNumberAndTheIntervalNotZero) {
  struct Case {
    int schedule;
    int hour;
    const char* minutes;
    const char* refusal;  // nothing when OK takes it
  };
  const char kNotANumber[] = "' は指定できません。\n0 以上の整数を入力してください。";
  const char kZeroInterval[] = "スケジュールの間隔に 0 時間 0 分は指定できません。\n1 分以上の間隔を入力してください。";
  const Case cases[] = {
      {0, 0, "30", nullptr},     {0, 1, "0", nullptr},       {0, 1, "", nullptr},   {0, 0, "1", nullptr},
      {1, 0, "0", nullptr},      {2, 0, "", nullptr},        {3, 0, " 15 ", nullptr}, {4, 23, "59", nullptr},
      {0, 0, "0", kZeroInterval}, {0, 0, "", kZeroInterval}, {0, 0, "+0", kZeroInterval},
      {2, 5, "３０", kNotANumber}, {1, 0, "30分", kNotANumber}, {0, 1, "1.5", kNotANumber},
      {3, 0, "-1", kNotANumber},  {0, 2, " ", kNotANumber},  {4, 0, "99999999999", kNotANumber},
  };
  for (const Case& c : cases) {
    OptionFields fields;
    fields.schedule = c.schedule, fields.hour = c.hour, fields.minutes = c.minutes;
    fields.autoUpdate = false;  // the toolbar button turns it on with what is stored: checked all the same
    std::optional<OptionRefusal> refusal = OptionOkRefusal(fields);
    SCOPED_TRACE(testing::Message() << c.schedule << " " << c.hour << " '" << c.minutes << "'");
    if (!c.refusal) {
      EXPECT_EQ(refusal, std::nullopt);
      continue;
    }
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(refusal->field, OptionRefusal::Field::kMinutes);
    const std::string expected = c.refusal == kZeroInterval
                                     ? std::string(kZeroInterval)
                                     : "スケジュールの分に '" + std::string(c.minutes) + kNotANumber;
    EXPECT_EQ(refusal->message, expected);
  }

  // The minute box comes first, as on the pages.
  OptionFields both;
  both.minutes = "x";
  both.logViewMax = "y";
  EXPECT_EQ(OptionOkRefusal(both)->field, OptionRefusal::Field::kMinutes);
}

TEST(OptionFields, LineLimitMustBeAWholeNumber) {
  for (const char* good : {"0", "100", " 250 ", "+7", "2147483647"}) {
    OptionFields fields;
    fields.logViewMax = good;
    EXPECT_EQ(OptionOkRefusal(fields), std::nullopt) << good;
  }
  for (const char* bad : {"", "abc", "12a", "1.5", "-1", "99999999999", "１００"}) {
    OptionFields fields;
    fields.logViewMax = bad;
    std::optional<OptionRefusal> refusal = OptionOkRefusal(fields);
    ASSERT_TRUE(refusal.has_value()) << bad;
    EXPECT_EQ(refusal->field, OptionRefusal::Field::kLineLimit);
    EXPECT_EQ(refusal->message, "画面表示の上限行数に '" + std::string(bad) +
                                    "' は指定できません。\n0 以上の整数を入力してください。");
    // Taken over anyway, the limit before stays.
    AppOptions options;
    options.optionLogViewMax = 321;
    TakeOverOptionFields(fields, options, 0.0);
    EXPECT_EQ(options.optionLogViewMax, 321);
  }
}

TEST(OptionFields, ListIndexesTheListsDoNotHaveShowTheDefaults) {
  AppOptions options;
  options.optionAutoUpdateSchedule = 7;
  options.optionPriority = -1;
  options.optionLogView = 4;
  options.optionLogSave = 9;
  options.updateFinish = 2;
  options.optionAutoUpdateHour = 24;
  OptionFields fields = FieldsFromOptions(options, false);
  EXPECT_EQ(std::tie(fields.schedule, fields.priority, fields.logView, fields.logSave, fields.updateFinish,
                     fields.hour),
            std::make_tuple(0, 0, 2, 0, 0, 0));

  // Weekly has seven days; hidden lists carry their values through.
  options.optionAutoUpdateSchedule = 3;
  options.optionAutoUpdateDay = 7;
  EXPECT_EQ(FieldsFromOptions(options, false).day, 0);
  options.optionAutoUpdateSchedule = 1;  // hourly: neither list shown
  options.optionAutoUpdateDay = 12;
  options.optionAutoUpdateHour = 40;
  fields = FieldsFromOptions(options, false);
  EXPECT_EQ(std::tie(fields.day, fields.hour), std::make_tuple(12, 40));
}

TEST(ScheduleRow, EachKindShowsItsOwnRow) {
  const std::vector<std::string> weekdays = {"日", "月", "火", "水", "木", "金", "土"};
  std::vector<std::string> month_days;
  for (int i = 1; i <= 31; ++i) month_days.push_back(std::to_string(i));
  const ScheduleRow rows[] = {
      {false, {}, "", true, "時間", "分間隔"},
      {false, {}, "", false, "", "分"},
      {false, {}, "", true, "時", "分"},
      {true, weekdays, "曜日", true, "時", "分"},
      {true, month_days, "日", true, "時", "分"},
  };
  for (int kind = 0; kind < 5; ++kind) EXPECT_EQ(ScheduleRowOf(kind), rows[kind]) << kind;
  EXPECT_EQ(kScheduleKindItems.size(), 5u);
  EXPECT_EQ(kHourItems.front(), "0");
  EXPECT_EQ(kHourItems.back(), "23");
}

TEST(ScheduleRow, ChangingTheKindStartsTheShownListsAtTheirFirstItem) {
  OptionFields fields;
  fields.schedule = 3;
  fields.day = 5;  // 金
  fields.hour = 13;
  ChangeScheduleKind(fields, 4);  // weekly to monthly: "1" is selected
  EXPECT_EQ(std::tie(fields.schedule, fields.day, fields.hour), std::make_tuple(4, 0, 0));
  EXPECT_EQ(ScheduleRowOf(fields.schedule).dayItems[fields.day], "1");

  fields.day = 20;
  fields.hour = 8;
  ChangeScheduleKind(fields, 1);  // hourly shows neither list
  EXPECT_EQ(std::tie(fields.day, fields.hour), std::make_tuple(20, 8));
  ChangeScheduleKind(fields, 2);
  EXPECT_EQ(std::tie(fields.day, fields.hour), std::make_tuple(20, 0));
}

TEST(OptionFields, EnablingFollowsTheBoxes) {
  OptionFields fields;
  EXPECT_EQ(EnablingOf(fields), (OptionEnabling{false, false, false, false, false, false, false}));
  fields.autoUpdate = fields.proxyEnabled = fields.password = fields.startup = fields.statusView = true;
  EXPECT_EQ(EnablingOf(fields), (OptionEnabling{true, true, true, false, true, true, false}));
  // Making up for a missed time needs a schedule that names times.
  for (int kind : {0, 1, 2, 3, 4}) {
    fields.schedule = kind;
    EXPECT_EQ(EnablingOf(fields).catchUp, kind >= 2) << kind;
  }
  fields.autoUpdate = false;
  EXPECT_FALSE(EnablingOf(fields).catchUp);
  for (auto [start, finish] : {std::pair{true, false}, std::pair{false, true}}) {
    fields.notifyStart = start;
    fields.notifyFinish = finish;
    EXPECT_TRUE(EnablingOf(fields).notifyTarget);
  }
}

}  // namespace
}  // namespace dm
