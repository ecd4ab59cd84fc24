#include "kettar/stopwatch.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "kettar/clock_source.h"
#include "kettar/simulated_clock.h"

namespace {

enum class Op { Advance, Pause, Resume, Restart, SetBack };

struct Step {
  Op op;
  double seconds;  // for Advance and SetBack
  double expect;   // the reading after this step; NaN for none
};

constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

struct Timeline {
  const char* name;
  std::vector<Step> steps;
  Kettar::ClockTime start = {1000, 0};
};

TEST(Stopwatch, TimelinesOnSimulatedTime) {
  const Timeline timelines[] = {
      {"fresh reads zero", {{Op::Advance, 0, 0.0}}},
      {"runs with the clock", {{Op::Advance, 2.25, 2.25}, {Op::Advance, 0.75, 3.0}}},
      {"1.5 s pause in a 4 s run",
       {{Op::Advance, 1.0, 1.0}, {Op::Pause, 0, 1.0}, {Op::Advance, 1.5, 1.0}, {Op::Resume, 0, 1.0},
        {Op::Advance, 1.5, 2.5}}},
      {"reads up to the pause less earlier pauses",
       {{Op::Advance, 1.0, kNone}, {Op::Pause, 0, kNone}, {Op::Advance, 0.5, kNone},
        {Op::Resume, 0, kNone}, {Op::Advance, 2.0, 3.0}, {Op::Pause, 0, 3.0},
        {Op::Advance, 3.0, 3.0}}},
      {"pausing again moves the pause moment",
       {{Op::Advance, 1.0, kNone}, {Op::Pause, 0, 1.0}, {Op::Advance, 1.0, 1.0},
        {Op::Pause, 0, 2.0}, {Op::Advance, 1.0, 2.0}, {Op::Resume, 0, 2.0},
        {Op::Advance, 1.0, 3.0}}},
      {"resume without a pause does nothing",
       {{Op::Advance, 2.0, kNone}, {Op::Resume, 0, 2.0}, {Op::Advance, 1.0, 3.0}}},
      {"a second resume does not run the clock backwards",
       {{Op::Advance, 1.0, kNone}, {Op::Pause, 0, kNone}, {Op::Advance, 1.0, kNone},
        {Op::Resume, 0, 1.0}, {Op::Advance, 1.0, 2.0}, {Op::Resume, 0, 2.0},
        {Op::Advance, 1.0, 3.0}}},
      {"set back reads at once", {{Op::Advance, 5.0, kNone}, {Op::SetBack, 1.4, 1.4}}},
      {"set back then runs on", {{Op::SetBack, 1.4, kNone}, {Op::Advance, 0.6, 2.0}}},
      {"set back below a second", {{Op::SetBack, 0.999, 0.999}, {Op::Advance, 0.002, 1.001}}},
      {"set back forgets earlier pauses",
       {{Op::Advance, 1.0, kNone}, {Op::Pause, 0, kNone}, {Op::Advance, 2.0, kNone},
        {Op::Resume, 0, kNone}, {Op::SetBack, 1.4, 1.4}}},
      {"set back while paused stays paused",
       {{Op::Advance, 1.0, kNone}, {Op::Pause, 0, kNone}, {Op::SetBack, 1.4, 1.4},
        {Op::Advance, 3.0, 1.4}, {Op::Resume, 0, 1.4}, {Op::Advance, 1.0, 2.4}}},
      {"restart counts from now",
       {{Op::Advance, 3.0, kNone}, {Op::Restart, 0, 0.0}, {Op::Advance, 0.5, 0.5}}},
      {"restart after pauses does not read negative",
       {{Op::Advance, 1.0, kNone}, {Op::Pause, 0, kNone}, {Op::Advance, 2.0, kNone},
        {Op::Resume, 0, kNone}, {Op::Advance, 1.0, 2.0}, {Op::Restart, 0, 0.0},
        {Op::Advance, 0.5, 0.5}}},
      {"restart while paused reads zero until resumed",
       {{Op::Advance, 1.0, kNone}, {Op::Pause, 0, kNone}, {Op::Restart, 0, 0.0},
        {Op::Advance, 2.0, 0.0}, {Op::Resume, 0, 0.0}, {Op::Advance, 1.0, 1.0}}},
      {"across a whole second",
       {{Op::Advance, 0.2, 0.2}, {Op::Pause, 0, kNone}, {Op::Advance, 0.9, kNone},
        {Op::Resume, 0, 0.2}, {Op::Advance, 0.3, 0.5}},
       {1000, 900000000}},
  };
  for (const Timeline& timeline : timelines) {
    SCOPED_TRACE(timeline.name);
    Kettar::SimulatedClock clock(timeline.start);
    Kettar::Stopwatch watch;
    EXPECT_FALSE(watch.isPaused());
    for (size_t i = 0; i < timeline.steps.size(); ++i) {
      const Step& step = timeline.steps[i];
      switch (step.op) {
        case Op::Advance: clock.advance(step.seconds); break;
        case Op::Pause: watch.pause(); break;
        case Op::Resume: watch.resume(); break;
        case Op::Restart: watch.restart(); break;
        case Op::SetBack: watch.setBack(step.seconds); break;
      }
      if (!std::isnan(step.expect)) {
        EXPECT_NEAR(watch.elapsed(), step.expect, 1e-8) << "step " << i;
      }
    }
  }
}

TEST(Stopwatch, PausedFlagFollowsPauseAndResume) {
  Kettar::SimulatedClock clock;
  Kettar::Stopwatch watch;
  watch.pause();
  EXPECT_TRUE(watch.isPaused());
  watch.restart();
  watch.setBack(1.0);
  EXPECT_TRUE(watch.isPaused());
  watch.resume();
  EXPECT_FALSE(watch.isPaused());
}

TEST(Stopwatch, RunsOnTheSystemClockWhenNothingIsInstalled) {
  Kettar::Stopwatch watch;
  Kettar::sleepSeconds(0.02);
  const double first = watch.elapsed();
  EXPECT_GE(first, 0.019);
  EXPECT_GE(watch.elapsed(), first);
}

}  // namespace
