// Whether a job may run at all, decided before anything is copied: a source
// inside its own backup folder is refused, a backup folder inside the source
// is left out of the walk, and the same holds for folders that are one under
// two names (a link, a second drive letter). The tests are in
// tests/data_safety_test.cpp (by path) and tests/folder_identity_test.cpp
// (by what the folders are).
#include "base/paths.h"
#include "engine/backup_thread.h"

namespace dm {

std::string TFileBackupThread::ComparableKey(const std::string& path) {
  return fs_.NameKey(NormalizedPath(path));
}

bool TFileBackupThread::CheckFolderOverlap(const BackupJob& job, const std::string& configuredDst) {
  // A source inside its own backup folder would be copied into itself, and
  // mirroring would delete from the source what the backup lacks (files the
  // exclusions kept out, for one). Such a job is refused as a whole.
  std::string src = ComparableKey(job.Src);
  std::string dst = ComparableKey(job.Dst);
  std::string configured = ComparableKey(configuredDst);
  skippedDestinationKey_.clear();
  if (IsSameOrBelow(src, dst) || (job.DateFolder && src == configured)) {
    ReportOverlap(job);
    return false;
  }
  // A backup folder inside the source is left out of the walk; with date
  // folders, all of them (the folder that holds them) are.
  if (job.DateFolder && IsSameOrBelow(configured, src)) {
    skippedDestinationKey_ = configured;
  } else if (IsSameOrBelow(dst, src)) {
    skippedDestinationKey_ = dst;
  }
  return true;
}

void TFileBackupThread::ReportOverlap(const BackupJob& job) {
  ++errorCount_;
  Report(kReportError, "エラー", kLevelMinimum,
         "ソース側フォルダとバックアップ先フォルダが重なっています " + job.Src + " --> " + job.Dst);
}

bool TFileBackupThread::CheckFolderIdentities(const BackupJob& job, const std::string& configuredDst) {
  // The path texts may differ while the folders are one: a link, a second
  // drive letter or a share of the local disk. Asked of what the folders
  // are, a backup folder that is the source or one of its ancestors is
  // refused like one written as such.
  sourceLineage_.Clear();
  for (const std::string& folder : SelfAndAncestors(NormalizedPath(job.Src))) {
    sourceLineage_.Add(fs_.IdentityOf(folder));
  }
  backupHolder_ = job.DateFolder ? configuredDst : std::string();
  backupIdentity_ = fs_.IdentityOf(job.Dst);
  backupHolderIdentity_ = job.DateFolder ? fs_.IdentityOf(backupHolder_) : FolderIdentity{};
  if (sourceLineage_.IsSourceOrAncestor(backupIdentity_) || sourceLineage_.IsSource(backupHolderIdentity_)) {
    ReportOverlap(job);
    return false;
  }
  GuardBackupFolders();
  return true;
}

IdentityLookup TFileBackupThread::Lookup() {
  return [this](const std::string& folder) { return fs_.IdentityOf(folder); };
}

void TFileBackupThread::GuardBackupFolders() {
  walkGuard_.Reset();
  walkGuard_.AddBackupFolder(backupIdentity_);
  walkGuard_.AddBackupFolder(backupHolderIdentity_);
  for (const FolderIdentity& folder : sourceLineage_.Folders()) walkGuard_.AddFolderAbove(folder);
}

bool TFileBackupThread::IsSkippedDestination(const std::string& srcPath) {
  return !skippedDestinationKey_.empty() && ComparableKey(srcPath) == skippedDestinationKey_;
}

}  // namespace dm
