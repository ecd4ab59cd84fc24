#include "kettar/platform/clock.h"

#include <windows.h>

namespace Kettar {

namespace {

// Ticks per second, fixed at boot. Read on first use: clocks are read during
// static start-up, maybe before this file's own statics are made.
int64_t counterFrequency() {
  static const int64_t frequency = [] {
    LARGE_INTEGER value;
    QueryPerformanceFrequency(&value);
    return value.QuadPart;
  }();
  return frequency;
}

}  // namespace

int32_t clockResolution() {
  // One counter tick, at least a nanosecond.
  const int64_t frequency = counterFrequency();
  return frequency >= 1000000000 ? 1 : static_cast<int32_t>(1000000000 / frequency);
}

// Sleep's granularity is the system timer period, 15.6 ms unless asked.
void startTiming() { timeBeginPeriod(1); }

namespace platform {

ClockTime monotonicNow() {
  LARGE_INTEGER counter;
  QueryPerformanceCounter(&counter);
  // Whole seconds first: ticks times 10^9 would overflow within days.
  const int64_t ticks = counter.QuadPart;
  const int64_t frequency = counterFrequency();
  return ClockTime{ticks / frequency, (ticks % frequency) * 1000000000 / frequency};
}

void sleepMonotonic(double seconds) {
  if (!(seconds > 0.0)) return;
  Sleep(static_cast<DWORD>(seconds * 1000.0));
}

int64_t realtimeNanoseconds() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  const uint64_t hundreds = (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
  return static_cast<int64_t>(hundreds % 10000000) * 100;
}

}  // namespace platform
}  // namespace Kettar
