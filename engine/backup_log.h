// The daily log: one Shift-JIS text file per day in the program's folder,
// named yyyymmdd.log, every run of the day appending its lines.
#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

#include "base/datetime.h"
#include "engine/file_system.h"

namespace dm {

// "<folder>20071231.log"; the folder ends with a delimiter.
std::string BackupLogFileName(std::string_view folder, const DateTimeParts& day);

// One line in the file's bytes: kind right-aligned in two places, the title
// padded with blanks to 20 Shift-JIS bytes, the time, the text, CR LF.
std::string FormatBackupLogLine(int kind, std::string_view title, int hour, int minute, int second,
                                std::string_view text);

// Lines reach the file as the run goes, so a run that is killed still
// leaves its trace: start, end, abort and error lines at once, the others
// within about a second (a flusher thread writes what is pending).
class BackupLog {
 public:
  // nullptr when the file cannot be opened (or created) for appending.
  static std::unique_ptr<BackupLog> Open(FileSystem& fs, std::string_view folder, const DateTimeParts& day,
                                         int flushDelayMs = 1000);
  // Writes what is pending and closes.
  ~BackupLog();
  BackupLog(const BackupLog&) = delete;
  BackupLog& operator=(const BackupLog&) = delete;

  void Write(int kind, std::string_view title, const DateTimeParts& at, std::string_view text);
  // Writes what is pending now.
  void Flush();

 private:
  BackupLog(std::unique_ptr<AppendFile> file, int flushDelayMs);
  void FlushLocked();
  void FlushPeriodically();

  std::unique_ptr<AppendFile> file_;
  std::string pending_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool closing_ = false;
  std::chrono::milliseconds flushDelay_;
  std::thread flusher_;
};

// Lines written to the file at once rather than with the next flush: the
// ones a person looks for after a run that did not end normally.
bool IsUrgentLogLine(int kind, std::string_view title);

}  // namespace dm
