#include "kettar/clock_source.h"

#include <gtest/gtest.h>

#include <cmath>

#include "kettar/simulated_clock.h"
#include "kettar/stopwatch.h"

namespace {

// A source that records what reaches it.
struct Recorder {
  Kettar::ClockTime time{7, 500000000};
  double slept = 0.0;
  int sleeps = 0;

  static Kettar::ClockTime now(void* self) { return static_cast<Recorder*>(self)->time; }
  static void sleep(double seconds, void* self) {
    auto* r = static_cast<Recorder*>(self);
    r->slept += seconds;
    ++r->sleeps;
  }
  static int64_t seed(void*) { return 123; }
};

TEST(ClockSource, InstalledSourceTakesEveryReadSleepAndSeed) {
  Recorder recorder;
  const Kettar::ClockSource source{&Recorder::now, &Recorder::sleep, &Recorder::seed, &recorder};
  EXPECT_EQ(Kettar::setClockSource(&source), nullptr);

  EXPECT_EQ(Kettar::clockNow().seconds, 7);
  EXPECT_EQ(Kettar::clockNow().nanoseconds, 500000000);
  Kettar::Stopwatch watch;
  recorder.time = Kettar::ClockTime{9, 0};
  EXPECT_DOUBLE_EQ(watch.elapsed(), 1.5);
  Kettar::sleepSeconds(0.25);
  EXPECT_EQ(Kettar::realtimeNanoseconds(), 123);
  EXPECT_EQ(recorder.sleeps, 1);
  EXPECT_DOUBLE_EQ(recorder.slept, 0.25);

  EXPECT_EQ(Kettar::setClockSource(nullptr), &source);
  const Kettar::ClockTime system = Kettar::clockNow();
  EXPECT_FALSE(system.seconds == 7 && system.nanoseconds == 500000000);
}

TEST(ClockSource, SleepsOfNothingDoNotReachTheSource) {
  Kettar::SimulatedClock clock;
  const double rows[] = {0.0, -0.5, std::nan("")};
  for (double seconds : rows) {
    SCOPED_TRACE(seconds);
    Kettar::sleepSeconds(seconds);
  }
  EXPECT_EQ(clock.sleepCount(), 0u);
  EXPECT_EQ(clock.now().seconds, 1000);
  EXPECT_EQ(clock.now().nanoseconds, 0);
}

TEST(SimulatedClock, SleepAdvancesTimeByWhatWasAsked) {
  Kettar::SimulatedClock clock(Kettar::ClockTime{5, 999000000});
  Kettar::sleepSeconds(0.01);
  Kettar::sleepSeconds(0.0025);
  EXPECT_EQ(clock.sleepCount(), 2u);
  EXPECT_EQ(clock.sleptNanoseconds(), 12500000);
  EXPECT_EQ(Kettar::clockNow().seconds, 6);
  EXPECT_EQ(Kettar::clockNow().nanoseconds, 11500000);
  clock.setSeed(42);
  EXPECT_EQ(Kettar::realtimeNanoseconds(), 42);
}

TEST(SimulatedClock, NestedClocksPutBackTheOuterOne) {
  Kettar::SimulatedClock outer(Kettar::ClockTime{100, 0});
  {
    Kettar::SimulatedClock inner(Kettar::ClockTime{200, 0});
    EXPECT_EQ(Kettar::clockNow().seconds, 200);
  }
  EXPECT_EQ(Kettar::clockNow().seconds, 100);
}

TEST(SystemClock, ReportsAResolutionAndAWallClockSeed) {
  const int32_t resolution = Kettar::clockResolution();
  EXPECT_GT(resolution, 0);
  EXPECT_LT(resolution, 1000000000);
  const int64_t seed = Kettar::realtimeNanoseconds();
  EXPECT_GE(seed, 0);
  EXPECT_LT(seed, 1000000000);
  const Kettar::ClockTime a = Kettar::clockNow();
  const Kettar::ClockTime b = Kettar::clockNow();
  EXPECT_GE(b.seconds * 1000000000 + b.nanoseconds, a.seconds * 1000000000 + a.nanoseconds);
}

}  // namespace
