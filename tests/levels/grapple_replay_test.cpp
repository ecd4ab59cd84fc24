// Replays through the game's own load and step of play on the built levels:
// the swing across the pit of the swing tutorial, and the rope's tip killing
// a biter. Skipped when the game's data has not been built.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "game/replay.h"
#include "levels/level_replays.h"

namespace {

const std::string kDataRoot = std::string(OMBREL_BUILD_DIR) + "/";

bool haveLevel(const char* level) {
  return std::filesystem::exists(kDataRoot + "data/levels/" + level + ".orl");
}

std::string pathOf(const ReplayResult& r) {
  std::string path;
  for (const ReplaySample& s : r.samples) {
    path += " " + std::to_string(s.step) + ":(" + std::to_string(s.centre.x) + "," +
            std::to_string(s.centre.y) + (s.hooked ? ",hooked)" : ")");
  }
  return path;
}

// Run to the pit's edge, fire up and ahead into the ceiling, swing down into
// the pit driving and paying out rope, let go on the way up, land beyond.
TEST(GrappleReplay, SwingAcrossThePitToTheExit) {
  if (!haveLevel("tutorial/07-swing")) GTEST_SKIP() << "no built levels under " << kDataRoot;
  const ReplayResult r = replayLevel(
      kDataRoot, "tutorial/07-swing.orl",
      levelreplay::scriptOf({{"R", 1.9, ""}, {"UR", 0.02, ""}, {"DR", 2.6, "x"}, {"R", 8.0, "x"}}), 25);
  ASSERT_NE(r.end, ReplayEnd::kNotLoaded);
  EXPECT_EQ(r.end, ReplayEnd::kFinished) << pathOf(r);
  EXPECT_GT(r.heroHealth, 0.0f);
  // The pit lies between x = -8 and 8, its rim at y = -4: the hero was hooked
  // over both rims and below the rim, and was let go before it landed beyond.
  bool hookedBeforeThePit = false;
  bool hookedInThePit = false;
  uint32_t releasedAt = 0;
  uint32_t landedAt = 0;
  for (const ReplaySample& s : r.samples) {
    if (s.hooked && s.centre.x < -8.0f) hookedBeforeThePit = true;
    if (s.hooked && s.centre.x > -8.0f && s.centre.x < 8.0f && s.centre.y < -4.0f) hookedInThePit = true;
    if (hookedInThePit && !s.hooked && releasedAt == 0) releasedAt = s.step;
    if (releasedAt != 0 && s.onGround && s.centre.x > 8.0f && landedAt == 0) landedAt = s.step;
  }
  EXPECT_TRUE(hookedBeforeThePit) << pathOf(r);
  EXPECT_TRUE(hookedInThePit) << pathOf(r);
  EXPECT_GT(releasedAt, 0u);
  EXPECT_GT(landedAt, releasedAt) << "flew free from the release to beyond the pit";
}

// Without the rope the pit is not crossed: neither the same run with no
// shot nor a running jump from anywhere near the rim.
TEST(GrappleReplay, WithoutTheRopeTheHeroFallsIntoThePit) {
  if (!haveLevel("tutorial/07-swing")) GTEST_SKIP() << "no built levels under " << kDataRoot;
  const ReplayResult noShot = replayLevel(
      kDataRoot, "tutorial/07-swing.orl",
      levelreplay::scriptOf({{"R", 1.9, ""}, {"UR", 0.02, ""}, {"DR", 2.6, ""}, {"R", 8.0, ""}}));
  EXPECT_EQ(noShot.end, ReplayEnd::kDied);
  for (double t = 1.8; t < 2.31; t += 0.05) {
    SCOPED_TRACE("a jump after " + std::to_string(t) + " s of driving");
    const ReplayResult jump =
        replayLevel(kDataRoot, "tutorial/07-swing.orl", levelreplay::scriptOf({{"R", t, ""}, {"R", 8.0, "z"}}));
    EXPECT_EQ(jump.end, ReplayEnd::kDied);
  }
}

// Past the block, aimed down and ahead, the rope's tip meets the first biter
// as it crawls in: it dies (one enemy less) before it bites.
TEST(GrappleReplay, TheRopesTipKillsABiter) {
  if (!haveLevel("tutorial/09-vazars")) GTEST_SKIP() << "no built levels under " << kDataRoot;
  const ReplayResult r = replayLevel(kDataRoot, "tutorial/09-vazars.orl",
                                     levelreplay::scriptOf({{"R", 1.82, ""},
                                                            {"R", 1.9, "z"},
                                                            {"R", 0.1, ""},
                                                            {"DR", 0.02, ""},
                                                            {"DR", 0.1, "x"},
                                                            {"R", 2.62, ""},
                                                            {"R", 3.0, "z"}}),
                                     25);
  ASSERT_NE(r.end, ReplayEnd::kNotLoaded);
  ASSERT_FALSE(r.samples.empty());
  const uint32_t enemies = r.samples.front().enemies;
  EXPECT_EQ(enemies, 5u);
  uint32_t killedAt = 0;
  float healthThen = 0.0f;
  for (const ReplaySample& s : r.samples) {
    if (killedAt == 0 && s.enemies < enemies) {
      killedAt = s.step;
      healthThen = s.health;
    }
  }
  ASSERT_GT(killedAt, 0u) << "no enemy died";
  EXPECT_EQ(r.samples.back().enemies, enemies - 1) << "only the rope kills";
  EXPECT_EQ(healthThen, 100.0f) << "killed before it bit";
  EXPECT_EQ(r.end, ReplayEnd::kFinished);
}

}  // namespace
