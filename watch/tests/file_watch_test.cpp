#include "watch/file_watch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <condition_variable>

#include "watch/tests/watch_test_support.h"

namespace dm {
namespace {

using ::testing::ElementsAre;

// A change source the test drives: Signal() stands for the system noticing
// a change.
struct ScriptedChanges {
  std::mutex mutex;
  std::condition_variable wake;
  int pending = 0;
  bool stop = false;
  int rearms = 0;
  bool closed = false;
  std::thread::id closedOn;

  void Signal() {
    std::lock_guard<std::mutex> lock(mutex);
    ++pending;
    wake.notify_all();
  }
};

class ScriptedSource : public ChangeSource {
 public:
  explicit ScriptedSource(std::shared_ptr<ScriptedChanges> s) : s_(std::move(s)) {}
  Event Wait() override {
    std::unique_lock<std::mutex> lock(s_->mutex);
    s_->wake.wait(lock, [&] { return s_->stop || s_->pending > 0; });
    if (s_->stop) return Event::kStopRequested;
    --s_->pending;
    return Event::kChanged;
  }
  void Rearm() override {
    std::lock_guard<std::mutex> lock(s_->mutex);
    ++s_->rearms;
  }
  void RequestStop() override {
    std::lock_guard<std::mutex> lock(s_->mutex);
    s_->stop = true;
    s_->wake.notify_all();
  }
  void Close() override {
    std::lock_guard<std::mutex> lock(s_->mutex);
    s_->closed = true;
    s_->closedOn = std::this_thread::get_id();
  }

 private:
  std::shared_ptr<ScriptedChanges> s_;
};

const std::string kPath = "C:\\データ\\毎日";
const std::string kStarted = "0|通知|3|C:\\データ\\毎日内の監視を開始します";
const std::string kEnded = "0|通知|3|TFileWatch:: C:\\データ\\毎日内の監視を終了します";

TEST(FileWatch, AFolderThatCannotBeWatchedCountsMinusOneAndNeverRuns) {
  RecordingWatchWindow window;
  {
    TFileWatch watch(kPath, window, nullptr);
    EXPECT_FALSE(watch.Watching());
    EXPECT_EQ(watch.ChangeCount(), -1);
    watch.Stop();  // nothing to stop: no end line
    EXPECT_EQ(watch.ChangeCount(), -1);
    // The automatic run takes the -1 as a change, after which the row rests.
    EXPECT_EQ(watch.TakeChangeCount(), -1);
    EXPECT_EQ(watch.ChangeCount(), 0);
  }
  EXPECT_THAT(window.Texts(), ElementsAre("1|エラー|1|C:\\データ\\毎日が見つかりません"));
}

TEST(FileWatch, CountsEachSignalAndAsksForARedraw) {
  RecordingWatchWindow window;
  auto changes = std::make_shared<ScriptedChanges>();
  TFileWatch watch(kPath, window, std::make_unique<ScriptedSource>(changes));
  EXPECT_TRUE(watch.Watching());
  EXPECT_EQ(watch.ChangeCount(), 0);
  for (int i = 0; i < 3; ++i) changes->Signal();
  // Each change is counted, then redrawn, then the notification re-armed.
  ASSERT_TRUE(Eventually([&] {
    std::lock_guard<std::mutex> lock(changes->mutex);
    return changes->rearms == 3;
  }));
  EXPECT_EQ(watch.ChangeCount(), 3);
  EXPECT_EQ(window.redraws.load(), 3);

  EXPECT_EQ(watch.TakeChangeCount(), 3);
  EXPECT_EQ(watch.ChangeCount(), 0);
  changes->Signal();
  ASSERT_TRUE(Eventually([&] { return watch.ChangeCount() == 1; }));
  watch.ResetChangeCount();
  EXPECT_EQ(watch.ChangeCount(), 0);
  EXPECT_THAT(window.Texts(), ElementsAre(kStarted));
}

TEST(FileWatch, StoppingEndsTheThreadOnceWithOneLine) {
  RecordingWatchWindow window;
  auto changes = std::make_shared<ScriptedChanges>();
  TFileWatch watch(kPath, window, std::make_unique<ScriptedSource>(changes));
  changes->Signal();
  ASSERT_TRUE(Eventually([&] { return watch.ChangeCount() == 1; }));
  watch.Stop();
  EXPECT_FALSE(watch.Watching());
  EXPECT_TRUE(changes->closed);
  EXPECT_NE(changes->closedOn, std::this_thread::get_id());  // the watcher closes its own notification
  EXPECT_EQ(watch.ChangeCount(), 0);
  watch.Stop();
  EXPECT_THAT(window.Texts(), ElementsAre(kStarted, kEnded));
}

TEST(FileWatch, FreeingARunningWatcherStopsIt) {
  RecordingWatchWindow window;
  auto changes = std::make_shared<ScriptedChanges>();
  std::make_unique<TFileWatch>(kPath, window, std::make_unique<ScriptedSource>(changes)).reset();
  EXPECT_TRUE(changes->closed);
  EXPECT_THAT(window.Texts(), ElementsAre(kStarted, kEnded));
}

}  // namespace
}  // namespace dm
