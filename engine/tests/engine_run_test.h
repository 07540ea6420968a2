// The fixture most engine tests share: one run of the engine on the fake
// file system, with a recording window and a clock that stands still.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "engine/backup_thread.h"
#include "engine/tests/engine_test_support.h"
#include "engine/tests/fake_file_system.h"

namespace dm {

class EngineRunTest : public ::testing::Test {
 protected:
  // A job from C:\src to D:\dst without exclusions; mirroring is on, as a
  // new setting has it, unless `mirror` is turned off.
  BackupJob Job(const std::string& src = "C:\\src", const std::string& dst = "D:\\dst") const {
    BackupSetting setting = FileDefaultSetting("job");
    setting[kSrc] = src;
    setting[kDst] = dst;
    setting[kFilter] = "";
    if (!mirror) setting[kMirror] = "0";
    return MakeBackupJob(setting, true);
  }

  // Runs the jobs; the window keeps the lines of earlier runs. Answers the
  // run's error count.
  int Run(std::vector<BackupJob> jobs, BackupRunMode mode = kRunManual) {
    TFileBackupThread run(mode, options, RunServices{fs, window, control, clock});
    for (BackupJob& job : jobs) run.AddJob(std::move(job));
    run.Execute();
    summary = run.Summary();
    return run.ErrorCount();
  }
  int Run(BackupJob job, BackupRunMode mode = kRunManual) { return Run(std::vector<BackupJob>{std::move(job)}, mode); }

  // The texts of the lines with this title, in order.
  std::vector<std::string> Lines(const std::string& title) const {
    std::vector<std::string> lines;
    for (const std::string& t : window.Texts()) {
      if (t.rfind(title + "|", 0) == 0) lines.push_back(t.substr(title.size() + 1));
    }
    return lines;
  }
  // True when a temporary copy is left anywhere below the folder.
  bool AnyTemporaryBelow(const std::string& folder) const {
    for (const std::string& path : fs.Below(folder)) {
      if (path.find("~dmk") != std::string::npos) return true;
    }
    return false;
  }

  bool HasLine(const std::string& titleAndText) const {
    std::vector<std::string> texts = window.Texts();
    return std::find(texts.begin(), texts.end(), titleAndText) != texts.end();
  }
  int CountLines(const std::string& title) const { return static_cast<int>(Lines(title).size()); }

  bool mirror = true;
  RunOptions options{.statusLevel = 3, .finishDelayMs = 0};
  FakeFileSystem fs;
  RecordingWindow window;
  RunControl control;
  FixedClock clock{LocalTime(2007, 12, 31, 9, 0, 5)};
  std::string summary;
};

// Runs without mirroring, for the rules of the copy itself.
class BackupRunTest : public EngineRunTest {
 protected:
  void SetUp() override { mirror = false; }
};

}  // namespace dm
