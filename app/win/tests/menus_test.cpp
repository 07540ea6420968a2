// The captions of the main window's menus, read from the menus the window
// installs (another process's menus cannot be read under Wine, so they are
// built here).
#include "app/win/menus.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/win/commands.h"
#include "base/win/wide.h"

namespace dm {
namespace {

// Every item of a menu as it reads; a separator reads "-".
std::vector<std::string> Captions(HMENU menu) {
  std::vector<std::string> captions;
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    wchar_t text[128] = {};
    MENUITEMINFOW info = {sizeof info};
    info.fMask = MIIM_FTYPE | MIIM_STRING;
    info.dwTypeData = text;
    info.cch = 127;
    GetMenuItemInfoW(menu, i, TRUE, &info);
    captions.push_back(info.fType & MFT_SEPARATOR ? "-" : WideToUtf8(text));
  }
  return captions;
}

TEST(Menus, CaptionsReadAsTheyShould) {
  MainWindowMenus menus = CreateMainWindowMenus();
  ASSERT_TRUE(menus.bar && menus.tray && menus.accelerators);
  EXPECT_EQ(Captions(menus.bar), (std::vector<std::string>{"ファイル(&F)", "編集(&E)", "バックアップ(&B)", "ヘルプ(&H)"}));
  EXPECT_EQ(Captions(GetSubMenu(menus.bar, 0)),
            (std::vector<std::string>{"新規作成(&N)", "開く(&O)", "追加で開く(&A)", "上書き保存(&S)\tCtrl+S",
                                      "名前を付けて保存(&A)", "-", "終了(&X)"}));
  EXPECT_EQ(Captions(GetSubMenu(menus.bar, 2)),
            (std::vector<std::string>{"バックアップ(&B)\tF9", "バックアップ＋シャットダウン(&X)", "テストモード(&T)", "-",
                                      "一時停止(&P)", "中止(&S)", "-", "自動バックアップ(&A)",
                                      "オプション(&O)\tCtrl+Shift+F11", "-", "ログを表示(&V)"}));
  EXPECT_EQ(Captions(GetSubMenu(menus.tray, 0)),
            (std::vector<std::string>{"バックアップ(&B)", "バックアップ＋シャットダウン(&X)", "一時停止(&P)", "中止(&S)", "-",
                                      "自動バックアップ(&A)", "-", "オプション(&O)", "-", "終了(&X)"}));
  EXPECT_EQ(GetMenuState(menus.bar, OptionMenu, MF_BYCOMMAND) & MF_GRAYED, 0u);
  DestroyMenu(menus.bar);
  for (HMENU menu : {menus.settingsPopup, menus.backupDropDown, menus.tray}) DestroyMenu(menu);
  DestroyAcceleratorTable(menus.accelerators);
}

}  // namespace
}  // namespace dm
