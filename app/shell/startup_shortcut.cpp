#include "app/shell/startup_shortcut.h"

#include "base/paths.h"

namespace dm {

ShortcutContents StartupShortcutContents(const std::string& programPath, int optionStartupMin) {
  ShortcutContents contents;
  contents.target = programPath;
  contents.arguments = optionStartupMin == 1 ? "-i" : "";
  std::string folder = ParentPath(programPath);
  // A drive's root keeps its backslash: "C:" alone would mean the drive's
  // current folder.
  if (folder.size() == 2 && folder[1] == ':') folder += '\\';
  contents.workingDirectory = folder;
  contents.iconPath = programPath;
  contents.iconIndex = 0;
  return contents;
}

std::string StartupShortcutPath(const std::string& startupFolder) {
  return JoinPath(startupFolder, kStartupShortcutName);
}

}  // namespace dm
