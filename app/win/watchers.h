// The rows' folder watchers for the main window.
#pragma once

#include <windows.h>

#include <memory>

#include "app/shell/set_document.h"

namespace dm {

// Watchers that report to the main window's status list and repaint its
// settings list when they count a change.
std::unique_ptr<WatcherFactory> MakeWindowWatcherFactory(HWND mainWindow, class RunWindow& lines);

}  // namespace dm
