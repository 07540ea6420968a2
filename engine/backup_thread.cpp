#include "engine/backup_thread.h"

#include "base/paths.h"
#include "base/text.h"

namespace dm {

namespace {

const char* const kScheduleNames[] = {"一定間隔", "毎時", "毎日", "毎週", "毎月"};

constexpr uint32_t kErrorFileExists = 80;
constexpr uint32_t kErrorAlreadyExists = 183;
constexpr int kTemporaryNameAttempts = 16;

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

TFileBackupThread::TFileBackupThread(BackupRunMode mode, const RunOptions& options, const RunServices& services)
    : mode_(mode),
      options_(options),
      fs_(services.fs),
      window_(services.window),
      control_(services.control),
      clock_(services.clock),
      network_(services.network) {}

std::string TFileBackupThread::Summary() const {
  return StringPrintf("( 新規:%d  更新:%d  エラー:%d )", newCount_.load(), updatedCount_.load(), errorCount_.load());
}

void TFileBackupThread::Report(int kind, std::string_view title, int level, std::string_view text) {
  std::lock_guard<std::mutex> lock(reportMutex_);
  DateTimeParts now = clock_.Now();
  if (options_.statusLevel >= level) {
    ReportLine line;
    line.kind = kind;
    line.title = StringPrintf("%02d:%02d:%02d ", now.hour, now.minute, now.second);
    line.title += title;
    line.level = level;
    line.text = text;
    window_.AddStatusLine(line);
  }
  if (logLevel_ >= level && log_) log_->Write(kind, title, now, text);
}

bool TFileBackupThread::StopRequested() {
  if (terminated_.load()) return true;
  return control_.ShouldStop() || terminated_.load();
}

void TFileBackupThread::Execute() {
  window_.SetRunning(true);
  logLevel_ = options_.logLevel;
  DateTimeParts started = clock_.Now();
  if (logLevel_ > 0) {
    log_ = BackupLog::Open(fs_, options_.logFolder, started);
    if (!log_) logLevel_ = 0;
  }
  newCount_ = 0;
  updatedCount_ = 0;
  errorCount_ = 0;
  if (options_.copyThreads > 1 && !TestMode()) copyPool_ = std::make_unique<CopyPool>(options_.copyThreads);

  std::string now_text = FormatDateTime(started);
  switch (mode_) {
    case kRunManual:
      Report(kReportStart, "手動バックアップ開始", kLevelMinimum, now_text);
      if (options_.notifyStart) SendNotification("手動バックアップを開始しました");
      break;
    case kRunAutomatic: {
      int kind = options_.scheduleKind;
      std::string name = kind >= 0 && kind < 5 ? kScheduleNames[kind] : "";
      Report(kReportStart, "自動バックアップ開始", kLevelMinimum, now_text + " " + name);
      if (options_.notifyStart) SendNotification("自動バックアップを開始しました");
      break;
    }
    case kRunTest:
      Report(kReportStart, "テストモード開始", kLevelMinimum, now_text);
      break;
  }
  window_.RunStarted();

  for (size_t row = 0; row < jobs_.size(); ++row) {
    if (StopRequested()) {
      Report(kReportAbort, "処理中止", kLevelMinimum, "ユーザーの操作でバックアップを中止しました。");
      window_.SetUpdateColumn(static_cast<int>(row), "処理中止");
      break;
    }
    if (!jobs_[row].Checked) continue;
    RunJob(static_cast<int>(row), jobs_[row]);
  }
  jobs_.clear();
  copyPool_.reset();  // every copy has ended

  std::string summary = Summary();
  if (!terminated_.load()) {
    std::string end_text = FormatDateTime(clock_.Now()) + summary;
    switch (mode_) {
      case kRunManual:
        Report(kReportEnd, "手動バックアップ終了", kLevelMinimum, end_text);
        if (options_.notifyFinish) SendNotification("手動バックアップを完了しました  " + summary);
        break;
      case kRunAutomatic:
        Report(kReportEnd, "自動バックアップ終了", kLevelMinimum, end_text);
        if (options_.notifyFinish) SendNotification("自動バックアップを完了しました  " + summary);
        break;
      case kRunTest:
        Report(kReportEnd, "テストモード終了", kLevelMinimum, end_text);
        break;
    }
  }
  log_.reset();

  bool aborted = control_.AbortRequested() || terminated_.load();
  window_.SetRunning(false);
  if (options_.finishDelayMs > 0) clock_.SleepMs(options_.finishDelayMs);
  window_.RunFinished(aborted, errorCount_.load());
}

void TFileBackupThread::RunJob(int row, BackupJob& job) {
  if (job.DateFolder) {
    DateTimeParts today = clock_.Now();
    std::string folder = job.DateFolderType == 0
                             ? StringPrintf("%02d%02d%02d", today.year, today.month, today.day)
                             : StringPrintf("%02d%02d", today.year, today.month);
    job.Dst = JoinPath(job.Dst, folder);
  }
  Report(kReportNotice, "【" + job.name + "】", kLevelStandard, job.Src + " --> " + job.Dst);

  if (!LogOnAndCheckVolumes(job)) return;

  ReadPatterns(job);

  jobSrc_ = job.Src;
  subDirs_ = job.SubDir;
  copyAll_ = job.AllCopy;
  cutoffOn_ = job.OldFileNoCopy != 0;
  cutoffDos_ = static_cast<int32_t>(ToDosDateTime(DecodeDateTime(job.OldFileDate)));
  recycle_ = job.GotoTrash != 0;
  toleranceOn_ = job.PermissibleTimeCheck != 0;
  // A tolerance that is not a whole number counts as none.
  tolerance_ = ParseInteger(job.PermissibleTime).value_or(0);
  keepTimes_ = job.TimeStampWrite != 0;
  copyEmptyFiles_ = job.ZeroFile != 0;
  skipReadOnly_ = job.NotReadOnly != 0;
  skipHidden_ = job.NotHidden != 0;
  window_.SetModified();

  if (options_.statusBarProgress) {
    progressIndex_ = 0;
    progressTotal_ = 0;
    if (options_.wholeProgress) {
      window_.SetStatusPanel(0, "調査中...");
      CountFiles(job.Src);
    }
    window_.SetStatusPanel(0, "バックアップ");
  }

  window_.SetUpdateColumn(row, "バックアップ中...");
  bool walked = WalkAndCopy(job.Src, job.Dst);
  // Mirroring must see the destination with every copy finished: a copy's
  // temporary file has no source counterpart.
  if (copyPool_) copyPool_->Drain();
  if (!walked || (copyPool_ && StopRequested())) {
    window_.SetUpdateColumn(row, "処理中止");
    if (options_.statusBarProgress) Report(kReportNotice, "通知", kLevelMinimum, "ミラーリングを中止します。");
    return;
  }

  if (options_.statusBarProgress) window_.SetStatusPanel(0, "ミラーリング");
  if (job.Mirror) {
    window_.SetUpdateColumn(row, "ミラーリング中...");
    mirrorHalted_ = false;
    MirrorFolder(job.Src, job.Dst);
  }

  for (int panel = 0; panel < 4; ++panel) window_.SetStatusPanel(panel, "");
  window_.SetUpdateColumn(row, FormatDateTime(clock_.Now()));

  LogOff(job);
}

void TFileBackupThread::ReadPatterns(const BackupJob& job) {
  if (!filePatterns_.Read(job.Filter)) {
    Report(kReportError, "エラー", kLevelMinimum, "【" + job.name + "】で指定された除外ファイルが多すぎます(max=30)");
  }
  if (!folderPatterns_.Read(job.FilterFolder)) {
    Report(kReportError, "エラー", kLevelMinimum, "【" + job.name + "】で指定された除外フォルダが多すぎます(max=30)");
  }
}

void TFileBackupThread::CountFiles(const std::string& folder) {
  std::unique_ptr<DirectoryListing> listing = fs_.List(folder);
  if (!listing) return;
  DirEntry entry;
  while (listing->Next(entry)) {
    if (StopRequested()) return;
    bool excluded = filePatterns_.Matches(AsciiLower(entry.name));
    if (entry.IsFolder()) {
      std::string path = JoinPath(folder, entry.name);
      bool folder_excluded = folderPatterns_.Matches(AsciiLower(path));
      if (!entry.IsDotEntry() && subDirs_ && !folder_excluded) CountFiles(path);
    } else if (!excluded) {
      ++progressTotal_;
    }
  }
}

bool TFileBackupThread::WalkAndCopy(const std::string& src, const std::string& dst) {
  if (!fs_.IsFolder(src)) {
    ++errorCount_;
    Report(kReportError, "エラー", kLevelMinimum, "ソース側フォルダが見つかりません " + src);
    return false;
  }
  // A folder this walk creates starts empty, so its files need no lookup.
  bool dst_is_new = false;
  if (!fs_.IsFolder(dst)) {
    dst_is_new = true;
    Report(kReportFolderCreated, "フォルダ作成", kLevelStandard, dst);
    if (!TestMode() && !fs_.CreateFolderTree(dst)) {
      ++errorCount_;
      Report(kReportError, "エラー", kLevelMinimum, "フォルダの作成に失敗しました");
      return false;
    }
  }
  std::unique_ptr<DirectoryListing> listing = fs_.List(src);
  if (!listing) return true;
  ShowProgress(0);
  if (!subDirs_) Report(kReportNotice, "通知", kLevelDetailed, "サブフォルダ内のファイルは無視します");

  DirEntry entry;
  while (listing->Next(entry)) {
    if (StopRequested()) return false;
    std::string src_path = JoinPath(src, entry.name);
    std::string dst_path = JoinPath(dst, entry.name);
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
      if (!entry.IsDotEntry() && subDirs_) {
        if (folder_excluded) {
          Report(kReportNotice, "通知", kLevelDetailed, src_path + " フォルダ内のファイルは無視します");
        } else {
          WalkAndCopy(src_path, dst_path);
        }
      }
      continue;
    }
    if (!excluded) CopyOneFile(entry, src_path, dst_path, dst_is_new);
  }
  // An abort that cancelled the folder's last copy still ends the walk as
  // aborted, so the job is not mirrored and reads "処理中止".
  return !StopRequested();
}

void TFileBackupThread::CopyOneFile(const DirEntry& source, const std::string& srcPath, const std::string& dstPath,
                                    bool dstFolderIsNew) {
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
  bool update = !dstFolderIsNew && fs_.Lookup(dstPath, destination);
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
    copyPool_->Run([this, srcPath, dstPath, update, destination, times = source.times] {
      FinishCopy(srcPath, dstPath, update, destination, times);
    });
  } else {
    FinishCopy(srcPath, dstPath, update, destination, source.times);
  }
}

