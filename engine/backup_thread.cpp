#include "engine/backup_thread.h"

#include "base/paths.h"
#include "base/text.h"

namespace dm {

namespace {

const char* const kScheduleNames[] = {"一定間隔", "毎時", "毎日", "毎週", "毎月"};

constexpr uint32_t kErrorFileExists = 80;
constexpr uint32_t kErrorAlreadyExists = 183;
// Leftovers of killed runs are removed before a folder is copied into, and
// every attempt tries another name, so none can block an update for good.
constexpr int kTemporaryNameAttempts = 100;

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// The answers that mean "there is no such folder", as opposed to a folder
// that exists but cannot be read.
bool IsNotFound(uint32_t error) { return error == kErrorFileNotFound || error == kErrorPathNotFound; }

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

bool ReadFolder(FileSystem& fs, const std::string& folder, std::vector<DirEntry>& entries, uint32_t& error) {
  entries.clear();
  error = 0;
  std::unique_ptr<DirectoryListing> listing = fs.OpenListing(folder, error);
  if (!listing) return false;
  for (DirEntry entry; listing->Next(entry);) entries.push_back(std::move(entry));
  error = listing->Error();
  return error == 0;
}

// One folder of the copy walk, kept while its entries are processed.
struct TFileBackupThread::CopyFolder {
  std::vector<DirEntry> entries;  // the source folder's listing
  size_t next = 0;
  size_t srcLength = 0;  // srcPath_ and dstPath_ of this folder
  size_t dstLength = 0;
  bool destinationIsNew = false;  // created by this walk (or would be, in test mode)
  bool destinationListed = false;
  std::unordered_map<std::string, DirEntry> destination;  // by name key
};

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
  mirrorNeedsNoSource_.clear();
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

void TFileBackupThread::ReadPatterns(const BackupJob& job) {
  if (!filePatterns_.Read(job.Filter)) {
    Report(kReportError, "エラー", kLevelMinimum, "【" + job.name + "】で指定された除外ファイルが多すぎます(max=30)");
  }
  if (!folderPatterns_.Read(job.FilterFolder)) {
    Report(kReportError, "エラー", kLevelMinimum, "【" + job.name + "】で指定された除外フォルダが多すぎます(max=30)");
  }
}

bool TFileBackupThread::IsSkippedDestination(const std::string& srcPath) {
  return !skippedDestinationKey_.empty() && ComparableKey(srcPath) == skippedDestinationKey_;
}

void TFileBackupThread::CountFiles(const std::string& folder) {
  struct Level {
    std::vector<DirEntry> entries;
    size_t next = 0;
    size_t length = 0;
  };
  // The counting walk leaves out what the copy walk will: the backup
  // folder and folders that lead back into the walk's own path.
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
        MetFolder met(path, fs_.NumberOf(path));
        if (guard.Visit(met, stack.size(), Lookup()) != FolderVisit::kEnter) continue;
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
  // A backup folder that is not there (a test run creates none) has
  // nothing to mirror.
  if (!source && IsNotFound(error)) return false;
  ++errorCount_;
  if (source && IsNotFound(error)) {
    Report(kReportError, "エラー", kLevelMinimum, "ソース側フォルダが見つかりません " + folder);
  } else {
    ReportError("フォルダの読み取りに失敗しました。" + folder, error);
  }
  return false;
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
      // One open per folder tells the backup folder and the way back into
      // the walk's own path apart from a folder to copy, whatever its name:
      // its number rules out every folder but those numbered alike, which
      // alone are asked in full. A link to a folder elsewhere is copied as
      // the folder it leads to.
      MetFolder met(src_path, fs_.NumberOf(src_path));
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
      EnterCopyFolder(stack, dst_exists);  // a folder that fails is reported; the walk goes on
      continue;
    }
    if (!excluded) CopyOneFile(entry, src_path, dst_path, folder);
  }
  // An abort that cancelled the folder's last copy still ends the walk as
  // aborted, so the job is not mirrored and reads "処理中止".
  return !StopRequested();
}

bool TFileBackupThread::EnterCopyFolder(std::vector<CopyFolder>& stack, bool dstExists) {
  CopyFolder folder;
  folder.srcLength = srcPath_.size();
  folder.dstLength = dstPath_.size();
  if (!dstExists) {
    Report(kReportFolderCreated, "フォルダ作成", kLevelStandard, dstPath_);
    if (!TestMode() && !fs_.CreateFolderTree(dstPath_)) {
      ++errorCount_;
      Report(kReportError, "エラー", kLevelMinimum, "フォルダの作成に失敗しました");
      return false;
    }
    // A folder this walk creates starts empty, so its files need no lookup,
    // and it will hold only copies of source files: nothing to mirror there.
    folder.destinationIsNew = true;
    if (stack.empty() || !stack.back().destinationIsNew) createdDestinationRoots_.insert(fs_.NameKey(dstPath_));
  }
  bool source_complete = ReadFolderReporting(srcPath_, folder.entries, true);
  if (!source_complete) {
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

void TFileBackupThread::NoteWhetherMirrorCanSkipSource(const CopyFolder& folder) {
  // With both sides in hand, the walk sees whether every backup entry here
  // has its source counterpart of the same kind. Mirroring then needs no
  // second listing of this source folder. (A hash stands for the folder:
  // two folders sharing one could only cost a deletion left for later.)
  if (folder.destination.size() > folder.entries.size()) return;
  std::unordered_map<std::string, bool> source;
  source.reserve(folder.entries.size());
  for (const DirEntry& entry : folder.entries) {
    if (!entry.IsDotEntry()) source.emplace(fs_.NameKey(entry.name), entry.IsFolder());
  }
  for (const auto& [key, entry] : folder.destination) {
    auto counterpart = source.find(key);
    if (counterpart == source.end() || counterpart->second != entry.IsFolder()) return;
  }
  mirrorNeedsNoSource_.insert(std::hash<std::string>()(fs_.NameKey(dstPath_)));
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
  ReportError((update ? "ファイルの更新コピーに失敗しました。" : "ファイルの新規コピーに失敗しました。") + dstPath,
              error);
}

uint32_t TFileBackupThread::CopyThroughTemporary(const std::string& srcPath, const std::string& dstPath,
                                                 const DirEntry* oldDestination, const DirEntry& source,
                                                 bool& timesFailed) {
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

  // The copy carries the source's attributes. A read-only temporary could
  // not be removed should the rename fail, so read-only comes last.
  bool read_only_copy = (source.attributes & kAttrReadOnly) != 0;
  if (read_only_copy) fs_.SetAttributes(temporary, source.attributes & ~kAttrReadOnly);

  bool was_read_only = oldDestination && (oldDestination->attributes & kAttrReadOnly);
  if (was_read_only) fs_.SetAttributes(dstPath, kAttrNormal);
  error = fs_.MoveReplacing(temporary, dstPath);
  if (error != 0) {
    if (was_read_only) fs_.SetAttributes(dstPath, oldDestination->attributes);
    fs_.RemoveFile(temporary);
    return error;
  }
  if (keepTimes_) timesFailed = !fs_.SetFileTimes(dstPath, source.times);
  if (read_only_copy) fs_.SetAttributes(dstPath, source.attributes);
  return 0;
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
