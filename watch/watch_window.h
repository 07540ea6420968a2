// The main window as a folder watcher sees it.
#pragma once

#include "engine/report.h"

namespace dm {

class WatchWindow {
 public:
  virtual ~WatchWindow() = default;
  // A line for the status list only; watchers never write the daily log.
  // The title carries no time. Called on the thread that creates or stops
  // the watcher (the UI thread in the program).
  virtual void AddStatusLine(const ReportLine& line) = 0;
  // A change was counted: repaint the settings list so the row's colour
  // follows. Called on the watcher's own thread, so it must not wait for
  // the UI thread (invalidate or post, never send).
  virtual void RedrawSettingsList() = 0;
};

class NullWatchWindow : public WatchWindow {
 public:
  void AddStatusLine(const ReportLine&) override {}
  void RedrawSettingsList() override {}
};

}  // namespace dm
