// The shortcut "Drovenmark.lnk" in the user's Startup folder, which starts
// the program with Windows.
#pragma once

#include <string>

namespace dm {

// The Startup folder's shortcut path; empty when the system has no
// Startup folder for this user.
std::string StartupShortcutFile();

// Writes the shortcut through the shell-link object: the program from its
// own folder, with "-i" when optionStartupMin is 1. A step that fails is
// reported in a plain message box; false when the shortcut was not saved.
bool CreateStartupShortcut(int optionStartupMin);

// True when the shortcut was deleted.
bool DeleteStartupShortcut();

bool StartupShortcutExists();

}  // namespace dm
