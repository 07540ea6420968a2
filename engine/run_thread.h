// Starting a run on its own worker thread. The thread owns the run and
// deletes it when Execute returns; the window learns the end through
// RunWindow::RunFinished.
#pragma once

#include <memory>

#include "engine/backup_thread.h"

namespace dm {

// priorityIndex: 0 idle, 1 lowest, 2 below normal, 3 normal, 4 above normal,
// 5 highest, 6 time critical (where the platform has thread priorities).
bool StartRunThread(std::unique_ptr<TFileBackupThread> run, int priorityIndex);

}  // namespace dm
