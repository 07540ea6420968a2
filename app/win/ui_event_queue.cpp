#include "app/win/ui_event_queue.h"

#include <chrono>

namespace dm {

void UiEventQueue::Push(UiEvent event) {
  std::unique_lock<std::mutex> lock(mutex_);
  // A full queue means the window is not taking events: wait a little for
  // room, but never for ever (a window that is gone must not hang the run).
  room_.wait_for(lock, std::chrono::seconds(5), [this] { return events_.size() < kMaxQueued; });
  // The end of a run wakes the window at once, even while it takes events
  // at its own pace: what follows the run (saving, a command-line run's
  // exit) should not wait for the next round.
  bool wake = !wakePending_ || event.type == UiEvent::kRunFinished;
  events_.push_back(std::move(event));
  if (wake) {
    wakePending_ = true;
    PostMessageW(window_, wakeMessage_, 0, 0);
  }
}

std::deque<UiEvent> UiEventQueue::Take(size_t most, bool& more) {
  std::deque<UiEvent> taken;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (events_.size() <= most) {
      taken.swap(events_);
    } else {
      taken.assign(std::make_move_iterator(events_.begin()), std::make_move_iterator(events_.begin() + most));
      events_.erase(events_.begin(), events_.begin() + most);
    }
    more = !events_.empty();
  }
  room_.notify_all();
  return taken;
}

bool UiEventQueue::Settle() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!events_.empty()) return true;
  wakePending_ = false;
  return false;
}

void UiEventQueue::AddStatusLine(const ReportLine& line) {
  UiEvent e;
  e.type = UiEvent::kStatusLine;
  e.line = line;
  Push(std::move(e));
}

void UiEventQueue::RunStarted() { Push(UiEvent{UiEvent::kRunStarted, 0, 0, {}, {}}); }

void UiEventQueue::RunFinished(bool aborted, int errors) {
  Push(UiEvent{UiEvent::kRunFinished, aborted ? 1 : 0, errors, {}, {}});
}

void UiEventQueue::SetProgress(int percent) { Push(UiEvent{UiEvent::kProgress, percent, 0, {}, {}}); }

void UiEventQueue::SetStatusPanel(int panel, const std::string& text) {
  Push(UiEvent{UiEvent::kPanel, panel, 0, text, {}});
}

void UiEventQueue::SetUpdateColumn(int row, const std::string& text) {
  Push(UiEvent{UiEvent::kUpdateColumn, row, 0, text, {}});
}

void UiEventQueue::SetModified() { Push(UiEvent{UiEvent::kModified, 0, 0, {}, {}}); }

void UiEventQueue::SetRunning(bool running) { Push(UiEvent{UiEvent::kRunning, running ? 1 : 0, 0, {}, {}}); }

}  // namespace dm
