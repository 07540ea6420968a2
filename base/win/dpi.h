// What Windows says about DPI, for the layout helper (dpi_layout.h). The
// per-monitor functions of Windows 10 (1607 and 1703) are looked up in
// user32 when first used, so the program still starts on a system without
// them; there every answer falls back to the system DPI, which is then all
// a window has.
#pragma once

#include <windows.h>

#include "base/win/gdi_handles.h"

namespace dm {

// The DPI the system was started at (that of the primary monitor).
int SystemDpi();

// The DPI `window` is shown at: its monitor's under per-monitor awareness,
// else the system's; 96 when the window is gone.
int WindowDpi(HWND window);

// GetSystemMetrics(index) as it is at `dpi`.
int MetricAt(int index, int dpi);

// The window rectangle (at 0, 0) that gives `window`, with its styles, a
// client area of clientWidth x clientHeight pixels at `dpi`.
RECT FrameForClient(HWND window, int clientWidth, int clientHeight, int dpi);

// The fonts the system gives controls that are told no other, at `dpi`:
// list views draw in the icon title font, status bars in the status font.
enum class SystemFont { kIconTitle, kStatus };
FontHandle CreateSystemFont(SystemFont which, int dpi);

// The program's own font, MS UI Gothic, `designHeight` pixels high at 96
// DPI, at `dpi`.
FontHandle CreateProgramFont(int dpi, int designHeight = 12, int weight = FW_NORMAL, bool underline = false);

// Icon `index` of the system's shell32.dll, `size` pixels square, from the
// image the library has nearest that size; the caller owns it.
HICON ShellIcon(int index, int size);

// A standard icon of the system (IDI_QUESTION and the like), `size` pixels
// square; the caller owns it.
HICON SystemIcon(const wchar_t* id, int size);

// Tells the dialog manager to leave a dialog's DPI changes to the dialog
// itself (its controls are made and placed by code, not by a template).
void LeaveDpiChangesToDialog(HWND dialog);

}  // namespace dm
