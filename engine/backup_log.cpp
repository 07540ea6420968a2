#include "engine/backup_log.h"

#include "base/sjis.h"
#include "base/text.h"

namespace dm {

namespace {
constexpr size_t kFlushThreshold = 64 * 1024;
constexpr size_t kTitleWidth = 20;
}  // namespace

std::string BackupLogFileName(std::string_view folder, const DateTimeParts& day) {
  return std::string(folder) + StringPrintf("%04d%02d%02d.log", day.year, day.month, day.day);
}

std::string FormatBackupLogLine(int kind, std::string_view title, int hour, int minute, int second,
                                std::string_view text) {
  std::string sjis_title = Utf8ToSjis(title);
  if (sjis_title.size() < kTitleWidth) sjis_title.append(kTitleWidth - sjis_title.size(), ' ');
  return StringPrintf("%2d, ", kind) + sjis_title + StringPrintf(", %02d:%02d:%02d, ", hour, minute, second) +
         Utf8ToSjis(text) + "\r\n";
}

std::unique_ptr<BackupLog> BackupLog::Open(FileSystem& fs, std::string_view folder, const DateTimeParts& day) {
  std::unique_ptr<AppendFile> file = fs.OpenAppend(BackupLogFileName(folder, day));
  if (!file) return nullptr;
  return std::unique_ptr<BackupLog>(new BackupLog(std::move(file)));
}

BackupLog::~BackupLog() { Flush(); }

void BackupLog::Write(int kind, std::string_view title, const DateTimeParts& at, std::string_view text) {
  buffer_ += FormatBackupLogLine(kind, title, at.hour, at.minute, at.second, text);
  if (buffer_.size() >= kFlushThreshold) Flush();
}

void BackupLog::Flush() {
  if (!buffer_.empty()) file_->Write(buffer_);
  buffer_.clear();
}

}  // namespace dm
