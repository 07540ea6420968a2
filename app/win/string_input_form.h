// TStringInputForm: a small prompt for one line of text, shown on top of
// every window and centred on the desktop. The administrator lock asks for
// its password here, each character shown as "*".
#pragma once

#include <windows.h>

#include <string>

namespace dm {

enum StringInputControl : int {
  LabelMessage = 1101,
  EditInput = 1102,
  // OKBtn and CancelBtn are IDOK and IDCANCEL.
};

struct StringInput {
  std::string caption;
  std::string message;
  std::string text;     // shown when the prompt opens; what was entered after OK
  bool masked = true;   // "*" for every character
};

// Shows the prompt modally with the focus in the field. True on OK, with
// `input.text` holding what was entered.
bool ShowStringInputForm(HWND owner, StringInput& input);

// The prompt while it is shown, else null.
HWND OpenStringInputForm();

}  // namespace dm
