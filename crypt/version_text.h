// Rules for reading the library's version resource that do not depend on
// the platform: the build number taken from a "FileVersion" text, and the
// translations tried when a value is not under the resource's own one.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace dm::crypt {

// The number after the last "." of a "FileVersion" text (the whole text when
// there is no "."), read like atoi: blanks, an optional sign, then as many
// digits as there are; nothing readable gives 0. An empty text gives -1.
int32_t BuildNumberFromFileVersion(std::string_view fileVersion);

struct Translation {
  uint16_t language;
  uint16_t codePage;
  bool operator==(const Translation&) const = default;
};

// Every pair of the code pages and languages that version resources are
// documented to use, code pages in the outer order: the search order for a
// value that the resource's first translation does not have.
std::vector<Translation> FallbackTranslations();

}  // namespace dm::crypt
