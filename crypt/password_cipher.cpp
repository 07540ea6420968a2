#include "crypt/password_cipher.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "crypt/md5.h"
#include "crypt/rc2.h"
#include "crypt/text_form.h"

namespace dm::crypt {
namespace {

using Bytes = std::vector<uint8_t>;
using Block = Rc2::Block;
constexpr size_t kBlockSize = Rc2::kBlockSize;

// 40 bits of the digest become key; the rest of the 16 key bytes is salt,
// which the provider leaves zero.
constexpr size_t kKeyLength = 16;
constexpr size_t kKeyBitsFromDigest = 40;

Rc2 KeyFromPassPhrase(std::string_view passPhrase) {
  const Md5Digest digest = Md5(passPhrase);
  std::array<uint8_t, kKeyLength> key{};
  std::copy_n(digest.begin(), kKeyBitsFromDigest / 8, key.begin());
  return Rc2(key, kKeyBitsFromDigest);
}

Block XorBlocks(const Block& a, const Block& b) {
  Block result;
  for (size_t i = 0; i < kBlockSize; ++i) result[i] = a[i] ^ b[i];
  return result;
}

Block BlockAt(const Bytes& bytes, size_t offset) {
  Block block;
  std::copy_n(bytes.begin() + offset, kBlockSize, block.begin());
  return block;
}

// PKCS#5: 1 to 8 bytes, each holding the number of bytes added.
Bytes Pad(std::string_view plaintext) {
  const size_t padLength = kBlockSize - plaintext.size() % kBlockSize;
  Bytes padded(plaintext.begin(), plaintext.end());
  padded.insert(padded.end(), padLength, static_cast<uint8_t>(padLength));
  return padded;
}

// The padding length when the last block ends in valid padding. The provider
// leaves data with broken padding at its full length, and so do we.
size_t PaddingLength(const Bytes& plain) {
  if (plain.empty()) return 0;
  const uint8_t padLength = plain.back();
  if (padLength == 0 || padLength > kBlockSize) return 0;
  const bool uniform = std::all_of(plain.end() - padLength, plain.end(), [&](uint8_t b) { return b == padLength; });
  return uniform ? padLength : 0;
}

Bytes EncryptCbc(const Rc2& cipher, const Bytes& padded) {
  Bytes out;
  out.reserve(padded.size());
  Block chain{};  // zero IV
  for (size_t offset = 0; offset < padded.size(); offset += kBlockSize) {
    chain = cipher.EncryptBlock(XorBlocks(BlockAt(padded, offset), chain));
    out.insert(out.end(), chain.begin(), chain.end());
  }
  return out;
}

Bytes DecryptCbc(const Rc2& cipher, const Bytes& ciphertext) {
  Bytes out;
  out.reserve(ciphertext.size());
  Block chain{};  // zero IV
  for (size_t offset = 0; offset < ciphertext.size(); offset += kBlockSize) {
    const Block block = BlockAt(ciphertext, offset);
    const Block plain = XorBlocks(cipher.DecryptBlock(block), chain);
    out.insert(out.end(), plain.begin(), plain.end());
    chain = block;
  }
  out.resize(out.size() - PaddingLength(out));
  return out;
}

bool PassPhraseFits(std::string_view passPhrase) { return passPhrase.size() < kPassPhraseCapacity; }
bool DataFits(std::string_view data) { return data.size() < kDataCapacity; }

}  // namespace

size_t TextFormLength(size_t plaintextLength) {
  const size_t cipherLength = (plaintextLength / kBlockSize + 1) * kBlockSize;
  return (cipherLength + 2) / 3 * 4;
}

std::optional<std::string> EncryptToText(std::string_view plaintext, std::string_view passPhrase) {
  if (!PassPhraseFits(passPhrase) || !DataFits(plaintext)) return std::nullopt;
  return EncodeTextForm(EncryptCbc(KeyFromPassPhrase(passPhrase), Pad(plaintext)));
}

std::optional<std::string> DecryptFromText(std::string_view text, std::string_view passPhrase) {
  if (!PassPhraseFits(passPhrase) || !DataFits(text)) return std::nullopt;
  Bytes ciphertext = DecodeTextForm(text);
  // Whole blocks only: this drops the zero bytes that filled the encoder's
  // last group of three.
  ciphertext.resize(ciphertext.size() / kBlockSize * kBlockSize);
  const Bytes plain = DecryptCbc(KeyFromPassPhrase(passPhrase), ciphertext);
  const auto end = std::find(plain.begin(), plain.end(), uint8_t{0});
  return std::string(plain.begin(), end);
}

}  // namespace dm::crypt
