// The run thread's window, as the UI thread sees it: every call becomes an
// event in a locked queue, and one posted message wakes the UI thread, which
// applies the events in order. Once woken, the UI thread comes back on its
// own until it finds the queue empty and settles it; only then does the
// next event post again. The run thread never waits for the window,
// except when the queue is full (a window busy with something else), so
// memory stays bounded however many lines a run reports.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>

#include "engine/run_window.h"

namespace dm {

struct UiEvent {
  enum Type { kStatusLine, kRunStarted, kRunFinished, kProgress, kPanel, kUpdateColumn, kModified, kRunning };
  Type type = kStatusLine;
  int number = 0;  // progress, panel, row, aborted or running flag
  int errors = 0;  // the run's error count, with kRunFinished
  std::string text;
  ReportLine line;
};

class UiEventQueue : public RunWindow {
 public:
  // `wakeMessage` is posted to `window` when events arrive.
  UiEventQueue(HWND window, UINT wakeMessage) : window_(window), wakeMessage_(wakeMessage) {}

  // RunWindow, called from the run thread.
  void AddStatusLine(const ReportLine& line) override;
  void RunStarted() override;
  void RunFinished(bool aborted, int errors) override;
  void SetProgress(int percent) override;
  void SetStatusPanel(int panel, const std::string& text) override;
  void SetUpdateColumn(int row, const std::string& text) override;
  void SetModified() override;
  void SetRunning(bool running) override;

  // UI thread: takes up to `most` events, oldest first. `more` tells whether
  // events remain (the caller then posts itself another wake-up).
  std::deque<UiEvent> Take(size_t most, bool& more);
  // UI thread, after a Take that found nothing: the next event wakes the
  // window again. true when events arrived in between (take them now).
  bool Settle();

 private:
  void Push(UiEvent event);

  static constexpr size_t kMaxQueued = 20000;
  HWND window_;
  UINT wakeMessage_;
  std::mutex mutex_;
  std::condition_variable room_;
  std::deque<UiEvent> events_;
  bool wakePending_ = false;
};

}  // namespace dm
