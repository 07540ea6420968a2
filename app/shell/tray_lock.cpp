#include "app/shell/tray_lock.h"

namespace dm {

TrayAction DecideTrayClick(TrayButton button, bool windowVisible, bool lockOn) {
  if (windowVisible) return TrayAction::kNone;
  switch (button) {
    case TrayButton::kLeftDown:
    case TrayButton::kLeftUp:
      return lockOn ? TrayAction::kAskPasswordThenShow : TrayAction::kShowWindow;
    case TrayButton::kRightDown:
      // The tray menu's commands (run, options, exit) would get round the lock.
      return lockOn ? TrayAction::kNone : TrayAction::kOpenMenu;
    default:
      return TrayAction::kNone;
  }
}

}  // namespace dm
