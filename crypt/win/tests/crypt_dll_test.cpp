// CRYPT.DLL as callers see it: loaded by name, its exports found by name,
// its texts compared with those the Base provider's CryptoAPI makes.
#include <gtest/gtest.h>

#include <windows.h>
#include <wincrypt.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "crypt/win/crypt_api.h"
#include "crypt/win/crypt_handles.h"

namespace dm::crypt {
namespace {

constexpr wchar_t kBaseProvider[] = L"Microsoft Base Cryptographic Provider v1.0";

template <typename Function>
Function FindExport(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

struct CryptLibrary {
  explicit CryptLibrary(const wchar_t* fileName) : module(LoadLibraryW(fileName)) {}
  ModuleHandle module;
  CryptEncFunction encrypt = FindExport<CryptEncFunction>(module.Get(), kCryptEncName);
  CryptDecFunction decrypt = FindExport<CryptDecFunction>(module.Get(), kCryptDecName);
  CryptGetBuildNumberFunction buildNumber = FindExport<CryptGetBuildNumberFunction>(module.Get(), kCryptGetBuildNumberName);
  CryptGetVersionFunction version = FindExport<CryptGetVersionFunction>(module.Get(), kCryptGetVersionName);

  bool Complete() const { return module && encrypt && decrypt && buildNumber && version; }
  std::string Run(CryptEncFunction function, const std::string& input, const std::string& passPhrase) const {
    std::vector<char> out(input.size() * 2 + 64, '\x7f');
    EXPECT_TRUE(function(input.c_str(), out.data(), passPhrase.c_str()));
    return out.data();
  }
  std::string Encrypt(const std::string& plain, const std::string& pass) const { return Run(encrypt, plain, pass); }
  std::string Decrypt(const std::string& text, const std::string& pass) const { return Run(decrypt, text, pass); }
  std::string Version() const {
    char out[4096];
    EXPECT_EQ(version(out), out);
    return out;
  }
};

// --- the same cipher through the platform's Base provider ---

using Bytes = std::vector<BYTE>;

CryptKey BaseProviderKey(const CryptProvider& provider, const std::string& passPhrase) {
  HCRYPTHASH rawHash = 0;
  HCRYPTKEY rawKey = 0;
  EXPECT_TRUE(CryptCreateHash(provider.Get(), CALG_MD5, 0, 0, &rawHash));
  const CryptHash hash(rawHash);
  EXPECT_TRUE(CryptHashData(hash.Get(), reinterpret_cast<const BYTE*>(passPhrase.data()), passPhrase.size(), 0));
  EXPECT_TRUE(CryptDeriveKey(provider.Get(), CALG_RC2, hash.Get(), 0, &rawKey));
  return CryptKey(rawKey);
}

Bytes BaseProviderCipher(bool encrypt, Bytes data, const std::string& passPhrase) {
  HCRYPTPROV raw = 0;
  EXPECT_TRUE(CryptAcquireContextW(&raw, nullptr, kBaseProvider, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT));
  const CryptProvider provider(raw);
  const CryptKey key = BaseProviderKey(provider, passPhrase);
  DWORD length = data.size();
  data.resize(data.size() + 8);
  if (encrypt) EXPECT_TRUE(CryptEncrypt(key.Get(), 0, TRUE, 0, data.data(), &length, data.size()));
  else CryptDecrypt(key.Get(), 0, TRUE, 0, data.data(), &length);  // broken padding: length stays
  data.resize(length);
  return data;
}

// Base64 of the bytes filled up to whole groups of three, with "=" for "A".
std::string TextFormOf(const Bytes& bytes) {
  std::string text;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    uint32_t group = 0;
    for (size_t k = i; k < i + 3; ++k) group = group << 8 | (k < bytes.size() ? bytes[k] : 0);
    for (int shift = 18; shift >= 0; shift -= 6)
      text += "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"[group >> shift & 63];
  }
  std::replace(text.begin(), text.end(), 'A', '=');
  return text;
}

class CryptDll : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(library.Complete()) << "CRYPT.DLL or one of its exports is missing"; }
  CryptLibrary library{L"CRYPT.DLL"};
};

TEST_F(CryptDll, KnownAnswers) {
  EXPECT_EQ(library.Encrypt("", "1234567890"), "VXND5HJcq=8=");
  EXPECT_EQ(library.Encrypt("secret", "1234567890"), "hrqlxbW0d3k=");
  EXPECT_EQ(library.Encrypt("passw0rd", "1234567890"), "ODobnx2pTt9KeeKeODV7iQ==");
  EXPECT_EQ(library.Encrypt("abcdefghijklmnop", "2882400001"), "GtFiI7Xe5saDmzVujHnXHpx/nGwhi83D");
  EXPECT_EQ(library.Decrypt("GtFiI7Xe5saDmzVujHnXHpx/nGwhi83D", "2882400001"), "abcdefghijklmnop");
}

