// The main window's life: creation, the message map, runs and their
// control, the schedule, the tray icon and closing.
#include <windowsx.h>

#include <filesystem>

#include "app/shell/missed_schedule.h"
#include "app/shell/run_jobs.h"
#include "app/shell/schedule.h"
#include "app/win/main_window.h"
#include "app/win/message_boxes.h"
#include "app/win/icons.h"
#include "app/win/help.h"
#include "app/win/watchers.h"
#include "app/win/work_areas.h"
#include "app/win/shutdown.h"
#include "base/datetime.h"
#include "base/paths.h"
#include "base/win/wide.h"
#include "engine/backup_thread.h"
#include "engine/run_thread.h"
#include "logview/win/log_view.h"
#include "logview/win/win32_log_folder.h"

namespace dm {

namespace {

// After a batch of run events the window looks again this much later, so a
// run that reports thousands of lines wakes it some fifty times a second
// rather than once a line (each wake-up is a round trip to the system).
constexpr UINT kUiEventsPauseMs = 20;
constexpr int kSplitterHeight = 5;  // at 96 DPI, as every size here
constexpr size_t kEventsPerBatch = 50000;
constexpr int kCentredPanel = 2;

std::string CurrentDirectory() {
  wchar_t buffer[MAX_PATH * 4];
  DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(std::size(buffer)), buffer);
  return WideToUtf8(std::wstring(buffer, length));
}

}  // namespace

