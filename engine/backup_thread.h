// One backup run over the whole backup set, performed on a worker thread:
// for each checked job it forms the date folder, copies the source into the
// destination under the job's rules, mirrors, and reports every step to the
// window and the daily log.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "base/datetime.h"
#include "engine/backup_job.h"
#include "engine/backup_log.h"
#include "engine/copy_pool.h"
#include "engine/file_system.h"
#include "engine/folder_identity.h"
#include "engine/network.h"
#include "engine/pattern_table.h"
#include "engine/run_control.h"
#include "engine/run_window.h"

namespace dm {

// What the run starter hands the run besides its jobs.
struct RunOptions {
  bool statusBarProgress = false;  // OptionStatusView
  bool wholeProgress = false;      // OptionStatusWholeProgress
  int statusLevel = 2;             // OptionLogView: lines up to this level reach the window
  int logLevel = 0;                // OptionLogSave: lines up to this level reach the log; 0 no log
  bool fileWatch = false;          // OptionFileWatch
  bool notifyStart = false;        // OptionNotifyBackupStart
  bool notifyFinish = false;       // OptionNotifyBackupFinish
  std::string notifyUserName;      // OptionNotifyUserName
  int scheduleKind = 0;            // OptionAutoUpdateSchedule, named in automatic start lines
  std::string logFolder;           // the program's folder, ending with a delimiter
  int finishDelayMs = 200;         // pause before RunFinished
  // Files copied at the same time. With more than one, copies run on worker
  // threads while the walk goes on; the lines of a failed copy may then
  // come after the next file's announcement.
  int copyThreads = 1;
};

// The platform services a run uses.
struct RunServices {
  FileSystem& fs;
  RunWindow& window;
  RunControl& control;
  Clock& clock;
  NetworkAccess* network = nullptr;  // none: log-on, volume checks and notices are skipped
};

class TFileBackupThread {
 public:
  TFileBackupThread(BackupRunMode mode, const RunOptions& options, const RunServices& services);

  void AddJob(BackupJob job) { jobs_.push_back(std::move(job)); }

  // The whole run, on the calling thread.
  void Execute();

  // Asks the run to end at its next checkpoint without an end line.
  void Terminate() { terminated_.store(true); }

  int NewCount() const { return newCount_.load(); }
  int UpdatedCount() const { return updatedCount_.load(); }
  int ErrorCount() const { return errorCount_.load(); }
  // Error lines reported, counted as errors or not (a refused job, a failed
  // deletion): a command-line run that had any ends with a failure code.
  int ErrorLines() const { return errorLines_.load(); }

  // "( 新規:%d  更新:%d  エラー:%d )"
  std::string Summary() const;

 private:
  struct CopyFolder;
  struct MirrorFolderState;

  // The run's frame (backup_thread.cpp).
  void Report(int kind, std::string_view title, int level, std::string_view text);
  void ReportLocked(int kind, std::string_view title, int level, std::string_view text);
  // An error line and the "(code) message" notice that explains it, kept
  // together even when copy workers report at the same time.
  void ReportError(const std::string& text, uint32_t code);
  // An error line the log's readers know as it is, followed by a second
  // error line: `what`, the system's code and message, and the path.
  void ReportWithReason(const std::string& line, const std::string& what, const std::string& path, uint32_t code);
  bool StopRequested();
  void RunJob(int row, BackupJob& job);

  // Whether the job may run, and what its walk must leave out (job_checks.cpp).
  std::string ComparableKey(const std::string& path);
  bool CheckFolderOverlap(const BackupJob& job, const std::string& configuredDst);
  bool CheckFolderIdentities(const BackupJob& job, const std::string& configuredDst);
  void ReportOverlap(const BackupJob& job);
  void GuardBackupFolders();
  // Asks the file system what a folder is, for a folder whose number
  // matched.
  IdentityLookup Lookup();
  bool IsSkippedDestination(const std::string& srcPath);

  // The copy walk (copy_walk.cpp).
  void ReadPatterns(const BackupJob& job);
  void CountFiles(const std::string& folder);
  bool WalkAndCopy(const std::string& src, const std::string& dst);
  // `link`: the folder is a junction or folder link met in the walk.
  bool EnterCopyFolder(std::vector<CopyFolder>& stack, bool dstExists, bool link = false);
  bool ReadFolderReporting(const std::string& folder, std::vector<DirEntry>& entries, bool source);
  void ReportUnreadFolder(const std::string& folder, uint32_t error, bool source);
  // Whether a folder link leads to a folder inside the job's source, which
  // the walk copies under its own path anyway.
  bool LinkLeadsInsideSource(const std::string& link);
  void RemoveLeftoverTemporaries(CopyFolder& folder, const std::string& dst);
  void NoteWhetherMirrorCanSkipSource(const CopyFolder& folder);

  // Which files are copied (file_selection.cpp).
  void CopyOneFile(const DirEntry& source, const std::string& srcPath, const std::string& dstPath,
                   const CopyFolder& folder);
  // FAT and FAT32 hold no file of 4 GiB or more.
  bool DestinationRefusesLargeFiles();
  // The "new copy" or "update copy" line of a file about to be copied.
  void AnnounceCopy(bool update, const std::string& dstPath);

  // One file's copy, on the walk's thread or a copy worker (file_copy.cpp).
  void FinishCopy(const std::string& srcPath, const std::string& dstPath, bool update,
                  const DirEntry& oldDestination, const DirEntry& source);
  uint32_t CopyThroughTemporary(const std::string& srcPath, const std::string& dstPath,
                                const DirEntry* oldDestination, const DirEntry& source, bool& timesFailed);
  uint32_t CopyToTemporary(const std::string& srcPath, const std::string& dstPath, std::string& temporary);
  // Waits before the next try of a step that another program's hold on
  // the file made fail; false when the tries are used up or the run stops.
  bool WaitForRelease(int& retry);
  bool CopyProgressed(uint64_t transferred, uint64_t total);
  void ShowProgress(int percent);

