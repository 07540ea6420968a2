#include "unlha/posix_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>

namespace dm::lzh {
namespace {

// Seconds since 1970 of an entry's time; -1 when it has none.
int64_t UnixSeconds(const Timestamp& time) {
  switch (time.kind) {
    case Timestamp::Kind::kUnixUtc: return static_cast<int64_t>(time.value);
    case Timestamp::Kind::kFileTime: return static_cast<int64_t>(time.value / 10000000) - 11644473600LL;
    case Timestamp::Kind::kDosLocal: {
      std::tm local{};
      const uint32_t dos = static_cast<uint32_t>(time.value);
      local.tm_sec = (dos & 0x1F) * 2;
      local.tm_min = (dos >> 5) & 0x3F;
      local.tm_hour = (dos >> 11) & 0x1F;
      local.tm_mday = (dos >> 16) & 0x1F;
      local.tm_mon = ((dos >> 21) & 0x0F) - 1;
      local.tm_year = ((dos >> 25) & 0x7F) + 80;
      local.tm_isdst = -1;
      return static_cast<int64_t>(std::mktime(&local));
    }
    default: return -1;
  }
}

class PosixPendingFile : public PendingFile {
 public:
  PosixPendingFile(int fd, std::string temporary, std::string target)
      : fd_(fd), temporary_(std::move(temporary)), target_(std::move(target)) {}
  ~PosixPendingFile() override {
    if (fd_ >= 0) close(fd_);
    if (!committed_) unlink(temporary_.c_str());
  }
  bool Write(const uint8_t* data, size_t size) override {
    while (size > 0) {
      const ssize_t n = write(fd_, data, size);
      if (n < 0) {
        if (errno == EINTR) continue;
        problem_ = std::strerror(errno);
        return false;
      }
      data += n;
      size -= static_cast<size_t>(n);
    }
    return true;
  }
  bool Commit(const Timestamp& time) override {
    const int closed = close(fd_);
    fd_ = -1;
    if (closed != 0) return Failed();
    const int64_t seconds = UnixSeconds(time);
    if (seconds >= 0) {
      const timespec times[2] = {{seconds, 0}, {seconds, 0}};
      utimensat(AT_FDCWD, temporary_.c_str(), times, 0);
    }
    if (rename(temporary_.c_str(), target_.c_str()) != 0) return Failed();
    committed_ = true;
    return true;
  }
  std::string Problem() const override { return problem_; }

 private:
  bool Failed() {
    problem_ = std::strerror(errno);
    return false;
  }
  int fd_;
  std::string temporary_;
  std::string target_;
  std::string problem_;
  bool committed_ = false;
};

}  // namespace

std::unique_ptr<PosixFileSource> PosixFileSource::Open(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return nullptr;
  return std::unique_ptr<PosixFileSource>(new PosixFileSource(file));
}

PosixFileSource::~PosixFileSource() { std::fclose(file_); }

size_t PosixFileSource::Read(uint8_t* out, size_t size) { return std::fread(out, 1, size, file_); }

bool PosixFileSource::Failed() const { return std::ferror(file_) != 0; }

bool PosixFileSource::Rewind() {
  std::clearerr(file_);
  return std::fseek(file_, 0, SEEK_SET) == 0;
}

bool PosixFileSource::Skip(uint64_t size) {
  struct stat info;
  const off_t at = ftello(file_);
  if (at < 0 || fstat(fileno(file_), &info) != 0 || !S_ISREG(info.st_mode)) return ByteSource::Skip(size);
  const uint64_t left = info.st_size > at ? static_cast<uint64_t>(info.st_size - at) : 0;
  const uint64_t step = std::min(size, left);
  return fseeko(file_, static_cast<off_t>(at + step), SEEK_SET) == 0 && step == size;
}

bool PosixFolder::FreeSpace(uint64_t& bytes) {
  struct statvfs info;
  if (statvfs(folder_.empty() ? "." : folder_.c_str(), &info) != 0) return false;
  bytes = static_cast<uint64_t>(info.f_bavail) * info.f_frsize;
  return true;
}

std::unique_ptr<PendingFile> PosixFolder::Begin(const std::string& fileName, std::string& problem) {
  std::string base = folder_;
  if (!base.empty() && base.back() != '/') base += '/';
  std::string temporary = base + ".unlha-XXXXXX";
  const int fd = mkstemp(temporary.data());
  if (fd < 0) {
    problem = std::strerror(errno);
    return nullptr;
  }
  return std::make_unique<PosixPendingFile>(fd, temporary, base + fileName);
}

}  // namespace dm::lzh
