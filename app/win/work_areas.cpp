#include "app/win/work_areas.h"

#include <windows.h>

namespace dm {

std::vector<ScreenRect> MonitorWorkAreas() {
  std::vector<ScreenRect> areas;
  EnumDisplayMonitors(
      nullptr, nullptr,
      [](HMONITOR monitor, HDC, LPRECT, LPARAM param) -> BOOL {
        MONITORINFO info = {sizeof info};
        if (GetMonitorInfoW(monitor, &info)) {
          const RECT& w = info.rcWork;
          reinterpret_cast<std::vector<ScreenRect>*>(param)->push_back({w.left, w.top, w.right, w.bottom});
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&areas));
  return areas;
}

int TitleBarHeight() { return GetSystemMetrics(SM_CYSIZEFRAME) + GetSystemMetrics(SM_CYCAPTION); }

}  // namespace dm
