// TMainForm: the program's one top-level window. It shows the backup set as
// the settings list and the reports of runs as the status list, starts,
// pauses and aborts runs, keeps the schedule, and lives in the notification
// area with an animated icon while a run is in progress.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <vector>

#include "app/options/app_options.h"
#include "app/options/win/registry_store.h"
#include "app/shell/launch_options.h"
#include "app/shell/message_service.h"
#include "app/shell/set_commands.h"
#include "app/shell/set_document.h"
#include "app/win/commands.h"
#include "app/win/keep_awake.h"
#include "app/win/ui_event_queue.h"
#include "backupset/backup_setting.h"
#include "backupset/win/win32_set_file_services.h"
#include "base/win/dpi_layout.h"
#include "base/win/gdi_handles.h"
#include "engine/run_control.h"
#include "engine/win32/win32_file_system.h"
#include "engine/win32/win32_network.h"

namespace dm {

struct OptionFields;

// The exit code of a program started with a command-line run.
enum RunExitCode : int { kExitSuccess = 0, kExitWithErrors = 1, kExitAbortedOrRefused = 2 };

// The window's timers, set and answered in its several source files.
enum MainWindowTimer : UINT_PTR {
  kAutoBackupTimer = 1,
  kIconTimer = 2,
  kTimer1 = 3,
  kTimerUpdate = 4,
  kUiEventsTimer = 5,
};

class TMainForm : public SetView {
 public:
  // Every box the window and its set files show goes through `messages`.
  TMainForm(HINSTANCE instance, const LaunchOptions& launch, MessageService& messages);
  ~TMainForm();

  // Registers the class, creates the window and runs FormCreate.
  bool Create();
  HWND Handle() const { return hwnd_; }
  int ExitCode() const { return exitCode_; }
  HACCEL Accelerators() const { return accelerators_; }
  // A run still going after the window closed (it did not end in time
  // after its abort): its thread still uses the window's objects.
  bool RunStillActive() const { return runActive_; }

 private:
  static LRESULT CALLBACK StaticProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT WndProc(UINT message, WPARAM wparam, LPARAM lparam);

  // Set-up (main_window.cpp).
  void FormCreate();
  void CreateMenus();
  void CreateToolbar();
  void CreateLists();
  void CreateStatusBar();
  void Layout();
  // The window at a new DPI (WM_DPICHANGED), after its layout placed the
  // controls and fonts: icons, the toolbar, columns and panels.
  void OnDpiChanged();
  // An invisible run's window is never shown: it draws no icons and no
  // images, which would cost its start more than the run of a small set.
  bool DrawsImages() const { return !launch_.hidden; }
  void SetWindowIcons();
  void SetReportKindImages();
  void SetStatusBarParts();
  void RecreateToolbar();
  void ApplyWindowBounds();
  void SetCaption();

  // Commands.
  void OnCommand(int id);
  void Enable(int id, bool enabled) override;
  void Enable(std::initializer_list<int> ids, bool enabled);
  void Check(std::initializer_list<int> ids, bool checked);
  bool IsEnabled(int id) const override;
  void ListView1Click();
  void EnableBackupCommandsByRowCount();
  void BuckupPopupClick();

  // Settings list and status list.
  void FillSettingsList();
  void SetRowTexts(int row);
  void OnSettingsListNotify(NMHDR* header, LRESULT& result, bool& handled);
  LRESULT ListView1AdvancedCustomDrawItem(NMLVCUSTOMDRAW* draw);
  void AddStatusLine(int kind, const std::string& title, int level, const std::string& text) override;
  bool StatusLineShown(int level) const;
  int AppendStatusLine(int kind, const std::string& title, const std::string& text);
  void ShowContextMenu(HWND from, int x, int y);

  // Runs (main_window_run.cpp).
  void BackupClick();
  void TestMenuClick();
  void BackupShutdownMenuClick();
  void TodayLogViewMenuClick();
  void StartRun(BackupRunMode mode);
  void PauseMenuClick();
  void ToolButtonAbortClick();
  void AutoBackupMenuClick();
  void AutoBackupTimerTimer();
  void Timer1Timer();
  void ApplyUiEvents();
  void RunStarted();
  void RunFinished(bool aborted);
  void ShowEndingForm(const wchar_t* text);
  void HideEndingForm();
  void WaitForRunToEnd();
  void StartAllWatchers();
  void StopAllWatchers();

  // Tray (main_window_run.cpp).
  void AddTrayIcon();
  void RemoveTrayIcon();
  void ShowTrayFrame(int frame);
  void SetTrayAnimation(bool on);
  void IconTimerTimer();
  void OnTrayMessage(LPARAM mouseMessage);
  void ShowFromTray();

