// Shared pieces of the engine tests: a window that records what the run
// tells it, and a clock that stands still.
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "base/datetime.h"
#include "engine/run_window.h"

namespace dm {

class RecordingWindow : public RunWindow {
 public:
  void AddStatusLine(const ReportLine& line) override { lines.push_back(line); }
  void RunStarted() override { events.push_back("started"); }
  void RunFinished(bool aborted, int errors) override {
    events.push_back(aborted ? "finished aborted" : "finished");
    finishedErrorLines = errors;
  }
  void SetProgress(int percent) override { progress.push_back(percent); }
  void SetStatusPanel(int panel, const std::string& text) override {
    panels.push_back(std::to_string(panel) + ":" + text);
  }
  void SetUpdateColumn(int row, const std::string& text) override {
    updates.push_back(std::to_string(row) + ":" + text);
  }
  void SetModified() override { modified = true; }
  void SetRunning(bool running) override { events.push_back(running ? "running" : "idle"); }

  // The lines as "title|text", titles without their time prefix.
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const ReportLine& line : lines) texts.push_back(line.title.substr(9) + "|" + line.text);
    return texts;
  }
  std::vector<std::string> TitlesOfKind(int kind) const {
    std::vector<std::string> titles;
    for (const ReportLine& line : lines) {
      if (line.kind == kind) titles.push_back(line.title.substr(9) + "|" + line.text);
    }
    return titles;
  }

  std::vector<ReportLine> lines;
  std::vector<std::string> events;
  std::vector<int> progress;
  std::vector<std::string> panels;
  std::vector<std::string> updates;
  bool modified = false;
  int finishedErrorLines = -1;
};

// Sleeps return at once; how long they would have taken adds up in sleptMs.
class FixedClock : public Clock {
 public:
  explicit FixedClock(const DateTimeParts& now) : now_(now) {}
  DateTimeParts Now() override { return now_; }
  void SleepMs(int milliseconds) override { sleptMs += milliseconds; }
  void Set(const DateTimeParts& now) { now_ = now; }
  std::atomic<int> sleptMs{0};

 private:
  DateTimeParts now_;
};

inline DateTimeParts LocalTime(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
  return MakeDateTime(y, mo, d, h, mi, s);
}

}  // namespace dm
