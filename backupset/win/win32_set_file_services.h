// The set file's system services on Win32.
#pragma once

#include <windows.h>

#include <string>

#include "backupset/set_file_services.h"

namespace dm {

// The program's folder (by default the running executable's) and the serial
// number of the volume it lies on. Tests place the program on a mapped drive.
class Win32ProgramLocation : public ProgramLocation {
 public:
  Win32ProgramLocation();
  explicit Win32ProgramLocation(std::string folder);

  std::string Folder() override { return folder_; }
  std::optional<uint32_t> VolumeSerial() override;

 private:
  std::string folder_;
};

// CRYPT.DLL, loaded from the program's own folder (never the current
// directory) for each binding and freed when the binding ends.
// Its functions write into a 4,096-byte buffer; a password whose cipher text
// would not fit is refused rather than risking an overrun.
class Win32CipherLibrary : public CipherLibrary {
 public:
  explicit Win32CipherLibrary(std::wstring fileName = L"CRYPT.DLL") : fileName_(std::move(fileName)) {}
  std::unique_ptr<BoundCipher> Bind(Function function) override;

 private:
  std::wstring fileName_;
};

// MessageBoxW with the caption "Drovenmark" and a warning icon, owned by
// nothing or by the main window.
class Win32MessageBoxes : public MessageBoxes {
 public:
  explicit Win32MessageBoxes(HWND mainWindow = nullptr) : mainWindow_(mainWindow) {}
  void SetMainWindow(HWND mainWindow) { mainWindow_ = mainWindow; }
  void Warning(const std::string& text, Owner owner) override;

 private:
  HWND mainWindow_;
};

// Files through the wide functions, so any name works. A file is replaced by
// writing a temporary file beside it and moving that over it, so a failed
// save never leaves half a file. A read-only file is refused.
class Win32SetFileStorage : public SetFileStorage {
 public:
  bool Read(const std::string& path, std::string& bytes) override;
  bool Replace(const std::string& path, const std::string& bytes, std::string& reason) override;
};

// All four for the running program.
struct Win32SetFileServices {
  Win32ProgramLocation location;
  Win32CipherLibrary cipher;
  Win32MessageBoxes messages;
  Win32SetFileStorage storage;
  SetFileServices services{location, cipher, messages, storage};
};

}  // namespace dm