void TMainForm::FormCreate() {
  layout_.Attach(hwnd_);
  laidOutDpi_ = layout_.Dpi();
  SetWindowIcons();
  events_ = std::make_unique<UiEventQueue>(hwnd_, kUiEventsMessage);
  CreateMenus();
  CreateToolbar();
  CreateLists();
  CreateStatusBar();
  watcherFactory_ = MakeWindowWatcherFactory(
      settingsList_, [this](const ReportLine& line) { AddStatusLine(line.kind, line.title, line.level, line.text); });
  commands_ = std::make_unique<SetCommands>(
      document_, *this, setFiles_, *watcherFactory_,
      SetCommandState{options_.optionCryptEnabled, options_.optionAutoSave,
                      [this] { return options_.optionAutoUpdate == 1 && options_.optionFileWatch == 1; },
                      launch_.runAndExit, running_});

  // 1. The idle state.
  SendMessageW(progressBar_, PBM_SETPOS, 0, 0);
  Enable({ToolButtonAbort, AbortMenu, PopUpMenuAbort, ToolButtonSave, SaveMenu, NewSaveMenu, ToolButtonPause,
          PauseMenu, TaskMenuPause, TaskMenuStop},
         false);
  ListView1Click();
  running_ = false;
  shutdownRequest_ = false;

  // 2-3. Options; an updater only starts its timer.
  LoadContext context;
  context.updateMode = launch_.updateMode;
  context.commandLineNamedSet = !launch_.setPath.empty();
  context.currentDirectory = CurrentDirectory();
  context.screenWidth = GetSystemMetrics(SM_CXSCREEN);
  context.screenHeight = GetSystemMetrics(SM_CYSCREEN);
  context.now = EncodeDateTime(SystemClock().Now());
  options_ = LoadOptions(optionStore_, context);
  if (launch_.updateMode) {
    SetTimer(hwnd_, kTimerUpdate, 1, nullptr);
    return;
  }

  // 4-5. Bounds, window and tray. Bounds left where no screen is any more
  // (a monitor disconnected, another resolution) come back on one.
  ScreenRect bounds = PlaceOnWorkArea(
      {options_.windowLeft, options_.windowTop, options_.windowLeft + options_.windowWidth,
       options_.windowTop + options_.windowHeight},
      MonitorWorkAreas(), TitleBarHeight());
  SetWindowPos(hwnd_, nullptr, bounds.left, bounds.top, bounds.Width(), bounds.Height(),
               SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(statusBar_, options_.optionStatusView == 1 ? SW_SHOW : SW_HIDE);
  Layout();
  if (!launch_.hidden) {
    if (!launch_.startInTray) ShowWindow(hwnd_, SW_SHOW);
    AddTrayIcon();
  }

  // 6. The backup set.
  std::string path = !launch_.setPath.empty() ? launch_.setPath
                     : options_.optionAutoSave == 1 ? options_.backupSetFile
                                                    : std::string();
  // An invisible run's day's log is all a person will read of it: a set it
  // could not open is named there, unless a message that did so is.
  if (!path.empty()) {
    if (FileExists(path)) {
      const int told = messages_.AnsweredUnattended();
      setOpenFailed_ = !OpenSetAtStart(path);
      if (setOpenFailed_ && launch_.hidden && messages_.AnsweredUnattended() == told) {
        WriteDayLogErrorLine("バックアップセットファイルを開けません " + path);
      }
    } else {
      document_.SetFileName(path);
      setOpenFailed_ = true;
      const std::string text = "バックアップセットファイルが見つかりません " + path;
      AddStatusLine(kReportError, "エラー", kLevelMinimum, text);
      if (launch_.hidden) WriteDayLogErrorLine(text);
    }
  }

  // 8-11.
  SetCaption();
  EnableBackupCommandsByRowCount();
  BuckupPopupClick();
  if (options_.optionAutoUpdate == 1) SetTimer(hwnd_, kAutoBackupTimer, 1000, nullptr);
  UpdateWindow(hwnd_);
  // The first tick starts a command-line run once the window has been
  // drawn; an invisible run has no window to draw and takes its tick at
  // once, without waiting for the system's timer.
  if (launch_.hidden) {
    PostMessageW(hwnd_, WM_TIMER, kTimer1, 0);
  } else {
    SetTimer(hwnd_, kTimer1, 100, nullptr);
  }
}

bool TMainForm::OpenSetAtStart(const std::string& path) {
  // A refused file leaves the set untitled, as it was.
  return commands_->LoadFile(path, false);
}

LRESULT TMainForm::WndProc(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == taskbarCreatedMessage_ && taskbarCreatedMessage_ != 0) {
    // The shell restarted: its notification area forgot the icon.
    if (trayShown_) {
      trayShown_ = false;
      AddTrayIcon();
    }
    return 0;
  }
  LRESULT dpi_result = 0;
  if (layout_.HandleDpiMessage(message, wparam, lparam, dpi_result, [this] { OnDpiChanged(); })) return dpi_result;
  switch (message) {
    case WM_SIZE:
      if (toolbar_) Layout();
      return 0;
    case WM_COMMAND:
      if (lparam == 0 || reinterpret_cast<HWND>(lparam) == toolbar_) OnCommand(LOWORD(wparam));
      return 0;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lparam);
      if (header->hwndFrom == settingsList_) {
        LRESULT result = 0;
        bool handled = false;
        OnSettingsListNotify(header, result, handled);
        if (handled) return result;
      } else if (header->code == TBN_DROPDOWN) {
        auto* drop = reinterpret_cast<NMTOOLBARW*>(lparam);
        if (drop->iItem == ToolButtonBackup) {
          RECT rect;
          SendMessageW(toolbar_, TB_GETRECT, ToolButtonBackup, reinterpret_cast<LPARAM>(&rect));
          MapWindowPoints(toolbar_, nullptr, reinterpret_cast<POINT*>(&rect), 2);
          TrackPopupMenu(GetSubMenu(backupDropDown_, 0), TPM_LEFTALIGN, rect.left, rect.bottom, 0, hwnd_, nullptr);
          return TBDDRET_DEFAULT;
        }
      }
      break;
    }
    case WM_CONTEXTMENU:
      ShowContextMenu(reinterpret_cast<HWND>(wparam), GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam));
      return 0;
    case WM_INITMENUPOPUP:
      BuckupPopupClick();
      break;
    case WM_SETCURSOR: {
      POINT p;
      GetCursorPos(&p);
      ScreenToClient(hwnd_, &p);
      if (reinterpret_cast<HWND>(wparam) == hwnd_ && p.y >= splitterTop_ &&
          p.y < splitterTop_ + layout_.Px(kSplitterHeight)) {
        SetCursor(LoadCursorW(nullptr, IDC_SIZENS));
        return TRUE;
      }
      break;
    }
    case WM_LBUTTONDOWN:
      if (GET_Y_LPARAM(lparam) >= splitterTop_ &&
          GET_Y_LPARAM(lparam) < splitterTop_ + layout_.Px(kSplitterHeight)) {
        dragging_ = true;
        SetCapture(hwnd_);
      }
      return 0;
    case WM_MOUSEMOVE:
      if (dragging_) {
        RECT bar;
        GetWindowRect(toolbar_, &bar);
        // Kept as the height it has at 96 DPI.
        options_.windowSplit =
            std::max(20, UnscaleFromDpi(GET_Y_LPARAM(lparam) - (bar.bottom - bar.top), layout_.Dpi()));
        Layout();
      }
      return 0;
    case WM_LBUTTONUP:
      if (dragging_) {
        dragging_ = false;
        ReleaseCapture();
      }
      return 0;
    case WM_TIMER:
      if (wparam == kAutoBackupTimer) AutoBackupTimerTimer();
      if (wparam == kIconTimer) IconTimerTimer();
      if (wparam == kTimer1) Timer1Timer();
      if (wparam == kTimerUpdate) TimerUpdateTimer();
      if (wparam == kUiEventsTimer) {
        KillTimer(hwnd_, kUiEventsTimer);
        ApplyUiEvents();
      }
      return 0;
    case kUiEventsMessage:
      ApplyUiEvents();
      return 0;
    case kTrayCallbackMessage:
      OnTrayMessage(lparam);
      return 0;
    case kCommandLineRunDoneMessage:
      commands_->SaveIfModified();
      SaveOptionsNow();
      DestroyWindow(hwnd_);
      return 0;
    case kShutdownAfterRunMessage:
      commands_->SaveIfModified();
      SaveOptionsNow();
      ShutdownSystem(messages_);
      // An invisible program that outlived a failed shutdown would run on
      // unseen and hold the single-instance mutex: every later scheduled
      // start would end at once. The shutdown ends a visible one.
      if (launch_.hidden) DestroyWindow(hwnd_);
      return 0;
    case WM_POWERBROADCAST:
      // Back from sleep: a scheduled time slept through is made up for now,
      // not at a timer tick that may come late.
      if ((wparam == PBT_APMRESUMEAUTOMATIC || wparam == PBT_APMRESUMESUSPEND) && !launch_.updateMode) {
        AutoBackupTimerTimer();
      }
      return TRUE;
    case WM_QUERYENDSESSION:
      if (runActive_) control_.RequestAbort();
      StopAllWatchers();
      commands_->SaveAtSessionEnd();
      SaveOptionsNow();
      return TRUE;
    case WM_SYSCOMMAND:
      if (wparam == 10) return 0;
      if ((wparam & 0xFFF0) == SC_MINIMIZE) {
        ShowWindow(hwnd_, SW_HIDE);
        return 0;
      }
      if ((wparam & 0xFFF0) == SC_CLOSE && options_.optionEndToTsr == 1) {
        ShowWindow(hwnd_, SW_HIDE);
        return 0;
      }
      break;
    case WM_CLOSE:
      // One close at a time: a second request while the first waits for a
      // run's end or a save question (the tray's 終了, an installer closing
      // the program) is the same request, not a second question.
      if (closing_) return 0;
      closing_ = true;
      if (QueryClose()) {
        SaveOptionsNow();
        DestroyWindow(hwnd_);
      }
      closing_ = false;
      return 0;
    case WM_DESTROY:
      RemoveTrayIcon();
      StopAllWatchers();
      PostQuitMessage(exitCode_);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd_, message, wparam, lparam);
}

