#include "logview/win/win32_log_folder.h"

#include <windows.h>

#include "base/win/handles.h"
#include "base/win/wide.h"

namespace dm {

std::vector<std::string> Win32LogFolder::LogFileNames() {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  FindHandle find(FindFirstFileW(Utf8ToWide(folder_ + "*.log").c_str(), &found));
  if (!find) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(WideToUtf8(found.cFileName));
  } while (FindNextFileW(find.Get(), &found));
  return names;
}

std::optional<std::string> Win32LogFolder::Read(const std::string& fileName) {
  // A run of another instance may be appending to today's file.
  FileHandle file(CreateFileW(Utf8ToWide(folder_ + fileName).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return std::nullopt;
  LARGE_INTEGER size = {};
  GetFileSizeEx(file.Get(), &size);
  std::string bytes;
  bytes.reserve(static_cast<size_t>(size.QuadPart));
  char buffer[1 << 16];
  DWORD read = 0;
  while (ReadFile(file.Get(), buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
  return bytes;
}

bool Win32LogFolder::Delete(const std::string& fileName) {
  return DeleteFileW(Utf8ToWide(folder_ + fileName).c_str()) != FALSE;
}

}  // namespace dm
