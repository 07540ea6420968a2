// The screen as the main window's placement sees it.
#pragma once

#include <vector>

#include "app/shell/window_bounds.h"

namespace dm {

// The work area (the screen less the task bar) of every monitor.
std::vector<ScreenRect> MonitorWorkAreas();

// The height of a window's top frame and caption: the part a person grabs.
int TitleBarHeight();

}  // namespace dm