void TMainForm::OnCommand(int id) {
  // The Save commands stay locked while a run goes on, even for a command
  // that arrives without its disabled control.
  if ((id == ToolButtonSave || id == SaveMenu || id == NewSaveMenu) && !IsEnabled(id)) return;
  if (commands_->Dispatch(id)) return;
  switch (id) {
    case ToolButtonBackup:
    case BackupMenu:
    case PopUpMenuBackup:
    case TaskMenuBackup:
      BackupClick();
      break;
    case TestMenu:
    case N6:
      TestMenuClick();
      break;
    case BackupShutdownMenu:
    case X1:
    case TaskMenuBackupShutdown:
      BackupShutdownMenuClick();
      break;
    case PauseMenu:
    case ToolButtonPause:
    case TaskMenuPause:
      PauseMenuClick();
      break;
    case AbortMenu:
    case ToolButtonAbort:
    case PopUpMenuAbort:
    case TaskMenuStop:
      ToolButtonAbortClick();
      break;
    case AutoBackupMenu:
    case ToolButtonAuto:
    case TaskMenuAuto:
      AutoBackupMenuClick();
      break;
    case TodayLogViewMenu:
      TodayLogViewMenuClick();
      break;
    case HelpContentsMenu:
    case ToolButton1:
      ShowHelp(hwnd_);
      break;
    case HomePageMenu:
      HomePageClick();
      break;
    case ToolButtonOption:
    case OptionMenu:
    case TaskMenuOption:
      OptionClick();
      break;
    case UpdateMenu:
      UpdateMenuClick();
      break;
    case AboutMenu:
      AboutClick();
      break;
    case ExitMenu:
    case TaskMenuExit:
      PostMessageW(hwnd_, WM_CLOSE, 0, 0);
      break;
    default:
      break;
  }
}

