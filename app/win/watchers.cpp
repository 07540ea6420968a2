#include "app/win/watchers.h"

namespace dm {

namespace {

// Until the watcher threads arrive, no row is watched.
class NoWatchers : public WatcherFactory {
 public:
  std::unique_ptr<RowWatcher> Watch(const std::string&) override { return nullptr; }
};

}  // namespace

std::unique_ptr<WatcherFactory> MakeWindowWatcherFactory(HWND, RunWindow&) { return std::make_unique<NoWatchers>(); }

}  // namespace dm
