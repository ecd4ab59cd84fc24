#include "kettar/platform/clock.h"

#include <time.h>

namespace Kettar {

int32_t clockResolution() {
  timespec res{};
  clock_getres(CLOCK_MONOTONIC, &res);
  return static_cast<int32_t>(res.tv_nsec);
}

void startTiming() {}

namespace platform {

ClockTime monotonicNow() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return ClockTime{static_cast<int64_t>(now.tv_sec), static_cast<int64_t>(now.tv_nsec)};
}

void sleepMonotonic(double seconds) {
  if (!(seconds > 0.0)) return;
  const int64_t total = static_cast<int64_t>(seconds * 1e9);
  timespec interval{};
  interval.tv_sec = static_cast<time_t>(total / 1000000000);
  interval.tv_nsec = static_cast<long>(total % 1000000000);
  clock_nanosleep(CLOCK_MONOTONIC, 0, &interval, nullptr);
}

int64_t realtimeNanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<int64_t>(now.tv_nsec);
}

}  // namespace platform
}  // namespace Kettar
