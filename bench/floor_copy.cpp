// The least a copying program can do on this platform: walk the source
// tree, create each destination folder, and copy every file with CopyFileW
// on two threads. No decisions, no temporary names, no reports: the floor
// the whole-program benchmark measures the program against.
//
//   floor_copy.exe SRC DST
#include <windows.h>

#include <string>

#include "bench/copy_floor.h"

namespace {

bool CopyInPlace(const std::wstring& from, const std::wstring& to) {
  return CopyFileW(from.c_str(), to.c_str(), FALSE) != 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) { return floor_bench::RunCopyFloor(argc, argv, "floor_copy", CopyInPlace); }
