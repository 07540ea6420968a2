// The least a fail-safe copying program can do on this platform: the walk
// and the two threads of floor_copy, but each file is copied to a temporary
// name beside its target and then moved over it, so an interrupted copy
// never leaves a half-written file under the target's name. What the
// program pays for the same safety is measured against this floor.
//
//   floor_failsafe.exe SRC DST
#include <windows.h>

#include <atomic>
#include <string>

#include "bench/copy_floor.h"

namespace {

// One counter for both threads: two copies into one folder never share a
// temporary name.
std::atomic<unsigned long> temporary_count{0};

std::wstring TemporaryBeside(const std::wstring& target) {
  std::wstring folder = target.substr(0, target.find_last_of(L'\\') + 1);
  return folder + L"~flr" + std::to_wstring(++temporary_count) + L".tmp";
}

bool CopyThroughTemporary(const std::wstring& from, const std::wstring& to) {
  std::wstring temporary = TemporaryBeside(to);
  // Fail if the name is taken: another file's leftover is never overwritten.
  // No progress routine: the least a copy can be asked for.
  if (!CopyFileExW(from.c_str(), temporary.c_str(), nullptr, nullptr, nullptr, COPY_FILE_FAIL_IF_EXISTS)) {
    return false;
  }
  if (MoveFileExW(temporary.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING)) return true;
  DeleteFileW(temporary.c_str());
  return false;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  return floor_bench::RunCopyFloor(argc, argv, "floor_failsafe", CopyThroughTemporary);
}
