// In-memory stand-ins for the set file's system services.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "backupset/set_file_services.h"

namespace dm {

class FakeProgramLocation : public ProgramLocation {
 public:
  std::string folder = "C:\\Program Files\\Drovenmark\\";
  std::optional<uint32_t> serial = 0x1A2B3C4Du;

  std::string Folder() override { return folder; }
  std::optional<uint32_t> VolumeSerial() override { return serial; }
};

// A toy cipher with the real one's outward traits: printable text out, the
// same text for the same input and key, other bytes under another key.
class FakeCipherLibrary : public CipherLibrary {
 public:
  bool present = true;          // false: the library or its function is missing
  bool failEncrypt = false;     // CryptEnc reports failure (output untouched)
  bool failDecrypt = false;     // CryptDec reports failure (output untouched)
  int binds = 0;
  int bound = 0;                // bindings not yet released
  std::vector<std::string> keys;  // the key of every call

  std::unique_ptr<BoundCipher> Bind(Function function) override {
    if (!present) return nullptr;
    ++binds;
    return std::make_unique<Bound>(*this, function);
  }

  static std::string Encrypt(const std::string& plain, const std::string& key) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (size_t i = 0; i < plain.size(); ++i) {
      unsigned char c = static_cast<unsigned char>(plain[i]) ^ Mask(key, i);
      text += kHex[c >> 4];
      text += kHex[c & 15];
    }
    return text + "==";
  }
  static std::string Decrypt(const std::string& text, const std::string& key) {
    std::string plain;
    for (size_t i = 0; i + 1 < text.size() && Hex(text[i]) >= 0 && Hex(text[i + 1]) >= 0; i += 2) {
      unsigned char c = static_cast<unsigned char>(Hex(text[i]) * 16 + Hex(text[i + 1])) ^ Mask(key, i / 2);
      if (c == 0) break;  // the output is a zero-terminated text
      plain += static_cast<char>(c);
    }
    return plain;
  }

 private:
  static int Hex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
  }
  static unsigned char Mask(const std::string& key, size_t i) {
    return static_cast<unsigned char>(key.empty() ? 0x5A : key[i % key.size()] * 7 + i);
  }

  class Bound : public BoundCipher {
   public:
    Bound(FakeCipherLibrary& library, Function function) : library_(library), function_(function) {
      ++library_.bound;
    }
    ~Bound() override { --library_.bound; }
    std::string Run(const std::string& input, const std::string& key) override {
      library_.keys.push_back(key);
      if (function_ == Function::kDecrypt) return library_.failDecrypt ? std::string() : Decrypt(input, key);
      if (library_.failEncrypt) return {};
      return Encrypt(input, key);
    }

   private:
    FakeCipherLibrary& library_;
    Function function_;
  };
};

class FakeMessageBoxes : public MessageBoxes {
 public:
  struct Shown {
    std::string text;
    Owner owner;
  };
  std::vector<Shown> shown;

  void Warning(const std::string& text, Owner owner) override { shown.push_back({text, owner}); }
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const Shown& s : shown) texts.push_back(s.text);
    return texts;
  }
};

class FakeSetFileStorage : public SetFileStorage {
 public:
  std::map<std::string, std::string> files;
  std::optional<std::string> refuseWrites;  // the reason a write fails

  bool Read(const std::string& path, std::string& bytes) override {
    auto it = files.find(path);
    if (it == files.end()) return false;
    bytes = it->second;
    return true;
  }
  bool Replace(const std::string& path, const std::string& bytes, std::string& reason) override {
    if (refuseWrites) {
      reason = *refuseWrites;
      return false;
    }
    files[path] = bytes;
    return true;
  }
};

struct FakeSetFileServices {
  FakeProgramLocation location;
  FakeCipherLibrary cipher;
  FakeMessageBoxes messages;
  FakeSetFileStorage storage;
  SetFileServices services{location, cipher, messages, storage};
};

}  // namespace dm
