#include "unlha/report.h"

#include <cstring>

namespace dm::lzh {

void Report::Add(std::string_view line) {
  if (dropped_ > 0 || text_.size() + line.size() + 2 > capacity_) {
    ++dropped_;
    return;
  }
  text_.append(line);
  text_.append("\r\n");
}

std::string Report::Text() const {
  if (dropped_ == 0) return text_;
  return text_ + "（ほか " + std::to_string(dropped_) + " 行は省略しました）\r\n";
}

size_t CopyTruncated(std::string_view text, char* out, size_t size, const std::function<bool(unsigned char)>& isLeadByte) {
  if (out == nullptr || size == 0) return 0;
  size_t length = text.size();
  if (length > size - 1) {
    const size_t room = size - 1;
    size_t lastLineEnd = 0;
    size_t lastCharEnd = 0;
    for (size_t i = 0; i < room;) {
      const size_t step = isLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
      if (i + step > room) break;
      i += step;
      lastCharEnd = i;
      if (text[i - 1] == '\n') lastLineEnd = i;
    }
    length = lastLineEnd > 0 ? lastLineEnd : lastCharEnd;
  }
  std::memcpy(out, text.data(), length);
  out[length] = '\0';
  return length;
}

}  // namespace dm::lzh
