#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/options/app_options.h"
#include "app/options/memory_store.h"

namespace dm {

// Failures show the options value by value, as they would be stored.
void PrintTo(const AppOptions& options, std::ostream* os) {
  MemoryOptionStore store;
  SaveOptions(options, store, false);
  for (const std::string& name : store.hive.writes) {
    const StoredValue& v = store.hive.values[name];
    *os << "\n  " << name << "=" << (v.type == StoredValue::kInteger ? std::to_string(v.integer) : v.text);
  }
}

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::IsEmpty;

const LoadContext kContext{.currentDirectory = "C:\\Program Files\\Drovenmark",
                           .screenWidth = 1024,
                           .screenHeight = 768};

// Every value away from its default, so a value that is not read or not
// written shows.
AppOptions Changed() {
  AppOptions o;
  o.betaMode = 1;
  o.optionAutoSave = 1;  // so the set file is read back
  o.backupSetFile = "D:\\セット\\毎日.dmk";
  o.optionAutoUpdate = 1;
  o.optionAutoUpdateSchedule = 3;
  o.optionAutoUpdateTime = "45";
  o.optionAutoUpdateDay = 6;
  o.optionAutoUpdateHour = 23;
  o.lastBackup = 39448.75;  // 2008/1/1 18:00
  o.optionFileWatch = 1;
  o.optionPriority = 6;
  o.optionLogView = 3;
  o.optionLogViewMax = 500;
  o.optionLogSave = 2;
  o.optionStatusView = 1;
  o.optionStatusWholeProgress = 1;
  o.optionLogClear = 1;
  o.optionEasyLogView = 1;
  o.optionEndToTsr = 1;
  o.optionStartupMin = 1;
  o.windowLeft = -8;
  o.windowTop = 10;
  o.windowWidth = 900;
  o.windowHeight = 700;
  o.windowSplit = 300;
  o.optionPassword = 1;
  o.optionPasswordText = "秘密";
  o.optionNotifyBackupStart = 1;
  o.optionNotifyBackupFinish = 1;
  o.optionNotifyUserName = "経理部のＰＣ";
  o.optionCryptEnabled = 0;
  o.updateDownloadFolder = "E:\\更新";
  o.updateSearchUrl = "http://mirror.example/version.txt";
  o.updateProxyEnabled = 1;
  o.updateProxyServer = "proxy.example";
  o.updateProxyPort = "3128";
  o.updateFinish = 2;
  o.updateConnectCheck = 0;
  return o;
}

TEST(LoadOptions, FirstStartGivesEveryDefault) {
  MemoryOptionStore noKey;
  MemoryOptionStore emptyKey;
  emptyKey.hive.exists = true;
  for (MemoryOptionStore* store : {&noKey, &emptyKey}) {
    AppOptions o = LoadOptions(*store, kContext);
    EXPECT_EQ(o.optionAutoSave, 1);
    EXPECT_EQ(o.optionAutoUpdate, 0);
    EXPECT_EQ(o.optionAutoUpdateSchedule, 0);
    EXPECT_EQ(o.optionAutoUpdateTime, "5");
    EXPECT_EQ(o.optionAutoUpdateHour, 0);
    EXPECT_EQ(o.optionLogView, 2);
    EXPECT_EQ(o.optionLogViewMax, 100);
    EXPECT_EQ(o.optionCryptEnabled, 1);
    EXPECT_EQ(o.updateProxyPort, "8080");
    EXPECT_EQ(o.updateConnectCheck, 1);
    EXPECT_EQ(o.updateDownloadFolder, "C:\\Program Files\\Drovenmark\\Download");
    EXPECT_EQ(o.updateSearchUrl, kDefaultUpdateUrl);
    EXPECT_EQ(o.lastBackup, 0.0);
    // Two thirds of 1024 x 768, centred; the splitter at its designed height.
    EXPECT_EQ(o.windowWidth, 682);
    EXPECT_EQ(o.windowHeight, 512);
    EXPECT_EQ(o.windowLeft, 171);
    EXPECT_EQ(o.windowTop, 128);
    EXPECT_EQ(o.windowSplit, 144);
    EXPECT_EQ(o, DefaultAppOptions(kContext));
  }
}

TEST(LoadOptions, ReadsBackEverythingSaved) {
  MemoryOptionStore store;
  ASSERT_TRUE(SaveOptions(Changed(), store, false));
  EXPECT_EQ(LoadOptions(store, kContext), Changed());
}

// A stored key that is complete except for what a case changes: one failing
// value gives its whole group the defaults, and no other group.
TEST(LoadOptions, AFailureGivesTheWholeGroupItsDefaults) {
  struct Case {
    const char* what;
    std::function<void(MemoryHive&)> change;
    std::function<void(AppOptions&)> expect;  // applied to Changed()
  };
  const AppOptions d = DefaultAppOptions(kContext);
  const Case cases[] = {
      {"only OptionAutoSave = 0 in the first group",
       [](MemoryHive& h) {
         h.SetInteger("OptionAutoSave", 0);
         for (const char* n : {"OptionAutoUpdate", "OptionAutoUpdateSchedule", "OptionAutoUpdateTime",
                               "OptionAutoUpdateDay", "OptionAutoUpdateHour"}) {
           h.values.erase(n);
         }
       },
       [&](AppOptions& o) {
         o.optionAutoSave = 1;  // back to its default although it was read
         o.optionAutoUpdate = d.optionAutoUpdate;
         o.optionAutoUpdateSchedule = d.optionAutoUpdateSchedule;
         o.optionAutoUpdateTime = d.optionAutoUpdateTime;
         o.optionAutoUpdateDay = d.optionAutoUpdateDay;
         o.optionAutoUpdateHour = d.optionAutoUpdateHour;
       }},
      {"a text stored as an integer fails too",
       [](MemoryHive& h) { h.SetInteger("OptionPasswordText", 7); },
       [&](AppOptions& o) {
         o.optionPassword = d.optionPassword;
         o.optionPasswordText = d.optionPasswordText;
       }},
      {"an integer stored as something else",
       [](MemoryHive& h) { h.SetOther("OptionNotifyBackupFinish"); },
       [&](AppOptions& o) {
         o.optionNotifyBackupStart = d.optionNotifyBackupStart;
         o.optionNotifyBackupFinish = d.optionNotifyBackupFinish;
         o.optionNotifyUserName = d.optionNotifyUserName;
       }},
      {"a missing text reads as empty without failing",
       [](MemoryHive& h) { h.values.erase("OptionNotifyUserName"); },
       [](AppOptions& o) { o.optionNotifyUserName = ""; }},
      {"the update group without its proxy switch",
       [](MemoryHive& h) { h.values.erase("UpdateProxyEnabled"); },
       [&](AppOptions& o) {
         o.updateDownloadFolder = d.updateDownloadFolder;
         o.updateSearchUrl = d.updateSearchUrl;
         o.updateProxyEnabled = d.updateProxyEnabled;
         o.updateProxyServer = d.updateProxyServer;
         o.updateProxyPort = d.updateProxyPort;
         o.updateFinish = d.updateFinish;
         o.updateConnectCheck = d.updateConnectCheck;
       }},
      {"the window without its splitter",
       [](MemoryHive& h) { h.values.erase("WindowSplit"); },
       [&](AppOptions& o) {
         o.windowLeft = d.windowLeft;
         o.windowTop = d.windowTop;
         o.windowWidth = d.windowWidth;
         o.windowHeight = d.windowHeight;
         o.windowSplit = 144;
       }},
      {"single-value groups", [](MemoryHive& h) {
         for (const char* n : {"BetaMode", "OptionEasyLogView", "OptionLogViewMax", "OptionFileWatch",
                               "OptionCryptEnabled", "OptionEndToTsr", "OptionLogClear", "OptionStartupMin"}) {
           h.values.erase(n);
         }
       },
       [&](AppOptions& o) {
         o.betaMode = 0;
         o.optionEasyLogView = 0;
         o.optionLogViewMax = 100;
         o.optionFileWatch = 0;
         o.optionCryptEnabled = 1;
         o.optionEndToTsr = 0;
         o.optionLogClear = 0;
         o.optionStartupMin = 0;
       }},
      {"the status group", [](MemoryHive& h) { h.values.erase("OptionStatusWholeProgress"); },
       [&](AppOptions& o) {
         o.optionPriority = 0;
         o.optionLogView = 2;
         o.optionLogSave = 0;
         o.optionStatusView = 0;
         o.optionStatusWholeProgress = 0;
       }},
      {"a last backup that is no number", [](MemoryHive& h) { h.SetText("LastBackup", "昨日"); },
       [](AppOptions& o) { o.lastBackup = 0.0; }},
      {"a last backup that is missing", [](MemoryHive& h) { h.values.erase("LastBackup"); },
       [](AppOptions& o) { o.lastBackup = 0.0; }},
  };
  for (const Case& c : cases) {
    MemoryOptionStore store;
    SaveOptions(Changed(), store, false);
    c.change(store.hive);
    AppOptions expected = Changed();
    c.expect(expected);
    EXPECT_EQ(LoadOptions(store, kContext), expected) << c.what;
  }
}

TEST(LoadOptions, OnlyAnEmptyOrEarlierUpdateAddressIsReplaced) {
  const std::pair<std::string, std::string> cases[] = {
      {"", kDefaultUpdateUrl},
      {kEarlierUpdateUrl, kDefaultUpdateUrl},
      {"http://mirror.example/version.txt", "http://mirror.example/version.txt"},
  };
  for (const auto& [stored, loaded] : cases) {
    MemoryOptionStore store;
    SaveOptions(Changed(), store, false);
    store.hive.SetText("UpdateSerchUrl", stored);
    EXPECT_EQ(LoadOptions(store, kContext).updateSearchUrl, loaded) << stored;
  }
}

TEST(LoadOptions, SetFileOnlyWhenAutoSaveAndNoSetOnTheCommandLine) {
  struct Case {
    int autoSave;
    bool commandLineNamedSet;
    bool read;
  } cases[] = {{1, false, true}, {1, true, false}, {0, false, false}, {0, true, false}};
  for (const Case& c : cases) {
    MemoryOptionStore store;
    AppOptions saved = Changed();
    saved.optionAutoSave = c.autoSave;
    SaveOptions(saved, store, false);
    LoadContext context = kContext;
    context.commandLineNamedSet = c.commandLineNamedSet;
    AppOptions loaded = LoadOptions(store, context);
    EXPECT_EQ(loaded.optionAutoSave, c.autoSave);
    EXPECT_EQ(loaded.backupSetFile, c.read ? saved.backupSetFile : "") << c.autoSave << " " << c.commandLineNamedSet;
  }
}

TEST(LoadOptions, UpdateModeStopsAfterTheUpdateValues) {
  MemoryOptionStore store;
  SaveOptions(Changed(), store, false);
  store.hive.SetInteger("OptionAutoSave", 1);
  LoadContext context = kContext;
  context.updateMode = true;
  AppOptions o = LoadOptions(store, context);
  const AppOptions d = DefaultAppOptions(context);
  EXPECT_EQ(o.updateProxyServer, "proxy.example");  // the last group read
  EXPECT_EQ(o.optionNotifyUserName, "経理部のＰＣ");
  EXPECT_EQ(o.windowWidth, d.windowWidth);
  EXPECT_EQ(o.windowSplit, d.windowSplit);
  EXPECT_EQ(o.backupSetFile, "");
  EXPECT_EQ(o.optionEndToTsr, 0);
  EXPECT_EQ(o.optionStartupMin, 0);
  EXPECT_EQ(o.lastBackup, 0.0);
}

TEST(SaveOptions, WritesEveryValueInItsOrder) {
  MemoryOptionStore store;
  std::vector<std::string> steps;
  SaveHooks hooks{[&] { steps.push_back("before " + std::to_string(store.hive.writes.size())); },
                  [&] { steps.push_back("after " + std::to_string(store.hive.writes.size())); }};
  EXPECT_TRUE(SaveOptions(Changed(), store, false, hooks));
  EXPECT_THAT(store.hive.writes,
              ElementsAreArray<std::string>(
                  {"OptionAutoSave", "BackupSetFile", "OptionAutoUpdate", "OptionAutoUpdateSchedule",
                   "OptionAutoUpdateTime", "OptionAutoUpdateDay", "OptionAutoUpdateHour", "OptionPriority",
                   "OptionLogView", "OptionLogViewMax", "OptionLogSave", "OptionStatusView",
                   "OptionStatusWholeProgress", "LastBackup", "OptionEndToTsr", "OptionLogClear",
                   "OptionEasyLogView", "OptionFileWatch", "OptionPassword", "OptionPasswordText",
                   "OptionNotifyBackupStart", "OptionNotifyBackupFinish", "OptionNotifyUserName",
                   "OptionCryptEnabled", "UpdateDownloadFolder", "UpdateSerchUrl", "UpdateProxyEnabled",
                   "UpdateProxyServer", "UpdateProxyPort", "UpdateFinish", "UpdateConnectCheck",
                   "OptionStartupMin", "WindowLeft", "WindowTop", "WindowWidth", "WindowHeight", "WindowSplit",
                   "BetaMode"}));
  EXPECT_THAT(steps, ElementsAre("before 0", "after 38"));
  EXPECT_EQ(store.hive.values["LastBackup"].type, StoredValue::kText);
  EXPECT_EQ(store.hive.values["LastBackup"].text, "39448.75");
  EXPECT_EQ(store.hive.values["OptionAutoUpdateTime"].type, StoredValue::kText);
}

TEST(SaveOptions, UpdateModeWritesNothing) {
  MemoryOptionStore store;
  std::vector<std::string> steps;
  SaveHooks hooks{[&] { steps.push_back("before"); }, [&] { steps.push_back("after"); }};
  EXPECT_FALSE(SaveOptions(Changed(), store, true, hooks));
  EXPECT_THAT(store.hive.writes, IsEmpty());
  EXPECT_FALSE(store.hive.exists);
  EXPECT_THAT(steps, ElementsAre("before"));  // the tray icon still goes
}

TEST(LastBackupText, GeneralFormWithFifteenDigits) {
  EXPECT_EQ(FormatLastBackup(0.0), "0");
  EXPECT_EQ(FormatLastBackup(39448.5), "39448.5");
  EXPECT_EQ(FormatLastBackup(39448.520833333336), "39448.5208333333");
  EXPECT_EQ(FormatLastBackup(1e-20), "1e-20");
  const std::pair<const char*, std::optional<double>> cases[] = {
      {"39448.5", 39448.5}, {" 45000 ", 45000.0}, {"+1.5", 1.5},    {"-2", -2.0},   {"1e3", 1000.0},
      {"", std::nullopt},   {"abc", std::nullopt}, {"1.5x", std::nullopt}, {"1,5", std::nullopt},
      {"inf", std::nullopt}, {"nan", std::nullopt}, {"+-1", std::nullopt},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(ParseLastBackup(text), value) << text;
}

}  // namespace
}  // namespace dm
