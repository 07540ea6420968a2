// Times one extraction through UNLHA32.DLL, loaded by name as the program
// loads it:  unlha_bench.exe ARCHIVE FOLDER\   prints "seconds=S result=R".
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "base/win/handles.h"
#include "base/win/wide.h"
#include "unlha/win/unlha_api.h"

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: unlha_bench ARCHIVE FOLDER\\\n");
    return 2;
  }
  dm::ModuleHandle library(LoadLibraryW(dm::lzh::kUnlhaLibraryName));
  auto unlha = reinterpret_cast<dm::lzh::UnlhaFunction>(
      reinterpret_cast<void (*)()>(GetProcAddress(library.Get(), dm::lzh::kUnlhaName)));
  if (unlha == nullptr) {
    std::fprintf(stderr, "UNLHA32.DLL or its Unlha export is missing\n");
    return 1;
  }
  // ASCII paths only: the command goes through the ANSI code page.
  const std::string command = "e \"" + dm::WideToUtf8(argv[1]) + "\" \"" + dm::WideToUtf8(argv[2]) + "\" *.*  -n -c -y";
  std::vector<char> output(32000);
  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  const int result = unlha(nullptr, command.c_str(), output.data(), static_cast<DWORD>(output.size()));
  QueryPerformanceCounter(&end);
  std::printf("seconds=%.3f result=%d\n", double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart), result);
  return result;
}
