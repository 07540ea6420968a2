// Help and the maker's home page. The help file "drovenmk.chm" lies beside
// the program and is shown through the system's HTML Help library
// ("hhctrl.ocx"), which is loaded on first use and kept until the program
// ends; the home page opens in the user's browser.
#pragma once

#include <windows.h>

namespace dm {

inline constexpr char kHelpFileName[] = "drovenmk.chm";
// The maker's site: the host the update check asks, too.
inline constexpr char kHomePageUrl[] = "https://www.quorvanta.example/drovenmark/";

// The help file's contents, over `application`. Warns when the library or
// its HtmlHelpA is missing.
void ShowHelp(HWND application);

// Whether the library was loaded, so help windows may be open.
bool HelpLoaded();

// Closes every help window the program opened (at exit, before the options
// are written); nothing when help was never shown.
void CloseAllHelp();

// Releases the library when the process ends.
void UnloadHelp();

// "Drovenmarkのホームページ(&H)": the home page in the default browser, or a
// warning when none starts.
void HomePageClick();

}  // namespace dm
