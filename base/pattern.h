// Wildcard matching of names and paths: "*" matches any run of characters
// (the empty one included), "?" exactly one character. A multi-byte
// character counts as one character.
#pragma once

#include <string_view>

namespace dm {

// 0 on a match, 1 on no match, -1 when a malformed character is met before
// the outcome is known. Only 0 counts as a match. Case is compared exactly;
// callers lower-case both sides first where case must not matter.
int MatchPattern(std::string_view pattern, std::string_view name);

}  // namespace dm
