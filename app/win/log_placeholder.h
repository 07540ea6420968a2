// Today's log in a plain window, until the log viewer arrives.
#pragma once

#include <windows.h>

#include <string>

namespace dm {

// Shows the log file's text modally over `owner`.
void ShowLogPlaceholder(HWND owner, const std::string& path);

}  // namespace dm
