#include "engine/backup_log.h"

#include "base/sjis.h"
#include "base/text.h"
#include "engine/report.h"

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

bool IsUrgentLogLine(int kind, std::string_view title) {
  return kind == kReportStart || kind == kReportEnd || kind == kReportAbort ||
         (kind == kReportError && title == "エラー");
}

std::unique_ptr<BackupLog> BackupLog::Open(FileSystem& fs, std::string_view folder, const DateTimeParts& day,
                                           int flushDelayMs) {
  std::unique_ptr<AppendFile> file = fs.OpenAppend(BackupLogFileName(folder, day));
  if (!file) return nullptr;
  return std::unique_ptr<BackupLog>(new BackupLog(std::move(file), flushDelayMs));
}

BackupLog::BackupLog(std::unique_ptr<AppendFile> file, int flushDelayMs)
    : file_(std::move(file)), flushDelay_(flushDelayMs) {
  flusher_ = std::thread([this] { FlushPeriodically(); });
}

BackupLog::~BackupLog() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closing_ = true;
  }
  wake_.notify_all();
  flusher_.join();
  FlushLocked();
}

void BackupLog::Write(int kind, std::string_view title, const DateTimeParts& at, std::string_view text) {
  std::string line = FormatBackupLogLine(kind, title, at.hour, at.minute, at.second, text);
  std::lock_guard<std::mutex> lock(mutex_);
  pending_ += line;
  if (IsUrgentLogLine(kind, title) || pending_.size() >= kFlushThreshold) FlushLocked();
}

void BackupLog::Flush() {
  std::lock_guard<std::mutex> lock(mutex_);
  FlushLocked();
}

void BackupLog::FlushLocked() {
  if (!pending_.empty()) file_->Write(pending_);
  pending_.clear();
}

void BackupLog::FlushPeriodically() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!closing_) {
    wake_.wait_for(lock, flushDelay_, [this] { return closing_; });
    FlushLocked();
  }
}

}  // namespace dm
