// drovenmk.exe: reads the command line, keeps to one instance per log-on
// session, creates the main window and runs the message loop.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/shell/launch_options.h"
#include "app/win/help.h"
#include "app/win/main_window.h"
#include "app/win/message_boxes.h"
#include "app/win/unattended_box_guard.h"
#include "base/win/handles.h"
#include "base/win/library_loading.h"
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

// The copy functions the engine uses; every supported system has them, so
// a missing one only warns (the engine then falls back to the plain copy).
void CheckCopyFunctions(dm::MessageService& messages) {
  HMODULE kernel = GetModuleHandleW(L"KERNEL32.DLL");
  if (!GetProcAddress(kernel, "CopyFileExA")) messages.Warning("Dll_CopyFileExA()=NULL", dm::MessageBoxes::Owner::kNone);
  if (!GetProcAddress(kernel, "CopyFileExW")) messages.Warning("Dll_CopyFileExW()=NULL", dm::MessageBoxes::Owner::kNone);
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
  // Before any library is loaded by name: none from the current directory.
  dm::RestrictLibrarySearch();
  dm::LaunchOptions launch = dm::ParseLaunchOptions(CommandLineArguments());
  // An invisible run never waits for a person: its messages go to the day's
  // log, and the system's own error boxes (a drive without a medium) are
  // answered as failures instead of being shown.
  if (launch.hidden) SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  dm::TMainForm* window = nullptr;
  std::unique_ptr<dm::MessageService> messages =
      dm::MakeMessageService(launch.hidden, [&window] { return window ? window->Handle() : nullptr; });
  // Boxes the program does not show itself (a library's own at load) are
  // answered the same way.
  std::optional<dm::UnattendedBoxGuard> guard;
  if (launch.hidden) guard.emplace(*messages);

  dm::ObjectHandle mutex;
  if (!launch.updateMode) {
    mutex.Reset(CreateMutexW(nullptr, FALSE, L"DROVENMK_WIN32"));
    if (!mutex) {
      messages->Warning("二重起動のチェックに失敗しました", dm::MessageBoxes::Owner::kNone);
      return -1;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS && !launch.allowSecondInstance) {
      // Let go of the mutex before the box: a box nobody closes must not
      // make every later start believe an instance is running.
      mutex.Reset();
      messages->Warning("Drovenmark は既に起動しています", dm::MessageBoxes::Owner::kNone);
      return -1;
    }
  }

  CheckCopyFunctions(*messages);

  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_LISTVIEW_CLASSES |
                                                        ICC_PROGRESS_CLASS | ICC_DATE_CLASSES};
  InitCommonControlsEx(&controls);

  dm::TMainForm form(instance, launch, *messages);
  window = &form;
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
  // A message an unattended run could only write into the log (a set it
  // could not save, passwords it could not decipher) is an error it reported.
  int exit_code = form.ExitCode();
  if (exit_code == dm::kExitSuccess && messages->AnsweredUnattended() > 0) exit_code = dm::kExitWithErrors;
  // A run that would not end must not outlive the objects it uses: end the
  // process here rather than destroy them under it.
  if (form.RunStillActive()) ExitProcess(static_cast<UINT>(exit_code));
  dm::UnloadHelp();
  return exit_code;
}
