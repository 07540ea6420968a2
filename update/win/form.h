// The modal windows of the online update and the about box: a dialog from
// an empty template whose controls are made when it opens, centred on the
// screen with a fixed client size, in the program's Japanese UI font. Sizes
// and places are those at 96 DPI; the layout puts them at the window's.
#pragma once

#include <windows.h>

#include <string>

#include "base/win/modal_dialog.h"

namespace dm {

class Form : public ModalDialog {
 public:
  Form() = default;
  Form(const Form&) = delete;
  Form& operator=(const Form&) = delete;

  // Runs the window until EndDialog; the result is the modal result.
  INT_PTR ShowModal(HWND owner, const std::wstring& caption, int clientWidth, int clientHeight);

 protected:
  // Makes the controls (WM_INITDIALOG); true lets the dialog give the
  // focus to its first control.
  virtual bool FormCreate() = 0;
  // WM_COMMAND from a control or button.
  virtual void OnCommand(int id, int code) = 0;
  // Any other message; answer true when handled.
  virtual bool OnMessage(UINT message, WPARAM wparam, LPARAM lparam, INT_PTR& result) { return false; }

  // A child control at its place and size at 96 DPI.
  HWND Add(const wchar_t* windowClass, const wchar_t* text, DWORD style, int x, int y, int width, int height,
           int id = 0, DWORD exStyle = 0);
  HWND Item(int id) const { return GetDlgItem(dialog_, id); }
  void SetText(int id, const std::string& utf8);

 private:
  INT_PTR Handle(UINT message, WPARAM wparam, LPARAM lparam) override;
  void Place();

  std::wstring caption_;
  int clientWidth_ = 0;
  int clientHeight_ = 0;
};

// Lets the pending window messages of this thread run (a long step inside a
// window's handler keeps the window answering). A WM_QUIT met here is put
// back for the message loop and reported as false.
bool LetMessagesRun(HWND dialog);

// Waits `ms` while letting window messages run.
void WaitLettingMessagesRun(HWND dialog, DWORD ms);

}  // namespace dm
