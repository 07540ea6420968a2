// Owners for CryptoAPI handles, so each is released on every path.
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include "base/win/handles.h"

namespace dm::crypt {

struct CryptProviderTraits {
  using Handle = HCRYPTPROV;
  static Handle Invalid() { return 0; }
  static void Close(Handle h) { CryptReleaseContext(h, 0); }
};
struct CryptHashTraits {
  using Handle = HCRYPTHASH;
  static Handle Invalid() { return 0; }
  static void Close(Handle h) { CryptDestroyHash(h); }
};
struct CryptKeyTraits {
  using Handle = HCRYPTKEY;
  static Handle Invalid() { return 0; }
  static void Close(Handle h) { CryptDestroyKey(h); }
};

using CryptProvider = UniqueHandle<CryptProviderTraits>;
using CryptHash = UniqueHandle<CryptHashTraits>;
using CryptKey = UniqueHandle<CryptKeyTraits>;

}  // namespace dm::crypt
