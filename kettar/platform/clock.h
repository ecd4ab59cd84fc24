#pragma once
// The system's clocks and sleeping: clock.cpp on Linux, clock_windows.cpp on
// Windows (performance counter, Sleep). Only the clock source (kettar/clock_source.h) calls
// the functions in Kettar::platform; everything else reads time through it so
// that tests and replays can replace the system clock.

#include <cstdint>

namespace Kettar {

// A moment on the monotonic clock. Stopwatch arithmetic keeps both parts apart,
// so nanoseconds may lie outside 0..999999999 in derived values.
struct ClockTime {
  int64_t seconds = 0;
  int64_t nanoseconds = 0;
};

// Nanoseconds field of the monotonic clock's resolution, for the engine's report.
int32_t clockResolution();

// Called first by the engine's init; Linux needs no timer set-up, Windows asks
// for a 1 ms system timer period so that short sleeps are short.
void startTiming();

namespace platform {

ClockTime monotonicNow();
// One relative sleep on the monotonic clock; an interrupted sleep is not resumed.
void sleepMonotonic(double seconds);
// Nanoseconds field of the real-time clock (0..999999999).
int64_t realtimeNanoseconds();

}  // namespace platform
}  // namespace Kettar
