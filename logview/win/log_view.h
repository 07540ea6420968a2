// TLogView: the modal window "バックアップログ" that lists the daily log
// files by date, shows the lines of the chosen day (all, or only errors and
// aborts) and deletes a day's file after asking.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>

#include "logview/log_view_model.h"

namespace dm {

// Makes an image list of one icon per report kind, `size` pixels square;
// the viewer owns what it makes.
using KindImageMaker = std::function<HIMAGELIST(int size)>;

// Shows the viewer over `owner` at `bounds` (the main window's), with the
// icons of `kindImages` made for its DPI (again at each new one), on the
// log files of `folder`. Returns when it is closed.
void ShowLogView(HWND owner, const RECT& bounds, const KindImageMaker& kindImages, LogFolder& folder);

}  // namespace dm
