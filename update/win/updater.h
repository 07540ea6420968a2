// The updater: a newly downloaded drovenmk.exe started in update mode from
// the download folder. It closes the running instance, installs the
// downloaded files into that instance's folder and starts the program
// there again.
#pragma once

#include <windows.h>

#include <string>

#include "update/win/auto_update_form.h"

namespace dm {

struct UpdaterRequest {
  HWND oldWindow = nullptr;    // the instance to be replaced (its main window)
  std::string programFolder;   // where that instance's program file lies
  std::string downloadFolder;  // the new files: the folder the updater itself was started from
};

// The updater's exit codes.
enum UpdaterExit : int {
  kUpdaterInstalled = 0,
  kUpdaterFailed = 1,         // the old instance did not end, or the files could not be installed
  kUpdaterRefused = -1,       // the command line named no instance or no folder: nothing was done
};

// TimerUpdateTimer's work. The boxes it shows are the hand-over's own: the
// user saves unsaved work in the old instance before answering the first.
int RunUpdater(const UpdaterRequest& request, const EndingFormHost& endingForm);

// True when `path` is an ordinary file (no folder, no link) that really
// lies in `folder`.
bool IsPlainFileIn(const std::string& path, const std::string& folder);

}  // namespace dm
