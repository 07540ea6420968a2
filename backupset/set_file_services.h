// What the backup set file needs from the system: where the program runs
// from, the password cipher library, message boxes and file storage. The
// Win32 versions live in backupset/win; tests use in-memory fakes.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace dm {

// The program's folder and the volume serial number of the drive holding it.
// The serial number is the key that enciphers the log-in passwords, so a set
// file's passwords read back only where the program runs from the same drive.
class ProgramLocation {
 public:
  virtual ~ProgramLocation() = default;
  // The folder of the program file, ending with "\".
  virtual std::string Folder() = 0;
  // Nothing when the volume information cannot be read.
  virtual std::optional<uint32_t> VolumeSerial() = 0;
};

// One function of the cipher library, bound for the length of one load or
// save; destroying it releases the library. Texts are bytes in Shift-JIS.
class BoundCipher {
 public:
  virtual ~BoundCipher() = default;
  // Runs the function on `input` with `key`. The output starts empty and
  // stays empty when the library reports a failure.
  virtual std::string Run(const std::string& input, const std::string& key) = 0;
};

class CipherLibrary {
 public:
  enum class Function { kEncrypt, kDecrypt };
  virtual ~CipherLibrary() = default;
  // Loads the library and looks the function up by name; nothing when either
  // is missing.
  virtual std::unique_ptr<BoundCipher> Bind(Function function) = 0;
};

// Warning boxes with the caption "Drovenmark".
class MessageBoxes {
 public:
  enum class Owner { kNone, kMainWindow };
  virtual ~MessageBoxes() = default;
  virtual void Warning(const std::string& text, Owner owner) = 0;
};

// Whole files by path (UTF-8 paths, raw bytes).
class SetFileStorage {
 public:
  virtual ~SetFileStorage() = default;
  // False when the file cannot be opened for reading.
  virtual bool Read(const std::string& path, std::string& bytes) = 0;
  // Replaces the file's content, or leaves an existing file as it was and
  // gives the system's reason in `reason`.
  virtual bool Replace(const std::string& path, const std::string& bytes, std::string& reason) = 0;
};

struct SetFileServices {
  ProgramLocation& location;
  CipherLibrary& cipher;
  MessageBoxes& messages;
  SetFileStorage& storage;
};

}  // namespace dm
