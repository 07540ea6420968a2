// drovenmk.exe: reads the command line, keeps to one instance per log-on
// session, creates the main window and runs the message loop.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/shell/launch_options.h"
#include "app/win/main_window.h"
#include "base/win/handles.h"
#include "base/win/wide.h"

namespace {

std::vector<std::string> CommandLineArguments() {
  int count = 0;
  wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  std::vector<std::string> result;
  for (int i = 0; i < count; ++i) result.push_back(dm::WideToUtf8(arguments[i]));
  LocalFree(arguments);
  return result;
}

void Warn(const wchar_t* text) { MessageBoxW(nullptr, text, L"Drovenmark", MB_OK | MB_ICONWARNING); }

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  dm::LaunchOptions launch = dm::ParseLaunchOptions(CommandLineArguments());

  dm::ObjectHandle mutex;
  if (!launch.updateMode) {
    mutex.Reset(CreateMutexW(nullptr, FALSE, L"DROVENMK_WIN32"));
    if (!mutex) {
      Warn(L"二重起動のチェックに失敗しました");
      return -1;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS && !launch.allowSecondInstance) {
      Warn(L"Drovenmark は既に起動しています");
      return -1;
    }
  }

  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES |
                                                        ICC_PROGRESS_CLASS | ICC_DATE_CLASSES};
  InitCommonControlsEx(&controls);

  dm::TMainForm form(instance, launch);
  if (!form.Create()) return -1;
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (form.Handle() && form.Accelerators() && TranslateAcceleratorW(form.Handle(), form.Accelerators(), &msg)) {
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return form.ExitCode();
}