// ---- Runs ----

// The run commands need no row: a run of an empty list writes its start and
// end lines. Where a control is disabled its command never comes.
void TMainForm::BackupClick() {
  if (running_) return;
  SetTrayAnimation(true);
  StartRun(kRunManual);
}

void TMainForm::TestMenuClick() {
  if (running_) return;
  SetTrayAnimation(true);
  StartRun(kRunTest);
}

void TMainForm::BackupShutdownMenuClick() {
  if (running_) return;
  BoxAnswer answer = messages_.Show({"バックアップを実行した後に、システムをシャットダウンします。　　　　\n\n"
                                     "全てのプロセスは強制的に終了されます。よろしいですか？",
                                     BoxIcon::kQuestion, BoxButtons::kYesNo, BoxAnswer::kYes});
  if (answer != BoxAnswer::kYes) return;
  shutdownRequest_ = true;
  SetTrayAnimation(true);
  StartRun(kRunManual);
}

void TMainForm::StartRun(BackupRunMode mode) {
  if (running_) return;
  running_ = true;
  runActive_ = true;
  keepAwake_->Set(true);
  control_.Reset();

  RunOptions run_options;
  run_options.statusBarProgress = options_.optionStatusView == 1;
  run_options.wholeProgress = options_.optionStatusWholeProgress == 1;
  run_options.statusLevel = options_.optionLogView;
  run_options.logLevel = options_.optionLogSave;
  run_options.fileWatch = options_.optionFileWatch == 1;
  run_options.notifyStart = options_.optionNotifyBackupStart == 1;
  run_options.notifyFinish = options_.optionNotifyBackupFinish == 1;
  run_options.notifyUserName = options_.optionNotifyUserName;
  run_options.scheduleKind = options_.optionAutoUpdateSchedule;
  run_options.logFolder = ProgramFolder();
  run_options.copyThreads = 2;
  // The pause before the end lets a shown window draw the run's last lines;
  // an invisible run has no window to wait for.
  if (launch_.hidden) run_options.finishDelayMs = 0;
  auto run = std::make_unique<TFileBackupThread>(
      mode, run_options, RunServices{fileSystem_, *events_, control_, SystemClock(), &network_});

  if (options_.optionLogClear == 1) ListView_DeleteAllItems(statusList_);
  RunJobs jobs = BuildRunJobs(document_.RunRows(), mode, options_.optionAutoUpdate == 1,
                              options_.optionFileWatch == 1);
  for (const ReportLine& line : jobs.statusLines) AddStatusLine(line.kind, line.title, line.level, line.text);
  for (BackupJob& job : jobs.jobs) run->AddJob(std::move(job));
  InvalidateRect(settingsList_, nullptr, FALSE);
  // Priority 6 (time critical) is honoured like the others.
  if (!StartRunThread(std::move(run), options_.optionPriority)) {
    running_ = false;
    runActive_ = false;
    keepAwake_->Set(false);
    AddStatusLine(kReportError, "エラー", kLevelMinimum, "バックアップを開始できませんでした");
  }
}

