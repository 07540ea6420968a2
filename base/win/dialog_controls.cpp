#include "base/win/dialog_controls.h"

#include <commctrl.h>

namespace dm {

FontHandle CreateUiFont() {
  return FontHandle(
      CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, 0, 0, 0, 0, L"MS UI Gothic"));
}

HWND AddControl(HWND parent, HFONT font, const wchar_t* windowClass, const wchar_t* text, DWORD style, int x, int y,
                int width, int height, int id, DWORD exStyle) {
  if (_wcsicmp(windowClass, L"EDIT") == 0) exStyle |= WS_EX_CLIENTEDGE;
  HWND control = CreateWindowExW(exStyle, windowClass, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height,
                                 parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                                 nullptr);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return control;
}

RECT OwnerOrScreen(HWND owner) {
  RECT area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (owner && IsWindowVisible(owner)) GetWindowRect(owner, &area);
  return area;
}

void PlaceCentred(HWND window, int clientWidth, int clientHeight, const RECT& around, HWND insertAfter, UINT flags) {
  RECT frame = {0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&frame, GetWindowLongW(window, GWL_STYLE), FALSE, GetWindowLongW(window, GWL_EXSTYLE));
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  SetWindowPos(window, insertAfter, (around.left + around.right - width) / 2, (around.top + around.bottom - height) / 2,
               width, height, flags);
}

RECT AddTabPages(HWND tab, std::initializer_list<const wchar_t*> titles) {
  int index = 0;
  for (const wchar_t* title : titles) {
    TCITEMW item = {TCIF_TEXT};
    item.pszText = const_cast<wchar_t*>(title);
    SendMessageW(tab, TCM_INSERTITEMW, index++, reinterpret_cast<LPARAM>(&item));
  }
  RECT area;
  GetClientRect(tab, &area);
  SendMessageW(tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&area));
  MapWindowPoints(tab, GetParent(tab), reinterpret_cast<POINT*>(&area), 2);
  return area;
}

int TextWidth(HWND window, HFONT font, std::wstring_view text) {
  HDC dc = GetDC(window);
  HGDIOBJ old = SelectObject(dc, font);
  SIZE size = {};
  GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  return size.cx;
}

}  // namespace dm
