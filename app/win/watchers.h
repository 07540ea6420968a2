// The rows' folder watchers for the main window.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "app/shell/set_document.h"
#include "engine/report.h"

namespace dm {

// Watchers whose lines go to `addLine` (called on the UI thread, where
// watchers are started and stopped) and which repaint `settingsList` when
// they count a change.
std::unique_ptr<WatcherFactory> MakeWindowWatcherFactory(HWND settingsList,
                                                         std::function<void(const ReportLine&)> addLine);

}  // namespace dm
