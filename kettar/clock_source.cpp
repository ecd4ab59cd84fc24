#include "kettar/clock_source.h"

#include <atomic>

namespace Kettar {

namespace {
// Null while the system clock is in use. Constant-initialised, so clocks read
// during static start-up already see it.
std::atomic<const ClockSource*> installed{nullptr};
}  // namespace

const ClockSource* setClockSource(const ClockSource* source) {
  return installed.exchange(source);
}

ClockTime clockNow() {
  const ClockSource* source = installed.load();
  return source ? source->now(source->context) : platform::monotonicNow();
}

void sleepSeconds(double seconds) {
  if (!(seconds > 0.0)) return;
  const ClockSource* source = installed.load();
  if (source) {
    source->sleep(seconds, source->context);
  } else {
    platform::sleepMonotonic(seconds);
  }
}

int64_t realtimeNanoseconds() {
  const ClockSource* source = installed.load();
  return source ? source->realtimeNanoseconds(source->context) : platform::realtimeNanoseconds();
}

}  // namespace Kettar
