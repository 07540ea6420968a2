#include "update/win/form.h"

#include "base/win/wide.h"

namespace dm {

INT_PTR Form::ShowModal(HWND owner, const std::wstring& caption, int clientWidth, int clientHeight) {
  caption_ = caption;
  clientWidth_ = clientWidth;
  clientHeight_ = clientHeight;
  return RunModal(owner, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME);
}

// The caption, and the window sized to its client area and centred on the
// screen.
void Form::Place() {
  SetWindowTextW(dialog_, caption_.c_str());
  RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  layout_.SizeCentred(clientWidth_, clientHeight_, screen);
}

INT_PTR Form::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      Place();
      return FormCreate() ? TRUE : FALSE;
    case WM_COMMAND:
      OnCommand(LOWORD(wparam), HIWORD(wparam));
      return TRUE;
    default: {
      INT_PTR result = 0;
      if (!OnMessage(message, wparam, lparam, result)) return FALSE;
      SetWindowLongPtrW(dialog_, DWLP_MSGRESULT, result);
      return message == WM_CTLCOLORSTATIC || message == WM_CTLCOLORBTN ? result : TRUE;
    }
  }
}

HWND Form::Add(const wchar_t* windowClass, const wchar_t* text, DWORD style, int x, int y, int width, int height,
               int id, DWORD exStyle) {
  return layout_.Add(windowClass, text, style, {x, y, width, height}, id, exStyle);
}

void Form::SetText(int id, const std::string& utf8) { SetDlgItemTextW(dialog_, id, Utf8ToWide(utf8).c_str()); }

bool LetMessagesRun(HWND dialog) {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      return false;
    }
    if (dialog && IsWindow(dialog) && IsDialogMessageW(dialog, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return true;
}

void WaitLettingMessagesRun(HWND dialog, DWORD ms) {
  DWORD start = GetTickCount();
  for (;;) {
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= ms) return;
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - elapsed, QS_ALLINPUT);
    LetMessagesRun(dialog);
  }
}

}  // namespace dm
