// The password cipher behind CRYPT.DLL: turns a log-in password into a
// printable text and back, keyed by a pass phrase the caller chooses.
//
// The key is what the Microsoft Base Cryptographic Provider derives from an
// MD5 hash of the pass phrase for RC2: the first 5 digest bytes followed by
// 11 zero bytes of salt, with an effective key length of 40 bits. The
// cipher runs in CBC mode with a zero IV and PKCS#5 padding. Texts made by
// earlier installations through that provider must stay readable, so none of
// this may change.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace dm::crypt {

// Sizes of the library's working copies, terminator included. Longer inputs
// are refused.
constexpr size_t kPassPhraseCapacity = 1024;
constexpr size_t kDataCapacity = 64064;

// Length of the text form of a plaintext of the given length, without the
// terminator: the ciphertext is the plaintext padded to whole 8-byte blocks
// (always at least one padding byte), written 4 characters per 3 bytes.
size_t TextFormLength(size_t plaintextLength);

// Encrypts the plaintext and returns its text form. Nothing when the
// plaintext or the pass phrase does not fit its working copy.
std::optional<std::string> EncryptToText(std::string_view plaintext, std::string_view passPhrase);

// Decodes and decrypts a text form. The result ends at the first zero byte
// of the decrypted data. A text made with another pass phrase (or none made
// by EncryptToText at all) still gives a result, just a meaningless one.
// Nothing when the text or the pass phrase does not fit its working copy.
std::optional<std::string> DecryptFromText(std::string_view text, std::string_view passPhrase);

}  // namespace dm::crypt
