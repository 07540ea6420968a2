#include "crypt/win/key_container.h"

#include "crypt/win/crypt_handles.h"

namespace dm::crypt {
namespace {

// Named explicitly: the container belongs to the Base provider even where the
// machine's default provider for PROV_RSA_FULL is another one.
constexpr wchar_t kBaseProviderName[] = L"Microsoft Base Cryptographic Provider v1.0";

// A missing key pair (and only a missing one) is generated; the key handles
// are not needed beyond knowing the pair is there.
bool HasOrMakeKeyPair(HCRYPTPROV provider, DWORD keySpec) {
  HCRYPTKEY raw = 0;
  if (CryptGetUserKey(provider, keySpec, &raw)) {
    const CryptKey existing(raw);
    return true;
  }
  if (GetLastError() != static_cast<DWORD>(NTE_NO_KEY)) return false;
  if (!CryptGenKey(provider, keySpec, 0, &raw)) return false;
  const CryptKey generated(raw);
  return true;
}

}  // namespace

bool EnsureDefaultKeyContainer() {
  HCRYPTPROV raw = 0;
  if (!CryptAcquireContextW(&raw, nullptr, kBaseProviderName, PROV_RSA_FULL, 0) &&
      !CryptAcquireContextW(&raw, nullptr, kBaseProviderName, PROV_RSA_FULL, CRYPT_NEWKEYSET)) {
    return false;
  }
  const CryptProvider provider(raw);
  return HasOrMakeKeyPair(provider.Get(), AT_SIGNATURE) && HasOrMakeKeyPair(provider.Get(), AT_KEYEXCHANGE);
}

}  // namespace dm::crypt
