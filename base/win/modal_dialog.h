// A modal dialog without a resource template: the class makes its controls
// when WM_INITDIALOG arrives and gets every message in Handle(), with
// dialog_ set from that message on. Its controls go through layout_, bound
// to the dialog at that message: the dialog is laid out at its DPI, and
// again at each new one (WM_DPICHANGED), where OnDpiChanged() places what
// the dialog places itself.
#pragma once

#include <windows.h>

#include "base/win/dpi_layout.h"

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
  // After the layout placed its controls at a new DPI.
  virtual void OnDpiChanged() {}

  HWND dialog_ = nullptr;
  DpiLayout layout_;

 private:
  static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrW(dialog, DWLP_USER, lparam);
    auto* self = reinterpret_cast<ModalDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (!self) return FALSE;
    if (message == WM_INITDIALOG) {
      self->dialog_ = dialog;
      // The controls are made by code: the dialog manager's own scaling of
      // a template's controls would move them a second time.
      LeaveDpiChangesToDialog(dialog);
      self->layout_.Attach(dialog);
    }
    LRESULT result = 0;
    if (self->layout_.HandleDpiMessage(message, wparam, lparam, result, [self] { self->OnDpiChanged(); })) {
      SetWindowLongPtrW(dialog, DWLP_MSGRESULT, result);
      return TRUE;
    }
    return self->Handle(message, wparam, lparam);
  }
};

}  // namespace dm
