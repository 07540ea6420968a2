// CRYPT.DLL: the exported functions and the load-time set-up.
//
// The cipher is computed by the library's own MD5 and RC2 rather than through
// CryptoAPI: the provider a machine picks by default for PROV_RSA_FULL today
// derives 128-bit RC2 keys, which would make passwords stored through the
// Base provider's 40-bit keys unreadable.
#include <windows.h>

#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

#include "crypt/password_cipher.h"
#include "crypt/win/crypt_api.h"
#include "crypt/win/key_container.h"
#include "crypt/win/library_version.h"

namespace {

static_assert(sizeof(bool) == 1, "the exports return a one-byte boolean");

// Written once while the library is attached to the process, before any
// export can be called; read-only afterwards.
dm::crypt::LibraryVersion g_version;

// The zero-terminated part of an input, or a view of `capacity` bytes when
// there is no terminator before that (which the cipher then refuses as too
// long). Never reads past the working copy's size.
std::string_view InputView(const char* text, size_t capacity) {
  return std::string_view(text, strnlen(text, capacity));
}

void CopyOut(const std::string& value, char* out) { std::memcpy(out, value.c_str(), value.size() + 1); }

template <typename Operation>
bool RunCipher(Operation operation, const char* input, char* output, const char* passPhrase) {
  if (input == nullptr || output == nullptr || passPhrase == nullptr) return false;
  try {
    const std::optional<std::string> result =
        operation(InputView(input, dm::crypt::kDataCapacity), InputView(passPhrase, dm::crypt::kPassPhraseCapacity));
    if (!result) return false;
    CopyOut(*result, output);
    return true;
  } catch (const std::exception&) {  // out of memory: nothing may leave the DLL
    return false;
  }
}

}  // namespace

extern "C" bool __stdcall CryptEnc(const char* plaintext, char* textOut, const char* passPhrase) {
  return RunCipher(dm::crypt::EncryptToText, plaintext, textOut, passPhrase);
}

extern "C" bool __stdcall CryptDec(const char* text, char* plaintextOut, const char* passPhrase) {
  return RunCipher(dm::crypt::DecryptFromText, text, plaintextOut, passPhrase);
}

extern "C" int32_t __stdcall CryptGetBuildNumber() { return g_version.buildNumber; }

extern "C" char* __stdcall CryptGetVersion(char* versionOut) {
  if (versionOut != nullptr) CopyOut(g_version.text, versionOut);
  return versionOut;
}

// Checks that the calls match the types callers bind them to.
static_assert(std::is_same_v<decltype(&CryptEnc), dm::crypt::CryptEncFunction>);
static_assert(std::is_same_v<decltype(&CryptDec), dm::crypt::CryptDecFunction>);
static_assert(std::is_same_v<decltype(&CryptGetBuildNumber), dm::crypt::CryptGetBuildNumberFunction>);
static_assert(std::is_same_v<decltype(&CryptGetVersion), dm::crypt::CryptGetVersionFunction>);

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  g_version = dm::crypt::ReadLibraryVersion(instance);
  if (dm::crypt::EnsureDefaultKeyContainer()) return TRUE;
  MessageBoxW(nullptr, L"CRYPT.DLLの初期化に失敗しました", L"CRYPT.DLL エラー", MB_OK);
  return FALSE;  // the caller sees the library as missing
}
