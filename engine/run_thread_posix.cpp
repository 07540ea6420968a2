// The native build's worker thread (tests and tools): no priorities.
#include <thread>

#include "engine/run_thread.h"

namespace dm {

bool StartRunThread(std::unique_ptr<TFileBackupThread> run, int) {
  std::thread([owned = std::move(run)] { owned->Execute(); }).detach();
  return true;
}

}  // namespace dm
