// The archive file and the target folder through the wide file functions.
#pragma once

#include <memory>
#include <string>

#include "base/win/handles.h"
#include "unlha/byte_source.h"
#include "unlha/extractor.h"

namespace dm::lzh {

class WinFileSource : public ByteSource {
 public:
  // Null, with the system's error code in `error`, when it cannot be opened.
  static std::unique_ptr<WinFileSource> Open(const std::wstring& path, DWORD& error);
  size_t Read(uint8_t* out, size_t size) override;
  bool Failed() const override { return failed_; }
  bool Rewind() override;
  // Seeks: headers alone are read without reading the data between them.
  bool Skip(uint64_t size) override;

 private:
  explicit WinFileSource(HANDLE file) : file_(file) {}
  FileHandle file_;
  bool failed_ = false;
};

// Files are written to "~unlha<process>-<n>.tmp" in the folder and moved over
// their targets (read-only ones included) once the caller commits them.
class WinFolder : public TargetFolder {
 public:
  // `folder`: an absolute path, in the long-path form.
  explicit WinFolder(std::wstring folder);
  std::unique_ptr<PendingFile> Begin(const std::string& fileName, std::string& problem) override;
  // GetDiskFreeSpaceExW: the bytes this user may still write there.
  bool FreeSpace(uint64_t& bytes) override;

 private:
  std::wstring folder_;  // ends with "\"
};

// FILETIME value (UTC) of an entry's time; false when it has none.
bool EntryFileTime(const Timestamp& time, FILETIME& out);

}  // namespace dm::lzh
