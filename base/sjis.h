// Conversion between the program's UTF-8 and Shift-JIS (code page 932), the
// encoding of the files the program shares with users: backup set files,
// default.dat and the daily log.
#pragma once

#include <string>
#include <string_view>

namespace dm {

// Characters that code page 932 cannot hold become "?".
std::string Utf8ToSjis(std::string_view utf8);

// Bytes that are not valid Shift-JIS become a replacement character.
std::string SjisToUtf8(std::string_view sjis);

}  // namespace dm
