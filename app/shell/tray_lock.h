// What a click on the tray icon does, and the administrator lock that
// guards a program hidden in the tray: while the lock is on and the window
// is hidden, a left click shows the window only after the password was
// given, and a right click opens no menu at all.
#pragma once

#include <string>
#include <string_view>

namespace dm {

enum class TrayButton { kLeftDown, kLeftUp, kRightDown, kOther };

enum class TrayAction {
  kNone,
  kShowWindow,
  kAskPasswordThenShow,
  kOpenMenu,
};

// `lockOn`: OptionPassword is 1. A visible window is never locked, and
// clicks on the icon while it is visible do nothing.
TrayAction DecideTrayClick(TrayButton button, bool windowVisible, bool lockOn);

// The password prompt's texts and the warning after a wrong password.
inline constexpr char kPasswordPromptCaption[] = "Drovenmark";
inline constexpr char kPasswordPromptMessage[] = "管理者パスワードを入力してください";
inline constexpr char kWrongPasswordWarning[] = "管理者パスワードが無効です　　";

// The stored password is plain text and compared exactly (case matters);
// an empty stored password is given by confirming an empty field.
inline bool PasswordMatches(std::string_view entered, std::string_view stored) { return entered == stored; }

}  // namespace dm
