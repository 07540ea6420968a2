// TLogView: the modal window "バックアップログ" that lists the daily log
// files by date, shows the lines of the chosen day (all, or only errors and
// aborts) and deletes a day's file after asking.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "logview/log_view_model.h"

namespace dm {

// Shows the viewer over `owner` at `bounds` (the main window's), with one
// icon per report kind from `kindImages` (the viewer does not take it
// over), on the log files of `folder`. Returns when it is closed.
void ShowLogView(HWND owner, const RECT& bounds, HIMAGELIST kindImages, LogFolder& folder);

}  // namespace dm
