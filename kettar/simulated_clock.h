#pragma once
// Simulated time for tests and replays: installs itself as the process's clock
// source on construction and puts back the previous one on destruction. Time
// moves only when the owner advances it or when something sleeps (a sleep
// advances it by exactly the time asked for). Safe to read and advance from
// several threads (the main loop and the physics thread).

#include <atomic>
#include <cstdint>

#include "kettar/clock_source.h"

namespace Kettar {

class SimulatedClock {
 public:
  explicit SimulatedClock(ClockTime start = ClockTime{1000, 0});
  ~SimulatedClock();
  SimulatedClock(const SimulatedClock&) = delete;
  SimulatedClock& operator=(const SimulatedClock&) = delete;

  // Lets time pass, as a draw or a step that took that long would.
  void advance(double seconds);
  void advanceNanoseconds(int64_t nanoseconds);
  ClockTime now() const;

  // Sleeps made through sleepSeconds since construction, and their total length.
  uint64_t sleepCount() const { return sleeps_.load(); }
  int64_t sleptNanoseconds() const { return slept_.load(); }

  // What realtimeNanoseconds returns, so the engine's rand seed is fixed (0 unless set).
  void setSeed(int64_t nanoseconds) { seed_.store(nanoseconds); }

 private:
  static ClockTime readNow(void* self);
  static void sleepFor(double seconds, void* self);
  static int64_t readSeed(void* self);

  std::atomic<int64_t> now_;  // nanoseconds on the simulated monotonic clock
  std::atomic<uint64_t> sleeps_{0};
  std::atomic<int64_t> slept_{0};
  std::atomic<int64_t> seed_{0};
  ClockSource source_;
  const ClockSource* previous_;  // put back on destruction; null for the system clock
};

}  // namespace Kettar
