// The system's change notification on one folder tree, as the watcher
// thread uses it. The Win32 one is in watch/win; tests script their own.
#pragma once

namespace dm {

class ChangeSource {
 public:
  enum class Event { kChanged, kStopRequested };

  virtual ~ChangeSource() = default;
  // Runs first on the watching thread (the Win32 source lowers its priority).
  virtual void PrepareThread() {}
  // Blocks until something below the folder changed or a stop was
  // requested; a pending stop wins over a pending change. A source that can
  // no longer watch (its folder removed) waits for the stop alone.
  virtual Event Wait() = 0;
  // Arms the notification for the next change.
  virtual void Rearm() = 0;
  // From any thread: Wait returns kStopRequested, now or at its next call.
  virtual void RequestStop() = 0;
  // Releases the notification; called on the watching thread as it ends.
  virtual void Close() = 0;
};

}  // namespace dm
