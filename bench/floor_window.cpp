// The least any windowed program pays to start and end on this platform:
// one hidden top-level window, one turn of its message loop, and out. The
// listing and copying floors never open a window; the program must (its
// hidden window is what the system asks before a log-off and what the
// installer finds). The whole-program benchmark starts this exactly as it
// starts the program and the floors, and prints what it costs beyond a
// program without a window.
//
//   floor_window.exe
#include <windows.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = instance;
  wc.lpszClassName = L"FloorWindow";
  RegisterClassW(&wc);
  HWND window = CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 800,
                                600, nullptr, nullptr, instance, nullptr);
  if (!window) return 1;
  SetTimer(window, 1, USER_TIMER_MINIMUM, nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_TIMER) break;
    DispatchMessageW(&msg);
  }
  DestroyWindow(window);
  return 0;
}
