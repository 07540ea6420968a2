#include "update/win/cng.h"

#include <bcrypt.h>

#include <vector>

#include "base/text.h"
#include "base/win/handles.h"
#include "engine/win32/win32_file_system.h"
#include "update/release_key.h"

namespace dm {

namespace {

struct AlgorithmTraits {
  using Handle = BCRYPT_ALG_HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { BCryptCloseAlgorithmProvider(h, 0); }
};
struct HashTraits {
  using Handle = BCRYPT_HASH_HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { BCryptDestroyHash(h); }
};
struct KeyTraits {
  using Handle = BCRYPT_KEY_HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle h) { BCryptDestroyKey(h); }
};
using AlgorithmHandle = UniqueHandle<AlgorithmTraits>;
using HashHandle = UniqueHandle<HashTraits>;
using KeyHandle = UniqueHandle<KeyTraits>;

bool Succeeded(NTSTATUS status) { return status >= 0; }

std::string StatusText(const char* step, NTSTATUS status) {
  return StringPrintf("%s: 0x%08lX", step, static_cast<unsigned long>(status));
}

// SHA-256 fed in pieces.
class Sha256 {
 public:
  Sha256() {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (!Succeeded(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) return;
    algorithm_.Reset(algorithm);
    BCRYPT_HASH_HANDLE hash = nullptr;
    if (Succeeded(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0))) hash_.Reset(hash);
  }
  bool Add(const void* data, size_t size) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (hash_ && size > 0) {
      const ULONG piece = static_cast<ULONG>(std::min<size_t>(size, 1u << 30));
      if (!Succeeded(BCryptHashData(hash_.Get(), const_cast<PUCHAR>(bytes), piece, 0))) hash_.Reset();
      bytes += piece;
      size -= piece;
    }
    return hash_.Valid();
  }
  std::optional<Sha256Digest> Finish() {
    Sha256Digest digest{};
    if (!hash_ || !Succeeded(BCryptFinishHash(hash_.Get(), digest.data(), digest.size(), 0))) return std::nullopt;
    hash_.Reset();
    return digest;
  }

 private:
  AlgorithmHandle algorithm_;  // declared first: destroyed after the hash
  HashHandle hash_;
};

}  // namespace

std::optional<Sha256Digest> Sha256Of(std::string_view bytes) {
  Sha256 hash;
  if (!hash.Add(bytes.data(), bytes.size())) return std::nullopt;
  return hash.Finish();
}

std::optional<Sha256Digest> CngFileHasher::HashFile(const std::string& path) {
  FileHandle file(CreateFileW(NativePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file) return std::nullopt;
  Sha256 hash;
  std::vector<char> block(1 << 16);
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file.Get(), block.data(), static_cast<DWORD>(block.size()), &read, nullptr)) return std::nullopt;
    if (read == 0) break;
    if (!hash.Add(block.data(), read)) return std::nullopt;
  }
  return hash.Finish();
}

bool CngReleaseKey::Verify(std::string_view message, std::string_view signature, std::string& error) {
  std::optional<Sha256Digest> digest = Sha256Of(message);
  if (!digest) {
    error = "SHA-256 を計算できません";
    return false;
  }
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  NTSTATUS status = BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0);
  if (!Succeeded(status)) {
    error = StatusText("BCryptOpenAlgorithmProvider(ECDSA_P256)", status);
    return false;
  }
  AlgorithmHandle algorithm_holder(algorithm);
  // BCRYPT_ECCKEY_BLOB, then X and Y.
  std::vector<uint8_t> blob(sizeof(BCRYPT_ECCKEY_BLOB) + key_.size());
  BCRYPT_ECCKEY_BLOB header = {BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32};
  memcpy(blob.data(), &header, sizeof header);
  memcpy(blob.data() + sizeof header, key_.data(), key_.size());
  BCRYPT_KEY_HANDLE key = nullptr;
  status = BCryptImportKeyPair(algorithm, nullptr, BCRYPT_ECCPUBLIC_BLOB, &key, blob.data(),
                               static_cast<ULONG>(blob.size()), 0);
  if (!Succeeded(status)) {
    error = StatusText("BCryptImportKeyPair", status);
    return false;
  }
  KeyHandle key_holder(key);
  std::vector<uint8_t> signature_bytes(signature.begin(), signature.end());
  status = BCryptVerifySignature(key, nullptr, digest->data(), static_cast<ULONG>(digest->size()),
                                 signature_bytes.data(), static_cast<ULONG>(signature_bytes.size()), 0);
  // STATUS_INVALID_SIGNATURE is the answer for a signature that does not
  // hold; anything else is a system that could not tell.
  constexpr NTSTATUS kInvalidSignature = static_cast<NTSTATUS>(0xC000A000);
  if (!Succeeded(status) && status != kInvalidSignature) error = StatusText("BCryptVerifySignature", status);
  return Succeeded(status);
}

EcP256PublicKey CompiledReleaseKey() {
  EcP256PublicKey key{};
  std::copy(std::begin(kReleasePublicKey), std::end(kReleasePublicKey), key.begin());
  return key;
}

}  // namespace dm
