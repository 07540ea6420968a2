// What the shortcut in the user's Startup folder holds: it starts this
// program from its own folder, in the tray when OptionStartupMin is 1.
#pragma once

#include <string>

namespace dm {

inline constexpr char kStartupShortcutName[] = "Drovenmark.lnk";

struct ShortcutContents {
  std::string target;            // the program's full path
  std::string arguments;         // "-i" or nothing
  std::string description;       // none
  std::string workingDirectory;  // the program's folder, without a trailing "\"
  std::string iconPath;          // the program file
  int iconIndex = 0;

  bool operator==(const ShortcutContents&) const = default;
};

ShortcutContents StartupShortcutContents(const std::string& programPath, int optionStartupMin);

// The shortcut's path in `startupFolder`.
std::string StartupShortcutPath(const std::string& startupFolder);

}  // namespace dm