  // Options and the administrator lock (main_window_options.cpp).
  void OptionClick();
  void TakeOverOptions(const OptionFields& fields);
  bool UnlockWithPassword();

  // Online update and the about box (main_window_update.cpp).
  void UpdateMenuClick();
  void AboutClick();
  void TimerUpdateTimer();

  // The set and closing.
  bool OpenSetAtStart(const std::string& path);
  bool QueryClose();
  void SaveOptionsNow();

  // The view the set commands drive (main_window_set.cpp).
  void ShowRows(int selected) override;
  int SelectedRow() const override;
  void SetTitle(const std::string& title) override;
  void Warn(const std::string& text) override;
  bool Confirm(const std::string& text) override;
  SaveAnswer AskSave(const std::string& text) override;
  std::optional<std::string> ChooseSetToOpen() override;
  OPENFILENAMEW SetFileDialog(std::wstring& path, const wchar_t* title, DWORD flags) const;
  std::optional<std::string> ChooseSetToSave(const std::string& current) override;
  bool FileExists(const std::string& path) override;
  bool EditSetting(BackupSetting& setting, bool adding) override;

  HINSTANCE instance_;
  LaunchOptions launch_;
  MessageService& messages_;
  HWND hwnd_ = nullptr;
  HWND toolbar_ = nullptr;
  HWND settingsList_ = nullptr;  // ListView1
  HWND statusList_ = nullptr;    // ListView2
  HWND statusBar_ = nullptr;     // StatusBar1
  HWND progressBar_ = nullptr;   // ProgressBar1
  HWND endingForm_ = nullptr;    // EndingForm
  HWND endingLabel1_ = nullptr;
  HMENU mainMenu_ = nullptr;
  HMENU settingsPopup_ = nullptr;  // PopupMenu1
  HMENU backupDropDown_ = nullptr; // PopupMenu2
  HMENU trayMenu_ = nullptr;       // PopupMenu3
  HACCEL accelerators_ = nullptr;
  ImageListHandle reportImages_;  // ImageList3
  ImageListHandle trayFrames_;    // ImageList5
  ImageListHandle toolbarImages_;
  HICON bigIcon_ = nullptr;    // the class's, at the system DPI
  HICON smallIcon_ = nullptr;
  HICON trayIcon_ = nullptr;
  IconHandle windowBigIcon_;   // the window's own, at its DPI
  IconHandle windowSmallIcon_;
  // Every size of the window goes through here, at the window's DPI.
  DpiLayout layout_;
  DpiLayout::FontId listFont_ = DpiLayout::kProgramFont;
  DpiLayout::FontId statusFont_ = DpiLayout::kProgramFont;
  int laidOutDpi_ = kDesignDpi;  // the DPI the columns were last set for
  std::wstring endingText_;      // what the ending form shows
  UINT taskbarCreatedMessage_ = 0;

  AppOptions options_;
  RegistryOptionStore optionStore_;
  SetDocument document_;
  Win32SetFileServices setServices_;
  // The set files' services with the window's own message boxes.
  SetFileServices setFiles_{setServices_.location, setServices_.cipher, messages_, setServices_.storage};
  Win32FileSystem fileSystem_;
  Win32NetworkAccess network_;
  std::unique_ptr<WatcherFactory> watcherFactory_;
  RunControl control_;
  std::unique_ptr<UiEventQueue> events_;
  std::unique_ptr<SetCommands> commands_;
  std::unique_ptr<KeepAwake> keepAwake_ = MakeProgramKeepAwake();  // on while a backup run is in progress

  bool running_ = false;           // a run (or a modal list command) is in progress
  bool runActive_ = false;         // a backup run itself is in progress
  bool shutdownRequest_ = false;   // shut down after this run
  bool trayShown_ = false;
  int trayFrame_ = 0;
  bool iconTimerOn_ = false;
  bool dragging_ = false;          // the splitter
  int splitterTop_ = 0;
  int lastRunErrors_ = 0;
  bool lastRunAborted_ = false;
  bool commandLineRunStarted_ = false;
  bool setOpenFailed_ = false;     // the set named at start could not be opened
  int exitCode_ = kExitSuccess;
  bool optionsSaved_ = false;
  bool fillingList_ = false;       // the list is being refilled: its notifications are not the user's
  bool optionDialogOpen_ = false;  // the options dialog is being handled
  bool lockPromptOpen_ = false;    // the administrator password is being asked for
  bool closing_ = false;           // a close request is being handled
};

}  // namespace dm
