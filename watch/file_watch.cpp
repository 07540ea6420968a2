#include "watch/file_watch.h"

#include <system_error>
#include <utility>

namespace dm {

namespace {

// Watcher lines use the plain icon (0) for notices.
constexpr int kWatchNotice = 0;

ReportLine Line(int kind, const char* title, int level, std::string text) {
  return ReportLine{kind, title, level, std::move(text)};
}

}  // namespace

TFileWatch::TFileWatch(std::string path, WatchWindow& window, std::unique_ptr<ChangeSource> source)
    : path_(std::move(path)), window_(window), source_(std::move(source)) {
  if (source_) {
    try {
      thread_ = std::thread(&TFileWatch::Execute, this);
    } catch (const std::system_error&) {
      // Without a thread the folder cannot be watched; it is reported and
      // counted as such (-1, so the next automatic run takes the row).
      source_.reset();
    }
  }
  if (!source_) {
    changeCount_.store(-1);
    window_.AddStatusLine(Line(kReportError, "エラー", kLevelMinimum, path_ + "が見つかりません"));
    return;
  }
  window_.AddStatusLine(Line(kWatchNotice, "通知", kLevelDetailed, path_ + "内の監視を開始します"));
}

TFileWatch::~TFileWatch() { Stop(); }

void TFileWatch::Execute() {
  source_->PrepareThread();
  // Several changes before the notification is re-armed count once, as the
  // system signals them once.
  while (source_->Wait() == ChangeSource::Event::kChanged) {
    changeCount_.fetch_add(1);
    window_.RedrawSettingsList();
    source_->Rearm();
  }
  source_->Close();
}

void TFileWatch::Stop() {
  if (!thread_.joinable()) return;
  source_->RequestStop();
  thread_.join();
  // Reported here, on the stopping thread, rather than by the watcher
  // itself: a window that hands lines to its UI thread and waits would
  // otherwise deadlock against this join.
  window_.AddStatusLine(
      Line(kWatchNotice, "通知", kLevelDetailed, "TFileWatch:: " + path_ + "内の監視を終了します"));
  changeCount_.store(0);
}

}  // namespace dm
