// The main window's options command and the administrator lock on the tray.
#include "app/options/option_fields.h"
#include "app/shell/tray_lock.h"
#include "app/win/main_window.h"
#include "app/win/option_dialog.h"
#include "app/win/startup_shortcut_win.h"
#include "app/win/string_input_form.h"
#include "base/datetime.h"
#include "base/win/wide.h"

namespace dm {

void TMainForm::OptionClick() {
  // The tray menu can ask again while the dialog is open; a run locks the
  // command, whatever sends it.
  if (optionDialogOpen_ || !IsEnabled(OptionMenu)) return;
  optionDialogOpen_ = true;
  OptionFields fields = FieldsFromOptions(options_, StartupShortcutExists());
  if (ShowOptionDialog(hwnd_, fields)) TakeOverOptions(fields);
  optionDialogOpen_ = false;
  // The status bar follows its option; the layout shows or hides the
  // status list.
  ShowWindow(statusBar_, options_.optionStatusView == 1 ? SW_SHOW : SW_HIDE);
  Layout();
}

void TMainForm::TakeOverOptions(const OptionFields& fields) {
  const OptionEffects effects = TakeOverOptionFields(fields, options_, EncodeDateTime(SystemClock().Now()));
  // Watchers restart only when what they depend on changed: restarting
  // would forget the changes they counted.
  if (effects.watchChanged) {
    if (effects.watch) {
      StartAllWatchers();
    } else {
      StopAllWatchers();
    }
  }
  if (options_.optionAutoUpdate == 1) {
    SetTimer(hwnd_, kAutoBackupTimer, 1000, nullptr);
  } else {
    KillTimer(hwnd_, kAutoBackupTimer);
  }
  BuckupPopupClick();

  // The shortcut is written again on every OK, so it follows the
  // minimised-start setting.
  if (fields.startup) {
    if (!CreateStartupShortcut(options_.optionStartupMin)) {
      MessageBoxW(hwnd_, L"ショートカットのスタートアップへの登録に失敗しました    ", L"Drovenmark",
                  MB_OK | MB_ICONWARNING);
    }
  } else if (StartupShortcutExists() && !DeleteStartupShortcut()) {
    MessageBoxW(hwnd_, L"ショートカットのスタートアップから削除に失敗しました    ", L"Drovenmark",
                MB_OK | MB_ICONWARNING);
  }
}

bool TMainForm::UnlockWithPassword() {
  // The icon sends a message for the button going down and another for it
  // going up, and more clicks may follow: one prompt at a time.
  if (lockPromptOpen_) {
    if (HWND prompt = OpenStringInputForm()) {
      SetForegroundWindow(prompt);
      SetActiveWindow(prompt);
    }
    return false;
  }
  lockPromptOpen_ = true;
  StringInput input;
  input.caption = kPasswordPromptCaption;
  input.message = kPasswordPromptMessage;
  input.masked = true;
  bool ok = ShowStringInputForm(hwnd_, input);
  bool matches = ok && PasswordMatches(input.text, options_.optionPasswordText);
  if (ok && !matches) {
    MessageBoxW(nullptr, Utf8ToWide(kWrongPasswordWarning).c_str(), L"Drovenmark", MB_OK | MB_ICONWARNING);
  }
  // Kept until the warning is gone, so clicks meanwhile stack no prompt on it.
  lockPromptOpen_ = false;
  return matches;
}

void TMainForm::OnTrayMessage(LPARAM mouseMessage) {
  TrayButton button = mouseMessage == WM_LBUTTONDOWN ? TrayButton::kLeftDown
                      : mouseMessage == WM_LBUTTONUP ? TrayButton::kLeftUp
                      : mouseMessage == WM_RBUTTONDOWN ? TrayButton::kRightDown
                                                       : TrayButton::kOther;
  switch (DecideTrayClick(button, IsWindowVisible(hwnd_) != FALSE, options_.optionPassword == 1)) {
    case TrayAction::kAskPasswordThenShow:
      if (!UnlockWithPassword()) break;
      [[fallthrough]];
    case TrayAction::kShowWindow:
      ShowFromTray();
      break;
    case TrayAction::kOpenMenu: {
      POINT p;
      GetCursorPos(&p);
      SetForegroundWindow(hwnd_);
      TrackPopupMenu(GetSubMenu(trayMenu_, 0), TPM_RIGHTBUTTON, p.x, p.y, 0, hwnd_, nullptr);
      PostMessageW(hwnd_, WM_NULL, 0, 0);
      break;
    }
    case TrayAction::kNone:
      break;
  }
}

}  // namespace dm
