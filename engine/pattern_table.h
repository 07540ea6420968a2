// Exclusion patterns of one job: up to 30 lower-case wildcard patterns read
// from a Filter or FilterFolder value.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace dm {

class PatternTable {
 public:
  static constexpr size_t kMaxPatterns = 30;

  // Splits the value at "|" and line feeds, trims and lower-cases each piece
  // and keeps the first 30. Returns false when the value held more.
  bool Read(std::string_view value);

  // True when a pattern matches the (already lower-cased) text.
  bool Matches(std::string_view lowerText) const;

  size_t Count() const { return patterns_.size(); }
  const std::vector<std::string>& Patterns() const { return patterns_; }

 private:
  std::vector<std::string> patterns_;
};

}  // namespace dm
