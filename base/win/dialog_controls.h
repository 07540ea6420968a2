// For windows and dialogs that make their own controls: the program's font,
// a child control in it, placement, tab pages and text widths.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string_view>

#include "base/win/gdi_handles.h"

namespace dm {

// The font of the program's windows: MS UI Gothic, 12 pixels high.
FontHandle CreateUiFont();

// A visible child control of `parent` in `font`. An edit box gets the
// sunken edge the others go without.
HWND AddControl(HWND parent, HFONT font, const wchar_t* windowClass, const wchar_t* text, DWORD style, int x, int y,
                int width, int height, int id = 0, DWORD exStyle = 0);

// The owner's rectangle while it shows, else the screen's (an owner hidden
// in the tray has nothing to centre on).
RECT OwnerOrScreen(HWND owner);

// Sizes `window` for a client area of clientWidth x clientHeight and
// centres it on `around`.
void PlaceCentred(HWND window, int clientWidth, int clientHeight, const RECT& around,
                  HWND insertAfter = nullptr, UINT flags = SWP_NOZORDER);

// Gives a tab control its pages' titles; answers the area the pages take,
// in the coordinates of the tab control's parent.
RECT AddTabPages(HWND tab, std::initializer_list<const wchar_t*> titles);

// How wide `text` is drawn in `font` on `window`, in pixels.
int TextWidth(HWND window, HFONT font, std::wstring_view text);

}  // namespace dm
