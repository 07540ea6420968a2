// Holds a file open without sharing it, as another program (a virus
// scanner, an editor) can, for the command-line run tests:
//   hold_file.exe FILE UNTIL MS
// opens FILE with no sharing, prints "held", waits until the path UNTIL
// exists (at most a minute), then MS milliseconds more, and lets go.
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain(int argc, wchar_t** argv) {
  if (argc != 4) {
    std::fputs("usage: hold_file FILE UNTIL MS\n", stderr);
    return 2;
  }
  HANDLE file = CreateFileW(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    std::fprintf(stderr, "cannot open: %lu\n", GetLastError());
    return 1;
  }
  std::puts("held");
  std::fflush(stdout);
  for (int waited = 0; waited < 60000 && GetFileAttributesW(argv[2]) == INVALID_FILE_ATTRIBUTES; waited += 10) {
    Sleep(10);
  }
  Sleep(static_cast<DWORD>(std::wcstoul(argv[3], nullptr, 10)));
  CloseHandle(file);
  return 0;
}
