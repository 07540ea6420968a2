// Small text helpers shared by every subsystem. Text inside the program is
// UTF-8; conversions to other encodings happen at the edges.
#pragma once

#include <cstdarg>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace dm {

// printf into a std::string.
std::string StringPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Lower-cases the ASCII letters only, as the Japanese ANSI code page does;
// every other character (and every byte of a multi-byte one) stays as it is.
std::string AsciiLower(std::string_view text);

// Removes leading and trailing blanks and control characters (bytes <= 0x20).
std::string_view TrimView(std::string_view text);
std::string Trim(std::string_view text);

// Decimal integer text with optional surrounding blanks and sign, as the
// settings store numbers. Empty, partial or out-of-range text gives nothing.
std::optional<int> ParseInteger(std::string_view text);

// A setting's switch: true when the text is a non-zero integer.
bool TextToBool(std::string_view text);
inline const char* BoolToText(bool value) { return value ? "1" : "0"; }

bool StartsWith(std::string_view text, std::string_view prefix);
bool EndsWith(std::string_view text, std::string_view suffix);

// Reads one UTF-8 character starting at text[pos]. Returns its length in
// bytes, or 0 when the bytes there do not form a valid character.
size_t Utf8CharLength(std::string_view text, size_t pos);

// True when every byte sequence in the text is valid UTF-8.
bool IsValidUtf8(std::string_view text);

}  // namespace dm
