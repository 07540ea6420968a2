#include "app/win/unattended_box_guard.h"

#include "base/win/wide.h"

namespace dm {

namespace {

constexpr UINT kAnswerBox = WM_APP + 1;
const wchar_t kHelperClass[] = L"DrovenmarkUnattendedBoxGuard";

thread_local UnattendedBoxGuard* t_guard = nullptr;

bool HasClassName(HWND window, const wchar_t* name) {
  wchar_t actual[16] = {};
  GetClassNameW(window, actual, 16);
  return _wcsicmp(actual, name) == 0;
}

// The button a box has given the focus, which is its default button (what
// Enter presses); else the one the dialog names as default; else the box is
// closed as by Escape.
int DefaultButton(HWND box) {
  HWND focus = GetFocus();
  if (focus && GetParent(focus) == box && HasClassName(focus, L"Button")) return GetDlgCtrlID(focus);
  LRESULT default_id = SendMessageW(box, DM_GETDEFID, 0, 0);
  if (HIWORD(default_id) == DC_HASDEFID && GetDlgItem(box, LOWORD(default_id))) return LOWORD(default_id);
  return IDCANCEL;
}

}  // namespace

UnattendedBoxGuard::UnattendedBoxGuard(MessageService& messages) : messages_(messages) {
  WNDCLASSW wc = {};
  wc.lpfnWndProc = HelperProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = kHelperClass;
  RegisterClassW(&wc);
  helper_ = CreateWindowExW(0, kHelperClass, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
  t_guard = this;
  hook_ = SetWindowsHookExW(WH_CBT, OnWindowEvent, nullptr, GetCurrentThreadId());
}

UnattendedBoxGuard::~UnattendedBoxGuard() {
  if (hook_) UnhookWindowsHookEx(hook_);
  if (helper_) DestroyWindow(helper_);
  t_guard = nullptr;
}

LRESULT CALLBACK UnattendedBoxGuard::OnWindowEvent(int code, WPARAM wparam, LPARAM lparam) {
  UnattendedBoxGuard* guard = t_guard;
  HWND window = reinterpret_cast<HWND>(wparam);
  if (guard && code == HCBT_ACTIVATE && HasClassName(window, L"#32770") && guard->seen_.insert(window).second) {
    PostMessageW(guard->helper_, kAnswerBox, wparam, 0);
  } else if (guard && code == HCBT_DESTROYWND) {
    guard->seen_.erase(window);
  }
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

LRESULT CALLBACK UnattendedBoxGuard::HelperProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kAnswerBox && t_guard) {
    t_guard->Answer(reinterpret_cast<HWND>(wparam));
    return 0;
  }
  return DefWindowProcW(hwnd, message, wparam, lparam);
}

void UnattendedBoxGuard::Answer(HWND box) {
  if (!IsWindow(box)) return;
  // A message box keeps its text in the static control 0xFFFF; its caption
  // says whose box it is.
  std::string caption = WideToUtf8(WindowText(box));
  std::string text = WideToUtf8(WindowText(GetDlgItem(box, 0xFFFF)));
  messages_.Show({caption.empty() || caption == "Drovenmark" ? text : caption + ": " + text});
  int button = DefaultButton(box);
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
}

}  // namespace dm