// Also with a wrong pass phrase, where the padding rarely checks out: the
// caller must get what the provider's callers got.
TEST_F(CryptDll, TextsEqualThoseOfTheBaseProvider) {
  std::mt19937 random(7110);
  const auto randomText = [&](size_t maxLength) {
    std::string text(random() % (maxLength + 1), '\0');
    for (char& c : text) c = static_cast<char>(1 + random() % 255);
    return text;
  };
  for (int i = 0; i < 300; ++i) {
    const std::string passPhrase = i % 3 ? randomText(40) : std::to_string(random());
    const std::string plaintext = randomText(80), otherPassPhrase = passPhrase + "x";
    const Bytes ciphertext = BaseProviderCipher(true, Bytes(plaintext.begin(), plaintext.end()), passPhrase);
    const std::string text = TextFormOf(ciphertext);
    ASSERT_EQ(library.Encrypt(plaintext, passPhrase), text) << "case " << i;
    ASSERT_EQ(library.Decrypt(text, passPhrase), plaintext) << "case " << i;
    const Bytes garbage = BaseProviderCipher(false, ciphertext, otherPassPhrase);
    ASSERT_EQ(library.Decrypt(text, otherPassPhrase), std::string(garbage.begin(), std::find(garbage.begin(), garbage.end(), 0)));
  }
}

TEST_F(CryptDll, WritesNoMoreThanTheResultAndNothingWhenRefusing) {
  std::vector<char> out(90000, '\x7f');
  const auto untouchedFrom = [&](size_t from) { return std::all_of(out.begin() + from, out.end(), [](char c) { return c == '\x7f'; }); };
  const std::string longPassPhrase(1024, 'p'), longData(64064, 'x');
  EXPECT_FALSE(library.encrypt("secret", out.data(), longPassPhrase.c_str()));
  EXPECT_FALSE(library.decrypt("hrqlxbW0d3k=", out.data(), longPassPhrase.c_str()));
  EXPECT_FALSE(library.encrypt(longData.c_str(), out.data(), "1234567890"));
  EXPECT_FALSE(library.decrypt(longData.c_str(), out.data(), "1234567890"));
  EXPECT_FALSE(library.encrypt(nullptr, out.data(), "1234567890"));
  EXPECT_TRUE(untouchedFrom(0));

  ASSERT_TRUE(library.encrypt("passw0rd", out.data(), longPassPhrase.substr(1).c_str()));
  EXPECT_EQ(out[24], '\0');
  EXPECT_TRUE(untouchedFrom(25));
  ASSERT_TRUE(library.encrypt(longData.substr(1).c_str(), out.data(), "1234567890"));
  EXPECT_EQ(strlen(out.data()), 85420u);
  EXPECT_TRUE(library.decrypt(longData.substr(1).c_str(), out.data(), "1234567890"));
}

TEST_F(CryptDll, VersionFromItsResource) {
  EXPECT_EQ(library.buildNumber(), 17);
  EXPECT_EQ(library.Version(), "1.1.0.15");

  wchar_t path[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(library.module.Get(), path, MAX_PATH), 0u);
  DWORD ignored = 0;
  std::vector<BYTE> data(GetFileVersionInfoSizeW(path, &ignored));
  ASSERT_TRUE(!data.empty() && GetFileVersionInfoW(path, 0, data.size(), data.data()));
  const auto query = [&](const wchar_t* name) {
    void* value = nullptr;
    UINT length = 0;
    return VerQueryValueW(data.data(), name, &value, &length) ? value : nullptr;
  };
  const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(query(L"\\"));
  ASSERT_NE(fixed, nullptr);
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010002u);
  EXPECT_EQ(fixed->dwFileVersionLS, 17u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010001u);
  EXPECT_EQ(fixed->dwProductVersionLS, 15u);
  EXPECT_STREQ(static_cast<const wchar_t*>(query(L"\\StringFileInfo\\041104b0\\FileVersion")), L"1.2.0.17");
  EXPECT_STREQ(static_cast<const wchar_t*>(query(L"\\StringFileInfo\\041104b0\\ProductVersion")), L"1.1.0.15");
}

// The same code with other version data. The fallback one's translation
// table points at no string block; its code page 932 block must win over
// its code page 949 one, as code pages are searched first.
TEST(CryptDllVersionData, FallbackSearchAndNoVersionData) {
  const CryptLibrary fallback(L"crypt_variant_fallback.dll"), none(L"crypt_variant_none.dll");
  ASSERT_TRUE(fallback.Complete() && none.Complete());
  EXPECT_EQ(fallback.buildNumber(), 250);  // "3.0.0.250beta"
  EXPECT_EQ(fallback.Version(), "\x83R\x81[\x83h\x83y\x81[\x83W932");  // "コードページ932" in code page 932
  EXPECT_EQ(none.buildNumber(), 0);
  EXPECT_EQ(none.Version(), "");
}

TEST(CryptDllLoad, CreatesAMissingKeyContainerWithBothKeyPairs) {
  ASSERT_EQ(GetModuleHandleW(L"CRYPT.DLL"), nullptr) << "a fresh load is needed";
  HCRYPTPROV raw = 0;
  if (CryptAcquireContextW(&raw, nullptr, kBaseProvider, PROV_RSA_FULL, CRYPT_NEWKEYSET)) CryptReleaseContext(raw, 0);
  ASSERT_TRUE(CryptAcquireContextW(&raw, nullptr, kBaseProvider, PROV_RSA_FULL, CRYPT_DELETEKEYSET));

  ASSERT_TRUE(CryptLibrary(L"CRYPT.DLL").Complete());

  ASSERT_TRUE(CryptAcquireContextW(&raw, nullptr, kBaseProvider, PROV_RSA_FULL, 0));
  const CryptProvider provider(raw);
  for (DWORD keySpec : {AT_SIGNATURE, AT_KEYEXCHANGE}) {
    HCRYPTKEY key = 0;
    EXPECT_TRUE(CryptGetUserKey(provider.Get(), keySpec, &key)) << keySpec;
    const CryptKey owner(key);
  }
}

}  // namespace
}  // namespace dm::crypt
