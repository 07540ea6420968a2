#include <windows.h>

#include "engine/run_thread.h"
#include "base/win/handles.h"

namespace dm {

namespace {

DWORD WINAPI RunThreadMain(void* parameter) {
  std::unique_ptr<TFileBackupThread> run(static_cast<TFileBackupThread*>(parameter));
  run->Execute();
  return 0;
}

int ThreadPriority(int index) {
  static const int kPriorities[] = {THREAD_PRIORITY_IDLE,         THREAD_PRIORITY_LOWEST,
                                    THREAD_PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_NORMAL,
                                    THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST,
                                    THREAD_PRIORITY_TIME_CRITICAL};
  return index >= 0 && index < 7 ? kPriorities[index] : THREAD_PRIORITY_NORMAL;
}

}  // namespace

bool StartRunThread(std::unique_ptr<TFileBackupThread> run, int priorityIndex) {
  // Created suspended so the priority is in place before the first step.
  ObjectHandle thread(CreateThread(nullptr, 0, RunThreadMain, run.get(), CREATE_SUSPENDED, nullptr));
  if (!thread) return false;
  run.release();  // the thread owns it now
  SetThreadPriority(thread.Get(), ThreadPriority(priorityIndex));
  ResumeThread(thread.Get());
  return true;
}

}  // namespace dm
