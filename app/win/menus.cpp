#include "app/win/menus.h"

#include <iterator>

#include "app/win/commands.h"

namespace dm {

namespace {

void AppendItem(HMENU menu, int id, const wchar_t* text) { AppendMenuW(menu, MF_STRING, id, text); }

}  // namespace

MainWindowMenus CreateMainWindowMenus() {
  HMENU file = CreatePopupMenu();
  AppendItem(file, NewMenu, L"新規作成(&N)");
  AppendItem(file, OpenMenu, L"開く(&O)");
  AppendItem(file, AddMenu, L"追加で開く(&A)");
  AppendItem(file, SaveMenu, L"上書き保存(&S)\tCtrl+S");
  AppendItem(file, NewSaveMenu, L"名前を付けて保存(&A)");
  AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
  AppendItem(file, ExitMenu, L"終了(&X)");

  HMENU edit = CreatePopupMenu();
  AppendItem(edit, FolderAddMenu, L"設定の追加(&A)\tCtrl+A");
  AppendItem(edit, FolderDelMenu, L"設定の削除(&D)\tCtrl+Del");
  AppendItem(edit, FolderEditMenu, L"設定の編集(&E)\tCtrl+E");
  AppendItem(edit, FolderCopyMenu, L"設定の複製(&C)");

  HMENU backup = CreatePopupMenu();
  AppendItem(backup, BackupMenu, L"バックアップ(&B)\tF9");
  AppendItem(backup, BackupShutdownMenu, L"バックアップ＋シャットダウン(&X)");
  AppendItem(backup, TestMenu, L"テストモード(&T)");
  AppendMenuW(backup, MF_SEPARATOR, 0, nullptr);
  AppendItem(backup, PauseMenu, L"一時停止(&P)");
  AppendItem(backup, AbortMenu, L"中止(&S)");
  AppendMenuW(backup, MF_SEPARATOR, 0, nullptr);
  AppendItem(backup, AutoBackupMenu, L"自動バックアップ(&A)");
  AppendItem(backup, OptionMenu, L"オプション(&O)\tCtrl+Shift+F11");
  AppendMenuW(backup, MF_SEPARATOR, 0, nullptr);
  AppendItem(backup, TodayLogViewMenu, L"ログを表示(&V)");

  HMENU help = CreatePopupMenu();
  AppendItem(help, HelpContentsMenu, L"ヘルプ目次(&C)");
  AppendItem(help, HomePageMenu, L"Drovenmarkのホームページ(&H)");
  AppendItem(help, UpdateMenu, L"オンラインアップデート(&U)");
  AppendMenuW(help, MF_SEPARATOR, 0, nullptr);
  AppendItem(help, AboutMenu, L"バージョン情報(&A)");

  MainWindowMenus menus;
  menus.bar = CreateMenu();
  AppendMenuW(menus.bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"ファイル(&F)");
  AppendMenuW(menus.bar, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), L"編集(&E)");
  AppendMenuW(menus.bar, MF_POPUP, reinterpret_cast<UINT_PTR>(backup), L"バックアップ(&B)");
  AppendMenuW(menus.bar, MF_POPUP, reinterpret_cast<UINT_PTR>(help), L"ヘルプ(&H)");

  menus.settingsPopup = CreatePopupMenu();
  HMENU list_menu = CreatePopupMenu();
  AppendItem(list_menu, PopUpMenuBackup, L"バックアップ(&B)");
  AppendItem(list_menu, PopUpMenuAbort, L"中止(&S)");
  AppendMenuW(list_menu, MF_SEPARATOR, 0, nullptr);
  AppendItem(list_menu, PopupMenuAdd, L"設定の追加(&A)");
  AppendItem(list_menu, PopupMenuDel, L"設定の削除(&D)");
  AppendItem(list_menu, PopupMenuEdit, L"設定の編集(&E)");
  AppendItem(list_menu, PopupMenuCopy, L"設定の複製(&C)");
  AppendMenuW(list_menu, MF_SEPARATOR, 0, nullptr);
  AppendItem(list_menu, PopupMenuUp, L"上へ移動(&U)");
  AppendItem(list_menu, PopupMenuDown, L"下へ移動(&N)");
  AppendMenuW(menus.settingsPopup, MF_POPUP, reinterpret_cast<UINT_PTR>(list_menu), L"");

  menus.backupDropDown = CreatePopupMenu();
  HMENU drop = CreatePopupMenu();
  AppendItem(drop, X1, L"バックアップ＋シャットダウン(&X)");
  AppendItem(drop, N6, L"テストモードで実行(&T)");
  AppendMenuW(menus.backupDropDown, MF_POPUP, reinterpret_cast<UINT_PTR>(drop), L"");

  menus.tray = CreatePopupMenu();
  HMENU tray = CreatePopupMenu();
  AppendItem(tray, TaskMenuBackup, L"バックアップ(&B)");
  AppendItem(tray, TaskMenuBackupShutdown, L"バックアップ＋シャットダウン(&X)");
  AppendItem(tray, TaskMenuPause, L"一時停止(&P)");
  AppendItem(tray, TaskMenuStop, L"中止(&S)");
  AppendMenuW(tray, MF_SEPARATOR, 0, nullptr);
  AppendItem(tray, TaskMenuAuto, L"自動バックアップ(&A)");
  AppendMenuW(tray, MF_SEPARATOR, 0, nullptr);
  AppendItem(tray, TaskMenuOption, L"オプション(&O)");
  AppendMenuW(tray, MF_SEPARATOR, 0, nullptr);
  AppendItem(tray, TaskMenuExit, L"終了(&X)");
  AppendMenuW(menus.tray, MF_POPUP, reinterpret_cast<UINT_PTR>(tray), L"");

  ACCEL keys[] = {
      {FVIRTKEY, VK_F9, BackupMenu},
      {FVIRTKEY | FCONTROL, 'S', SaveMenu},
      {FVIRTKEY | FCONTROL, 'A', FolderAddMenu},
      {FVIRTKEY | FCONTROL, VK_DELETE, FolderDelMenu},
      {FVIRTKEY | FCONTROL, 'E', FolderEditMenu},
      {FVIRTKEY | FCONTROL | FSHIFT, VK_F11, OptionMenu},
  };
  menus.accelerators = CreateAcceleratorTableW(keys, static_cast<int>(std::size(keys)));
  return menus;
}

}  // namespace dm
