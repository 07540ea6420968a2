// The library's own version values, read once when it is loaded.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace dm::crypt {

struct LibraryVersion {
  int32_t buildNumber = 0;  // 0 when the library has no version data
  std::string text;         // ProductVersion in the ANSI code page
};

// Values are cut to this many bytes, terminator included, as callers size
// their buffers by it.
constexpr size_t kVersionValueCapacity = 104;

LibraryVersion ReadLibraryVersion(HMODULE module);

}  // namespace dm::crypt