void TMainForm::PauseMenuClick() {
  if (!runActive_) return;
  if (control_.Paused()) {
    control_.Resume();
    Check({PauseMenu, TaskMenuPause, ToolButtonPause}, false);
    if (trayShown_ && iconTimerOn_) SetTimer(hwnd_, kIconTimer, trayFrame_ == 9 ? 1000 : 100, nullptr);
  } else {
    control_.Pause();
    Check({PauseMenu, TaskMenuPause, ToolButtonPause}, true);
    KillTimer(hwnd_, kIconTimer);  // the icon keeps its frame
  }
}

void TMainForm::ToolButtonAbortClick() {
  if (!runActive_ || control_.AbortRequested()) return;
  shutdownRequest_ = false;
  control_.RequestAbort();  // also releases a paused run
  Check({PauseMenu, TaskMenuPause, ToolButtonPause}, false);
  ShowEndingForm(L"バックアップ処理を中止しています");
}

void TMainForm::AutoBackupMenuClick() {
  options_.lastBackup = 0.0;
  // Switched either way: a time before now is never made up for.
  options_.optionAutoUpdateSince = EncodeDateTime(SystemClock().Now());
  options_.optionAutoUpdate = options_.optionAutoUpdate == 1 ? 0 : 1;
  BuckupPopupClick();
  if (options_.optionAutoUpdate == 1) {
    SetTimer(hwnd_, kAutoBackupTimer, 1000, nullptr);
    if (options_.optionFileWatch == 1) StartAllWatchers();
  } else {
    KillTimer(hwnd_, kAutoBackupTimer);
    bool many = document_.RowCount() > 3;
    if (many) ShowEndingForm(L"フォルダ監視スレッドを終了しています");
    StopAllWatchers();
    if (many) HideEndingForm();
  }
  InvalidateRect(settingsList_, nullptr, FALSE);
}

void TMainForm::AutoBackupTimerTimer() {
  if (running_ || options_.optionAutoUpdate == 0) return;
  Schedule schedule;
  schedule.kind = options_.optionAutoUpdateSchedule;
  schedule.minuteText = options_.optionAutoUpdateTime;
  schedule.hour = options_.optionAutoUpdateHour;
  schedule.day = options_.optionAutoUpdateDay;
  std::optional<ScheduledRun> run =
      ScheduledRunAt(schedule, SystemClock().Now(),
                     {options_.lastBackup, options_.optionAutoUpdateSince, options_.optionAutoUpdateCatchUp == 1});
  if (!run) return;
  options_.lastBackup = run->lastBackup;
  // A catch-up run says which time it makes up for, before the run's own
  // start line: in the day's log before the run opens it, in the status
  // list after StartRun emptied it (the run's lines come later, by the
  // window's queue).
  const std::string notice = run->madeUpFor ? MissedScheduleNotice(*run->madeUpFor) : std::string();
  if (!notice.empty() && options_.optionLogSave >= kLevelMinimum) WriteDayLogLine(kReportNotice, "通知", notice);
  SetTrayAnimation(true);
  StartRun(kRunAutomatic);
  if (!notice.empty()) AddStatusLine(kReportNotice, "通知", kLevelMinimum, notice);
}

void TMainForm::Timer1Timer() {
  KillTimer(hwnd_, kTimer1);
  if (launch_.CommandLineRun()) {
    if (launch_.shutDownAfterRun) shutdownRequest_ = true;
    commandLineRunStarted_ = true;
    StartRun(kRunAutomatic);
    if (trayShown_) SetTrayAnimation(true);
  }
  InvalidateRect(statusList_, nullptr, FALSE);
}

