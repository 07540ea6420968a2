// Which file of a folder the walk copies, and how the copy is announced:
// the cut-off date, the time comparison with the backup's copy, and the
// empty-file, read-only and hidden rules.
#include "base/text.h"
#include "engine/backup_thread.h"
#include "engine/copy_folder.h"

namespace dm {

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

  if (update) {
    Report(kReportUpdateCopy, "更新コピー", kLevelStandard, dstPath);
  } else {
    Report(kReportNewCopy, "新規コピー", kLevelStandard, dstPath);
  }
  if (TestMode()) return;

  if (copyPool_) {
    copyPool_->Run([this, srcPath, dstPath, update, destination, source] {
      FinishCopy(srcPath, dstPath, update, destination, source);
    });
  } else {
    FinishCopy(srcPath, dstPath, update, destination, source);
  }
}

}  // namespace dm
