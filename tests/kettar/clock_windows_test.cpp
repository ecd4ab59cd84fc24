#include "kettar/platform/clock.h"

#include <gtest/gtest.h>

#include "kettar/stopwatch.h"

namespace {

int64_t nanosecondsBetween(const Kettar::ClockTime& a, const Kettar::ClockTime& b) {
  return (b.seconds - a.seconds) * 1000000000 + (b.nanoseconds - a.nanoseconds);
}

// The performance counter ticks at least every microsecond.
TEST(ClockWindows, ResolutionIsAMicrosecondOrFiner) {
  const int32_t resolution = Kettar::clockResolution();
  EXPECT_GE(resolution, 1);
  EXPECT_LE(resolution, 1000);
}

TEST(ClockWindows, ReadsNeverGoBackAndSeeTimeFinerThanAMillisecond) {
  Kettar::ClockTime last = Kettar::platform::monotonicNow();
  int64_t smallestStep = INT64_MAX;
  for (int i = 0; i < 200000; ++i) {
    const Kettar::ClockTime now = Kettar::platform::monotonicNow();
    ASSERT_GE(now.nanoseconds, 0);
    ASSERT_LT(now.nanoseconds, 1000000000);
    const int64_t step = nanosecondsBetween(last, now);
    ASSERT_GE(step, 0) << "read " << i;
    if (step > 0 && step < smallestStep) smallestStep = step;
    last = now;
  }
  EXPECT_LT(smallestStep, 1000000);
}

// With the 1 ms timer period that startTiming asks for, Sleep keeps close to
// the time asked: the engine sleeps 10 ms slices and a last bit under that.
TEST(ClockWindows, SleepsAboutTheTimeAskedAndTheStopwatchSeesIt) {
  Kettar::startTiming();
  struct Row {
    const char* name;
    double seconds;
  };
  const Row rows[] = {{"a slice", 0.01}, {"a last bit", 0.004}, {"a longer sleep", 0.05}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Kettar::Stopwatch watch;
    Kettar::platform::sleepMonotonic(row.seconds);
    const double slept = watch.elapsed();
    EXPECT_GE(slept, row.seconds - 0.001);
    EXPECT_LT(slept, row.seconds + 0.05);
  }
}

TEST(ClockWindows, NothingIsSleptForNoTime) {
  Kettar::Stopwatch watch;
  Kettar::platform::sleepMonotonic(0.0);
  Kettar::platform::sleepMonotonic(-1.0);
  EXPECT_LT(watch.elapsed(), 0.001);
}

TEST(ClockWindows, RealTimeNanosecondsLieWithinOneSecond) {
  const int64_t ns = Kettar::platform::realtimeNanoseconds();
  EXPECT_GE(ns, 0);
  EXPECT_LT(ns, 1000000000);
}

}  // namespace
