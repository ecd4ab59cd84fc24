#pragma once
// Elapsed seconds on the monotonic clock (through the clock source, so it runs on
// simulated time when a test or replay installs one), with pause and resume.
// A plain value owned by whoever embeds it; it reads the clock once per
// operation and allocates nothing.

#include <cstdint>

#include "kettar/platform/clock.h"

namespace Kettar {

class Stopwatch {
 public:
  // Reset and started: not paused, nothing paused so far, counting from now.
  Stopwatch();

  // Counts from now again; a paused stopwatch stays paused and reads 0.
  void restart();
  // Stops the reading; pausing again moves the pause moment to now.
  void pause();
  // Continues after a pause; without a pause it does nothing.
  void resume();
  double elapsed() const;
  // Makes the stopwatch read that many seconds now (paused or not).
  void setBack(double seconds);

  bool isPaused() const { return paused_; }

 private:
  // Time paused so far is forgotten and, while paused, the pause moment becomes now,
  // so the next reading counts from start alone.
  void startAt(ClockTime now);

  bool paused_ = false;    // set by pause, cleared by resume
  ClockTime start_;        // counting starts here; parts not normalised after setBack
  ClockTime pausedAt_;     // the last pause moment; read only while paused
  int64_t pausedSeconds_ = 0;      // sum of the seconds parts of all paused spans
  int64_t pausedNanoseconds_ = 0;  // likewise for nanoseconds; not normalised, may be < 0
};

}  // namespace Kettar
