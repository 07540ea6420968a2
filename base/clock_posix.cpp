// The native build's clock (tests and tools), from the C library.
#include <sys/time.h>

#include <chrono>
#include <ctime>
#include <thread>

#include "base/datetime.h"

namespace dm {

namespace {
class PosixClock : public Clock {
 public:
  DateTimeParts Now() override {
    timeval now;
    gettimeofday(&now, nullptr);
    tm local;
    localtime_r(&now.tv_sec, &local);
    DateTimeParts p;
    p.year = local.tm_year + 1900;
    p.month = local.tm_mon + 1;
    p.day = local.tm_mday;
    p.hour = local.tm_hour;
    p.minute = local.tm_min;
    p.second = local.tm_sec;
    p.millisecond = static_cast<int>(now.tv_usec / 1000);
    p.dayOfWeek = local.tm_wday;
    return p;
  }
  void SleepMs(int milliseconds) override {
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
  }
};
}  // namespace

Clock& SystemClock() {
  static PosixClock clock;
  return clock;
}

}  // namespace dm
