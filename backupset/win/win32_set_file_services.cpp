#include "backupset/win/win32_set_file_services.h"

#include <vector>

#include "base/paths.h"
#include "base/win/handles.h"
#include "base/win/library_loading.h"
#include "base/win/wide.h"
#include "crypt/win/crypt_api.h"

namespace dm {
namespace {

// The buffer the cipher functions write into.
constexpr size_t kCipherBuffer = 4096;

// Bytes of the text CryptEnc writes for a plaintext of `length` bytes,
// terminator included: the ciphertext fills whole 8-byte blocks (at least
// one byte of padding), and every 3 bytes of it become 4 characters.
size_t EncipheredSize(size_t length) {
  size_t cipherBytes = 8 * (length / 8 + 1);
  return 4 * ((cipherBytes + 2) / 3) + 1;
}

class Win32BoundCipher : public BoundCipher {
 public:
  Win32BoundCipher(ModuleHandle module, crypt::CryptEncFunction function, bool encrypt)
      : module_(std::move(module)), function_(function), encrypt_(encrypt) {}

  std::string Run(const std::string& input, const std::string& key) override {
    size_t needed = encrypt_ ? EncipheredSize(input.size()) : input.size() + 1;
    if (needed > kCipherBuffer) return {};
    char buffer[kCipherBuffer];
    buffer[0] = '\0';
    function_(input.c_str(), buffer, key.c_str());  // an untouched buffer tells the failure
    buffer[kCipherBuffer - 1] = '\0';
    return buffer;
  }

 private:
  ModuleHandle module_;
  // CryptEnc and CryptDec share one signature.
  crypt::CryptEncFunction function_;
  bool encrypt_;
};

// The absolute wide form of a path, prefixed for long paths ("\\?\").
// Relative paths (a set saved as "dm_temp.dmk") resolve against the
// current directory.
std::wstring FullPath(const std::string& path, bool longForm) {
  std::wstring wide = Utf8ToWide(path);
  DWORD length = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (length == 0) return {};
  std::wstring full(length, L'\0');
  length = GetFullPathNameW(wide.c_str(), length, full.data(), nullptr);
  full.resize(length);
  return longForm ? Utf8ToWide(LongPathForm(WideToUtf8(full))) : full;
}

bool WriteWhole(const std::wstring& path, const std::string& bytes) {
  FileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr));
  if (!file) return false;
  for (size_t done = 0; done < bytes.size();) {
    DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1 << 20));
    DWORD written = 0;
    if (!WriteFile(file.Get(), bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
    done += written;
  }
  return FlushFileBuffers(file.Get()) != FALSE;
}

}  // namespace

Win32ProgramLocation::Win32ProgramLocation() : Win32ProgramLocation(ProgramFolder()) {}

Win32ProgramLocation::Win32ProgramLocation(std::string folder) : folder_(std::move(folder)) {
  if (!EndsWithPathDelimiter(folder_)) folder_ += '\\';
}

std::optional<uint32_t> Win32ProgramLocation::VolumeSerial() {
  std::string root = VolumeRoot(folder_);
  DWORD serial = 0;
  if (root.empty() ||
      !GetVolumeInformationW(Utf8ToWide(root).c_str(), nullptr, 0, &serial, nullptr, nullptr, nullptr, 0)) {
    return std::nullopt;
  }
  return serial;
}

std::unique_ptr<BoundCipher> Win32CipherLibrary::Bind(Function function) {
  ModuleHandle module(LoadProgramLibrary(fileName_.c_str()));
  if (!module) return nullptr;
  const bool encrypt = function == Function::kEncrypt;
  FARPROC address = GetProcAddress(module.Get(), encrypt ? crypt::kCryptEncName : crypt::kCryptDecName);
  if (!address) return nullptr;
  auto cipher = reinterpret_cast<crypt::CryptEncFunction>(reinterpret_cast<void (*)()>(address));
  return std::make_unique<Win32BoundCipher>(std::move(module), cipher, encrypt);
}

void Win32MessageBoxes::Warning(const std::string& text, Owner owner) {
  MessageBoxW(owner == Owner::kMainWindow ? mainWindow_ : nullptr, Utf8ToWide(text).c_str(), L"Drovenmark",
              MB_OK | MB_ICONWARNING);
}

bool Win32SetFileStorage::Read(const std::string& path, std::string& bytes) {
  std::wstring full = FullPath(path, true);
  if (full.empty()) return false;
  FileHandle file(CreateFileW(full.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  bytes.clear();
  std::vector<char> buffer(1 << 16);
  for (;;) {
    DWORD read = 0;
    if (!ReadFile(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) return false;
    if (read == 0) return true;
    bytes.append(buffer.data(), read);
  }
}

bool Win32SetFileStorage::Replace(const std::string& path, const std::string& bytes, std::string& reason) {
  std::wstring target = FullPath(path, true);
  std::wstring plain = FullPath(path, false);
  if (target.empty()) {
    reason = SystemErrorMessage(GetLastError());
    return false;
  }
  // Windows will not replace a read-only file; say so before writing
  // anything (not every file system refuses it by itself).
  DWORD attributes = GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
    reason = SystemErrorMessage(ERROR_ACCESS_DENIED);
    return false;
  }
  std::wstring folder = plain.substr(0, plain.find_last_of(L'\\') + 1);
  wchar_t temp[MAX_PATH];
  if (!GetTempFileNameW(folder.c_str(), L"dmk", 0, temp)) {
    reason = SystemErrorMessage(GetLastError());
    return false;
  }
  if (WriteWhole(temp, bytes) &&
      MoveFileExW(temp, target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  DWORD error = GetLastError();
  DeleteFileW(temp);
  reason = SystemErrorMessage(error);
  return false;
}

}  // namespace dm
