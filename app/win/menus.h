// The main window's menus: the menu bar, the settings list's pop-up
// (PopupMenu1), the backup button's drop-down (PopupMenu2), the tray menu
// (PopupMenu3) and the shortcut keys. Each pop-up is the first sub-menu of
// its handle.
#pragma once

#include <windows.h>

namespace dm {

struct MainWindowMenus {
  HMENU bar = nullptr;
  HMENU settingsPopup = nullptr;
  HMENU backupDropDown = nullptr;
  HMENU tray = nullptr;
  HACCEL accelerators = nullptr;
};

// The caller owns what it gets (the bar by the window it is set on).
MainWindowMenus CreateMainWindowMenus();

}  // namespace dm
