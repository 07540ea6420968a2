// One file's copy: written under a temporary name beside its target and
// renamed over the old copy only once complete, so a failed or cancelled
// copy leaves the previous backup as it was. Runs on copy workers too.
#include "engine/backup_thread.h"

#include <iterator>

#include "base/paths.h"
#include "base/text.h"

namespace dm {

namespace {

constexpr uint32_t kErrorFileExists = 80;
constexpr uint32_t kErrorAlreadyExists = 183;
// Leftovers of killed runs are removed before a folder is copied into, and
// every attempt tries another name, so none can block an update for good.
constexpr int kTemporaryNameAttempts = 100;
// Another program holding a file (a virus scanner looking at a new copy,
// an indexer, an editor saving) lets go within moments as a rule: the step
// is tried again after each of these pauses, about two seconds in all.
constexpr int kReleaseWaitsMs[] = {100, 200, 300, 400, 500, 500};

bool IsSharingFailure(uint32_t error) { return error == kErrorSharingViolation || error == kErrorLockViolation; }

// A rename over a file another program holds open answers "access denied"
// rather than a sharing violation, on Windows as under Wine.
bool IsHeldTarget(uint32_t error) { return IsSharingFailure(error) || error == kErrorAccessDenied; }

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

uint32_t Fnv1a(std::string_view text) {
  uint32_t hash = 2166136261u;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 16777619u;
  }
  return hash;
}

}  // namespace

std::string TemporaryCopyName(std::string_view dstPath, int attempt) {
  // A short name of fixed length, so a long file name never pushes the
  // temporary one past the file system's limit for one name.
  uint32_t hash = Fnv1a(FileNamePart(dstPath)) + static_cast<uint32_t>(attempt) * 0x9E3779B9u;
  return JoinPath(ParentPath(dstPath), StringPrintf("~dmk%08x.tmp", hash));
}

bool IsTemporaryCopyName(std::string_view name) {
  if (name.size() != 16) return false;
  std::string lower = AsciiLower(name);
  if (!StartsWith(lower, "~dmk") || lower.substr(12) != ".tmp") return false;
  for (size_t i = 4; i < 12; ++i) {
    if (!IsHexDigit(lower[i])) return false;
  }
  return true;
}

void TFileBackupThread::FinishCopy(const std::string& srcPath, const std::string& dstPath, bool update,
                                   const DirEntry& oldDestination, const DirEntry& source) {
  bool times_failed = false;
  uint32_t error = CopyThroughTemporary(srcPath, dstPath, update ? &oldDestination : nullptr, source, times_failed);
  if (error == 0) {
    ++(update ? updatedCount_ : newCount_);
    if (times_failed) {
      Report(kReportError, "エラー", kLevelStandard,
             (update ? "SetFileTime()に失敗しました。" : "SetFileTime()に失敗しました ") + dstPath);
    }
    return;
  }
  ++errorCount_;
  std::string line = update ? "ファイルの更新コピーに失敗しました。" : "ファイルの新規コピーに失敗しました。";
  if (IsSharingFailure(error)) line += "他のプログラムがファイルを使用中です。";
  ReportError(line + dstPath, error);
}

uint32_t TFileBackupThread::CopyThroughTemporary(const std::string& srcPath, const std::string& dstPath,
                                                 const DirEntry* oldDestination, const DirEntry& source,
                                                 bool& timesFailed) {
  // The copy goes to a new file beside the destination and replaces the
  // old copy only once complete: a failed or cancelled copy leaves the
  // previous backup as it was.
  uint32_t error = 0;
  std::string temporary;
  for (int retry = 0;;) {
    error = CopyToTemporary(srcPath, dstPath, temporary);
    if (!IsSharingFailure(error) || !WaitForRelease(retry)) break;
  }
  if (error != 0) return error;

  // The copy carries the source's attributes. A read-only temporary could
  // not be removed should the rename fail, so read-only comes last.
  bool read_only_copy = (source.attributes & kAttrReadOnly) != 0;
  if (read_only_copy) fs_.SetAttributes(temporary, source.attributes & ~kAttrReadOnly);

  bool was_read_only = oldDestination && (oldDestination->attributes & kAttrReadOnly);
  if (was_read_only) fs_.SetAttributes(dstPath, kAttrNormal);
  for (int retry = 0;;) {
    error = fs_.MoveReplacing(temporary, dstPath);
    if (!IsHeldTarget(error) || !WaitForRelease(retry)) break;
  }
  if (error != 0) {
    if (was_read_only) fs_.SetAttributes(dstPath, oldDestination->attributes);
    fs_.RemoveFile(temporary);
    return error;
  }
  if (keepTimes_) timesFailed = !fs_.SetFileTimes(dstPath, source.times);
  if (read_only_copy) fs_.SetAttributes(dstPath, source.attributes);
  return 0;
}

uint32_t TFileBackupThread::CopyToTemporary(const std::string& srcPath, const std::string& dstPath,
                                            std::string& temporary) {
  CopyProgress progress = [this](uint64_t transferred, uint64_t total) {
    return CopyProgressed(transferred, total);
  };
  uint32_t error = kErrorFileExists;
  for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
    temporary = TemporaryCopyName(dstPath, attempt);
    error = fs_.CopyFileTo(srcPath, temporary, progress);
    if (error != kErrorFileExists && error != kErrorAlreadyExists) break;
  }
  if (error != 0 && error != kErrorFileExists && error != kErrorAlreadyExists) fs_.RemoveFile(temporary);
  return error;
}

bool TFileBackupThread::WaitForRelease(int& retry) {
  if (retry >= static_cast<int>(std::size(kReleaseWaitsMs)) || StopRequested()) return false;
  clock_.SleepMs(kReleaseWaitsMs[retry++]);
  return !StopRequested();
}

bool TFileBackupThread::CopyProgressed(uint64_t transferred, uint64_t total) {
  if (options_.statusBarProgress && total > 0) ShowProgress(static_cast<int>(transferred * 100 / total));
  return !StopRequested();
}

void TFileBackupThread::ShowProgress(int percent) {
  std::lock_guard<std::mutex> lock(reportMutex_);
  if (percent != lastPercent_) {  // the window needs each step once, not every chunk
    lastPercent_ = percent;
    window_.SetProgress(percent);
  }
}

}  // namespace dm
