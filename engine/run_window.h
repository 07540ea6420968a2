// The window side of a run. The run thread never touches a window: it calls
// these, and the program's implementation hands each call to the UI thread
// in order. A run without a window (tests, command-line tools) uses
// NullRunWindow or a recorder.
#pragma once

#include <string>

#include "engine/report.h"

namespace dm {

class RunWindow {
 public:
  virtual ~RunWindow() = default;
  // A line for the status list; `line.title` already carries the time.
  virtual void AddStatusLine(const ReportLine& line) = 0;
  // Lock and unlock the window's commands around the run.
  virtual void RunStarted() = 0;
  // aborted: the run ended through the abort request or termination, so the
  // command-line and shutdown follow-ups are dropped. errors: the run's
  // error count, for a command-line run's exit code.
  virtual void RunFinished(bool aborted, int errors) = 0;
  virtual void SetProgress(int percent) = 0;
  virtual void SetStatusPanel(int panel, const std::string& text) = 0;
  // The Update column (sub-item 2) of settings row `row`.
  virtual void SetUpdateColumn(int row, const std::string& text) = 0;
  // The run changed the set (Update texts): it must be saved.
  virtual void SetModified() = 0;
  virtual void SetRunning(bool running) = 0;
};

class NullRunWindow : public RunWindow {
 public:
  void AddStatusLine(const ReportLine&) override {}
  void RunStarted() override {}
  void RunFinished(bool, int) override {}
  void SetProgress(int) override {}
  void SetStatusPanel(int, const std::string&) override {}
  void SetUpdateColumn(int, const std::string&) override {}
  void SetModified() override {}
  void SetRunning(bool) override {}
};

}  // namespace dm