  // Mirroring (mirror.cpp).
  void MirrorFolder(const std::string& src, const std::string& dst);
  void MirrorTree(const std::string& src, const std::string& dst);
  // `listed`: the folder's entry in its parent's listing (none for the top).
  bool EnterMirrorFolder(std::vector<MirrorFolderState>& stack, bool sourceAbsent, const DirEntry* listed = nullptr);
  bool SourceConfirmedAbsent(const std::string& srcPath);
  // Deletes one backup file or folder whose source is gone; false when it
  // was kept since the recycle bin would not take it.
  bool MirrorDelete(const std::string& dstPath, uint32_t attributes, uint64_t size, bool folder);
  bool BinTakesEntry(uint64_t size);
  void KeepOutOfBin(const std::string& dstPath);

  // Log-on, volume checks, log-off and notices (network_steps.cpp).
  bool LogOnAndCheckVolumes(const BackupJob& job);
  bool LogOn(const std::string& title, const std::string& remote, const std::string& user,
             const std::string& password);
  bool CheckVolume(const std::string& path, const std::string& expected);
  void LogOff(const BackupJob& job);
  void LogOffOne(const std::string& remote);
  void SendNotification(const std::string& message);

  bool TestMode() const { return mode_ == kRunTest; }

  const BackupRunMode mode_;
  const RunOptions options_;
  FileSystem& fs_;
  RunWindow& window_;
  RunControl& control_;
  Clock& clock_;
  NetworkAccess* network_;

  std::vector<BackupJob> jobs_;
  std::unique_ptr<BackupLog> log_;
  int logLevel_ = 0;
  std::atomic<bool> terminated_{false};

  PatternTable filePatterns_;
  PatternTable folderPatterns_;

  // The current job's rules.
  std::string jobSrc_;
  std::string jobDst_;  // after the date folder
  bool subDirs_ = false;
  bool copyAll_ = false;
  bool cutoffOn_ = false;
  int32_t cutoffDos_ = 0;
  bool recycle_ = false;
  bool toleranceOn_ = false;
  int tolerance_ = 0;
  bool keepTimes_ = false;
  bool copyEmptyFiles_ = false;
  bool skipReadOnly_ = false;
  bool skipHidden_ = false;
  bool mirrorHalted_ = false;  // the source vanished during mirroring
  // The backup folder when it lies inside the source, in comparable form:
  // the walk must not copy the backup into itself.
  std::string skippedDestinationKey_;
  // The same by what the folders are rather than how they are written: a
  // link or a second drive letter can lead from the source into its backup
  // or back up to a folder the walk is already in.
  FolderIdentity backupIdentity_;        // the job's Dst (after the date folder)
  FolderIdentity backupHolderIdentity_;  // with date folders, the folder holding them
  std::string backupHolder_;             // that folder's path; empty without date folders
  SourceLineage sourceLineage_;
  WalkGuard walkGuard_;
  // Source folders of this job that could not be listed completely, or
  // that the walk did not enter since they lead back into the source's own
  // path or into the backup: mirroring deletes nothing below them.
  std::unordered_set<std::string> unlistedSourceFolders_;
  // Backup folders this job's walk created (the topmost of each new tree):
  // they hold copies only, so mirroring has nothing to look for there.
  std::unordered_set<std::string> createdDestinationRoots_;
  // Backup folders whose every entry the walk found in the source, of the
  // same kind: mirroring lists neither side of them again, and only enters
  // their sub-folders, as the walk's listing named and numbered them. Kept
  // by a hash of the path, with a second hash to tell apart two paths that
  // share the first, so a large tree costs a few words per folder.
  struct BackupFolderInSource {
    uint64_t check = 0;
    std::vector<DirEntry> folders;
  };
  std::unordered_map<size_t, BackupFolderInSource> backupFoldersInSource_;
  const BackupFolderInSource* BackupFolderFoundInSource(const std::string& dstKey) const;
  // The folder paths of the walk and the mirror, grown and cut back as
  // they descend, so a deep tree costs one path, not one per level.
  std::string srcPath_;
  std::string dstPath_;
  // The source's own path with its links followed, asked at the first
  // folder link of a job; empty when the system cannot tell.
  std::optional<std::string> sourceFinalKey_;
  // The backup volume's file system, asked at the first file too large
  // for some.
  std::optional<std::string> destinationFileSystem_;
  int onlineOnlySkipped_ = 0;  // online-only files of this job left uncopied
  // The backup volume's recycle bin, asked at the first deletion into it,
  // and what mirroring kept since the bin would not take it.
  std::optional<RecycleBinInfo> recycleBin_;
  int keptOutOfBin_ = 0;
  bool keptForSize_ = false;

  // Written by copy workers too.
  std::atomic<int> newCount_{0};
  std::atomic<int> updatedCount_{0};
  std::atomic<int> errorCount_{0};
  std::atomic<int> errorLines_{0};  // every error line, counted or not
  std::mutex reportMutex_;  // one line, and one progress step, at a time
  std::unique_ptr<CopyPool> copyPool_;
  int progressIndex_ = 0;
  int progressTotal_ = 0;
  int lastPercent_ = -1;
};

// Name of the temporary file a copy is written to before it replaces the
// destination; `attempt` gives another name when that one is taken.
std::string TemporaryCopyName(std::string_view dstPath, int attempt);
// True for names TemporaryCopyName makes ("~dmk" + 8 hex digits + ".tmp").
bool IsTemporaryCopyName(std::string_view name);

}  // namespace dm
