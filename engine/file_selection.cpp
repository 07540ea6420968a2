// Which file of a folder the walk copies, and how the copy is announced:
// the cut-off date, the time comparison with the backup's copy, the
// empty-file, read-only and hidden rules, files kept online only, and files
// too large for the backup's file system.
#include "base/text.h"
#include "engine/backup_thread.h"
#include "engine/copy_folder.h"

namespace dm {

namespace {

// The largest file FAT and FAT32 hold: 4 GiB less one byte.
constexpr uint64_t kFatLargestFile = 0xFFFFFFFFull;

bool IsFat(const std::string& fileSystem) {
  std::string name = AsciiLower(fileSystem);
  return name == "fat" || name == "fat12" || name == "fat16" || name == "fat32";
}

}  // namespace

void TFileBackupThread::CopyOneFile(const DirEntry& source, const std::string& srcPath, const std::string& dstPath,
                                    const CopyFolder& folder) {
  if (options_.statusBarProgress) {
    ++progressIndex_;
    window_.SetStatusPanel(2, options_.wholeProgress ? StringPrintf("%d/%d", progressIndex_, progressTotal_)
                                                     : StringPrintf("%d/?", progressIndex_));
  }
  int32_t source_time = static_cast<int32_t>(source.dosTime);
  if (cutoffOn_ && cutoffDos_ >= source_time) {
    Report(kReportNotice, "通知", kLevelDetailed, "基準日以前のファイルは無視します " + srcPath);
    return;
  }

  DirEntry destination;
  bool update = false;
  if (folder.destinationListed) {
    auto found = folder.destination.find(fs_.NameKey(source.name));
    if (found != folder.destination.end()) {
      destination = found->second;
      update = true;
    }
  } else if (!folder.destinationIsNew) {
    update = fs_.Lookup(dstPath, destination);
  }
  if (update) {
    int32_t destination_time = static_cast<int32_t>(destination.dosTime);
    bool copy = (!toleranceOn_ && source_time > destination_time) || copyAll_ ||
                (toleranceOn_ && static_cast<int64_t>(source_time) - tolerance_ > destination_time);
    if (!copy) return;
  }

  if (!copyEmptyFiles_ && source.size == 0) {
    Report(kReportNotice, "通知", kLevelDetailed, "０バイトのファイルは無視します " + srcPath);
    return;
  }
  if (skipReadOnly_ && (source.attributes & kAttrReadOnly)) {
    Report(kReportNotice, "通知", kLevelDetailed, "読み取り専用属性ファイルは無視します " + srcPath);
    return;
  }
  if (skipHidden_ && (source.attributes & kAttrHidden)) {
    Report(kReportNotice, "通知", kLevelDetailed, "隠しファィル属性ファイルは無視します " + srcPath);
    return;
  }
  // Reading a file kept online only downloads it: a library of them would
  // fill the disk, and with "copy all" do so every run. Its backup, if
  // any, stays; mirroring sees it in the listing.
  if (source.IsOnlineOnly()) {
    ++onlineOnlySkipped_;
    Report(kReportNotice, "通知", kLevelDetailed, "オンライン専用のファイルはダウンロードしないため無視します " + srcPath);
    return;
  }
  // The copy would fail at its end, the same way every run, saying only
  // a code: said before it is tried, in words.
  if (source.size > kFatLargestFile && DestinationRefusesLargeFiles()) {
    ++errorCount_;
    Report(kReportError, "エラー", kLevelMinimum,
           std::string(update ? "ファイルの更新コピーに失敗しました。" : "ファイルの新規コピーに失敗しました。") +
               *destinationFileSystem_ + " のドライブには 4 GB 以上のファイルを保存できません。" + dstPath);
    return;
  }

  if (!copyPool_) {
    AnnounceCopy(update, dstPath);
    if (!TestMode()) FinishCopy(srcPath, dstPath, update, destination, source);
    return;
  }
  // Announced by the worker that takes the copy up, so the log names a file
  // as copied only once its copy has begun: a copy still queued when the
  // run is aborted is neither announced nor made, and a pause holds the
  // queue before its next file.
  copyPool_->Run([this, srcPath, dstPath, update, destination, source] {
    if (StopRequested()) return;
    AnnounceCopy(update, dstPath);
    FinishCopy(srcPath, dstPath, update, destination, source);
  });
}

void TFileBackupThread::AnnounceCopy(bool update, const std::string& dstPath) {
  if (update) {
    Report(kReportUpdateCopy, "更新コピー", kLevelStandard, dstPath);
  } else {
    Report(kReportNewCopy, "新規コピー", kLevelStandard, dstPath);
  }
}

bool TFileBackupThread::DestinationRefusesLargeFiles() {
  if (!destinationFileSystem_) destinationFileSystem_ = fs_.VolumeFileSystem(jobDst_);
  return IsFat(*destinationFileSystem_);
}

}  // namespace dm
