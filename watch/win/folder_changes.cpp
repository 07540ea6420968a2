#include "watch/win/folder_changes.h"

#include <windows.h>

#include "base/paths.h"
#include "base/win/handles.h"
#include "base/win/wide.h"

namespace dm {

static_assert(kWatchFilter == (FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                               FILE_NOTIFY_CHANGE_ATTRIBUTES | FILE_NOTIFY_CHANGE_SIZE |
                               FILE_NOTIFY_CHANGE_LAST_WRITE));

namespace {

// The watcher thread sleeps in one wait on two handles, the stop event and
// the change notification, so it costs nothing while nothing changes and
// ends as soon as it is told to.
class FolderChanges : public ChangeSource {
 public:
  FolderChanges(ChangeNotificationHandle change, ObjectHandle stop)
      : change_(std::move(change)), stop_(std::move(stop)) {}

  void PrepareThread() override { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_LOWEST); }

  Event Wait() override {
    for (;;) {
      // The stop event comes first: when both are signalled it wins.
      HANDLE handles[2] = {stop_.Get(), change_.Get()};
      DWORD count = change_.Valid() ? 2 : 1;
      DWORD result = WaitForMultipleObjects(count, handles, FALSE, INFINITE);
      if (result == WAIT_OBJECT_0) return Event::kStopRequested;
      if (result == WAIT_OBJECT_0 + 1) return Event::kChanged;
      if (count == 1) return Event::kStopRequested;  // the stop event itself failed: nothing to wait for
      change_.Reset();  // the notification broke: wait for the stop alone
    }
  }

  void Rearm() override {
    // Fails when the folder has gone; from then on only the stop is awaited.
    if (!FindNextChangeNotification(change_.Get())) change_.Reset();
  }

  void RequestStop() override { SetEvent(stop_.Get()); }

  void Close() override { change_.Reset(); }

 private:
  ChangeNotificationHandle change_;
  ObjectHandle stop_;
};

}  // namespace

std::unique_ptr<ChangeSource> OpenFolderChanges(const std::string& path) {
  // The long form reaches folders deeper than MAX_PATH; an empty path stays
  // empty and fails like any other missing folder.
  ChangeNotificationHandle change(
      FindFirstChangeNotificationW(Utf8ToWide(LongPathForm(path)).c_str(), TRUE, kWatchFilter));
  if (!change) return nullptr;
  ObjectHandle stop(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!stop) return nullptr;
  return std::make_unique<FolderChanges>(std::move(change), std::move(stop));
}

std::unique_ptr<TFileWatch> CreateFileWatch(const std::string& path, WatchWindow& window) {
  return std::make_unique<TFileWatch>(path, window, OpenFolderChanges(path));
}

}  // namespace dm
