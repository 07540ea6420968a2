// Version information of a program file: the about box and the update check
// read the program's own, and the cipher library's.
#pragma once

#include <optional>
#include <string>

#include "crypt/win/version_resource.h"

namespace dm {

using VersionBlock = crypt::VersionResource;

// The file's version resource, or nothing when it has none or its
// translation table cannot be read.
std::optional<VersionBlock> ReadVersionBlock(const std::string& path);

// The named string ("FileVersion", "ProductName", "ProductVersion"), or the
// empty text and false.
bool ReadVersionString(const VersionBlock& block, const std::string& name, std::string& value);

// The build number of the running program: the number after the last "."
// of its FileVersion ("2.1.0.410" gives 410); 0 without version data, -1
// when the text is shorter than two characters.
int GetBuildNumber();

// The same rule on a FileVersion text.
int BuildNumberOf(const std::string& fileVersion);

}  // namespace dm
