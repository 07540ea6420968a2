#include "crypt/win/version_resource.h"

#include <cwchar>

namespace dm::crypt {

std::optional<VersionResource> VersionResource::Open(const std::wstring& path) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return std::nullopt;
  std::vector<BYTE> data(size);
  if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) return std::nullopt;

  void* table = nullptr;
  UINT tableSize = 0;
  if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", &table, &tableSize) || table == nullptr ||
      tableSize < sizeof(DWORD)) {
    return std::nullopt;
  }
  // Each entry: the language in the low word, the code page in the high word.
  const auto* entry = static_cast<const WORD*>(table);
  return VersionResource(std::move(data), Translation{entry[0], entry[1]});
}

std::optional<std::wstring> VersionResource::Find(std::wstring_view name) const {
  if (auto value = Query(first_, name)) return value;
  for (const Translation& translation : FallbackTranslations()) {
    if (auto value = Query(translation, name)) return value;
  }
  return std::nullopt;
}

std::optional<std::wstring> VersionResource::Query(Translation translation, std::wstring_view name) const {
  wchar_t block[16];
  std::swprintf(block, std::size(block), L"%04x%04x", translation.language, translation.codePage);
  const std::wstring path = L"\\StringFileInfo\\" + std::wstring(block) + L"\\" + std::wstring(name);

  void* value = nullptr;
  UINT length = 0;  // in characters, the terminator possibly included
  // VerQueryValueW takes a non-const block; it does not write to it.
  if (!VerQueryValueW(const_cast<BYTE*>(data_.data()), path.c_str(), &value, &length) || value == nullptr) {
    return std::nullopt;
  }
  const auto* text = static_cast<const wchar_t*>(value);
  return std::wstring(text, wcsnlen(text, length));
}

std::wstring ModulePath(HMODULE module) {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    if (path.size() >= 32768) return {};  // longer than any Windows path
    path.resize(path.size() * 2);  // cut short: try a bigger buffer
  }
}

}  // namespace dm::crypt
