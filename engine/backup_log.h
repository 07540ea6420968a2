// The daily log: one Shift-JIS text file per day in the program's folder,
// named yyyymmdd.log, every run of the day appending its lines.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "base/datetime.h"
#include "engine/file_system.h"

namespace dm {

// "<folder>20071231.log"; the folder ends with a delimiter.
std::string BackupLogFileName(std::string_view folder, const DateTimeParts& day);

// One line in the file's bytes: kind right-aligned in two places, the title
// padded with blanks to 20 Shift-JIS bytes, the time, the text, CR LF.
std::string FormatBackupLogLine(int kind, std::string_view title, int hour, int minute, int second,
                                std::string_view text);

class BackupLog {
 public:
  // nullptr when the file cannot be opened (or created) for appending.
  static std::unique_ptr<BackupLog> Open(FileSystem& fs, std::string_view folder, const DateTimeParts& day);
  ~BackupLog();

  void Write(int kind, std::string_view title, const DateTimeParts& at, std::string_view text);
  // Writes what is buffered; the destructor closes.
  void Flush();

 private:
  explicit BackupLog(std::unique_ptr<AppendFile> file) : file_(std::move(file)) {}
  std::unique_ptr<AppendFile> file_;
  std::string buffer_;
};

}  // namespace dm
