// One reported step of a run: what the status list shows and the daily log keeps.
#pragma once

#include <string>

namespace dm {

// Also the icon index in the status list and the log viewer.
enum ReportKind : int {
  kReportEnd = 0,
  kReportError = 1,  // errors and exclusions
  kReportStart = 2,
  kReportAbort = 3,
  kReportFolderCreated = 5,
  kReportNewCopy = 6,
  kReportUpdateCopy = 7,
  kReportFileDeleted = 8,
  kReportLogon = 9,
  kReportVolumeCheck = 10,
  kReportSetOpened = 11,
  kReportSetSaved = 12,
  kReportNotice = 13,
  kReportFolderDeleted = 14,
};

// 1 minimum, 2 standard, 3 detailed. The options hold 0 (none) to 3 as the
// threshold: a line goes where the threshold is at least its level.
enum ReportLevel : int { kLevelMinimum = 1, kLevelStandard = 2, kLevelDetailed = 3 };

struct ReportLine {
  int kind = kReportNotice;
  std::string title;
  int level = kLevelMinimum;
  std::string text;
};

}  // namespace dm