void TMainForm::ApplyUiEvents() {
  bool more = false;
  std::deque<UiEvent> batch = events_->Take(kEventsPerBatch, more);
  // The status list keeps its newest OptionLogViewMax + 1 lines. When a
  // batch brings more than that, the earlier ones would be added only to be
  // deleted again: the list starts over with the batch's last lines. Only
  // the last progress and panel texts of a batch are shown at all.
  const size_t keep = static_cast<size_t>(std::max(0, options_.optionLogViewMax)) + 1;
  size_t shown_lines = 0;
  size_t last_progress = batch.size();
  size_t last_panel[4] = {batch.size(), batch.size(), batch.size(), batch.size()};
  for (size_t i = 0; i < batch.size(); ++i) {
    const UiEvent& event = batch[i];
    if (event.type == UiEvent::kStatusLine && StatusLineShown(event.line.level)) ++shown_lines;
    if (event.type == UiEvent::kProgress) last_progress = i;
    if (event.type == UiEvent::kPanel && event.number >= 0 && event.number < 4) last_panel[event.number] = i;
  }
  size_t skip_lines = shown_lines > keep ? shown_lines - keep : 0;
  SendMessageW(statusList_, WM_SETREDRAW, FALSE, 0);
  if (skip_lines > 0) ListView_DeleteAllItems(statusList_);
  for (size_t i = 0; i < batch.size(); ++i) {
    UiEvent& event = batch[i];
    switch (event.type) {
      case UiEvent::kStatusLine:
        if (!StatusLineShown(event.line.level)) break;
        if (skip_lines > 0) {
          --skip_lines;
          break;
        }
        AppendStatusLine(event.line.kind, event.line.title, event.line.text);
        break;
      case UiEvent::kRunStarted:
        RunStarted();
        break;
      case UiEvent::kRunFinished:
        lastRunErrors_ = event.errors;
        RunFinished(event.number != 0);
        break;
      case UiEvent::kProgress:
        if (i == last_progress) SendMessageW(progressBar_, PBM_SETPOS, event.number, 0);
        break;
      case UiEvent::kPanel:
        if (event.number >= 0 && event.number < 4 && i == last_panel[event.number]) {
          // A leading tab centres a panel's text: the progress count's panel.
          std::wstring text = (event.number == kCentredPanel ? L"\t" : L"") + Utf8ToWide(event.text);
          SendMessageW(statusBar_, SB_SETTEXTW, event.number, reinterpret_cast<LPARAM>(text.c_str()));
        }
        break;
      case UiEvent::kUpdateColumn: {
        document_.SetUpdateText(event.number, event.text);
        std::wstring text = Utf8ToWide(event.text);
        ListView_SetItemText(settingsList_, event.number, 3, text.data());
        break;
      }
      case UiEvent::kModified:
        // The Save commands stay locked until RunFinished: a save now would
        // write the run's passing texts and leave the set unmodified, so the
        // end-of-run values would never be saved.
        document_.MarkModified();
        break;
      case UiEvent::kRunning:
        break;  // the window's own flag is cleared by RunFinished
    }
  }
  int count = ListView_GetItemCount(statusList_);
  if (count > 0) ListView_EnsureVisible(statusList_, count - 1, FALSE);
  SendMessageW(statusList_, WM_SETREDRAW, TRUE, 0);
  if (more) {
    PostMessageW(hwnd_, kUiEventsMessage, 0, 0);
  } else if (!batch.empty()) {
    SetTimer(hwnd_, kUiEventsTimer, kUiEventsPauseMs, nullptr);
  } else if (events_->Settle()) {
    PostMessageW(hwnd_, kUiEventsMessage, 0, 0);
  }
}

void TMainForm::RunStarted() {
  Enable({ToolButtonAbort, AbortMenu, PopUpMenuAbort, ToolButtonPause, PauseMenu, TaskMenuPause, TaskMenuStop}, true);
  Enable({ToolButtonBackup, BackupMenu, TestMenu, FolderAddMenu, FolderDelMenu, FolderEditMenu, FolderCopyMenu,
          PopUpMenuBackup, PopupMenuAdd, PopupMenuDel, PopupMenuEdit, PopupMenuDown, PopupMenuUp, PopupMenuCopy,
          OptionMenu, NewMenu, OpenMenu, AddMenu, SaveMenu, NewSaveMenu, ToolButtonNew, ToolButtonOpen,
          ToolButtonSave, ToolButtonUp, ToolButtonDown, AutoBackupMenu, TodayLogViewMenu, TaskMenuBackup,
          TaskMenuAuto, TaskMenuOption, ToolButtonAuto, ToolButtonOption, BackupShutdownMenu,
          TaskMenuBackupShutdown, UpdateMenu},
         false);
}

