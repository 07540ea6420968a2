// Mirroring: the backup folder walked against the source, and every backup
// file and folder whose source is gone deleted, contents before their
// folder. Nothing is deleted below a source folder the walk could not read
// or did not enter, nor anything the source may still hold.
#include "base/paths.h"
#include "base/text.h"
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
  // The walk found every entry here in the source, of the same kind;
  // `entries` then holds the sub-folders only, from the walk's listing.
  bool allInSource = false;
  // Something below was kept out of a recycle bin that would not take it:
  // deleting the folder would delete that too.
  bool holdsKept = false;
};

void TFileBackupThread::MirrorFolder(const std::string& src, const std::string& dst) {
  recycleBin_.reset();
  keptOutOfBin_ = 0;
  keptForSize_ = false;
  MirrorTree(src, dst);
  if (keptOutOfBin_ > 0) {
    // Nothing is deleted for good in the bin's name; the user who wants
    // the deletions turns the option off.
    Report(kReportError, "エラー", kLevelMinimum,
           KeptReason(*recycleBin_, keptForSize_) +
               StringPrintf("ため、ミラーリングで削除する %d 個の項目を残しました。", keptOutOfBin_) +
               "「削除したファイルをごみ箱に入れる」をオフにすると完全に削除されます " + dst);
  }
}

void TFileBackupThread::MirrorTree(const std::string& src, const std::string& dst) {
  srcPath_ = src;
  dstPath_ = dst;
  std::vector<MirrorFolderState> stack;
  auto hold_open_folders = [&stack] {
    for (MirrorFolderState& open : stack) open.holdsKept = true;
  };
  EnterMirrorFolder(stack, false);
  while (!stack.empty()) {
    MirrorFolderState& folder = stack.back();
    if (folder.next == folder.entries.size()) {
      // Contents first, then the folder itself.
      bool delete_it = folder.deleteWhenDone;
      bool holds_kept = folder.holdsKept;
      uint32_t attributes = folder.attributes;
      srcPath_.resize(folder.srcLength);
      dstPath_.resize(folder.dstLength);
      std::string dst_path = dstPath_;
      stack.pop_back();
      if (stack.empty() || mirrorHalted_ || StopRequested()) continue;
      if (!delete_it) continue;
      if (holds_kept) {
        KeepOutOfBin(dst_path);
      } else if (!MirrorDelete(dst_path, attributes, 0, true)) {
        hold_open_folders();
      }
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
      if (EnterMirrorFolder(stack, !source_is_folder, &entry)) {
        stack.back().deleteWhenDone = !source_is_folder;
        stack.back().attributes = entry.attributes;
      }
    } else if (!in_source && (folder.sourceAbsent || SourceConfirmedAbsent(src_path))) {
      if (!MirrorDelete(dst_path, entry.attributes, entry.size, false)) hold_open_folders();
    }
  }
}

bool TFileBackupThread::EnterMirrorFolder(std::vector<MirrorFolderState>& stack, bool sourceAbsent,
                                          const DirEntry* listed) {
  ShowProgress(0);
  MirrorFolderState folder;
  folder.srcLength = srcPath_.size();
  folder.dstLength = dstPath_.size();
  folder.sourceAbsent = sourceAbsent;
  const BackupFolderInSource* in_source = nullptr;
  if (!sourceAbsent) {
    std::string dst_key = fs_.NameKey(dstPath_);
    // A folder the walk created holds copies of source files only.
    if (createdDestinationRoots_.count(dst_key)) return false;
    // A source folder the walk could not read completely keeps its whole
    // backup: what the listing lacked may only have been unreadable.
    if (unlistedSourceFolders_.count(fs_.NameKey(srcPath_))) return false;
    in_source = BackupFolderFoundInSource(dst_key);
    folder.allInSource = in_source != nullptr;
  }
  // Whatever the paths say, a backup folder that is the source or one of
  // its ancestors (a link, a second drive letter) is neither mirrored nor
  // deleted, nor is any folder holding it.
  if (!stack.empty()) {
    MetFolder met(dstPath_, listed ? fs_.NumberOfListed(dstPath_, *listed) : fs_.NumberOf(dstPath_));
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
  if (in_source) {
    folder.entries = in_source->folders;
  } else if (!ReadFolderReporting(dstPath_, folder.entries, false)) {
    return false;
  }
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

bool TFileBackupThread::MirrorDelete(const std::string& dstPath, uint32_t attributes, uint64_t size, bool folder) {
  // A source that vanished as a whole (an unplugged drive, a lost network
  // share) must not turn into deleting the backup.
  if (!fs_.IsFolder(jobSrc_)) {
    if (!mirrorHalted_) {
      ++errorCount_;
      Report(kReportError, "エラー", kLevelMinimum, "ソース側フォルダが見つかりません " + jobSrc_);
    }
    mirrorHalted_ = true;
    return true;
  }
  if (recycle_ && !BinTakesEntry(size)) {
    KeepOutOfBin(dstPath);
    return false;
  }
  if (folder) {
    Report(kReportFolderDeleted, "フォルダ削除", kLevelStandard, dstPath);
  } else {
    Report(kReportFileDeleted, "ファイル削除", kLevelStandard, dstPath);
  }
  if (TestMode()) return true;
  if (attributes & kAttrReadOnly) fs_.SetAttributes(dstPath, attributes & ~kAttrReadOnly);
  if (int error = fs_.ShellDelete(dstPath, recycle_); error != 0) {
    ReportWithReason(folder ? "フォルダの削除に失敗しました" : "ファイルの削除に失敗しました", "削除できません。", dstPath,
                     static_cast<uint32_t>(error));
  }
  return true;
}

bool TFileBackupThread::BinTakesEntry(uint64_t size) {
  if (!recycleBin_) {
    recycleBin_ = fs_.RecycleBinOf(jobDst_);
    if (recycleBin_->kind == RecycleBinKind::kNetwork) {
      // What the check box's hint says, said in the log once per job.
      Report(kReportNotice, "通知", kLevelStandard,
             "ネットワーク上のため、ミラーリングで削除するファイルはごみ箱に入らず完全に削除されます " + jobDst_);
    }
  }
  if (BinTakes(*recycleBin_, size)) return true;
  keptForSize_ = keptForSize_ || recycleBin_->kind == RecycleBinKind::kTakes;
  return false;
}

void TFileBackupThread::KeepOutOfBin(const std::string& dstPath) {
  ++keptOutOfBin_;
  Report(kReportNotice, "通知", kLevelDetailed, "ごみ箱に入らないため削除しません " + dstPath);
}

}  // namespace dm
