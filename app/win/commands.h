// Command identifiers of the main window: one per control, named as the
// controls are, so the run's locking and unlocking can name each one. A
// toolbar button and the menu items that do the same thing share a handler,
// not an identifier.
#pragma once

namespace dm {

enum Command : int {
  kCommandFirst = 100,
  // Toolbar
  ToolButtonNew = kCommandFirst,
  ToolButtonOpen,
  ToolButtonSave,
  ToolButtonAdd,
  ToolButtonDel,
  ToolButtonEdit,
  ToolButtonDown,
  ToolButtonUp,
  ToolButtonBackup,
  ToolButtonPause,
  ToolButtonAbort,
  ToolButtonAuto,
  ToolButtonOption,
  ToolButton1,
  // "ファイル"
  NewMenu,
  OpenMenu,
  AddMenu,
  SaveMenu,
  NewSaveMenu,
  ExitMenu,
  // "編集"
  FolderAddMenu,
  FolderDelMenu,
  FolderEditMenu,
  FolderCopyMenu,
  // "バックアップ"
  BackupMenu,
  BackupShutdownMenu,
  TestMenu,
  PauseMenu,
  AbortMenu,
  AutoBackupMenu,
  OptionMenu,
  TodayLogViewMenu,
  // "ヘルプ"
  HelpContentsMenu,
  HomePageMenu,
  UpdateMenu,
  AboutMenu,
  // Settings list context menu
  PopUpMenuBackup,
  PopUpMenuAbort,
  PopupMenuAdd,
  PopupMenuDel,
  PopupMenuEdit,
  PopupMenuCopy,
  PopupMenuUp,
  PopupMenuDown,
  // The backup button's drop-down
  X1,
  N6,
  // Tray menu
  TaskMenuBackup,
  TaskMenuBackupShutdown,
  TaskMenuPause,
  TaskMenuStop,
  TaskMenuAuto,
  TaskMenuOption,
  TaskMenuExit,
  kCommandLast
};

// Private messages of the main window.
inline constexpr unsigned kTrayCallbackMessage = 0x401;     // WM_USER + 1
inline constexpr unsigned kCommandLineRunDoneMessage = 0x402;  // WM_USER + 2
inline constexpr unsigned kShutdownAfterRunMessage = 0x403;    // WM_USER + 3
inline constexpr unsigned kUiEventsMessage = 0x8001;           // WM_APP + 1: run events waiting

}  // namespace dm
