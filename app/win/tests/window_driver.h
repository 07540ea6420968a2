// Driving the program's windows and dialogs from another process: finding
// a dialog by its caption, answering message boxes, reading and setting
// controls as a user's clicks would, choosing list rows, and reading what
// list views and tree views show where the text must be fetched through the
// program's own memory.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "app/win/tests/program_driver.h"

namespace dm::drive {

inline std::string WindowTextOf(HWND window) {
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, 1024);
  return WideToUtf8(text);
}

// A visible dialog of `process` with this caption (that `matches`, if given).
inline HWND FindDialog(DWORD process, const wchar_t* title, const std::function<bool(HWND)>& matches = {},
                       DWORD timeoutMs = 20000) {
  const std::string caption = WideToUtf8(title);
  return FindWindowOf(
      process,
      [&](HWND hwnd) {
        return IsWindowVisible(hwnd) && HasClass(hwnd, L"#32770") && WindowTextOf(hwnd) == caption &&
               (!matches || matches(hwnd));
      },
      timeoutMs);
}

// A message box: its text is the static control 0xFFFF.
inline bool IsMessageBox(HWND dialog) { return GetDlgItem(dialog, 0xFFFF) != nullptr; }

// The text of the program's message box, which is then answered with
// `button`; "(none)" when no box came within `timeoutMs`.
inline std::string AnswerMessageBox(DWORD process, int button, DWORD timeoutMs = 20000) {
  HWND box = FindDialog(process, L"Drovenmark", IsMessageBox, timeoutMs);
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
inline void Click(HWND dialog, int id, bool checked) {
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

// The main window of a program and the parts the tests drive.
struct MainWindow {
  HWND main = nullptr;
  HWND settings = nullptr;   // ListView1
  HWND status = nullptr;     // ListView2
  HWND toolbar = nullptr;
  HWND statusBar = nullptr;
};

// The program's main window once all its parts exist.
inline MainWindow AttachMainWindow(const Program& program) {
  MainWindow w;
  w.main = FindTopWindow(program.Id(), L"TMainForm");
  WaitFor(
      [&] {
        w.settings = FindChild(w.main, L"ListView1");
        w.status = FindChild(w.main, L"ListView2");
        w.toolbar = FindWindowExW(w.main, nullptr, TOOLBARCLASSNAMEW, nullptr);
        w.statusBar = FindWindowExW(w.main, nullptr, STATUSCLASSNAMEW, nullptr);
        return w.settings && w.status && w.toolbar && w.statusBar;
      },
      20000);
  return w;
}

// Memory in the program for messages whose parameter points to data.
class RemoteBuffer {
 public:
  RemoteBuffer(DWORD process, SIZE_T size) : size_(size) {
    process_.Reset(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process));
    if (process_) address_ = static_cast<BYTE*>(VirtualAllocEx(process_.Get(), nullptr, size, MEM_COMMIT, PAGE_READWRITE));
  }
  ~RemoteBuffer() {
    if (address_) VirtualFreeEx(process_.Get(), address_, 0, MEM_RELEASE);
  }
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;

  // Copies `data` to `offset` and gives its address in the program.
  LPARAM Put(const void* data, SIZE_T size, SIZE_T offset = 0) {
    WriteProcessMemory(process_.Get(), address_ + offset, data, std::min(size, size_ - offset), nullptr);
    return At(offset);
  }
  LPARAM At(SIZE_T offset) const { return reinterpret_cast<LPARAM>(address_ + offset); }
  void Get(void* data, SIZE_T size, SIZE_T offset = 0) const {
    ReadProcessMemory(process_.Get(), address_ + offset, data, std::min(size, size_ - offset), nullptr);
  }

 private:
  ObjectHandle process_;
  BYTE* address_ = nullptr;
  SIZE_T size_;
};

// Selects (and focuses) a row of a list view, or with -1 unselects all.
inline void SelectRow(HWND list, DWORD process, int row) {
  LVITEMW item = {};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = row < 0 ? 0 : item.stateMask;
  RemoteBuffer remote(process, sizeof item);
  SendMessageW(list, LVM_SETITEMSTATE, row, remote.Put(&item, sizeof item));
}

inline int SelectedRow(HWND list) {
  return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

// The icon index of every row of a list view.
inline std::vector<int> ListImages(HWND list, DWORD process) {
  std::vector<int> images;
  RemoteBuffer remote(process, sizeof(LVITEMW));
  int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < count; ++row) {
    LVITEMW item = {};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    SendMessageW(list, LVM_GETITEMW, 0, remote.Put(&item, sizeof item));
    remote.Get(&item, sizeof item);
    images.push_back(item.iImage);
  }
  return images;
}

// The texts of a tree view's top-level items.
inline std::vector<std::string> TreeRootTexts(HWND tree, DWORD process) {
  std::vector<std::string> texts;
  const SIZE_T text_offset = sizeof(TVITEMW);
  const int text_chars = 256;
  RemoteBuffer remote(process, sizeof(TVITEMW) + text_chars * sizeof(wchar_t));
  auto item = reinterpret_cast<HTREEITEM>(SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
  while (item) {
    TVITEMW query = {};
    query.mask = TVIF_TEXT;
    query.hItem = item;
    query.pszText = reinterpret_cast<wchar_t*>(remote.At(text_offset));
    query.cchTextMax = text_chars;
    SendMessageW(tree, TVM_GETITEMW, 0, remote.Put(&query, sizeof query));
    wchar_t text[text_chars] = {};
    remote.Get(text, sizeof text - sizeof(wchar_t), text_offset);
    texts.push_back(WideToUtf8(text));
    item = reinterpret_cast<HTREEITEM>(
        SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
  }
  return texts;
}

// The first descendant window of `parent` with this class.
inline HWND FindDescendant(HWND parent, const wchar_t* className) {
  struct Search {
    const wchar_t* className;
    HWND found;
  } search{className, nullptr};
  EnumChildWindows(
      parent,
      [](HWND hwnd, LPARAM param) -> BOOL {
        auto* s = reinterpret_cast<Search*>(param);
        if (!HasClass(hwnd, s->className)) return TRUE;
        s->found = hwnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

}  // namespace dm::drive
