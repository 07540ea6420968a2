// Mirroring: the backup folder walked against the source, and every backup
// file and folder whose source is gone deleted, contents before their
// folder. Nothing is deleted below a source folder the walk could not read
// or did not enter, nor anything the source may still hold.
#include "base/paths.h"
#include "engine/backup_thread.h"

namespace dm {

// One folder of the mirror, kept while its destination entries are
// processed. Only folders whose both sides were read completely get one:
// anything less deletes nothing.
struct TFileBackupThread::MirrorFolderState {
  std::vector<DirEntry> entries;  // the destination folder's listing
  size_t next = 0;
  size_t srcLength = 0;
  size_t dstLength = 0;
  // Name keys of the source folder's entries; true for folders.
  std::unordered_map<std::string, bool> source;
  // Deleted after its contents when the source has no such folder.
  bool deleteWhenDone = false;
  uint32_t attributes = 0;
  // The source has no such folder (confirmed above): nothing to ask again.
  bool sourceAbsent = false;
  // The walk found every entry here in the source, of the same kind.
  bool allInSource = false;
};

void TFileBackupThread::MirrorFolder(const std::string& src, const std::string& dst) {
  srcPath_ = src;
  dstPath_ = dst;
  std::vector<MirrorFolderState> stack;
  EnterMirrorFolder(stack, false);
  while (!stack.empty()) {
    MirrorFolderState& folder = stack.back();
    if (folder.next == folder.entries.size()) {
      // Contents first, then the folder itself.
      bool delete_it = folder.deleteWhenDone;
      uint32_t attributes = folder.attributes;
      srcPath_.resize(folder.srcLength);
      dstPath_.resize(folder.dstLength);
      std::string dst_path = dstPath_;
      stack.pop_back();
      if (stack.empty() || mirrorHalted_ || StopRequested()) continue;
      if (delete_it) MirrorDelete(dst_path, attributes, true);
      continue;
    }
    const DirEntry entry = folder.entries[folder.next++];
    if (mirrorHalted_ || StopRequested()) return;
    if (entry.name.empty()) continue;
    srcPath_.resize(folder.srcLength);
    dstPath_.resize(folder.dstLength);
    std::string src_path = JoinPath(srcPath_, entry.name);
    std::string dst_path = JoinPath(dstPath_, entry.name);
    if (options_.statusBarProgress) window_.SetStatusPanel(3, dst_path);
    bool in_source = folder.allInSource;
    bool source_is_folder = in_source && entry.IsFolder();
    if (!folder.allInSource) {
      auto counterpart = folder.source.find(fs_.NameKey(entry.name));
      in_source = counterpart != folder.source.end();
      source_is_folder = in_source && counterpart->second;
    }
    if (entry.IsFolder()) {
      if (entry.IsDotEntry() || !subDirs_) continue;
      // A folder the listing did not show is asked for once more: it may be
      // there but unreadable, and then its backup must stay.
      if (!in_source && !folder.sourceAbsent && !SourceConfirmedAbsent(src_path)) continue;
      srcPath_ = std::move(src_path);
      dstPath_ = std::move(dst_path);
      // A backup folder that cannot be read is not deleted either.
      if (EnterMirrorFolder(stack, !source_is_folder)) {
        stack.back().deleteWhenDone = !source_is_folder;
        stack.back().attributes = entry.attributes;
      }
    } else if (!in_source && (folder.sourceAbsent || SourceConfirmedAbsent(src_path))) {
      MirrorDelete(dst_path, entry.attributes, false);
    }
  }
}

bool TFileBackupThread::EnterMirrorFolder(std::vector<MirrorFolderState>& stack, bool sourceAbsent) {
  ShowProgress(0);
  MirrorFolderState folder;
  folder.srcLength = srcPath_.size();
  folder.dstLength = dstPath_.size();
  folder.sourceAbsent = sourceAbsent;
  if (!sourceAbsent) {
    // A folder the walk created holds copies of source files only.
    if (createdDestinationRoots_.count(fs_.NameKey(dstPath_))) return false;
    // A source folder the walk could not read completely keeps its whole
    // backup: what the listing lacked may only have been unreadable.
    if (unlistedSourceFolders_.count(fs_.NameKey(srcPath_))) return false;
    folder.allInSource = mirrorNeedsNoSource_.count(std::hash<std::string>()(fs_.NameKey(dstPath_))) > 0;
  }
  // Whatever the paths say, a backup folder that is the source or one of
  // its ancestors (a link, a second drive letter) is neither mirrored nor
  // deleted, nor is any folder holding it.
  if (!stack.empty()) {
    MetFolder met(dstPath_, fs_.NumberOf(dstPath_));
    if (sourceLineage_.IsSourceOrAncestor(met, Lookup())) {
      ++errorCount_;
      Report(kReportError, "エラー", kLevelMinimum, "ソース側フォルダまたはその上位のフォルダのため削除しません " + dstPath_);
      for (MirrorFolderState& open : stack) open.deleteWhenDone = false;
      return false;
    }
  }
  if (!sourceAbsent && !folder.allInSource) {
    std::vector<DirEntry> source;
    if (!ReadFolderReporting(srcPath_, source, true)) {
      unlistedSourceFolders_.insert(fs_.NameKey(srcPath_));
      return false;
    }
    folder.source.reserve(source.size());
    for (const DirEntry& entry : source) {
      if (!entry.IsDotEntry()) folder.source.emplace(fs_.NameKey(entry.name), entry.IsFolder());
    }
  }
  if (!ReadFolderReporting(dstPath_, folder.entries, false)) return false;
  stack.push_back(std::move(folder));
  return true;
}

bool TFileBackupThread::SourceConfirmedAbsent(const std::string& srcPath) {
  uint32_t error = fs_.ProbeName(srcPath);
  if (IsNotFound(error)) return true;
  if (error != 0) {
    ++errorCount_;
    ReportError("ソース側を確認できないため削除しません " + srcPath, error);
  }
  return false;
}

void TFileBackupThread::MirrorDelete(const std::string& dstPath, uint32_t attributes, bool folder) {
  // A source that vanished as a whole (an unplugged drive, a lost network
  // share) must not turn into deleting the backup.
  if (!fs_.IsFolder(jobSrc_)) {
    if (!mirrorHalted_) {
      ++errorCount_;
      Report(kReportError, "エラー", kLevelMinimum, "ソース側フォルダが見つかりません " + jobSrc_);
    }
    mirrorHalted_ = true;
    return;
  }
  if (folder) {
    Report(kReportFolderDeleted, "フォルダ削除", kLevelStandard, dstPath);
  } else {
    Report(kReportFileDeleted, "ファイル削除", kLevelStandard, dstPath);
  }
  if (TestMode()) return;
  if (attributes & kAttrReadOnly) fs_.SetAttributes(dstPath, attributes & ~kAttrReadOnly);
  if (fs_.ShellDelete(dstPath, recycle_) != 0) {
    Report(kReportError, "エラー", kLevelMinimum,
           folder ? "フォルダの削除に失敗しました" : "ファイルの削除に失敗しました");
  }
}

}  // namespace dm
