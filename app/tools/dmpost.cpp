// Posts one message to the running program's main window, for scripts that
// show the program (screenshots) without a mouse:
//   dmpost.exe [-to TITLE] MESSAGE [WPARAM [LPARAM]]
// "-to" posts to the program's top-level window with that title instead
// (a dialog such as the setting editor).
// MESSAGE and the parameters are numbers (0x... allowed), or one of the
// command names TestMenu, BackupMenu, PauseMenu, AbortMenu, UpdateMenu,
// AboutMenu, TodayLogViewMenu, HelpContentsMenu for WM_COMMAND.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "app/win/commands.h"

namespace {

long Number(const wchar_t* text) { return static_cast<long>(std::wcstol(text, nullptr, 0)); }

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const wchar_t* title = nullptr;
  if (argc > 3 && std::wstring(argv[1]) == L"-to") {
    title = argv[2];
    argv += 2;
    argc -= 2;
  }
  if (argc < 2) {
    std::fprintf(stderr, "usage: dmpost [-to TITLE] MESSAGE [WPARAM [LPARAM]]\n");
    return 2;
  }
  HWND window = nullptr;
  for (int i = 0; i < 100 && !window; ++i) {
    window = title ? FindWindowW(nullptr, title) : FindWindowW(L"TMainForm", nullptr);
    if (!window) Sleep(100);
  }
  if (!window) return 1;
  std::wstring name = argv[1];
  struct Named {
    const wchar_t* name;
    int command;
  };
  const Named commands[] = {{L"TestMenu", dm::TestMenu},
                            {L"BackupMenu", dm::BackupMenu},
                            {L"PauseMenu", dm::PauseMenu},
                            {L"AbortMenu", dm::AbortMenu},
                            {L"UpdateMenu", dm::UpdateMenu},
                            {L"AboutMenu", dm::AboutMenu},
                            {L"TodayLogViewMenu", dm::TodayLogViewMenu},
                            {L"HelpContentsMenu", dm::HelpContentsMenu}};
  for (const Named& named : commands) {
    if (name == named.name) return PostMessageW(window, WM_COMMAND, named.command, 0) ? 0 : 1;
  }
  WPARAM wparam = argc > 2 ? Number(argv[2]) : 0;
  LPARAM lparam = argc > 3 ? Number(argv[3]) : 0;
  return PostMessageW(window, static_cast<UINT>(Number(argv[1])), wparam, lparam) ? 0 : 1;
}
