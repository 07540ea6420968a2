// Turning the settings list into the jobs of one run.
#pragma once

#include <functional>
#include <vector>

#include "backupset/backup_setting.h"
#include "engine/backup_job.h"
#include "engine/report.h"

namespace dm {

struct SettingsRow {
  const BackupSetting* setting = nullptr;
  bool checked = false;                    // the row's check mark
  // The row's watcher, if it has one: reads its change count and resets it
  // in one step.
  std::function<int()> takeChangeCount;
};

struct RunJobs {
  std::vector<BackupJob> jobs;          // one per row, in list order
  std::vector<ReportLine> statusLines;  // for the status list (unreadable dates)
};

// Automatic and test runs with file watching on take a row only when its
// watcher saw a change (-1, a folder that cannot be watched, counts as one);
// a row without a watcher is then left out like an unchanged one. Every
// watcher's count is taken into the job and reset.
RunJobs BuildRunJobs(const std::vector<SettingsRow>& rows, BackupRunMode mode, bool autoBackup, bool fileWatch);

}  // namespace dm
