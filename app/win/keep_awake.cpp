#include "app/win/keep_awake.h"

#include <windows.h>

namespace dm {

namespace {

class SystemKeepAwake : public KeepAwake {
 public:
  void Set(bool on) override {
    if (on == on_) return;
    // ES_CONTINUOUS keeps the state until the next call with it; without
    // ES_SYSTEM_REQUIRED that call lets the sleep timer count again.
    SetThreadExecutionState(on ? ES_CONTINUOUS | ES_SYSTEM_REQUIRED : ES_CONTINUOUS);
    on_ = on;
  }

 private:
  bool on_ = false;
};

}  // namespace

std::unique_ptr<KeepAwake> MakeSystemKeepAwake() { return std::make_unique<SystemKeepAwake>(); }

}  // namespace dm
