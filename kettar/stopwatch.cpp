#include "kettar/stopwatch.h"

#include "kettar/clock_source.h"

namespace Kettar {

Stopwatch::Stopwatch() : start_(clockNow()), pausedAt_(start_) {}

void Stopwatch::startAt(ClockTime now) {
  start_ = now;
  pausedSeconds_ = 0;
  pausedNanoseconds_ = 0;
  if (paused_) pausedAt_ = now;
}

void Stopwatch::restart() { startAt(clockNow()); }

void Stopwatch::pause() {
  pausedAt_ = clockNow();
  paused_ = true;
}

void Stopwatch::resume() {
  // Without a pause the pause moment is stale: adding its span would run the clock backwards.
  if (!paused_) return;
  const ClockTime now = clockNow();
  pausedSeconds_ += now.seconds - pausedAt_.seconds;
  pausedNanoseconds_ += now.nanoseconds - pausedAt_.nanoseconds;
  paused_ = false;
}

double Stopwatch::elapsed() const {
  const ClockTime end = paused_ ? pausedAt_ : clockNow();
  const int64_t ns = (end.seconds - start_.seconds - pausedSeconds_) * 1000000000 +
                     (end.nanoseconds - start_.nanoseconds - pausedNanoseconds_);
  return static_cast<double>(ns) / 1e9;
}

void Stopwatch::setBack(double seconds) {
  startAt(clockNow());
  const int64_t whole = static_cast<int64_t>(seconds);
  start_.seconds -= whole;
  start_.nanoseconds -= static_cast<int64_t>((seconds - static_cast<double>(whole)) * 1e9);
}

}  // namespace Kettar
