#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "app/options/app_options.h"
#include "app/options/memory_store.h"

namespace dm {

// The options as they are stored, value name -> text.
std::map<std::string, std::string> Stored(const AppOptions& options) {
  MemoryOptionStore store;
  SaveOptions(options, store, false);
  std::map<std::string, std::string> stored;
  for (const auto& [name, v] : store.hive.values) {
    stored[name] = v.type == StoredValue::kInteger ? std::to_string(v.integer) : v.text;
  }
  return stored;
}
void PrintTo(const AppOptions& options, std::ostream* os) { *os << ::testing::PrintToString(Stored(options)); }

namespace {

const LoadContext kContext{.currentDirectory = "C:\\dm", .screenWidth = 1024, .screenHeight = 768};

// Every value away from its default, so a value not read or not written shows.
AppOptions Changed() {
  AppOptions o;
  o.betaMode = o.optionAutoUpdate = o.optionFileWatch = o.optionStatusView = o.optionStatusWholeProgress = 1;
  o.optionLogClear = o.optionEasyLogView = o.optionEndToTsr = o.optionStartupMin = o.optionPassword = 1;
  o.optionNotifyBackupStart = o.optionNotifyBackupFinish = o.updateProxyEnabled = 1;
  o.optionCryptEnabled = o.updateConnectCheck = 0;
  o.optionAutoUpdateSchedule = 3, o.optionAutoUpdateDay = 6, o.optionAutoUpdateHour = 23, o.optionPriority = 6;
  o.optionLogView = 3, o.optionLogViewMax = 500, o.optionLogSave = 2, o.updateFinish = 2;
  o.windowLeft = -8, o.windowTop = 10, o.windowWidth = 900, o.windowHeight = 700, o.windowSplit = 300;
  o.lastBackup = 39448.75;  // 2008/1/1 18:00
  o.optionAutoUpdateCatchUp = 0, o.optionAutoUpdateSince = 39447.5;
  o.backupSetFile = "D:\\セット\\毎日.dmk", o.optionAutoUpdateTime = "45", o.optionPasswordText = "秘密";
  o.optionNotifyUserName = "経理部のＰＣ", o.updateDownloadFolder = "E:\\更新", o.updateProxyServer = "proxy";
  o.updateSearchUrl = "http://mirror.example/version.txt", o.updateProxyPort = "3128";
  return o;
}

TEST(LoadOptions, FirstStartGivesTheDefaults) {
  MemoryOptionStore noKey, emptyKey;
  emptyKey.hive.exists = true;
  const std::map<std::string, std::string> expected = {
      {"OptionAutoSave", "1"}, {"OptionAutoUpdate", "0"}, {"OptionAutoUpdateSchedule", "0"},
      {"OptionAutoUpdateTime", "5"}, {"OptionAutoUpdateHour", "0"}, {"OptionLogView", "2"},
      {"OptionLogViewMax", "100"}, {"OptionCryptEnabled", "1"}, {"UpdateProxyPort", "8080"},
      {"UpdateConnectCheck", "1"}, {"UpdateDownloadFolder", "C:\\dm\\Download"}, {"UpdateSerchUrl", kDefaultUpdateUrl},
      {"OptionAutoUpdateCatchUp", "1"}, {"OptionAutoUpdateSince", "46090.5"}, {"LastBackup", "0"}, {"WindowLeft", "171"}, {"WindowTop", "128"}, {"WindowWidth", "682"},
      {"WindowHeight", "512"}, {"WindowSplit", "144"}};  // two thirds of the screen, centred
  LoadContext now = kContext;
  now.now = 46090.5;  // 2026/3/10 12:00: the schedule counts from this start
  for (MemoryOptionStore* store : {&noKey, &emptyKey}) {
    std::map<std::string, std::string> loaded = Stored(LoadOptions(*store, now));
    for (const auto& [name, value] : expected) EXPECT_EQ(loaded[name], value) << name;
  }
}

TEST(LoadOptions, ReadsBackEverythingSaved) {
  MemoryOptionStore store;
  ASSERT_TRUE(SaveOptions(Changed(), store, false));
  EXPECT_EQ(LoadOptions(store, kContext), Changed());
}

// From a complete key, changed as a case says: which values load as what.
TEST(LoadOptions, GroupsConditionsAndReplacements) {
  const std::vector<std::string> firstGroup = {"OptionAutoSave",      "OptionAutoUpdate",    "OptionAutoUpdateSchedule",
                                               "OptionAutoUpdateTime", "OptionAutoUpdateDay", "OptionAutoUpdateHour"};
  const std::vector<std::string> window = {"WindowLeft", "WindowTop", "WindowWidth", "WindowHeight", "WindowSplit"};
  const std::vector<std::string> singles = {"BetaMode",         "OptionEasyLogView", "OptionLogViewMax", "OptionFileWatch",
                                            "OptionCryptEnabled", "OptionEndToTsr",  "OptionLogClear",   "OptionStartupMin"};
  auto erase = [](std::vector<std::string> names) {
    return [names](MemoryHive& h) { for (const auto& n : names) h.values.erase(n); };
  };
  LoadContext fromCommandLine = kContext, updating = kContext;
  fromCommandLine.commandLineNamedSet = updating.updateMode = true;
  struct Case {
    const char* what;
    std::function<void(MemoryHive&)> change;
    std::vector<std::string> toDefault;           // these load as their defaults
    std::map<std::string, std::string> expected;  // and these as given
    LoadContext context = kContext;
  } cases[] = {
      {"only OptionAutoSave = 0 in the first group: it becomes 1",
       [&](MemoryHive& h) { erase(firstGroup)(h), h.SetInteger("OptionAutoSave", 0); }, firstGroup},
      {"a text stored as an integer", [](MemoryHive& h) { h.SetInteger("OptionPasswordText", 7); },
       {"OptionPassword", "OptionPasswordText"}},
      {"an integer of another type", [](MemoryHive& h) { h.SetOther("OptionNotifyBackupFinish"); },
       {"OptionNotifyBackupStart", "OptionNotifyBackupFinish", "OptionNotifyUserName"}},
      {"a missing text reads as empty", erase({"OptionNotifyUserName"}), {}, {{"OptionNotifyUserName", ""}}},
      {"the update group without its proxy switch", erase({"UpdateProxyEnabled"}),
       {"UpdateDownloadFolder", "UpdateSerchUrl", "UpdateProxyEnabled", "UpdateProxyServer", "UpdateProxyPort",
        "UpdateFinish", "UpdateConnectCheck"}},
      {"the status group", erase({"OptionStatusWholeProgress"}),
       {"OptionPriority", "OptionLogView", "OptionLogSave", "OptionStatusView", "OptionStatusWholeProgress"}},
      {"the window without its splitter", erase({"WindowSplit"}), window},
      {"single-value groups", erase(singles), singles},
      {"a last backup that is no number", [](MemoryHive& h) { h.SetText("LastBackup", "昨日"); }, {"LastBackup"}},
      {"a key from before the catch-up values keeps its schedule",
       erase({"OptionAutoUpdateCatchUp", "OptionAutoUpdateSince"}),
       {"OptionAutoUpdateCatchUp", "OptionAutoUpdateSince"}},
      {"a setting time that is no number", [](MemoryHive& h) { h.SetText("OptionAutoUpdateSince", "x"); },
       {"OptionAutoUpdateSince"}},
      {"an empty update address", [](MemoryHive& h) { h.SetText("UpdateSerchUrl", ""); }, {"UpdateSerchUrl"}},
      {"the earlier update address", [](MemoryHive& h) { h.SetText("UpdateSerchUrl", kEarlierUpdateUrl); },
       {"UpdateSerchUrl"}},
      {"no set file without OptionAutoSave", [](MemoryHive& h) { h.SetInteger("OptionAutoSave", 0); }, {},
       {{"OptionAutoSave", "0"}, {"BackupSetFile", ""}}},
      {"no set file when the command line named one", [](MemoryHive&) {}, {"BackupSetFile"}, {}, fromCommandLine},
      {"update mode stops after the update values", [](MemoryHive&) {},
       {"WindowLeft", "WindowTop", "WindowWidth", "WindowHeight", "WindowSplit", "BackupSetFile", "OptionEndToTsr",
        "OptionLogClear", "OptionStartupMin", "LastBackup"},
       {}, updating},
  };
  for (const Case& c : cases) {
    MemoryOptionStore store;
    SaveOptions(Changed(), store, false);
    c.change(store.hive);
    std::map<std::string, std::string> expected = Stored(Changed());
    std::map<std::string, std::string> defaults = Stored(DefaultAppOptions(c.context));
    for (const std::string& name : c.toDefault) expected[name] = defaults[name];
    for (const auto& [name, value] : c.expected) expected[name] = value;
    EXPECT_EQ(Stored(LoadOptions(store, c.context)), expected) << c.what;
  }
}

TEST(SaveOptions, WritesEveryValueInItsOrderBetweenTheHooks) {
  MemoryOptionStore store;
  std::vector<std::string> steps;
  SaveHooks hooks{[&] { steps.push_back("before " + std::to_string(store.hive.writes.size())); },
                  [&] { steps.push_back("after " + std::to_string(store.hive.writes.size())); }};
  EXPECT_TRUE(SaveOptions(Changed(), store, false, hooks));
  EXPECT_THAT(store.hive.writes,
              ::testing::ElementsAreArray<std::string>(
                  {"OptionAutoSave", "BackupSetFile", "OptionAutoUpdate", "OptionAutoUpdateSchedule",
                   "OptionAutoUpdateTime", "OptionAutoUpdateDay", "OptionAutoUpdateHour",
                   "OptionAutoUpdateCatchUp", "OptionAutoUpdateSince", "OptionPriority",
                   "OptionLogView", "OptionLogViewMax", "OptionLogSave", "OptionStatusView",
                   "OptionStatusWholeProgress", "LastBackup", "OptionEndToTsr", "OptionLogClear",
                   "OptionEasyLogView", "OptionFileWatch", "OptionPassword", "OptionPasswordText",
                   "OptionNotifyBackupStart", "OptionNotifyBackupFinish", "OptionNotifyUserName",
                   "OptionCryptEnabled", "UpdateDownloadFolder", "UpdateSerchUrl", "UpdateProxyEnabled",
                   "UpdateProxyServer", "UpdateProxyPort", "UpdateFinish", "UpdateConnectCheck",
                   "OptionStartupMin", "WindowLeft", "WindowTop", "WindowWidth", "WindowHeight", "WindowSplit",
                   "BetaMode"}));
  EXPECT_EQ(store.hive.values["LastBackup"].text, "39448.75");
  EXPECT_EQ(store.hive.values["OptionAutoUpdateSince"].text, "39447.5");
  EXPECT_EQ(store.hive.values["OptionAutoUpdateTime"].type, StoredValue::kText);

  // In update mode only the tray icon goes; nothing is written.
  MemoryOptionStore untouched;
  EXPECT_FALSE(SaveOptions(Changed(), untouched, true, hooks));
  EXPECT_FALSE(untouched.hive.exists);
  EXPECT_THAT(steps, ::testing::ElementsAre("before 0", "after 40", "before 40"));
}

TEST(LastBackupText, GeneralFormWithFifteenDigits) {
  EXPECT_EQ(FormatLastBackup(0.0), "0");
  EXPECT_EQ(FormatLastBackup(39448.520833333336), "39448.5208333333");
  EXPECT_EQ(FormatLastBackup(1e-20), "1e-20");
  const std::pair<const char*, std::optional<double>> cases[] = {
      {"39448.5", 39448.5}, {" 45000 ", 45000.0},   {"+1.5", 1.5},          {"1e3", 1000.0},
      {"", std::nullopt},   {"1.5x", std::nullopt}, {"1,5", std::nullopt},  {"inf", std::nullopt},
      {"nan", std::nullopt}, {"+-1", std::nullopt},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(ParseLastBackup(text), value) << text;
}

}  // namespace
}  // namespace dm
