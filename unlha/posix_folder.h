// The archive file and the target folder on the build machine, for the
// native extractor tool, the benchmark and the tests.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "unlha/byte_source.h"
#include "unlha/extractor.h"

namespace dm::lzh {

class PosixFileSource : public ByteSource {
 public:
  // Null when the file cannot be opened.
  static std::unique_ptr<PosixFileSource> Open(const std::string& path);
  ~PosixFileSource() override;
  size_t Read(uint8_t* out, size_t size) override;
  bool Failed() const override;
  bool Rewind() override;
  // Seeks: headers alone are read without reading the data between them.
  bool Skip(uint64_t size) override;

 private:
  explicit PosixFileSource(std::FILE* file) : file_(file) {}
  std::FILE* file_;
};

// Files are written as hidden temporary files in the folder and renamed over
// their targets when complete.
class PosixFolder : public TargetFolder {
 public:
  explicit PosixFolder(std::string folder) : folder_(std::move(folder)) {}
  std::unique_ptr<PendingFile> Begin(const std::string& fileName, std::string& problem) override;
  bool FreeSpace(uint64_t& bytes) override;

 private:
  std::string folder_;
};

}  // namespace dm::lzh