void TMainForm::RunFinished(bool aborted) {
  Enable({ToolButtonAbort, AbortMenu, PopUpMenuAbort, ToolButtonPause, PauseMenu, TaskMenuPause, TaskMenuStop},
         false);
  Enable({ToolButtonBackup, BackupMenu, TestMenu, PopUpMenuBackup, PopupMenuAdd, FolderAddMenu, OptionMenu, AddMenu,
          NewMenu, OpenMenu, SaveMenu, NewSaveMenu, ToolButtonNew, ToolButtonOpen, ToolButtonSave, AutoBackupMenu,
          TodayLogViewMenu, TaskMenuBackup, TaskMenuAuto, TaskMenuOption, ToolButtonAuto, ToolButtonOption,
          BackupShutdownMenu, TaskMenuBackupShutdown, UpdateMenu},
         true);
  Check({PauseMenu, TaskMenuPause, ToolButtonPause}, false);
  ListView1Click();
  running_ = false;
  runActive_ = false;
  keepAwake_->Set(false);
  lastRunAborted_ = aborted;
  if (trayShown_) SetTrayAnimation(false);
  if (shutdownRequest_) {
    if (aborted) {
      shutdownRequest_ = false;
    } else {
      PostMessageW(hwnd_, kShutdownAfterRunMessage, 0, 0);
    }
  } else if (launch_.runAndExit && commandLineRunStarted_) {
    if (aborted) {
      launch_.runAndExit = false;
    } else {
      exitCode_ = setOpenFailed_ ? kExitAbortedOrRefused : lastRunErrors_ > 0 ? kExitWithErrors : kExitSuccess;
      PostMessageW(hwnd_, kCommandLineRunDoneMessage, 0, 0);
    }
  }
  SendMessageW(progressBar_, PBM_SETPOS, 0, 0);
  HideEndingForm();
}

void TMainForm::ShowEndingForm(const wchar_t* text) {
  // Made at the main window's DPI, in its font (OnDpiChanged drops it).
  auto px = [this](int design) { return layout_.Px(design); };
  if (!endingForm_) {
    endingForm_ = CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_DLGMODALFRAME, L"STATIC", nullptr,
                                  WS_POPUP | WS_BORDER, 0, 0, px(290), px(75), hwnd_, nullptr, instance_, nullptr);
    endingLabel1_ = CreateWindowExW(0, L"STATIC", nullptr, WS_CHILD | WS_VISIBLE | SS_CENTER, px(8), px(12), px(274),
                                    px(20), endingForm_, nullptr, instance_, nullptr);
    HWND label2 = CreateWindowExW(0, L"STATIC", L"しばらくお待ちください．．．", WS_CHILD | WS_VISIBLE | SS_CENTER,
                                  px(8), px(40), px(274), px(20), endingForm_, nullptr, instance_, nullptr);
    for (HWND label : {endingLabel1_, label2}) {
      SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(layout_.Font()), 0);
    }
  }
  endingText_ = text;
  SetWindowTextW(endingLabel1_, text);
  // Centred on the window, or on the screen while the window is hidden
  // (the updater has none to show).
  RECT main = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (IsWindowVisible(hwnd_)) GetWindowRect(hwnd_, &main);
  SetWindowPos(endingForm_, HWND_TOPMOST, (main.left + main.right) / 2 - px(145),
               (main.top + main.bottom) / 2 - px(37), 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW | SWP_NOACTIVATE);
  UpdateWindow(endingForm_);
}

void TMainForm::HideEndingForm() {
  if (endingForm_) ShowWindow(endingForm_, SW_HIDE);
}

void TMainForm::WaitForRunToEnd() {
  // Runs the message loop until the run's end arrives, so the run can
  // still hand its last lines over.
  DWORD started = GetTickCount();
  while (running_ && GetTickCount() - started < 60000) {
    MSG msg;
    if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      if (msg.message == WM_QUIT) {
        PostQuitMessage(static_cast<int>(msg.wParam));
        return;
      }
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    } else {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
  }
}

