// Keeps the computer from sleeping while a backup runs: a run cut halfway
// by the sleep timer leaves the backup half made. The display may still
// sleep, and a lid closed or a sleep chosen by hand still sleeps.
#pragma once

#include <memory>

namespace dm {

class KeepAwake {
 public:
  virtual ~KeepAwake() = default;
  // On while a run is in progress; off when it ended, was aborted or could
  // not start. Called on the window's thread: the request is that thread's.
  virtual void Set(bool on) = 0;
};

// SetThreadExecutionState: ES_CONTINUOUS | ES_SYSTEM_REQUIRED while on,
// ES_CONTINUOUS alone to stop asking.
std::unique_ptr<KeepAwake> MakeSystemKeepAwake();

// The one the program uses, defined beside each program file when it is
// linked (keep_awake_program.cpp; the tests link one that also records).
std::unique_ptr<KeepAwake> MakeProgramKeepAwake();

}  // namespace dm
