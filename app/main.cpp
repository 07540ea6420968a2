// drovenmk.exe: reads the command line, keeps to one instance per log-on
// session, creates the main window and runs the message loop.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "app/shell/launch_options.h"
#include "app/win/help.h"
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

// The copy functions the engine uses; every supported system has them, so
// a missing one only warns (the engine then falls back to the plain copy).
void CheckCopyFunctions() {
  HMODULE kernel = GetModuleHandleW(L"KERNEL32.DLL");
  if (!GetProcAddress(kernel, "CopyFileExA")) Warn(L"Dll_CopyFileExA()=NULL");
  if (!GetProcAddress(kernel, "CopyFileExW")) Warn(L"Dll_CopyFileExW()=NULL");
}

// The program's other windows, created hidden after the main window in a
// fixed order; the dialogs that fill them take them over as they arrive
// (the update windows and the about box are made when they open).
void CreateOtherWindows(HINSTANCE instance, HWND owner) {
  const wchar_t* const kForms[] = {L"TOption", L"TFolderSetting", L"TLogView", L"TStringInputForm"};
  for (const wchar_t* name : kForms) {
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = instance;
    wc.lpszClassName = name;
    RegisterClassW(&wc);
    CreateWindowExW(0, name, L"", WS_POPUP, 0, 0, 0, 0, owner, nullptr, instance, nullptr);
  }
}

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

  CheckCopyFunctions();

  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES |
                                                        ICC_PROGRESS_CLASS | ICC_DATE_CLASSES};
  InitCommonControlsEx(&controls);

  dm::TMainForm form(instance, launch);
  if (!form.Create()) return -1;
  CreateOtherWindows(instance, form.Handle());
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (form.Handle() && form.Accelerators() && TranslateAcceleratorW(form.Handle(), form.Accelerators(), &msg)) {
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  // A run that would not end must not outlive the objects it uses: end the
  // process here rather than destroy them under it.
  if (form.RunStillActive()) ExitProcess(static_cast<UINT>(form.ExitCode()));
  dm::UnloadHelp();
  return form.ExitCode();
}