void TMainForm::StartAllWatchers() {
  document_.StartAllWatchers(*watcherFactory_);
  InvalidateRect(settingsList_, nullptr, FALSE);
}

void TMainForm::StopAllWatchers() {
  document_.StopAllWatchers();
  if (settingsList_) InvalidateRect(settingsList_, nullptr, FALSE);
}

// ---- Tray ----

void TMainForm::AddTrayIcon() {
  if (trayShown_) return;
  // The notification area shows icons at the system's small icon size.
  if (!trayFrames_) trayFrames_.Reset(MakeTrayFrames(GetSystemMetrics(SM_CXSMICON)));
  NOTIFYICONDATAW data = {sizeof data};
  data.hWnd = hwnd_;
  data.uID = 1;
  data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  data.uCallbackMessage = kTrayCallbackMessage;
  data.hIcon = smallIcon_;
  wcscpy_s(data.szTip, L"Drovenmark");
  trayShown_ = Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
  if (trayShown_) ShowTrayFrame(0);
}

void TMainForm::RemoveTrayIcon() {
  if (!trayShown_) return;
  NOTIFYICONDATAW data = {sizeof data};
  data.hWnd = hwnd_;
  data.uID = 1;
  Shell_NotifyIconW(NIM_DELETE, &data);
  trayShown_ = false;
}

void TMainForm::ShowTrayFrame(int frame) {
  trayFrame_ = frame;
  if (!trayShown_) return;
  HICON icon = ImageList_GetIcon(trayFrames_.Get(), frame, ILD_NORMAL);
  NOTIFYICONDATAW data = {sizeof data};
  data.hWnd = hwnd_;
  data.uID = 1;
  data.uFlags = NIF_ICON;
  data.hIcon = icon;
  Shell_NotifyIconW(NIM_MODIFY, &data);
  if (trayIcon_) DestroyIcon(trayIcon_);
  trayIcon_ = icon;
}

void TMainForm::SetTrayAnimation(bool on) {
  iconTimerOn_ = on;
  if (on) {
    SetTimer(hwnd_, kIconTimer, 100, nullptr);
  } else {
    KillTimer(hwnd_, kIconTimer);
    ShowTrayFrame(0);
  }
}

void TMainForm::IconTimerTimer() {
  if (!trayShown_) return;
  int next = (trayFrame_ + 1) % 10;
  SetTimer(hwnd_, kIconTimer, next == 9 ? 1000 : 100, nullptr);
  ShowTrayFrame(next);
}

void TMainForm::ShowFromTray() {
  ShowWindow(hwnd_, SW_SHOW);
  ShowWindow(hwnd_, SW_RESTORE);
  SetForegroundWindow(hwnd_);
}

// ---- Saving and closing ----

bool TMainForm::QueryClose() {
  // Only a backup run is aborted and waited for; a dialog that holds the
  // running flag (editor, log viewer) closes with the window.
  if (runActive_) {
    ToolButtonAbortClick();
    WaitForRunToEnd();
  }
  return commands_->QueryClose();
}

void TMainForm::SaveOptionsNow() {
  options_.backupSetFile = document_.FileName();
  if (!IsIconic(hwnd_)) {
    RECT bounds;
    GetWindowRect(hwnd_, &bounds);
    options_.windowLeft = bounds.left;
    options_.windowTop = bounds.top;
    options_.windowWidth = bounds.right - bounds.left;
    options_.windowHeight = bounds.bottom - bounds.top;
  }
  SaveHooks hooks;
  hooks.beforeWrite = [this] {
    CloseAllHelp();
    RemoveTrayIcon();
  };
  // The help library closes its windows on its own threads.
  hooks.afterWrite = [] {
    if (HelpLoaded()) Sleep(100);
  };
  SaveOptions(options_, optionStore_, launch_.updateMode, hooks);
}

void TMainForm::TodayLogViewMenuClick() {
  if (running_) return;
  running_ = true;
  RECT bounds;
  GetWindowRect(hwnd_, &bounds);
  Win32LogFolder folder(ProgramFolder());
  ShowLogView(hwnd_, bounds, [](int size) { return MakeReportKindImages(size); }, folder);
  running_ = false;
}

}  // namespace dm
