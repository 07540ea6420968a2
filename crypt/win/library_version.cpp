#include "crypt/win/library_version.h"

#include "crypt/version_text.h"
#include "crypt/win/version_resource.h"

namespace dm::crypt {
namespace {

// Callers read the version as bytes in their own (ANSI) code page.
std::string ToAnsiValue(const std::wstring& wide) {
  if (wide.empty()) return {};
  const int size = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string ansi(size > 0 ? size : 0, '\0');
  if (size > 0) WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), ansi.data(), size, nullptr, nullptr);
  if (ansi.size() >= kVersionValueCapacity) ansi.resize(kVersionValueCapacity - 1);
  return ansi;
}

std::string FindValue(const VersionResource& resource, const wchar_t* name) {
  return ToAnsiValue(resource.Find(name).value_or(std::wstring()));
}

}  // namespace

LibraryVersion ReadLibraryVersion(HMODULE module) {
  LibraryVersion version;
  const std::wstring path = ModulePath(module);
  if (path.empty()) return version;
  const std::optional<VersionResource> resource = VersionResource::Open(path);
  if (!resource) return version;
  version.buildNumber = BuildNumberFromFileVersion(FindValue(*resource, L"FileVersion"));
  version.text = FindValue(*resource, L"ProductVersion");
  return version;
}

}  // namespace dm::crypt
