#include "app/win/version_info.h"

#include <cstdlib>

#include "base/win/wide.h"

namespace dm {

std::optional<VersionBlock> ReadVersionBlock(const std::string& path) {
  return VersionBlock::Open(Utf8ToWide(path));
}

bool ReadVersionString(const VersionBlock& block, const std::string& name, std::string& value) {
  std::optional<std::wstring> found = block.Find(Utf8ToWide(name));
  value = found ? WideToUtf8(*found) : std::string();
  return found.has_value();
}

int BuildNumberOf(const std::string& fileVersion) {
  if (fileVersion.size() < 2) return -1;
  size_t dot = fileVersion.find_last_of('.');
  return std::atoi(fileVersion.c_str() + (dot == std::string::npos ? 0 : dot + 1));
}

int GetBuildNumber() {
  wchar_t own[MAX_PATH * 2];
  DWORD length = GetModuleFileNameW(nullptr, own, static_cast<DWORD>(std::size(own)));
  std::optional<VersionBlock> block = VersionBlock::Open(std::wstring(own, length));
  if (!block) return 0;
  std::string file_version;
  ReadVersionString(*block, "FileVersion", file_version);
  return BuildNumberOf(file_version);
}

}  // namespace dm
