#include "unlha/win/win_folder.h"

#include <algorithm>
#include <atomic>

#include "base/win/wide.h"

namespace dm::lzh {
namespace {

constexpr uint64_t kUnixEpochAsFileTime = 116444736000000000ULL;

FILETIME ToFileTime(uint64_t value) {
  FILETIME out;
  out.dwLowDateTime = static_cast<DWORD>(value);
  out.dwHighDateTime = static_cast<DWORD>(value >> 32);
  return out;
}

std::string LastErrorText() { return SystemErrorMessage(GetLastError()); }

class WinPendingFile : public PendingFile {
 public:
  WinPendingFile(HANDLE file, std::wstring temporary, std::wstring target)
      : file_(file), temporary_(std::move(temporary)), target_(std::move(target)) {}
  ~WinPendingFile() override {
    file_.Reset();
    if (!committed_) DeleteFileW(temporary_.c_str());
  }

  bool Write(const uint8_t* data, size_t size) override {
    while (size > 0) {
      const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size, 1u << 30));
      DWORD written = 0;
      if (!WriteFile(file_.Get(), data, chunk, &written, nullptr) || written == 0) return Failed();
      data += written;
      size -= written;
    }
    return true;
  }

  bool Commit(const Timestamp& time) override {
    FILETIME fileTime;
    if (EntryFileTime(time, fileTime)) SetFileTime(file_.Get(), nullptr, nullptr, &fileTime);
    if (!CloseHandle(file_.Release())) return Failed();
    // A read-only target is still replaced: the archive's file is wanted.
    const DWORD attributes = GetFileAttributesW(target_.c_str());
    const bool readOnly = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY) &&
                          (attributes & FILE_ATTRIBUTE_READONLY);
    if (readOnly) SetFileAttributesW(target_.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    if (!MoveFileExW(temporary_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      const DWORD error = GetLastError();
      if (readOnly) SetFileAttributesW(target_.c_str(), attributes);
      problem_ = SystemErrorMessage(error);
      return false;
    }
    committed_ = true;
    return true;
  }

  std::string Problem() const override { return problem_; }

 private:
  bool Failed() {
    problem_ = LastErrorText();
    return false;
  }
  FileHandle file_;
  std::wstring temporary_;
  std::wstring target_;
  std::string problem_;
  bool committed_ = false;
};

}  // namespace

bool EntryFileTime(const Timestamp& time, FILETIME& out) {
  switch (time.kind) {
    case Timestamp::Kind::kFileTime:
      out = ToFileTime(time.value);
      return true;
    case Timestamp::Kind::kUnixUtc:
      out = ToFileTime(time.value * 10000000ULL + kUnixEpochAsFileTime);
      return true;
    case Timestamp::Kind::kDosLocal: {
      FILETIME local;
      const uint32_t dos = static_cast<uint32_t>(time.value);
      return DosDateTimeToFileTime(static_cast<WORD>(dos >> 16), static_cast<WORD>(dos), &local) &&
             LocalFileTimeToFileTime(&local, &out);
    }
    default:
      return false;
  }
}

std::unique_ptr<WinFileSource> WinFileSource::Open(const std::wstring& path, DWORD& error) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    error = GetLastError();
    return nullptr;
  }
  return std::unique_ptr<WinFileSource>(new WinFileSource(file));
}

size_t WinFileSource::Read(uint8_t* out, size_t size) {
  size_t total = 0;
  while (total < size) {
    const DWORD chunk = static_cast<DWORD>(std::min<size_t>(size - total, 1u << 30));
    DWORD got = 0;
    if (!ReadFile(file_.Get(), out + total, chunk, &got, nullptr)) {
      failed_ = true;
      break;
    }
    if (got == 0) break;
    total += got;
  }
  return total;
}

bool WinFileSource::Rewind() {
  LARGE_INTEGER start{};
  failed_ = false;
  return SetFilePointerEx(file_.Get(), start, nullptr, FILE_BEGIN) != FALSE;
}

bool WinFileSource::Skip(uint64_t size) {
  LARGE_INTEGER length{}, at{}, zero{};
  if (!GetFileSizeEx(file_.Get(), &length) || !SetFilePointerEx(file_.Get(), zero, &at, FILE_CURRENT)) {
    return ByteSource::Skip(size);
  }
  const uint64_t left = length.QuadPart > at.QuadPart ? static_cast<uint64_t>(length.QuadPart - at.QuadPart) : 0;
  const uint64_t step = std::min(size, left);
  LARGE_INTEGER target;
  target.QuadPart = at.QuadPart + static_cast<LONGLONG>(step);
  return SetFilePointerEx(file_.Get(), target, nullptr, FILE_BEGIN) && step == size;
}

bool WinFolder::FreeSpace(uint64_t& bytes) {
  ULARGE_INTEGER available{};
  if (!GetDiskFreeSpaceExW(folder_.c_str(), &available, nullptr, nullptr)) return false;
  bytes = available.QuadPart;
  return true;
}

WinFolder::WinFolder(std::wstring folder) : folder_(std::move(folder)) {
  if (!folder_.empty() && folder_.back() != L'\\') folder_ += L'\\';
}

std::unique_ptr<PendingFile> WinFolder::Begin(const std::string& fileName, std::string& problem) {
  static std::atomic<unsigned> counter{0};
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::wstring temporary = folder_ + L"~unlha" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                   std::to_wstring(counter++) + L".tmp";
    HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      return std::make_unique<WinPendingFile>(file, temporary, folder_ + Utf8ToWide(fileName));
    }
    if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  problem = LastErrorText();
  return nullptr;
}

}  // namespace dm::lzh
