// Levels played from key scripts on simulated time, with the game's own load
// and step of play and no window: the same script gives the same run.

#include "game/replay.h"

#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include "ferrox/grid.h"
#include "game/level.h"

namespace {

const std::string kDataRoot = std::string(OMBREL_BUILD_DIR) + "/";

ReplayScript holdRight(uint32_t maxSteps) {
  ReplayScript script;
  script.holds.push_back({0, maxSteps, SDLK_RIGHT});
  script.maxSteps = maxSteps;
  return script;
}

TEST(Replay, HoldingRightFinishesTheFirstTutorialTheSameWayEveryRun) {
  const ReplayScript script = holdRight(30 * 500);
  const ReplayResult first = replayLevel(kDataRoot, "tutorial/01-move.orl", script, 500);
  ASSERT_EQ(first.end, ReplayEnd::kFinished) << "stopped at x = " << first.heroCentre.x;
  EXPECT_GT(first.heroHealth, 0.0f);
  // The level clock runs on simulated time: one physics period a step.
  EXPECT_NEAR(first.keptTime, first.steps / 500.0, 0.003);
  EXPECT_EQ(first.deathStep, 0u);

  const ReplayResult second = replayLevel(kDataRoot, "tutorial/01-move.orl", script, 500);
  EXPECT_EQ(second.end, first.end);
  EXPECT_EQ(second.steps, first.steps);
  EXPECT_EQ(second.keptTime, first.keptTime);
  EXPECT_EQ(second.heroCentre, first.heroCentre);
  ASSERT_EQ(second.samples.size(), first.samples.size());
  for (size_t i = 0; i < first.samples.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(second.samples[i].centre, first.samples[i].centre);
  }
  // Nothing of the level is left behind.
  EXPECT_EQ(Level::current, nullptr);
  EXPECT_EQ(ferrox::world, nullptr);
}

TEST(Replay, StandingStillDoesNotFinish) {
  ReplayScript script;
  script.maxSteps = 3 * 500;
  const ReplayResult r = replayLevel(kDataRoot, "tutorial/01-move.orl", script);
  EXPECT_EQ(r.end, ReplayEnd::kTimedOut);
  EXPECT_EQ(r.steps, script.maxSteps);
  EXPECT_NEAR(r.levelTime, 3.0, 1e-6);
}

TEST(Replay, AMissingLevelIsNotLoaded) {
  const ReplayResult r = replayLevel(kDataRoot, "tutorial/no-such-level.orl", holdRight(10));
  EXPECT_EQ(r.end, ReplayEnd::kNotLoaded);
  EXPECT_EQ(r.steps, 0u);
}

TEST(Replay, EscapePausesALivingHero) {
  ReplayScript script = holdRight(2000);
  script.presses.push_back({100, 27});
  const ReplayResult r = replayLevel(kDataRoot, "tutorial/01-move.orl", script);
  EXPECT_EQ(r.end, ReplayEnd::kPaused);
  EXPECT_EQ(r.steps, 100u);
  // Paused at once: the clock stands at the steps made.
  EXPECT_NEAR(r.levelTime, 0.2, 1e-6);
}

// The deadly pit of the swing tutorial: the end screen comes two seconds of
// simulated time after the step of the death, and the kept time is untouched.
TEST(Replay, TheEndScreenFollowsTwoSecondsAfterADeath) {
  ReplayScript script = holdRight(20 * 500);
  const ReplayResult r = replayLevel(kDataRoot, "tutorial/07-swing.orl", script);
  ASSERT_EQ(r.end, ReplayEnd::kDied) << "ended at " << r.heroCentre.x << ", " << r.heroCentre.y;
  ASSERT_GT(r.deathStep, 0u);
  const uint32_t after = r.steps - 1 - r.deathStep;
  EXPECT_GE(after, 1000u);
  EXPECT_LE(after, 1001u);
  EXPECT_EQ(r.keptTime, 0.0f);
  EXPECT_LE(r.heroHealth, 0.0f);

  const ReplayResult again = replayLevel(kDataRoot, "tutorial/07-swing.orl", script);
  EXPECT_EQ(again.deathStep, r.deathStep);
  EXPECT_EQ(again.steps, r.steps);
}

}  // namespace
