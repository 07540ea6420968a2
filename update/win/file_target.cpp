#include "update/win/file_target.h"

#include <algorithm>

#include "engine/win32/win32_file_system.h"

namespace dm {

bool FileDownloadTarget::Create(const std::string& path) {
  file_.Reset(CreateFileW(NativePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr));
  return file_.Valid();
}

bool FileDownloadTarget::Write(const char* data, size_t size) {
  DWORD written = 0;
  return WriteFile(file_.Get(), data, static_cast<DWORD>(size), &written, nullptr) && written == size;
}

void FileDownloadTarget::Close() { file_.Reset(); }

bool FileDownloadTarget::SetTimes(const std::string& path, const HttpDate& time) {
  SYSTEMTIME system = {};
  system.wYear = static_cast<WORD>(time.year);
  system.wMonth = static_cast<WORD>(time.month);
  system.wDay = static_cast<WORD>(time.day);
  system.wHour = static_cast<WORD>(time.hour);
  system.wMinute = static_cast<WORD>(time.minute);
  system.wSecond = static_cast<WORD>(time.second);
  FILETIME stamp;
  if (!SystemTimeToFileTime(&system, &stamp)) return false;
  FileHandle file(CreateFileW(NativePath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  return file.Valid() && SetFileTime(file.Get(), &stamp, &stamp, &stamp);
}

void FileDownloadTarget::Remove(const std::string& path) { DeleteFileW(NativePath(path).c_str()); }

std::optional<std::string> ReadWholeFile(const std::string& path, size_t maxBytes) {
  FileHandle file(CreateFileW(NativePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return std::nullopt;
  std::string bytes;
  char block[64 * 1024];
  DWORD read = 0;
  while (bytes.size() < maxBytes) {
    const DWORD wanted = static_cast<DWORD>(std::min<size_t>(sizeof block, maxBytes - bytes.size()));
    if (!ReadFile(file.Get(), block, wanted, &read, nullptr) || read == 0) break;
    bytes.append(block, read);
  }
  return bytes;
}

}  // namespace dm
