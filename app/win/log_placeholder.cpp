#include "app/win/log_placeholder.h"

#include "base/sjis.h"
#include "base/win/handles.h"
#include "base/win/wide.h"

namespace dm {

namespace {

std::wstring ReadLog(const std::string& path) {
  FileHandle file(CreateFileW(Utf8ToWide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr));
  if (!file) return Utf8ToWide("ログファイルがありません: " + path);
  std::string bytes;
  char buffer[65536];
  DWORD read = 0;
  while (ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
  return Utf8ToWide(SjisToUtf8(bytes));
}

LRESULT CALLBACK ViewerProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SIZE: {
      HWND edit = GetWindow(hwnd, GW_CHILD);
      MoveWindow(edit, 0, 0, LOWORD(lparam), HIWORD(lparam), TRUE);
      return 0;
    }
    case WM_CLOSE:
      DestroyWindow(hwnd);
      return 0;
    default:
      return DefWindowProcW(hwnd, message, wparam, lparam);
  }
}

}  // namespace

void ShowLogPlaceholder(HWND owner, const std::string& path) {
  HINSTANCE instance = GetModuleHandleW(nullptr);
  WNDCLASSW wc = {};
  wc.lpfnWndProc = ViewerProc;
  wc.hInstance = instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = L"TLogViewPlaceholder";
  RegisterClassW(&wc);
  RECT bounds;
  GetWindowRect(owner, &bounds);
  HWND viewer = CreateWindowExW(0, wc.lpszClassName, Utf8ToWide(path).c_str(), WS_OVERLAPPEDWINDOW, bounds.left,
                                bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top, owner, nullptr,
                                instance, nullptr);
  HWND edit = CreateWindowExW(0, L"EDIT", ReadLog(path).c_str(),
                              WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY, 0, 0, 0,
                              0, viewer, nullptr, instance, nullptr);
  SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
  ShowWindow(viewer, SW_SHOW);
  EnableWindow(owner, FALSE);
  MSG msg;
  while (IsWindow(viewer) && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  EnableWindow(owner, TRUE);
  SetForegroundWindow(owner);
}

}  // namespace dm
