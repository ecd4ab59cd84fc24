#include "kettar/simulated_clock.h"

#include <cmath>

namespace Kettar {

namespace {
constexpr int64_t kNanosecondsPerSecond = 1000000000;

int64_t toNanoseconds(double seconds) { return std::llround(seconds * 1e9); }
}  // namespace

SimulatedClock::SimulatedClock(ClockTime start)
    : now_(start.seconds * kNanosecondsPerSecond + start.nanoseconds),
      source_{&SimulatedClock::readNow, &SimulatedClock::sleepFor, &SimulatedClock::readSeed,
              this},
      previous_(setClockSource(&source_)) {}

SimulatedClock::~SimulatedClock() { setClockSource(previous_); }

void SimulatedClock::advance(double seconds) { advanceNanoseconds(toNanoseconds(seconds)); }

void SimulatedClock::advanceNanoseconds(int64_t nanoseconds) {
  if (nanoseconds > 0) now_.fetch_add(nanoseconds);
}

ClockTime SimulatedClock::now() const {
  const int64_t t = now_.load();
  return ClockTime{t / kNanosecondsPerSecond, t % kNanosecondsPerSecond};
}

ClockTime SimulatedClock::readNow(void* self) { return static_cast<SimulatedClock*>(self)->now(); }

void SimulatedClock::sleepFor(double seconds, void* self) {
  auto* clock = static_cast<SimulatedClock*>(self);
  const int64_t ns = toNanoseconds(seconds);
  clock->sleeps_.fetch_add(1);
  clock->slept_.fetch_add(ns);
  clock->advanceNanoseconds(ns);
}

int64_t SimulatedClock::readSeed(void* self) {
  return static_cast<SimulatedClock*>(self)->seed_.load();
}

}  // namespace Kettar
