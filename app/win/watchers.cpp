#include "app/win/watchers.h"

#include "watch/file_watch.h"
#include "watch/win/folder_changes.h"

namespace dm {

namespace {

class ListWatchWindow : public WatchWindow {
 public:
  ListWatchWindow(HWND list, std::function<void(const ReportLine&)> addLine)
      : list_(list), addLine_(std::move(addLine)) {}
  void AddStatusLine(const ReportLine& line) override { addLine_(line); }
  // From the watcher's thread: invalidating never waits for the UI thread.
  void RedrawSettingsList() override { InvalidateRect(list_, nullptr, FALSE); }

 private:
  HWND list_;
  std::function<void(const ReportLine&)> addLine_;
};

class RowFileWatch : public RowWatcher {
 public:
  explicit RowFileWatch(std::unique_ptr<TFileWatch> watch) : watch_(std::move(watch)) {}
  int ChangeCount() const override { return watch_->ChangeCount(); }
  int TakeChangeCount() override { return watch_->TakeChangeCount(); }

 private:
  std::unique_ptr<TFileWatch> watch_;
};

class WindowWatcherFactory : public WatcherFactory {
 public:
  WindowWatcherFactory(HWND list, std::function<void(const ReportLine&)> addLine)
      : window_(list, std::move(addLine)) {}
  std::unique_ptr<RowWatcher> Watch(const std::string& folder) override {
    return std::make_unique<RowFileWatch>(CreateFileWatch(folder, window_));
  }

 private:
  ListWatchWindow window_;
};

}  // namespace

std::unique_ptr<WatcherFactory> MakeWindowWatcherFactory(HWND settingsList,
                                                         std::function<void(const ReportLine&)> addLine) {
  return std::make_unique<WindowWatcherFactory>(settingsList, std::move(addLine));
}

}  // namespace dm
