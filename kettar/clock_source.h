#pragma once
// The process's one time source. Every stopwatch, every sleep of the main loops
// and the engine's random seed read it, so a test or a replay can install
// simulated time (Kettar::SimulatedClock, or any ClockSource of its own) and run
// pacing, turrets, sprites and shot clocks deterministically. The system clock
// (monotonic clock, monotonic sleep, real-time nanoseconds) is used while no
// source is installed.

#include <cstdint>

#include "kettar/platform/clock.h"

namespace Kettar {

struct ClockSource {
  ClockTime (*now)(void* context);              // monotonic: never goes backwards
  void (*sleep)(double seconds, void* context);  // called only with seconds > 0
  int64_t (*realtimeNanoseconds)(void* context); // seeds rand at engine start; 0..999999999
  void* context;                                 // passed to all three; not owned
};

// Installs source for every later clock read, sleep and seed of the process, on
// every thread; null puts the system clock back. The source must stay alive while
// it is installed. Returns what was installed before (null for the system clock).
const ClockSource* setClockSource(const ClockSource* source);

ClockTime clockNow();
// Sleeps for that many seconds; zero, negative or NaN return at once.
void sleepSeconds(double seconds);
int64_t realtimeNanoseconds();

}  // namespace Kettar
