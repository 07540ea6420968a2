// One run of a command over an archive: every entry is read in turn,
// selected by the patterns, decoded, checked against its CRC and only then
// put in place. The folder and the progress display are interfaces, so the
// same run works on Windows, on the build machine and against fakes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "unlha/byte_source.h"
#include "unlha/command_line.h"
#include "unlha/header.h"
#include "unlha/report.h"

namespace dm::lzh {

// Results, also those of the library's exports.
enum ResultCode : int {
  kResultSuccess = 0,
  kResultBadCommand = 1,       // the command text could not be understood
  kResultArchiveMissing = 2,   // the archive cannot be opened
  kResultFolderMissing = 3,    // the target folder does not exist
  kResultBrokenArchive = 4,    // a header is damaged; entries before it were handled
  kResultEntriesFailed = 5,    // some entries were refused or failed (CRC, method, writing)
  kResultAborted = 6,          // the progress callback asked to stop
  kResultInternalError = 7,    // out of memory and the like
};

// A file being written under a temporary name in the target folder.
class PendingFile {
 public:
  // Unless committed, the temporary file is closed and deleted.
  virtual ~PendingFile() = default;
  virtual bool Write(const uint8_t* data, size_t size) = 0;
  // Closes the temporary file, gives it the entry's time and moves it over
  // the target name, replacing a file there.
  virtual bool Commit(const Timestamp& time) = 0;
  // What went wrong in the last failed call, for the report.
  virtual std::string Problem() const = 0;
};

class TargetFolder {
 public:
  virtual ~TargetFolder() = default;
  // Starts the file that will become `fileName` (one plain name, already
  // checked). Null, with `problem` set, when no temporary file can be made.
  virtual std::unique_ptr<PendingFile> Begin(const std::string& fileName, std::string& problem) = 0;
  // The bytes that may still be written to the folder's volume; false when
  // that is not known.
  virtual bool FreeSpace(uint64_t& bytes) = 0;
};

enum class ProgressStage { kBegin, kWriting, kEnd };

class ProgressListener {
 public:
  virtual ~ProgressListener() = default;
  // False aborts the run.
  virtual bool OnProgress(ProgressStage stage, const EntryHeader& entry, std::string_view fileName,
                          uint64_t written) = 0;
};

class NoProgress : public ProgressListener {
 public:
  bool OnProgress(ProgressStage, const EntryHeader&, std::string_view, uint64_t) override { return true; }
};

struct RunCounts {
  int done = 0;     // extracted, tested or listed
  int failed = 0;   // CRC, method, data or writing
  int refused = 0;  // unsafe names
};

// Runs `command` over `archive`. `folder` is used only for extraction.
// Extraction first reads the headers alone (when the archive can be read
// again from its start) and writes nothing when the files it would write
// declare more bytes than the folder has free.
ResultCode RunCommand(const Command& command, ByteSource& archive, TargetFolder* folder,
                      ProgressListener& progress, Report& report, RunCounts* counts = nullptr);

}  // namespace dm::lzh
