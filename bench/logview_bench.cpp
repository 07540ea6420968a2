// The log viewer on a large day: starts the copy of drovenmk.exe in a
// folder that holds one day's log of many lines, opens the viewer from its
// command and measures how long the lines take to arrive, the longest the
// viewer took to answer meanwhile, the error filter, a jump to the last
// line and the program's memory. For comparison it fills an ordinary list
// view (one item per line) with the same number of rows.
//
//   logview_bench.exe PROGRAM LINES ERROR_LINES
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "app/win/commands.h"
#include "logview/win/log_view_ids.h"

namespace {

DWORD Now() { return GetTickCount(); }

// Sends a message, measuring how long the window took to take it.
LRESULT TimedSend(HWND window, UINT message, WPARAM wparam, LPARAM lparam, DWORD& worst) {
  DWORD asked = Now();
  DWORD_PTR result = 0;
  SendMessageTimeoutW(window, message, wparam, lparam, SMTO_NORMAL, 60000, &result);
  worst = std::max(worst, Now() - asked);
  return static_cast<LRESULT>(result);
}

double MegaBytes(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters = {sizeof counters};
  GetProcessMemoryInfo(process, &counters, sizeof counters);
  return counters.WorkingSetSize / (1024.0 * 1024.0);
}

HWND WaitForWindow(const wchar_t* className, const wchar_t* title) {
  for (int i = 0; i < 600; ++i) {
    if (HWND window = FindWindowW(className, title)) return window;
    Sleep(50);
  }
  return nullptr;
}

// Filling a list view that keeps its own rows, as a viewer without owner
// data would.
DWORD OrdinaryListFill(int rows) {
  HWND list = CreateWindowExW(0, WC_LISTVIEWW, nullptr, WS_POPUP | WS_VISIBLE | LVS_REPORT, 0, 0, 600, 400, nullptr,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
  LVCOLUMNW column = {LVCF_TEXT | LVCF_WIDTH};
  column.pszText = const_cast<wchar_t*>(L"処理");
  column.cx = 180;
  ListView_InsertColumn(list, 0, &column);
  column.pszText = const_cast<wchar_t*>(L"詳細");
  column.cx = 400;
  ListView_InsertColumn(list, 1, &column);
  DWORD start = Now();
  SendMessageW(list, WM_SETREDRAW, FALSE, 0);
  for (int row = 0; row < rows; ++row) {
    wchar_t caption[] = L"09:00:00 新規コピー";
    wchar_t detail[] = L"D:\\Backup\\Documents\\folder\\file.txt";
    LVITEMW item = {LVIF_TEXT};
    item.iItem = row;
    item.pszText = caption;
    ListView_InsertItem(list, &item);
    ListView_SetItemText(list, row, 1, detail);
  }
  SendMessageW(list, WM_SETREDRAW, TRUE, 0);
  UpdateWindow(list);
  DWORD took = Now() - start;
  DestroyWindow(list);
  return took;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: logview_bench PROGRAM LINES ERROR_LINES\n");
    return 2;
  }
  const int lines = _wtoi(argv[2]);
  const int error_lines = _wtoi(argv[3]);
  std::wstring command = L"\"" + std::wstring(argv[1]) + L"\"";
  STARTUPINFOW startup = {sizeof startup};
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
    std::fprintf(stderr, "cannot start the program\n");
    return 1;
  }
  HWND main = WaitForWindow(L"TMainForm", nullptr);
  if (!main) return 1;
  Sleep(2000);
  double memory_before = MegaBytes(info.hProcess);

  DWORD asked = Now();
  PostMessageW(main, WM_COMMAND, dm::TodayLogViewMenu, 0);
  HWND viewer = WaitForWindow(nullptr, L"バックアップログ");
  if (!viewer) return 1;
  DWORD shown = Now() - asked;
  HWND list = GetDlgItem(viewer, dm::logview::ListView1);
  DWORD worst_answer = 0;
  while (TimedSend(list, LVM_GETITEMCOUNT, 0, 0, worst_answer) != lines && Now() - asked < 120000) Sleep(5);
  DWORD filled = Now() - asked;
  DWORD idle_answer = 0;
  for (int i = 0; i < 20; ++i) {
    TimedSend(viewer, WM_NULL, 0, 0, idle_answer);
    Sleep(20);
  }
  double memory_after = MegaBytes(info.hProcess);

  // The error filter: a click is answered once the day is read again.
  HWND filter = GetDlgItem(viewer, dm::logview::CheckBoxErrorOnly);
  DWORD filter_time = 0;
  SendMessageW(filter, BM_SETCHECK, BST_CHECKED, 0);
  TimedSend(viewer, WM_COMMAND, MAKEWPARAM(dm::logview::CheckBoxErrorOnly, BN_CLICKED),
            reinterpret_cast<LPARAM>(filter), filter_time);
  int filtered = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  SendMessageW(filter, BM_SETCHECK, BST_UNCHECKED, 0);
  SendMessageW(viewer, WM_COMMAND, MAKEWPARAM(dm::logview::CheckBoxErrorOnly, BN_CLICKED),
               reinterpret_cast<LPARAM>(filter));

  DWORD scroll_time = 0;
  TimedSend(list, LVM_ENSUREVISIBLE, lines - 1, FALSE, scroll_time);
  DWORD paint_time = 0;
  RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE);
  TimedSend(viewer, WM_NULL, 0, 0, paint_time);

  PostMessageW(viewer, WM_COMMAND, IDCANCEL, 0);
  Sleep(500);
  PostMessageW(main, WM_CLOSE, 0, 0);
  WaitForSingleObject(info.hProcess, 30000);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);

  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&controls);
  DWORD ordinary = OrdinaryListFill(lines);

  std::printf("log viewer on a day of %d lines:\n", lines);
  std::printf("  window shown %lu ms after the command; all %d lines listed after %lu ms\n", shown, lines, filled);
  std::printf("  longest wait for the viewer to answer while loading: %lu ms; afterwards: %lu ms\n", worst_answer,
              idle_answer);
  std::printf("  error filter: %d of %d lines in %lu ms\n", filtered, error_lines, filter_time);
  std::printf("  jump to the last line: %lu ms, then painted within %lu ms\n", scroll_time, paint_time);
  std::printf("  program memory: %.1f MB before, %.1f MB with the day open\n", memory_before, memory_after);
  std::printf("for comparison, an ordinary list view filled with %d rows: %lu ms\n", lines, ordinary);
  return 0;
}
