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
  RECT frame = {0, 0, clientWidth_, clientHeight_};
  AdjustWindowRectEx(&frame, GetWindowLongW(dialog_, GWL_STYLE), FALSE, GetWindowLongW(dialog_, GWL_EXSTYLE));
  int width = frame.right - frame.left;
  int height = frame.bottom - frame.top;
  SetWindowPos(dialog_, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, SWP_NOZORDER);
}

INT_PTR Form::Handle(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG:
      font_.Reset(CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, 0, 0, 0, 0,
                              L"MS UI Gothic"));
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
  HWND control = CreateWindowExW(exStyle, windowClass, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height,
                                 dialog_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), FALSE);
  return control;
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
