// TAutoUpdateForm, the online update window: it checks the maker's version
// file, asks whether a newer build is to be downloaded, downloads the
// archive with a progress bar and extracts it with UNLHA32.DLL. The main
// window then starts the updater unless the window's stop flag is set.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "update/download.h"

namespace dm {

struct UpdateSettings {
  std::string searchUrl;       // UpdateSerchUrl
  std::string downloadFolder;  // UpdateDownloadFolder
  ProxySettings proxy;         // UpdateProxyEnabled, UpdateProxyServer, UpdateProxyPort
  int finish = 0;              // UpdateFinish: 1 keeps the archive unextracted
  int ownBuild = 0;            // the running program's build number
};

// The main window's "please wait" window, which the details download shows.
struct EndingFormHost {
  std::function<void(const std::string& text)> show;
  std::function<void()> hide;
};

// Shows the window modally; its timer runs the whole check. Returns the stop
// flag: true when the user aborted or declined, when nothing newer is
// registered, or when a step failed.
bool ShowAutoUpdateForm(HWND owner, const UpdateSettings& settings, const EndingFormHost& endingForm);

// The caption of the update window.
inline constexpr wchar_t kAutoUpdateCaption[] = L"オンラインアップデート";

}  // namespace dm
