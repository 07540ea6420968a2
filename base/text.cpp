#include "base/text.h"

#include <climits>
#include <cstdio>

namespace dm {

std::string StringPrintf(const char* format, ...) {
  va_list args;
  va_start(args, format);
  va_list copy;
  va_copy(copy, args);
  char small[512];
  int needed = vsnprintf(small, sizeof small, format, args);
  va_end(args);
  std::string result;
  if (needed < 0) {
    va_end(copy);
    return result;
  }
  if (static_cast<size_t>(needed) < sizeof small) {
    result.assign(small, needed);
  } else {
    result.resize(needed);
    vsnprintf(result.data(), needed + 1, format, copy);
  }
  va_end(copy);
  return result;
}

std::string AsciiLower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

std::string_view TrimView(std::string_view text) {
  size_t begin = 0;
  size_t end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return text.substr(begin, end - begin);
}

std::string Trim(std::string_view text) { return std::string(TrimView(text)); }

std::optional<int> ParseInteger(std::string_view text) {
  std::string_view t = TrimView(text);
  if (t.empty()) return std::nullopt;
  bool negative = false;
  size_t i = 0;
  if (t[0] == '+' || t[0] == '-') {
    negative = t[0] == '-';
    i = 1;
  }
  if (i == t.size()) return std::nullopt;
  long long value = 0;
  for (; i < t.size(); ++i) {
    if (t[i] < '0' || t[i] > '9') return std::nullopt;
    value = value * 10 + (t[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > INT_MAX || value < INT_MIN) return std::nullopt;
  return static_cast<int>(value);
}

bool TextToBool(std::string_view text) {
  std::optional<int> value = ParseInteger(text);
  return value && *value != 0;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

size_t Utf8CharLength(std::string_view text, size_t pos) {
  if (pos >= text.size()) return 0;
  unsigned char lead = static_cast<unsigned char>(text[pos]);
  size_t length;
  uint32_t code;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07;
  } else {
    return 0;
  }
  if (pos + length > text.size()) return 0;
  for (size_t i = 1; i < length; ++i) {
    unsigned char c = static_cast<unsigned char>(text[pos + i]);
    if ((c & 0xC0) != 0x80) return 0;
    code = (code << 6) | (c & 0x3F);
  }
  // Overlong forms, surrogates and values past U+10FFFF are not characters.
  if ((length == 3 && code < 0x800) || (length == 4 && code < 0x10000) || code > 0x10FFFF ||
      (code >= 0xD800 && code <= 0xDFFF)) {
    return 0;
  }
  return length;
}

bool IsValidUtf8(std::string_view text) {
  for (size_t pos = 0; pos < text.size();) {
    size_t length = Utf8CharLength(text, pos);
    if (length == 0) return false;
    pos += length;
  }
  return true;
}

}  // namespace dm
