// The main window's menus, built in the test's own process (another
// process's menus cannot be read under Wine): no caption ends in dots, and
// the shortcuts the captions name are the keys the window runs.
#include "app/win/menus.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/win/commands.h"
#include "base/text.h"
#include "base/win/wide.h"

namespace dm {
namespace {

// Checks every caption of a menu and its sub-menus; collects the shortcut
// each names after its tab, by command.
void CheckCaptions(HMENU menu, std::map<UINT, std::string>& shownKeys) {
  for (int i = 0; i < GetMenuItemCount(menu); ++i) {
    wchar_t text[128] = {};
    MENUITEMINFOW info = {sizeof info};
    info.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_ID | MIIM_SUBMENU;
    info.dwTypeData = text;
    info.cch = 127;
    GetMenuItemInfoW(menu, i, TRUE, &info);
    const std::string caption = WideToUtf8(text);
    const size_t tab = caption.find('\t');
    const std::string label = caption.substr(0, tab);
    EXPECT_FALSE(EndsWith(label, ".") || EndsWith(label, "…") || EndsWith(label, "．")) << caption;
    if (tab != std::string::npos) shownKeys[info.wID] = caption.substr(tab + 1);
    if (info.hSubMenu) CheckCaptions(info.hSubMenu, shownKeys);
  }
}

// A key as a caption names it: "Ctrl+Shift+F11".
std::string KeyName(const ACCEL& key) {
  std::string name = std::string(key.fVirt & FCONTROL ? "Ctrl+" : "") + (key.fVirt & FSHIFT ? "Shift+" : "");
  if (key.key >= VK_F1 && key.key <= VK_F24) return name + "F" + std::to_string(key.key - VK_F1 + 1);
  return name + (key.key == VK_DELETE ? std::string("Del") : std::string(1, static_cast<char>(key.key)));
}

TEST(Menus, CaptionsHaveNoDotsAndNameTheWindowsKeys) {
  MainWindowMenus menus = CreateMainWindowMenus();
  ASSERT_TRUE(menus.bar && menus.settingsPopup && menus.backupDropDown && menus.tray && menus.accelerators);
  std::map<UINT, std::string> shown_keys;
  for (HMENU menu : {menus.bar, menus.settingsPopup, menus.backupDropDown, menus.tray}) {
    CheckCaptions(menu, shown_keys);
  }
  std::vector<ACCEL> keys(CopyAcceleratorTableW(menus.accelerators, nullptr, 0));
  CopyAcceleratorTableW(menus.accelerators, keys.data(), static_cast<int>(keys.size()));
  std::map<UINT, std::string> run_keys;
  for (const ACCEL& key : keys) run_keys[key.cmd] = KeyName(key);
  EXPECT_FALSE(run_keys.empty());
  EXPECT_EQ(shown_keys, run_keys);
  EXPECT_EQ(GetMenuState(menus.bar, OptionMenu, MF_BYCOMMAND) & MF_GRAYED, 0u);

  DestroyMenu(menus.bar);
  for (HMENU menu : {menus.settingsPopup, menus.backupDropDown, menus.tray}) DestroyMenu(menu);
  DestroyAcceleratorTable(menus.accelerators);
}

}  // namespace
}  // namespace dm
