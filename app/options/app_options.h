// The application-wide options: the automatic backup schedule, what the
// main window shows, the administrator lock, network notification, password
// enciphering, the online update and the main window's bounds.
//
// They are read once while the main window is created (LoadOptions) and
// written back at every exit (SaveOptions); in between the program changes
// them in memory only. Each field is named after its registry value.
//
// Careful with the names: the values beginning "optionAutoUpdate" are the
// automatic *backup* schedule; the online update uses the "update" values.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/options/option_store.h"

namespace dm {

// Where the version information file is looked for, and the address the
// program used before; a stored earlier address is replaced on loading.
inline constexpr char kDefaultUpdateUrl[] = "https://www.quorvanta.example/drovenmark/version.txt";
inline constexpr char kEarlierUpdateUrl[] = "http://quorvanta.example/soft/drovenmark/version.txt";

// The designed height of the settings list above the splitter.
inline constexpr int kDefaultWindowSplit = 144;

struct AppOptions {
  int betaMode = 0;  // kept from start to exit, no other effect

  int optionAutoSave = 1;     // 1: reopen backupSetFile at start, save the set at exit without asking
  std::string backupSetFile;  // the backup set open at exit (full path)

  // Automatic backup.
  int optionAutoUpdate = 0;                 // 1: automatic backup on
  int optionAutoUpdateSchedule = 0;         // 0 fixed interval, 1 hourly, 2 daily, 3 weekly, 4 monthly
  std::string optionAutoUpdateTime = "5";   // minutes, decimal text
  int optionAutoUpdateDay = 0;              // weekly: 0 Sunday..6 Saturday; monthly: day of month - 1
  int optionAutoUpdateHour = 0;             // interval hours, or hour of day
  double lastBackup = 0.0;                  // start of the last automatic run, days since 1899-12-30; 0 never
                                            // (a catch-up run: the scheduled time it made up for)
  int optionAutoUpdateCatchUp = 1;          // 1: a daily, weekly or monthly time slept through runs later
  double optionAutoUpdateSince = 0.0;       // when the schedule was set: nothing before it is made up for
  int optionFileWatch = 0;                  // 1: watch source folders, run only changed settings

  // The run and the status list.
  int optionPriority = 0;             // backup thread priority, 0 idle .. 6 time critical
  int optionLogView = 2;              // status list detail: 0 none, 1 minimum, 2 standard, 3 detailed
  int optionLogViewMax = 100;         // most lines kept in the status list
  int optionLogSave = 0;              // detail written to the daily log; 0 writes none
  int optionStatusView = 0;           // 1: status bar with progress
  int optionStatusWholeProgress = 0;  // 1: progress over the whole run
  int optionLogClear = 0;             // 1: empty the status list when a run starts
  int optionEasyLogView = 0;          // 1: the status list is hidden

  // Window and tray.
  int optionEndToTsr = 0;    // 1: the close box hides the window to the tray
  int optionStartupMin = 0;  // 1: the start-up shortcut starts the program in the tray
  int windowLeft = 0;
  int windowTop = 0;
  int windowWidth = 0;
  int windowHeight = 0;
  int windowSplit = kDefaultWindowSplit;  // height of the settings list

  // Administrator lock (the password is kept as plain text).
  int optionPassword = 0;
  std::string optionPasswordText;

  // Network notification.
  int optionNotifyBackupStart = 0;
  int optionNotifyBackupFinish = 0;
  std::string optionNotifyUserName;  // computer or user to notify

  int optionCryptEnabled = 1;  // 1: log-in passwords are enciphered in the backup set file

  // Online update.
  std::string updateDownloadFolder;  // default: the start-up directory + "\Download"
  std::string updateSearchUrl = kDefaultUpdateUrl;  // registry value "UpdateSerchUrl"
  int updateProxyEnabled = 0;
  std::string updateProxyServer;
  std::string updateProxyPort = "8080";
  int updateFinish = 0;
  int updateConnectCheck = 1;  // 1: ask before connecting

  bool operator==(const AppOptions&) const = default;
};

// What loading needs to know about this start of the program.
struct LoadContext {
  bool updateMode = false;           // started to install an update: only the first values are read
  bool commandLineNamedSet = false;  // the command line named a backup set (backupSetFile is not read)
  std::string currentDirectory;      // at start; the download folder's default lies below it
  int screenWidth = 0;               // the window's default bounds are taken from the screen
  int screenHeight = 0;
  double now = 0.0;                  // a schedule stored without its setting time counts from this start
};

// Every value at its default for this start.
AppOptions DefaultAppOptions(const LoadContext& context);

// Reads the options. Values are read in groups; when one value of a group
// is missing or unreadable, the whole group keeps its defaults. Never fails:
// without a key every value has its default.
AppOptions LoadOptions(OptionStore& store, const LoadContext& context);

// Steps of saving that belong to the main window.
struct SaveHooks {
  // Before anything is written, also in update mode: close the help
  // windows and remove the tray icon.
  std::function<void()> beforeWrite;
  // After the key is closed (not in update mode): let the help library
  // finish closing its windows.
  std::function<void()> afterWrite;
};

// Writes every value. The caller first brings the values that live in the
// window up to date: backupSetFile (the open set's path), the window
// bounds and windowSplit. In update mode nothing is written.
// True when the values were written: false in update mode and when no key
// could be opened for writing.
bool SaveOptions(const AppOptions& options, OptionStore& store, bool updateMode,
                 const SaveHooks& hooks = {});

// lastBackup as it is stored: general decimal form, up to 15 significant
// digits ("39448.5"). Parsing gives nothing for text that is not a number.
std::string FormatLastBackup(double days);
std::optional<double> ParseLastBackup(std::string_view text);

}  // namespace dm