void TFileBackupThread::FinishCopy(const std::string& srcPath, const std::string& dstPath, bool update,
                                   const DirEntry& oldDestination, const FileTimes& sourceTimes) {
  uint32_t error = CopyThroughTemporary(srcPath, dstPath, update ? &oldDestination : nullptr);
  if (error == 0) {
    ++(update ? updatedCount_ : newCount_);
    if (keepTimes_) KeepTimes(dstPath, sourceTimes, update);
    return;
  }
  ++errorCount_;
  Report(kReportError, "エラー", kLevelMinimum,
         (update ? "ファイルの更新コピーに失敗しました。" : "ファイルの新規コピーに失敗しました。") + dstPath);
  Report(kReportNotice, "通知", kLevelStandard,
         "(" + std::to_string(error) + ") " + fs_.ErrorMessage(error));
}

uint32_t TFileBackupThread::CopyThroughTemporary(const std::string& srcPath, const std::string& dstPath,
                                                 const DirEntry* oldDestination) {
  // The copy goes to a new file beside the destination and replaces the
  // old copy only once complete: a failed or cancelled copy leaves the
  // previous backup as it was.
  CopyProgress progress = [this](uint64_t transferred, uint64_t total) {
    return CopyProgressed(transferred, total);
  };
  uint32_t error = kErrorFileExists;
  std::string temporary;
  for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
    temporary = TemporaryCopyName(dstPath, attempt);
    error = fs_.CopyFileTo(srcPath, temporary, progress);
    if (error != kErrorFileExists && error != kErrorAlreadyExists) break;
  }
  if (error != 0) {
    if (error != kErrorFileExists && error != kErrorAlreadyExists) fs_.RemoveFile(temporary);
    return error;
  }

  bool was_read_only = oldDestination && (oldDestination->attributes & kAttrReadOnly);
  if (was_read_only) fs_.SetAttributes(dstPath, kAttrNormal);
  error = fs_.MoveReplacing(temporary, dstPath);
  if (error != 0) {
    if (was_read_only) fs_.SetAttributes(dstPath, oldDestination->attributes);
    fs_.RemoveFile(temporary);
  }
  return error;
}

