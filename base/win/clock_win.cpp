#include <windows.h>

#include "base/datetime.h"

namespace dm {

namespace {
class WindowsClock : public Clock {
 public:
  DateTimeParts Now() override {
    SYSTEMTIME st;
    GetLocalTime(&st);
    DateTimeParts p;
    p.year = st.wYear;
    p.month = st.wMonth;
    p.day = st.wDay;
    p.hour = st.wHour;
    p.minute = st.wMinute;
    p.second = st.wSecond;
    p.millisecond = st.wMilliseconds;
    p.dayOfWeek = st.wDayOfWeek;
    return p;
  }
  void SleepMs(int milliseconds) override { Sleep(milliseconds); }
};
}  // namespace

Clock& SystemClock() {
  static WindowsClock clock;
  return clock;
}

}  // namespace dm
