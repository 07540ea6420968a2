// A modal dialog without a resource template: the class makes its controls
// when WM_INITDIALOG arrives and gets every message in Handle(), with
// dialog_ set from that message on.
#pragma once

#include <windows.h>

namespace dm {

class ModalDialog {
 public:
  virtual ~ModalDialog() = default;

 protected:
  // Runs until EndDialog and answers its result. cx and cy are in dialog
  // units; a dialog that sizes itself on WM_INITDIALOG leaves them 0.
  INT_PTR RunModal(HWND owner, DWORD style, DWORD exStyle = 0, short cx = 0, short cy = 0) {
    struct alignas(4) Template {
      DLGTEMPLATE dialog;
      WORD menu, windowClass, title;
    } tmpl = {};
    tmpl.dialog.style = style;
    tmpl.dialog.dwExtendedStyle = exStyle;
    tmpl.dialog.cx = cx;
    tmpl.dialog.cy = cy;
    return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &tmpl.dialog, owner, Proc,
                                   reinterpret_cast<LPARAM>(this));
  }

  virtual INT_PTR Handle(UINT message, WPARAM wparam, LPARAM lparam) = 0;

  HWND dialog_ = nullptr;

 private:
  static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrW(dialog, DWLP_USER, lparam);
    auto* self = reinterpret_cast<ModalDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (!self) return FALSE;
    if (message == WM_INITDIALOG) self->dialog_ = dialog;
    return self->Handle(message, wparam, lparam);
  }
};

}  // namespace dm
