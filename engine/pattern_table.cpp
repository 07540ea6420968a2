#include "engine/pattern_table.h"

#include "base/pattern.h"
#include "base/text.h"

namespace dm {

bool PatternTable::Read(std::string_view value) {
  patterns_.clear();
  size_t start = 0;
  while (start <= value.size()) {
    size_t end = value.find_first_of("|\n", start);
    if (end == std::string_view::npos) end = value.size();
    std::string_view piece = TrimView(value.substr(start, end - start));
    if (!piece.empty()) {
      if (patterns_.size() == kMaxPatterns) return false;
      patterns_.push_back(AsciiLower(piece));
    }
    start = end + 1;
  }
  return true;
}

bool PatternTable::Matches(std::string_view lowerText) const {
  for (const std::string& pattern : patterns_) {
    if (MatchPattern(pattern, lowerText) == 0) return true;
  }
  return false;
}

}  // namespace dm
