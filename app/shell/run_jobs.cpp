#include "app/shell/run_jobs.h"

#include <optional>

#include "base/datetime.h"

namespace dm {

RunJobs BuildRunJobs(const std::vector<SettingsRow>& rows, BackupRunMode mode, bool autoBackup, bool fileWatch) {
  RunJobs result;
  const bool only_changed = (mode == kRunAutomatic || mode == kRunTest) && autoBackup && fileWatch;
  for (const SettingsRow& row : rows) {
    const bool watched = static_cast<bool>(row.takeChangeCount);
    int count = watched ? row.takeChangeCount() : 0;
    bool checked = row.checked;
    if (only_changed) checked = row.checked && watched && count != 0;
    BackupJob job = MakeBackupJob(*row.setting, checked);
    job.changeCount = count;
    // The reference date is a date-time: a time of day is part of it.
    std::optional<double> cutoff = ParseDateTimeText((*row.setting)[kOldFileDate]);
    job.OldFileDate = cutoff.value_or(EncodeDate(2000, 1, 1));
    if (!cutoff) {
      result.statusLines.push_back(ReportLine{kReportError, "エラー", kLevelMinimum,
                                              "基準日の指定に誤りがあります '" + (*row.setting)[kOldFileDate] + "'"});
    }
    result.jobs.push_back(std::move(job));
  }
  return result;
}

}  // namespace dm
