#include "app/options/app_options.h"

#include <charconv>
#include <cmath>
#include <initializer_list>
#include <variant>

#include "base/paths.h"
#include "base/text.h"

namespace dm {

namespace {

// One registry value and the field it fills. The date-times (lastBackup,
// optionAutoUpdateSince) are stored as text.
struct Value {
  const char* name;
  std::variant<int AppOptions::*, std::string AppOptions::*, double AppOptions::*> field;
};

#define DM_VALUE(constant, name, field) constexpr Value constant{name, &AppOptions::field};
DM_VALUE(kBetaMode, "BetaMode", betaMode)
DM_VALUE(kOptionAutoSave, "OptionAutoSave", optionAutoSave)
DM_VALUE(kBackupSetFile, "BackupSetFile", backupSetFile)
DM_VALUE(kOptionAutoUpdate, "OptionAutoUpdate", optionAutoUpdate)
DM_VALUE(kOptionAutoUpdateSchedule, "OptionAutoUpdateSchedule", optionAutoUpdateSchedule)
DM_VALUE(kOptionAutoUpdateTime, "OptionAutoUpdateTime", optionAutoUpdateTime)
DM_VALUE(kOptionAutoUpdateDay, "OptionAutoUpdateDay", optionAutoUpdateDay)
DM_VALUE(kOptionAutoUpdateHour, "OptionAutoUpdateHour", optionAutoUpdateHour)
DM_VALUE(kOptionAutoUpdateCatchUp, "OptionAutoUpdateCatchUp", optionAutoUpdateCatchUp)
DM_VALUE(kOptionAutoUpdateSince, "OptionAutoUpdateSince", optionAutoUpdateSince)
DM_VALUE(kOptionPriority, "OptionPriority", optionPriority)
DM_VALUE(kOptionLogView, "OptionLogView", optionLogView)
DM_VALUE(kOptionLogViewMax, "OptionLogViewMax", optionLogViewMax)
DM_VALUE(kOptionLogSave, "OptionLogSave", optionLogSave)
DM_VALUE(kOptionStatusView, "OptionStatusView", optionStatusView)
DM_VALUE(kOptionStatusWholeProgress, "OptionStatusWholeProgress", optionStatusWholeProgress)
DM_VALUE(kLastBackup, "LastBackup", lastBackup)
DM_VALUE(kOptionEndToTsr, "OptionEndToTsr", optionEndToTsr)
DM_VALUE(kOptionLogClear, "OptionLogClear", optionLogClear)
DM_VALUE(kOptionEasyLogView, "OptionEasyLogView", optionEasyLogView)
DM_VALUE(kOptionFileWatch, "OptionFileWatch", optionFileWatch)
DM_VALUE(kOptionPassword, "OptionPassword", optionPassword)
DM_VALUE(kOptionPasswordText, "OptionPasswordText", optionPasswordText)
DM_VALUE(kOptionNotifyBackupStart, "OptionNotifyBackupStart", optionNotifyBackupStart)
DM_VALUE(kOptionNotifyBackupFinish, "OptionNotifyBackupFinish", optionNotifyBackupFinish)
DM_VALUE(kOptionNotifyUserName, "OptionNotifyUserName", optionNotifyUserName)
DM_VALUE(kOptionCryptEnabled, "OptionCryptEnabled", optionCryptEnabled)
DM_VALUE(kUpdateDownloadFolder, "UpdateDownloadFolder", updateDownloadFolder)
DM_VALUE(kUpdateSearchUrl, "UpdateSerchUrl", updateSearchUrl)  // sic: the stored name
DM_VALUE(kUpdateProxyEnabled, "UpdateProxyEnabled", updateProxyEnabled)
DM_VALUE(kUpdateProxyServer, "UpdateProxyServer", updateProxyServer)
DM_VALUE(kUpdateProxyPort, "UpdateProxyPort", updateProxyPort)
DM_VALUE(kUpdateFinish, "UpdateFinish", updateFinish)
DM_VALUE(kUpdateConnectCheck, "UpdateConnectCheck", updateConnectCheck)
DM_VALUE(kOptionStartupMin, "OptionStartupMin", optionStartupMin)
DM_VALUE(kWindowLeft, "WindowLeft", windowLeft)
DM_VALUE(kWindowTop, "WindowTop", windowTop)
DM_VALUE(kWindowWidth, "WindowWidth", windowWidth)
DM_VALUE(kWindowHeight, "WindowHeight", windowHeight)
DM_VALUE(kWindowSplit, "WindowSplit", windowSplit)
#undef DM_VALUE

// The order of saving. (Loading has its own order and groups, below.)
constexpr Value kSaveOrder[] = {
    kOptionAutoSave, kBackupSetFile, kOptionAutoUpdate, kOptionAutoUpdateSchedule, kOptionAutoUpdateTime,
    kOptionAutoUpdateDay, kOptionAutoUpdateHour, kOptionAutoUpdateCatchUp, kOptionAutoUpdateSince,
    kOptionPriority, kOptionLogView, kOptionLogViewMax,
    kOptionLogSave, kOptionStatusView, kOptionStatusWholeProgress, kLastBackup, kOptionEndToTsr,
    kOptionLogClear, kOptionEasyLogView, kOptionFileWatch, kOptionPassword, kOptionPasswordText,
    kOptionNotifyBackupStart, kOptionNotifyBackupFinish, kOptionNotifyUserName, kOptionCryptEnabled,
    kUpdateDownloadFolder, kUpdateSearchUrl, kUpdateProxyEnabled, kUpdateProxyServer, kUpdateProxyPort,
    kUpdateFinish, kUpdateConnectCheck, kOptionStartupMin, kWindowLeft, kWindowTop, kWindowWidth,
    kWindowHeight, kWindowSplit, kBetaMode,
};

bool ReadValue(OptionKey& key, const Value& value, AppOptions& options) {
  if (auto field = std::get_if<int AppOptions::*>(&value.field)) {
    std::optional<int> read = key.ReadInteger(value.name);
    if (read) options.**field = *read;
    return read.has_value();
  }
  std::optional<std::string> text = key.ReadText(value.name);
  if (!text) return false;
  if (auto field = std::get_if<std::string AppOptions::*>(&value.field)) {
    options.**field = *text;
    return true;
  }
  std::optional<double> number = ParseLastBackup(*text);
  if (number) options.*std::get<double AppOptions::*>(value.field) = *number;
  return number.has_value();
}

void CopyValue(const Value& value, const AppOptions& from, AppOptions& to) {
  std::visit([&](auto field) { to.*field = from.*field; }, value.field);
}

// Reads a group of values; if any of them fails, every value of the group
// takes its default, also those already read.
void ReadGroup(OptionKey& key, std::initializer_list<Value> group, AppOptions& options,
               const AppOptions& defaults) {
  for (const Value& value : group) {
    if (!ReadValue(key, value, options)) {
      for (const Value& each : group) CopyValue(each, defaults, options);
      return;
    }
  }
}

bool WriteValue(OptionKey& key, const Value& value, const AppOptions& options) {
  if (auto field = std::get_if<int AppOptions::*>(&value.field)) {
    return key.WriteInteger(value.name, options.**field);
  }
  if (auto field = std::get_if<std::string AppOptions::*>(&value.field)) {
    return key.WriteText(value.name, options.**field);
  }
  return key.WriteText(value.name, FormatLastBackup(options.*std::get<double AppOptions::*>(value.field)));
}

}  // namespace

AppOptions DefaultAppOptions(const LoadContext& context) {
  AppOptions options;
  options.updateDownloadFolder = JoinPath(context.currentDirectory, "Download");
  // Two thirds of the screen each way, centred.
  options.windowWidth = context.screenWidth * 2 / 3;
  options.windowHeight = context.screenHeight * 2 / 3;
  options.windowLeft = (context.screenWidth - options.windowWidth) / 2;
  options.windowTop = (context.screenHeight - options.windowHeight) / 2;
  options.windowSplit = kDefaultWindowSplit;
  // Unknown when it was set (a key written before the time was kept): as
  // if now, so no time before this start is made up for.
  options.optionAutoUpdateSince = context.now;
  return options;
}

AppOptions LoadOptions(OptionStore& store, const LoadContext& context) {
  const AppOptions defaults = DefaultAppOptions(context);
  AppOptions options = defaults;
  std::unique_ptr<OptionKey> key = store.OpenForReading();
  if (!key) return options;

  ReadGroup(*key, {kBetaMode}, options, defaults);
  ReadGroup(*key,
            {kOptionAutoSave, kOptionAutoUpdate, kOptionAutoUpdateSchedule, kOptionAutoUpdateTime,
             kOptionAutoUpdateDay, kOptionAutoUpdateHour},
            options, defaults);
  // Each on its own: a key from before they existed keeps the schedule.
  ReadGroup(*key, {kOptionAutoUpdateCatchUp}, options, defaults);
  ReadGroup(*key, {kOptionAutoUpdateSince}, options, defaults);
  ReadGroup(*key, {kOptionEasyLogView}, options, defaults);
  ReadGroup(*key, {kOptionPriority, kOptionLogView, kOptionLogSave, kOptionStatusView, kOptionStatusWholeProgress},
            options, defaults);
  ReadGroup(*key, {kOptionLogViewMax}, options, defaults);
  ReadGroup(*key, {kOptionFileWatch}, options, defaults);
  ReadGroup(*key, {kOptionPassword, kOptionPasswordText}, options, defaults);
  ReadGroup(*key, {kOptionNotifyBackupStart, kOptionNotifyBackupFinish, kOptionNotifyUserName}, options, defaults);
  ReadGroup(*key, {kOptionCryptEnabled}, options, defaults);
  // On a first start the proxy switch is missing, so all seven take their
  // defaults although the texts before it read as empty.
  ReadGroup(*key,
            {kUpdateDownloadFolder, kUpdateSearchUrl, kUpdateProxyEnabled, kUpdateProxyServer, kUpdateProxyPort,
             kUpdateFinish, kUpdateConnectCheck},
            options, defaults);
  if (options.updateSearchUrl.empty() || options.updateSearchUrl == kEarlierUpdateUrl) {
    options.updateSearchUrl = kDefaultUpdateUrl;
  }
  // An update run needs no more than this, and must not take over the set.
  if (context.updateMode) return options;

  ReadGroup(*key, {kWindowLeft, kWindowTop, kWindowWidth, kWindowHeight, kWindowSplit}, options, defaults);
  if (options.optionAutoSave == 1 && !context.commandLineNamedSet) {
    ReadGroup(*key, {kBackupSetFile}, options, defaults);
  }
  ReadGroup(*key, {kOptionEndToTsr}, options, defaults);
  ReadGroup(*key, {kOptionLogClear}, options, defaults);
  ReadGroup(*key, {kOptionStartupMin}, options, defaults);
  ReadGroup(*key, {kLastBackup}, options, defaults);
  return options;
}

bool SaveOptions(const AppOptions& options, OptionStore& store, bool updateMode, const SaveHooks& hooks) {
  if (hooks.beforeWrite) hooks.beforeWrite();
  // The update run's options are not the user's: the installed program
  // saves its own when it ends.
  if (updateMode) return false;
  std::unique_ptr<OptionKey> key = store.OpenForWriting();
  const bool written = key != nullptr;
  if (key) {
    // A failed write has no remedy here; the remaining values are still written.
    for (const Value& value : kSaveOrder) WriteValue(*key, value, options);
    key.reset();
  }
  if (hooks.afterWrite) hooks.afterWrite();
  return written;
}

std::string FormatLastBackup(double days) { return StringPrintf("%.15g", days); }

std::optional<double> ParseLastBackup(std::string_view text) {
  std::string_view t = TrimView(text);
  if (t.size() > 1 && t[0] == '+' && t[1] != '-') t.remove_prefix(1);
  if (t.empty()) return std::nullopt;
  double value = 0;
  auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), value);
  if (error != std::errc() || end != t.data() + t.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

}  // namespace dm
