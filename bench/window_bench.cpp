// How the main window answers while a run reports every step: starts
// drovenmk.exe on a set, starts a run, and measures how long the window
// takes to answer a message during the run, how soon a pause holds the copy
// and how soon an abort ends the run.
//
//   window_bench.exe SET DESTINATION
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "app/win/commands.h"
#include "base/paths.h"
#include "base/win/wide.h"

namespace {

DWORD Now() { return GetTickCount(); }

int CountFiles(const std::wstring& folder) {
  int count = 0;
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return 0;
  do {
    std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    count += (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? CountFiles(folder + L"\\" + name) : 1;
  } while (FindNextFileW(find, &data));
  FindClose(find);
  return count;
}

// The longest time the window took to answer during `ms`.
DWORD WorstAnswer(HWND window, DWORD ms) {
  DWORD worst = 0;
  for (DWORD start = Now(); Now() - start < ms;) {
    DWORD asked = Now();
    DWORD_PTR result = 0;
    SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
    worst = std::max(worst, Now() - asked);
    Sleep(20);
  }
  return worst;
}

bool ButtonEnabled(HWND toolbar, int id) { return SendMessageW(toolbar, TB_ISBUTTONENABLED, id, 0) != 0; }

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: window_bench SET DESTINATION\n");
    return 2;
  }
  std::wstring program = dm::Utf8ToWide(dm::ProgramFolder() + "drovenmk.exe");
  std::wstring command = L"\"" + program + L"\" \"" + argv[1] + L"\"";
  std::wstring destination = argv[2];
  STARTUPINFOW startup = {sizeof startup};
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    return 1;
  }
  HWND window = nullptr, toolbar = nullptr;
  for (int i = 0; i < 300 && !toolbar; ++i) {
    window = FindWindowW(L"TMainForm", nullptr);
    if (window) toolbar = FindWindowExW(window, nullptr, TOOLBARCLASSNAMEW, nullptr);
    Sleep(100);
  }
  if (!toolbar) return 1;
  Sleep(2000);

  PostMessageW(window, WM_COMMAND, dm::BackupMenu, 0);
  while (ButtonEnabled(toolbar, dm::ToolButtonBackup)) Sleep(10);
  DWORD worst_running = WorstAnswer(window, 4000);

  // Pause: the time until the copy stands still (no new file for 300 ms).
  DWORD paused_at = Now();
  PostMessageW(window, WM_COMMAND, dm::PauseMenu, 0);
  int count = CountFiles(destination);
  DWORD last_change = Now();
  while (Now() - last_change < 300) {
    Sleep(20);
    int now_count = CountFiles(destination);
    if (now_count != count) {
      count = now_count;
      last_change = Now();
    }
  }
  DWORD pause_latency = last_change - paused_at;
  DWORD worst_paused = WorstAnswer(window, 1000);

  PostMessageW(window, WM_COMMAND, dm::PauseMenu, 0);
  Sleep(2000);
  DWORD aborted_at = Now();
  PostMessageW(window, WM_COMMAND, dm::AbortMenu, 0);
  while (!ButtonEnabled(toolbar, dm::ToolButtonBackup) && Now() - aborted_at < 60000) Sleep(10);
  DWORD abort_latency = Now() - aborted_at;
  int copied = CountFiles(destination);

  PostMessageW(window, WM_CLOSE, 0, 0);
  WaitForSingleObject(info.hProcess, 30000);
  std::printf("window answer during the run: worst %lu ms; while paused: worst %lu ms\n", worst_running,
              worst_paused);
  std::printf("pause: copying stood still %lu ms after the command\n", pause_latency);
  std::printf("abort: run ended (commands back) %lu ms after the command; %d files copied by then\n",
              abort_latency, copied);
  return 0;
}