void TFileBackupThread::KeepTimes(const std::string& dstPath, const FileTimes& times, bool update) {
  uint32_t attributes = fs_.GetAttributes(dstPath);
  bool read_only = attributes != kInvalidAttributes && (attributes & kAttrReadOnly);
  if (read_only) fs_.SetAttributes(dstPath, attributes & ~kAttrReadOnly);
  if (!fs_.SetFileTimes(dstPath, times)) {
    Report(kReportError, "エラー", kLevelStandard,
           (update ? "SetFileTime()に失敗しました。" : "SetFileTime()に失敗しました ") + dstPath);
  }
  if (read_only) fs_.SetAttributes(dstPath, attributes);
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

void TFileBackupThread::MirrorFolder(const std::string& src, const std::string& dst) {
  ShowProgress(0);
  std::unique_ptr<DirectoryListing> listing = fs_.List(dst);
  if (!listing) return;
  // Read the whole folder before deleting from it, so deletions cannot
  // disturb the enumeration.
  std::vector<DirEntry> entries;
  for (DirEntry entry; listing->Next(entry);) entries.push_back(std::move(entry));
  listing.reset();

  for (const DirEntry& entry : entries) {
    if (mirrorHalted_ || StopRequested()) return;
    std::string src_path = JoinPath(src, entry.name);
    std::string dst_path = JoinPath(dst, entry.name);
    if (options_.statusBarProgress) window_.SetStatusPanel(3, dst_path);
    if (entry.IsFolder()) {
      if (entry.IsDotEntry() || !subDirs_) continue;
      MirrorFolder(src_path, dst_path);
      if (StopRequested()) return;
      if (!fs_.IsFolder(src_path)) MirrorDelete(dst_path, true);
    } else {
      DirEntry source;
      if (!fs_.Lookup(src_path, source)) MirrorDelete(dst_path, false);
    }
  }
}

void TFileBackupThread::MirrorDelete(const std::string& dstPath, bool folder) {
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
  uint32_t attributes = fs_.GetAttributes(dstPath);
  if (attributes != kInvalidAttributes && (attributes & kAttrReadOnly)) {
    fs_.SetAttributes(dstPath, attributes & ~kAttrReadOnly);
  }
  if (fs_.ShellDelete(dstPath, recycle_) != 0) {
    Report(kReportError, "エラー", kLevelMinimum,
           folder ? "フォルダの削除に失敗しました" : "ファイルの削除に失敗しました");
  }
}

bool TFileBackupThread::LogOnAndCheckVolumes(const BackupJob& job) {
  // Each step runs only when asked for; the first failure ends the job
  // without counting as a copy error, and leaves earlier connections open.
  if (job.SrcLogin && !LogOn("ログオン", job.Src, job.SrcUser, job.SrcPass)) return false;
  if (job.DstLogin && !LogOn("ログイン ", job.Dst, job.DstUser, job.DstPass)) return false;
  if (job.SrcVolumeCheck && !CheckVolume(job.Src, job.SrcVolumeName)) return false;
  if (job.DstVolumeCheck && !CheckVolume(job.Dst, job.DstVolumeName)) return false;
  return true;
}

bool TFileBackupThread::LogOn(const std::string& title, const std::string& remote, const std::string& user,
                              const std::string& password) {
  Report(kReportLogon, title, kLevelDetailed, remote);
  if (network_ && network_->AddConnection(remote, user, password) == 0) return true;
  Report(kReportError, "エラー", kLevelMinimum, "ログインに失敗しました。" + remote);
  return false;
}

bool TFileBackupThread::CheckVolume(const std::string& path, const std::string& expected) {
  std::string label;
  bool found = network_ && network_->VolumeLabel(VolumeRoot(path), label);
  Report(kReportVolumeCheck, "ボリュームラベル照合", kLevelDetailed, path);
  if (!found) {
    Report(kReportError, "エラー", kLevelMinimum, "ボリュームラベルの取得に失敗しました。" + path);
    return false;
  }
  if (label != expected) {
    Report(kReportError, "エラー", kLevelMinimum, "ボリュームラベルが違います。" + path);
    return false;
  }
  return true;
}

void TFileBackupThread::LogOff(const BackupJob& job) {
  if (job.SrcLogin && job.SrcLogoff) LogOffOne(job.Src);
  if (job.DstLogin && job.DstLogoff) LogOffOne(job.Dst);
}

void TFileBackupThread::LogOffOne(const std::string& remote) {
  Report(kReportLogon, "ログオフ", kLevelDetailed, remote);
  if (network_ && network_->CancelConnection(remote) == 0) return;
  Report(kReportError, "エラー", kLevelMinimum, "ログオフに失敗しました。" + remote);
}

void TFileBackupThread::SendNotification(const std::string& message) {
  if (!network_) return;
  switch (network_->SendNotice(options_.notifyUserName, message)) {
    case NotifyResult::kSent:
    case NotifyResult::kNoLibrary:
      break;
    case NotifyResult::kUnavailable:
      Report(kReportError, "エラー", kLevelMinimum, "メッセンジャーサービスは利用できません");
      break;
    case NotifyResult::kFailed:
      Report(kReportError, "エラー", kLevelMinimum, "メッセージの送信に失敗しました 送信先:" + options_.notifyUserName);
      break;
  }
}

}  // namespace dm
