// The shell's browse dialogs for a folder or a computer.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace dm {

// The folder browser rooted at the desktop, file-system folders only, with
// `start` selected when it opens; OK is enabled only for a folder with a
// path, which the status line shows. The chosen path, or nothing when
// cancelled.
std::optional<std::wstring> BrowseForFolder(HWND owner, const wchar_t* title, const std::wstring& start);

// The browser rooted at the network neighbourhood, computers only. The
// chosen computer's display name, or nothing when cancelled.
std::optional<std::wstring> BrowseForComputer(HWND owner, const wchar_t* title);

}  // namespace dm
