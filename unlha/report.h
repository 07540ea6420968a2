// The report the library writes into the caller's buffer: one line per
// entry and a closing line. Its memory is bounded however many entries an
// archive holds; the caller's buffer is filled without splitting a character.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

namespace dm::lzh {

class Report {
 public:
  explicit Report(size_t capacity = 1 << 20) : capacity_(capacity) {}
  void Add(std::string_view line);
  // All lines, each ending in "\r\n"; lines past the capacity are counted
  // in a last line instead.
  std::string Text() const;

 private:
  size_t capacity_;
  std::string text_;
  size_t dropped_ = 0;
};

// Copies as much of `text` as fits into `out` (of `size` bytes) and always
// ends it with a zero byte. When it does not fit whole, it ends after the
// last whole line that fits, or, when not even one line fits, after the last
// whole character; `isLeadByte` tells which bytes start a two-byte
// character in the text's code page. Returns the bytes copied.
size_t CopyTruncated(std::string_view text, char* out, size_t size, const std::function<bool(unsigned char)>& isLeadByte);

}  // namespace dm::lzh
