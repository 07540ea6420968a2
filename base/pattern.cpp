#include "base/pattern.h"

#include "base/text.h"

namespace dm {

namespace {

constexpr int kMatch = 0;
constexpr int kNoMatch = 1;
constexpr int kMalformed = -1;

// Length of the character at pos; 0 at the end; -1 when malformed.
int CharAt(std::string_view text, size_t pos) {
  if (pos >= text.size()) return 0;
  size_t length = Utf8CharLength(text, pos);
  return length ? static_cast<int>(length) : -1;
}

int MatchFrom(std::string_view pattern, size_t p, std::string_view name, size_t n) {
  int c_len = CharAt(name, n);
  if (c_len < 0) return kMalformed;
  for (;;) {
    int p_len = CharAt(pattern, p);
    if (p_len < 0) return kMalformed;
    if (p_len == 0) return c_len == 0 ? kMatch : kNoMatch;
    if (pattern[p] == '*') {
      // The star: try the rest of the pattern at every position of the name.
      for (;;) {
        int r = MatchFrom(pattern, p + 1, name, n);
        if (r != kNoMatch || c_len == 0) return r;
        n += c_len;
        c_len = CharAt(name, n);
        if (c_len < 0) return kMalformed;
      }
    }
    if (pattern[p] == '?') {
      if (c_len == 0) return kNoMatch;
    } else if (c_len != p_len || pattern.substr(p, p_len) != name.substr(n, c_len)) {
      return kNoMatch;
    }
    p += p_len;
    n += c_len;
    c_len = CharAt(name, n);
    if (c_len < 0) return kMalformed;
  }
}

}  // namespace

int MatchPattern(std::string_view pattern, std::string_view name) { return MatchFrom(pattern, 0, name, 0); }

}  // namespace dm
