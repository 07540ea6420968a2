// The four functions CRYPT.DLL exports, as a caller binds them by name at run
// time. Strings are zero-terminated bytes in the caller's code page; the
// caller owns and sizes every buffer.
#pragma once

#include <cstdint>

namespace dm::crypt {

// Enciphers `plaintext` with `passPhrase` and writes the text form plus a
// terminator to `textOut`: 4 * ceil(n / 3) characters for n = 8 * (p / 8 + 1)
// and a plaintext of p bytes. False, with `textOut` untouched, when the
// plaintext (64,064 bytes or more) or the pass phrase (1,024 bytes or more)
// is too long.
using CryptEncFunction = bool(__stdcall*)(const char* plaintext, char* textOut, const char* passPhrase);

// Deciphers a text form into `plaintextOut` (at most the plaintext plus a
// terminator). A wrong pass phrase still gives true and some bytes. False,
// with `plaintextOut` untouched, when the text (64,064 bytes or more) or the
// pass phrase is too long.
using CryptDecFunction = bool(__stdcall*)(const char* text, char* plaintextOut, const char* passPhrase);

// The number after the last "." of the library's FileVersion; -1 when that is
// empty, 0 when the library has no version data.
using CryptGetBuildNumberFunction = int32_t(__stdcall*)();

// Writes the library's ProductVersion (at most 103 bytes) plus a terminator
// to `versionOut` and returns `versionOut`.
using CryptGetVersionFunction = char*(__stdcall*)(char* versionOut);

inline constexpr const char kCryptLibraryName[] = "CRYPT.DLL";
inline constexpr const char kCryptEncName[] = "CryptEnc";
inline constexpr const char kCryptDecName[] = "CryptDec";
inline constexpr const char kCryptGetBuildNumberName[] = "CryptGetBuildNumber";
inline constexpr const char kCryptGetVersionName[] = "CryptGetVersion";

}  // namespace dm::crypt
