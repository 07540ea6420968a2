// Driving the program's dialogs from outside: finding them, reading and
// setting their controls as a user's clicks would, and answering message
// boxes.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "app/win/tests/program_driver.h"

namespace dm {

inline std::string WindowTextOf(HWND window) {
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, 1024);
  return WideToUtf8(text);
}

// A visible dialog of `process` with this caption that `matches`.
inline HWND FindVisibleDialog(DWORD process, const std::string& title, const std::function<bool(HWND)>& matches,
                              DWORD timeoutMs = 20000) {
  return FindWindowOf(
      process,
      [&](HWND hwnd) {
        return IsWindowVisible(hwnd) && HasClass(hwnd, L"#32770") && WindowTextOf(hwnd) == title && matches(hwnd);
      },
      timeoutMs);
}

// A message box: its text is the static control 0xFFFF.
inline bool IsMessageBox(HWND dialog) { return GetDlgItem(dialog, 0xFFFF) != nullptr; }

// The text of the program's message box, which is then answered with
// `button`; "(none)" when no box came within `timeoutMs`.
inline std::string AnswerBox(DWORD process, int button, DWORD timeoutMs = 20000) {
  HWND box = FindVisibleDialog(process, "Drovenmark", IsMessageBox, timeoutMs);
  if (!box) return "(none)";
  wchar_t text[512] = {};
  GetDlgItemTextW(box, 0xFFFF, text, 512);
  PostMessageW(box, WM_COMMAND, button, 0);
  WaitFor([&] { return !IsWindow(box); }, 10000);
  return WideToUtf8(text);
}

// How many windows of `process` are visible and `match`.
inline int CountWindows(DWORD process, const std::function<bool(HWND)>& matches) {
  struct Search {
    DWORD process;
    const std::function<bool(HWND)>* matches;
    int count;
  } search{process, &matches, 0};
  EnumWindows(
      [](HWND hwnd, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        DWORD owner = 0;
        GetWindowThreadProcessId(hwnd, &owner);
        if (owner == s->process && IsWindowVisible(hwnd) && (*s->matches)(hwnd)) ++s->count;
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.count;
}

// A check box or radio button set as a click does, so the dialog updates
// what depends on it.
inline void ClickBox(HWND dialog, int id, bool checked) {
  HWND control = GetDlgItem(dialog, id);
  SendMessageW(control, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control));
}

inline bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
inline bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }
inline bool Shown(HWND dialog, int id) { return IsWindowVisible(GetDlgItem(dialog, id)) != FALSE; }

// GetWindowText does not ask a control of another process for its text.
inline std::string ControlText(HWND dialog, int id) {
  wchar_t text[1024] = {};
  SendMessageW(GetDlgItem(dialog, id), WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
  return WideToUtf8(text);
}
inline void SetControlText(HWND dialog, int id, const std::string& text) {
  SetDlgItemTextW(dialog, id, Utf8ToWide(text).c_str());
}

// A drop-down list's items and selection.
inline std::vector<std::string> ListItems(HWND dialog, int id) {
  HWND list = GetDlgItem(dialog, id);
  std::vector<std::string> items;
  int count = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    wchar_t text[256] = {};
    SendMessageW(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    items.push_back(WideToUtf8(text));
  }
  return items;
}
inline int ListSelection(HWND dialog, int id) {
  return static_cast<int>(SendMessageW(GetDlgItem(dialog, id), CB_GETCURSEL, 0, 0));
}
// Another item chosen, as the user's choice tells the dialog.
inline void ChooseListItem(HWND dialog, int id, int item) {
  HWND list = GetDlgItem(dialog, id);
  SendMessageW(list, CB_SETCURSEL, item, 0);
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

// The control of `window`'s thread that has the keyboard focus.
inline HWND FocusOf(HWND window) {
  GUITHREADINFO info = {sizeof info};
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) return nullptr;
  return info.hwndFocus;
}

}  // namespace dm
