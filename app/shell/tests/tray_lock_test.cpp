#include <gtest/gtest.h>

#include <tuple>

#include "app/shell/startup_shortcut.h"
#include "app/shell/tray_lock.h"

namespace dm {
namespace {

TEST(TrayLock, ClicksOnTheIconOfAHiddenWindow) {
  using B = TrayButton;
  using A = TrayAction;
  // button, window visible, lock on -> action
  const std::tuple<B, bool, bool, A> cases[] = {
      {B::kLeftDown, false, false, A::kShowWindow},
      {B::kLeftUp, false, false, A::kShowWindow},
      {B::kRightDown, false, false, A::kOpenMenu},
      {B::kLeftDown, false, true, A::kAskPasswordThenShow},
      {B::kLeftUp, false, true, A::kAskPasswordThenShow},
      {B::kRightDown, false, true, A::kNone},  // the menu would get round the lock
      {B::kOther, false, false, A::kNone},
      {B::kOther, false, true, A::kNone},
      // A visible window is not locked, and its icon does nothing.
      {B::kLeftDown, true, true, A::kNone},
      {B::kRightDown, true, false, A::kNone},
      {B::kLeftUp, true, false, A::kNone},
  };
  for (const auto& [button, visible, lock, action] : cases) {
    EXPECT_EQ(DecideTrayClick(button, visible, lock), action)
        << static_cast<int>(button) << " visible=" << visible << " lock=" << lock;
  }
}

TEST(StartupShortcut, StartsTheProgramFromItsFolder) {
  ShortcutContents plain = StartupShortcutContents("C:\\Program Files\\ドロブン\\drovenmk.exe", 0);
  EXPECT_EQ(plain, (ShortcutContents{"C:\\Program Files\\ドロブン\\drovenmk.exe", "", "",
                                     "C:\\Program Files\\ドロブン", "C:\\Program Files\\ドロブン\\drovenmk.exe", 0}));
  EXPECT_EQ(StartupShortcutContents("C:\\dm\\drovenmk.exe", 1).arguments, "-i");
  EXPECT_EQ(StartupShortcutContents("C:\\dm\\drovenmk.exe", 2).arguments, "");
  EXPECT_EQ(StartupShortcutContents("D:\\drovenmk.exe", 0).workingDirectory, "D:\\");
  EXPECT_EQ(StartupShortcutContents("\\\\server\\tools\\drovenmk.exe", 0).workingDirectory, "\\\\server\\tools");

  EXPECT_EQ(StartupShortcutPath("C:\\Users\\me\\Start Menu\\Programs\\Startup"),
            "C:\\Users\\me\\Start Menu\\Programs\\Startup\\Drovenmark.lnk");
  EXPECT_EQ(StartupShortcutPath("C:\\Startup\\"), "C:\\Startup\\Drovenmark.lnk");
}

}  // namespace
}  // namespace dm
