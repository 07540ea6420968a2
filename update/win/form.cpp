#include "update/win/form.h"

#include "base/win/wide.h"

namespace dm {

Form::~Form() {
  if (font_) DeleteObject(font_);
}

INT_PTR Form::ShowModal(HWND owner, const std::wstring& caption, int clientWidth, int clientHeight, DWORD style) {
  clientWidth_ = clientWidth;
  clientHeight_ = clientHeight;
  // An empty template: the controls are made in WM_INITDIALOG. The caption
  // follows the three empty words (menu, class) as a zero-terminated text.
  struct alignas(4) Template {
    DLGTEMPLATE dialog;
    WORD menu, windowClass;
    wchar_t title[64];
  } tmpl = {};
  tmpl.dialog.style = style;
  tmpl.dialog.cx = 100;
  tmpl.dialog.cy = 50;
  lstrcpynW(tmpl.title, caption.c_str(), 64);
  return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &tmpl.dialog, owner, Proc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK Form::Proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) SetWindowLongPtrW(dialog, DWLP_USER, lparam);
  auto* self = reinterpret_cast<Form*>(GetWindowLongPtrW(dialog, DWLP_USER));
  if (!self) return FALSE;
  switch (message) {
    case WM_INITDIALOG: {
      self->dialog_ = dialog;
      self->font_ = CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET, 0, 0, 0, 0,
                                L"MS UI Gothic");
      RECT frame = {0, 0, self->clientWidth_, self->clientHeight_};
      AdjustWindowRectEx(&frame, GetWindowLongW(dialog, GWL_STYLE), FALSE, GetWindowLongW(dialog, GWL_EXSTYLE));
      int width = frame.right - frame.left;
      int height = frame.bottom - frame.top;
      SetWindowPos(dialog, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                   (GetSystemMetrics(SM_CYSCREEN) - height) / 2, width, height, SWP_NOZORDER);
      return self->FormCreate() ? TRUE : FALSE;
    }
    case WM_COMMAND:
      self->OnCommand(LOWORD(wparam), HIWORD(wparam));
      return TRUE;
    default: {
      INT_PTR result = 0;
      if (self->OnMessage(message, wparam, lparam, result)) {
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
        return message == WM_CTLCOLORSTATIC || message == WM_CTLCOLORBTN ? result : TRUE;
      }
      return FALSE;
    }
  }
}

HWND Form::Add(const wchar_t* windowClass, const wchar_t* text, DWORD style, int x, int y, int width, int height,
               int id, DWORD exStyle) {
  HWND control = CreateWindowExW(exStyle, windowClass, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height,
                                 dialog_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
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
