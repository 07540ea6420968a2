#include "watch/file_watch.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <condition_variable>

#include "watch/tests/watch_test_support.h"

namespace dm {
namespace {

using ::testing::ElementsAre;

// A change source the test drives: Signal() stands for the system noticing
// a change. The state outlives the source, which the watcher owns.
struct Script {
  std::mutex mutex;
  std::condition_variable wake;
  int pending = 0, rearms = 0;
  bool stop = false;
  std::thread::id closedOn;

  void Signal() {
    std::lock_guard<std::mutex> lock(mutex);
    ++pending;
    wake.notify_all();
  }
};

class ScriptedSource : public ChangeSource {
 public:
  explicit ScriptedSource(std::shared_ptr<Script> s) : s_(std::move(s)) {}
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
    s_->closedOn = std::this_thread::get_id();
  }

 private:
  std::shared_ptr<Script> s_;
};

const std::string kStarted = "0|通知|3|C:\\データ内の監視を開始します";
const std::string kEnded = "0|通知|3|TFileWatch:: C:\\データ内の監視を終了します";

TEST(FileWatch, CountsSignalsUntilStoppedOnce) {
  RecordingWatchWindow window;
  auto script = std::make_shared<Script>();
  TFileWatch watch("C:\\データ", window, std::make_unique<ScriptedSource>(script));
  for (int i = 0; i < 3; ++i) script->Signal();
  // Each change is counted, then redrawn, then the notification re-armed.
  ASSERT_TRUE(Eventually([&] {
    std::lock_guard<std::mutex> lock(script->mutex);
    return script->rearms == 3;
  }));
  EXPECT_EQ(window.redraws.load(), 3);
  EXPECT_EQ(watch.TakeChangeCount(), 3);
  EXPECT_EQ(watch.ChangeCount(), 0);
  script->Signal();
  ASSERT_TRUE(Eventually([&] { return watch.ChangeCount() == 1; }));

  watch.Stop();
  watch.Stop();
  EXPECT_FALSE(watch.Watching());
  EXPECT_EQ(watch.ChangeCount(), 0);
  EXPECT_NE(script->closedOn, std::thread::id());
  EXPECT_NE(script->closedOn, std::this_thread::get_id());  // the watcher closes its own notification
  EXPECT_THAT(window.Texts(), ElementsAre(kStarted, kEnded));
}

TEST(FileWatch, FreeingStopsOnlyARunningWatcher) {
  RecordingWatchWindow window;
  std::make_unique<TFileWatch>("C:\\データ", window, std::make_unique<ScriptedSource>(std::make_shared<Script>()))
      .reset();
  TFileWatch unwatched("C:\\ない", window, nullptr);
  // The automatic run takes -1 as a change, after which the row rests.
  EXPECT_EQ(unwatched.TakeChangeCount(), -1);
  EXPECT_EQ(unwatched.ChangeCount(), 0);
  EXPECT_THAT(window.Texts(), ElementsAre(kStarted, kEnded, "1|エラー|1|C:\\ないが見つかりません"));
}

}  // namespace
}  // namespace dm
