// The run's frame: the start and end lines, the jobs in list order, and
// for each job the date folder, the checks, the copy walk, the mirror and
// the log-off, in that order. The steps themselves live beside this file:
// job_checks.cpp, copy_walk.cpp, file_selection.cpp, file_copy.cpp,
// mirror.cpp and network_steps.cpp.
#include "engine/backup_thread.h"

#include "base/paths.h"
#include "base/text.h"

namespace dm {

namespace {

const char* const kScheduleNames[] = {"一定間隔", "毎時", "毎日", "毎週", "毎月"};

}  // namespace

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
  ReportLocked(kind, title, level, text);
}

void TFileBackupThread::ReportLocked(int kind, std::string_view title, int level, std::string_view text) {
  DateTimeParts now = clock_.Now();
  if (kind == kReportError && title == "エラー") ++errorLines_;
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

void TFileBackupThread::ReportError(const std::string& text, uint32_t code) {
  std::string explanation = "(" + std::to_string(code) + ") " + fs_.ErrorMessage(code);
  std::lock_guard<std::mutex> lock(reportMutex_);
  ReportLocked(kReportError, "エラー", kLevelMinimum, text);
  ReportLocked(kReportNotice, "通知", kLevelStandard, explanation);
}

void TFileBackupThread::ReportWithReason(const std::string& line, const std::string& what, const std::string& path,
                                         uint32_t code) {
  // The first line stays as readers of the log know it; the second names
  // what failed and why, in the system's words and code.
  std::string message = fs_.ErrorMessage(code);
  std::string reason = what + "(" + std::to_string(code) + ")" + (message.empty() ? "" : " " + message) + " " + path;
  std::lock_guard<std::mutex> lock(reportMutex_);
  ReportLocked(kReportError, "エラー", kLevelMinimum, line);
  ReportLocked(kReportError, "エラー", kLevelMinimum, reason);
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
  window_.RunFinished(aborted, errorLines_.load());
}

void TFileBackupThread::RunJob(int row, BackupJob& job) {
  const std::string configured_dst = job.Dst;
  if (job.DateFolder) {
    DateTimeParts today = clock_.Now();
    std::string folder = job.DateFolderType == 0
                             ? StringPrintf("%02d%02d%02d", today.year, today.month, today.day)
                             : StringPrintf("%02d%02d", today.year, today.month);
    job.Dst = JoinPath(job.Dst, folder);
  }
  Report(kReportNotice, "【" + job.name + "】", kLevelStandard, job.Src + " --> " + job.Dst);

  if (!CheckFolderOverlap(job, configured_dst)) return;
  if (!LogOnAndCheckVolumes(job)) return;
  // After the log-on: a share can be asked what it is only once connected.
  if (!CheckFolderIdentities(job, configured_dst)) return;

  ReadPatterns(job);

  jobSrc_ = job.Src;
  jobDst_ = job.Dst;
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
  unlistedSourceFolders_.clear();
  createdDestinationRoots_.clear();
  backupFoldersInSource_.clear();
  sourceFinalKey_.reset();
  destinationFileSystem_.reset();
  onlineOnlySkipped_ = 0;
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
  if (onlineOnlySkipped_ > 0) {
    Report(kReportNotice, "通知", kLevelMinimum,
           StringPrintf("このPCにないオンライン専用のファイル %d 個は、ダウンロードしないようコピーしませんでした。"
                        "バックアップするには「常にこのデバイス上に保持する」にしてください",
                        onlineOnlySkipped_));
  }
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

}  // namespace dm
