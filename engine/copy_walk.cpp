// The copy walk: the exclusion patterns, the source tree folder by folder
// (its listing read once, the backup folder's listing beside it), the
// folders it must not enter, and the counting walk for the progress total.
// Which file of a folder is copied is file_selection.cpp's.
#include "base/paths.h"
#include "base/text.h"
#include "engine/backup_thread.h"
#include "engine/copy_folder.h"

namespace dm {

void TFileBackupThread::ReadPatterns(const BackupJob& job) {
  if (!filePatterns_.Read(job.Filter)) {
    Report(kReportError, "エラー", kLevelMinimum, "【" + job.name + "】で指定された除外ファイルが多すぎます(max=30)");
  }
  if (!folderPatterns_.Read(job.FilterFolder)) {
    Report(kReportError, "エラー", kLevelMinimum, "【" + job.name + "】で指定された除外フォルダが多すぎます(max=30)");
  }
}

void TFileBackupThread::CountFiles(const std::string& folder) {
  struct Level {
    std::vector<DirEntry> entries;
    size_t next = 0;
    size_t length = 0;
  };
  // The counting walk leaves out what the copy walk will: the backup
  // folder, folders that lead back into the walk's own path, and links
  // into the source.
  WalkGuard guard = walkGuard_;
  guard.Enter(MetFolder(folder, sourceLineage_.Source()), 0);
  std::string path = folder;
  std::vector<Level> stack(1);
  uint32_t error = 0;
  ReadFolder(fs_, path, stack.back().entries, error);  // the walk reports what cannot be read
  stack.back().length = path.size();
  while (!stack.empty()) {
    Level& level = stack.back();
    if (level.next == level.entries.size()) {
      stack.pop_back();
      continue;
    }
    DirEntry entry = level.entries[level.next++];
    if (StopRequested()) return;
    bool excluded = filePatterns_.Matches(AsciiLower(entry.name));
    if (entry.IsFolder()) {
      path.resize(level.length);
      path = JoinPath(path, entry.name);
      bool folder_excluded = folderPatterns_.Matches(AsciiLower(path));
      if (!entry.IsDotEntry() && subDirs_ && !folder_excluded && !IsSkippedDestination(path)) {
        MetFolder met(path, fs_.NumberOfListed(path, entry));
        if (guard.Visit(met, stack.size(), Lookup()) != FolderVisit::kEnter) continue;
        if (entry.IsFolderLink() && LinkLeadsInsideSource(path)) continue;
        guard.Enter(met, stack.size());
        Level child;
        ReadFolder(fs_, path, child.entries, error);
        child.length = path.size();
        stack.push_back(std::move(child));
      }
    } else if (!excluded) {
      ++progressTotal_;
    }
  }
}

bool TFileBackupThread::ReadFolderReporting(const std::string& folder, std::vector<DirEntry>& entries,
                                            bool source) {
  uint32_t error = 0;
  if (ReadFolder(fs_, folder, entries, error)) return true;
  ReportUnreadFolder(folder, error, source);
  return false;
}

void TFileBackupThread::ReportUnreadFolder(const std::string& folder, uint32_t error, bool source) {
  // A backup folder that is not there (a test run creates none) has
  // nothing to mirror.
  if (!source && IsNotFound(error)) return;
  ++errorCount_;
  if (source && IsNotFound(error)) {
    Report(kReportError, "エラー", kLevelMinimum, "ソース側フォルダが見つかりません " + folder);
  } else {
    ReportError("フォルダの読み取りに失敗しました。" + folder, error);
  }
}

bool TFileBackupThread::LinkLeadsInsideSource(const std::string& link) {
  // Asked of links only, and of the source once per job. Where links are
  // followed (their final paths), a folder reached through a link is
  // compared with the source as the system names both.
  if (!sourceFinalKey_) {
    std::string source = fs_.FinalPath(jobSrc_);
    sourceFinalKey_ = source.empty() ? std::string() : ComparableKey(source);
  }
  if (sourceFinalKey_->empty()) return false;
  std::string target = fs_.FinalPath(link);
  return !target.empty() && IsSameOrBelow(ComparableKey(target), *sourceFinalKey_);
}

bool TFileBackupThread::WalkAndCopy(const std::string& src, const std::string& dst) {
  if (!fs_.IsFolder(src)) {
    ++errorCount_;
    Report(kReportError, "エラー", kLevelMinimum, "ソース側フォルダが見つかりません " + src);
    return false;
  }
  srcPath_ = src;
  dstPath_ = dst;
  std::vector<CopyFolder> stack;
  if (!EnterCopyFolder(stack, fs_.IsFolder(dst))) return false;
  // A backup folder this run has just created is known only now; it may
  // already show in the source's listing.
  if (!TestMode() && (!backupIdentity_.Known() || (!backupHolder_.empty() && !backupHolderIdentity_.Known()))) {
    backupIdentity_ = fs_.IdentityOf(dst);
    if (!backupHolder_.empty()) backupHolderIdentity_ = fs_.IdentityOf(backupHolder_);
    GuardBackupFolders();
  }
  walkGuard_.Enter(MetFolder(src, sourceLineage_.Source()), 0);

  while (!stack.empty()) {
    CopyFolder& folder = stack.back();
    if (folder.next == folder.entries.size()) {
      stack.pop_back();
      continue;
    }
    const DirEntry entry = folder.entries[folder.next++];
    if (StopRequested()) return false;
    if (entry.name.empty()) continue;  // would name the folder itself
    srcPath_.resize(folder.srcLength);
    dstPath_.resize(folder.dstLength);
    std::string src_path = JoinPath(srcPath_, entry.name);
    std::string dst_path = JoinPath(dstPath_, entry.name);
    bool excluded = false;
    if (filePatterns_.Matches(AsciiLower(entry.name))) {
      Report(kReportError, "除外ファイル", kLevelDetailed, AsciiLower(src_path));
      excluded = true;
    }
    if (options_.statusBarProgress) window_.SetStatusPanel(3, dst_path);

    if (entry.IsFolder()) {
      std::string lower_path = AsciiLower(src_path);
      bool folder_excluded = folderPatterns_.Matches(lower_path);
      if (folder_excluded) Report(kReportError, "除外フォルダ", kLevelDetailed, lower_path);
      if (entry.IsDotEntry() || !subDirs_) continue;
      if (folder_excluded) {
        Report(kReportNotice, "通知", kLevelDetailed, src_path + " フォルダ内のファイルは無視します");
        continue;
      }
      if (IsSkippedDestination(src_path)) {
        Report(kReportNotice, "通知", kLevelStandard, src_path + " はバックアップ先のフォルダなので無視します");
        continue;
      }
      // The folder's number (from the listing, or one open of a link)
      // tells the backup folder and the way back into the walk's own path
      // apart from a folder to copy, whatever its name: it rules out every
      // folder but those numbered alike, which alone are asked in full. A
      // link to a folder elsewhere is copied as the folder it leads to.
      MetFolder met(src_path, fs_.NumberOfListed(src_path, entry));
      FolderVisit visit = walkGuard_.Visit(met, stack.size(), Lookup());
      if (visit != FolderVisit::kEnter) {
        // Nothing was copied from below it, so mirroring must not judge
        // the backup below it either.
        unlistedSourceFolders_.insert(fs_.NameKey(src_path));
        Report(kReportNotice, "通知", kLevelStandard,
               src_path + (visit == FolderVisit::kBackupFolder ? " はバックアップ先のフォルダなので無視します"
                                                               : " は上位のフォルダへのリンクなので無視します"));
        continue;
      }
      // A link to a folder inside the source (a profile's "Application
      // Data" to its AppData\Roaming) would copy that folder a second time
      // under the link's name; it is copied under its own path only.
      bool link = entry.IsFolderLink();
      if (link && LinkLeadsInsideSource(src_path)) {
        unlistedSourceFolders_.insert(fs_.NameKey(src_path));
        Report(kReportNotice, "通知", kLevelStandard, src_path + " はソース側フォルダ内へのリンクなので無視します");
        continue;
      }
      walkGuard_.Enter(met, stack.size());
      bool dst_exists = false;
      if (!folder.destinationIsNew) {
        if (folder.destinationListed) {
          auto found = folder.destination.find(fs_.NameKey(entry.name));
          dst_exists = found != folder.destination.end() && found->second.IsFolder();
        } else {
          dst_exists = fs_.IsFolder(dst_path);
        }
      }
      srcPath_ = std::move(src_path);
      dstPath_ = std::move(dst_path);
      EnterCopyFolder(stack, dst_exists, link);  // a folder that fails is reported; the walk goes on
      continue;
    }
    if (!excluded) CopyOneFile(entry, src_path, dst_path, folder);
  }
  // An abort that cancelled the folder's last copy still ends the walk as
  // aborted, so the job is not mirrored and reads "処理中止".
  return !StopRequested();
}

bool TFileBackupThread::EnterCopyFolder(std::vector<CopyFolder>& stack, bool dstExists, bool link) {
  CopyFolder folder;
  folder.srcLength = srcPath_.size();
  folder.dstLength = dstPath_.size();
  // A link's source is read before its backup folder is made: one whose
  // listing the system refuses gets no empty folder. Windows' profiles hold
  // such links by design (their old names, "My Documents" among them), and
  // refuse them to everyone: a notice, not an error, so a run over a profile
  // does not fail every time. Other folders are read once their backup
  // folder exists, so a backup folder made inside the source shows in the
  // listing and is named as left out.
  uint32_t read_error = 0;
  bool source_complete = true;
  if (link) {
    source_complete = ReadFolder(fs_, srcPath_, folder.entries, read_error);
    if (read_error == kErrorAccessDenied && folder.entries.empty()) {
      unlistedSourceFolders_.insert(fs_.NameKey(srcPath_));
      Report(kReportNotice, "通知", kLevelStandard, srcPath_ + " は一覧の読み取りが拒否されたリンクなので無視します");
      return false;
    }
  }
  if (!dstExists) {
    Report(kReportFolderCreated, "フォルダ作成", kLevelStandard, dstPath_);
    uint32_t error = TestMode() ? 0 : fs_.CreateFolders(dstPath_);
    if (error != 0) {
      ++errorCount_;
      ReportWithReason("フォルダの作成に失敗しました", "フォルダを作成できません。", dstPath_, error);
      return false;
    }
    // A folder this walk creates starts empty, so its files need no lookup,
    // and it will hold only copies of source files: nothing to mirror there.
    folder.destinationIsNew = true;
    if (stack.empty() || !stack.back().destinationIsNew) createdDestinationRoots_.insert(fs_.NameKey(dstPath_));
  }
  if (!link) source_complete = ReadFolder(fs_, srcPath_, folder.entries, read_error);
  if (!source_complete) {
    ReportUnreadFolder(srcPath_, read_error, true);
    // What could be read is still copied; mirroring leaves this folder's
    // backup alone, since a missing entry may only be an unread one.
    unlistedSourceFolders_.insert(fs_.NameKey(srcPath_));
  }
  if (folder.entries.empty()) return true;

  if (!folder.destinationIsNew) {
    std::vector<DirEntry> existing;
    uint32_t error = 0;
    // Without the listing, each file is looked up on its own.
    folder.destinationListed = ReadFolder(fs_, dstPath_, existing, error);
    if (folder.destinationListed) {
      folder.destination.reserve(existing.size());
      for (DirEntry& entry : existing) {
        if (!entry.IsDotEntry()) folder.destination.emplace(fs_.NameKey(entry.name), std::move(entry));
      }
      if (!TestMode()) RemoveLeftoverTemporaries(folder, dstPath_);
      if (source_complete) NoteWhetherMirrorCanSkipSource(folder);
    }
  }
  ShowProgress(0);
  if (!subDirs_) Report(kReportNotice, "通知", kLevelDetailed, "サブフォルダ内のファイルは無視します");
  stack.push_back(std::move(folder));
  return true;
}

namespace {

// The second hash of a backup folder's path: the path with one more
// character, so that two paths sharing both hashes are never met in practice.
uint64_t PathCheck(const std::string& key) { return std::hash<std::string>()(key + '\x01'); }

}  // namespace

void TFileBackupThread::NoteWhetherMirrorCanSkipSource(const CopyFolder& folder) {
  // With both sides in hand, the walk sees whether every backup entry here
  // has its source counterpart of the same kind. Mirroring then needs
  // neither side listed again: it has nothing to delete here, and enters
  // the sub-folders the walk's listing named.
  if (folder.destination.size() > folder.entries.size()) return;
  std::unordered_map<std::string, bool> source;
  source.reserve(folder.entries.size());
  for (const DirEntry& entry : folder.entries) {
    if (!entry.IsDotEntry()) source.emplace(fs_.NameKey(entry.name), entry.IsFolder());
  }
  BackupFolderInSource found;
  for (const auto& [key, entry] : folder.destination) {
    auto counterpart = source.find(key);
    if (counterpart == source.end() || counterpart->second != entry.IsFolder()) return;
    if (entry.IsFolder()) found.folders.push_back(entry);
  }
  std::string dst_key = fs_.NameKey(dstPath_);
  found.check = PathCheck(dst_key);
  auto [place, added] = backupFoldersInSource_.emplace(std::hash<std::string>()(dst_key), std::move(found));
  // Two paths of one hash: neither is taken on the walk's word.
  if (!added && place->second.check != PathCheck(dst_key)) place->second.check = 0;
}

const TFileBackupThread::BackupFolderInSource* TFileBackupThread::BackupFolderFoundInSource(
    const std::string& dstKey) const {
  auto found = backupFoldersInSource_.find(std::hash<std::string>()(dstKey));
  if (found == backupFoldersInSource_.end() || found->second.check != PathCheck(dstKey)) return nullptr;
  return &found->second;
}

void TFileBackupThread::RemoveLeftoverTemporaries(CopyFolder& folder, const std::string& dst) {
  // A run killed in mid-copy cannot clean up after itself; its temporary
  // files are removed by the next run that copies into the folder. A file
  // of that name in the source is the user's own and stays.
  std::vector<std::string> leftovers;
  for (const auto& [key, entry] : folder.destination) {
    if (entry.IsFolder() || !IsTemporaryCopyName(entry.name)) continue;
    bool in_source = false;
    for (const DirEntry& source : folder.entries) in_source = in_source || fs_.NameKey(source.name) == key;
    if (!in_source) leftovers.push_back(key);
  }
  for (const std::string& key : leftovers) {
    const DirEntry& entry = folder.destination[key];
    std::string path = JoinPath(dst, entry.name);
    if (entry.attributes & kAttrReadOnly) fs_.SetAttributes(path, entry.attributes & ~kAttrReadOnly);
    if (fs_.RemoveFile(path)) {
      folder.destination.erase(key);
    } else {
      Report(kReportError, "エラー", kLevelMinimum, "中断されたコピーの一時ファイルを削除できませんでした " + path);
    }
  }
}

}  // namespace dm
