// A download's file on the disk, written through the wide file functions.
#pragma once

#include <cstdint>

#include "base/win/handles.h"
#include "update/download.h"

namespace dm {

class FileDownloadTarget : public DownloadTarget {
 public:
  bool Create(const std::string& path) override;
  bool Write(const char* data, size_t size) override;
  void Close() override;
  bool SetTimes(const std::string& path, const HttpDate& time) override;
  void Remove(const std::string& path) override;

 private:
  FileHandle file_;
};

// The file's bytes, at most `maxBytes` of them; nothing when it cannot be
// opened.
std::optional<std::string> ReadWholeFile(const std::string& path, size_t maxBytes = SIZE_MAX);

}  // namespace dm
