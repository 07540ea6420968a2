// Entry names are untrusted input: they decide where a file is written. This
// turns a stored path into the name of the file in the target folder, or
// refuses it, and says what was done to it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "unlha/header.h"

namespace dm::lzh {

// The stored path as UTF-8 components. Names are Shift-JIS (a trail byte of
// 0x5C is no separator there); a path that is not valid Shift-JIS but valid
// UTF-8 is taken as UTF-8. Separators: 0xFF, "\" and "/".
std::vector<std::string> SplitStoredPath(std::string_view stored);

struct TargetName {
  bool usable = false;
  std::string fileName;      // UTF-8; one plain name, no folder part
  std::string shownPath;     // the whole stored path, printable, for the report
  std::string refusal;       // why the entry is not written (when not usable)
  bool folderDropped = false;  // the stored folder reached outside: rooted, a drive or ".."
};

// The flat target name of an entry (its last path component).
TargetName FlatTargetName(const EntryHeader& entry);

// Why a single name cannot be a file name in a Windows folder; empty when it
// can. Refused: empty, "." and "..", control characters, the characters
// Windows reserves (":" would name a drive or an alternate data stream),
// trailing dots and blanks (Windows would drop them), device names (CON,
// NUL, COM1 ...) with or without an extension, and names over 255 UTF-16
// units.
std::string NameProblem(std::string_view name);

}  // namespace dm::lzh
