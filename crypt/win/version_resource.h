// Reads named values ("FileVersion", "ProductVersion", ...) from a file's
// version resource. A value is looked up under the resource's first
// translation; failing that, under every documented language and code page
// pair in turn, so resources with a mislabelled string block still answer.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "crypt/version_text.h"

namespace dm::crypt {

class VersionResource {
 public:
  // Nothing when the file has no version data or no translation table.
  static std::optional<VersionResource> Open(const std::wstring& path);

  // Nothing when no translation has the value.
  std::optional<std::wstring> Find(std::wstring_view name) const;

 private:
  VersionResource(std::vector<BYTE> data, Translation first) : data_(std::move(data)), first_(first) {}
  std::optional<std::wstring> Query(Translation translation, std::wstring_view name) const;

  std::vector<BYTE> data_;
  Translation first_;
};

// Full path of a loaded module; empty when it cannot be had.
std::wstring ModulePath(HMODULE module);

}  // namespace dm::crypt
