// Every level the menu offers, finished by a replay of keys on simulated
// time through the game's own load and step of play. The replays double as
// demos of the intended way through each level.

#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "game/replay.h"
#include "levels/level_replays.h"

namespace levelreplay {

// Test output names a replay by its level.
void PrintTo(const LevelReplay& r, std::ostream* os) { *os << r.level; }

}  // namespace levelreplay

namespace {

using levelreplay::LevelReplay;

const std::string kDataRoot = std::string(OMBREL_BUILD_DIR) + "/";

std::string testName(const ::testing::TestParamInfo<LevelReplay>& info) {
  std::string name;
  for (const char* c = info.param.level; *c != 0; ++c) name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
  return name;
}

class LevelReplayTest : public ::testing::TestWithParam<LevelReplay> {};

TEST_P(LevelReplayTest, ReplayReachesTheExit) {
  const LevelReplay& r = GetParam();
  for (const levelreplay::Leg& leg : r.legs) {
    for (const char* c = leg.held; *c != 0; ++c) EXPECT_NE(replayKeyOf(*c), -1) << "no key '" << *c << "'";
    for (const char* c = leg.pressed; *c != 0; ++c) EXPECT_NE(replayKeyOf(*c), -1) << "no key '" << *c << "'";
  }
  const ReplayResult result = replayLevel(kDataRoot, std::string(r.level) + ".orl", levelreplay::scriptOf(r.legs), 250);
  ASSERT_NE(result.end, ReplayEnd::kNotLoaded);
  std::string path;
  for (const ReplaySample& s : result.samples) {
    char point[64];
    std::snprintf(point, sizeof point, " %.1f:(%.1f,%.1f)", s.step / levelreplay::kStepsPerSecond, s.centre.x,
                  s.centre.y);
    path += point;
  }
  EXPECT_EQ(result.end, ReplayEnd::kFinished) << "the hero's path (s:(x,y)):" << path;
  EXPECT_GT(result.heroHealth, 0.0f);
}

// A player's timing is never exact: every replay still finishes with
// any one of its key changes (the start of a leg, with the keys pressed there)
// made half or all of the slip early or late, the later legs kept in place.
TEST_P(LevelReplayTest, FinishesWithAnyKeyChangeALittleEarlyOrLate) {
  const LevelReplay& r = GetParam();
  const double slips[] = {-levelreplay::kKeySlip, -levelreplay::kKeySlip / 2, levelreplay::kKeySlip / 2,
                          levelreplay::kKeySlip};
  std::string failed;
  for (size_t i = 1; i < r.legs.size(); ++i) {
    for (const double slip : slips) {
      std::vector<levelreplay::Leg> legs = r.legs;
      legs[i - 1].seconds += slip;
      legs[i].seconds -= slip;
      ASSERT_GT(legs[i - 1].seconds, 0.0);
      ASSERT_GT(legs[i].seconds, 0.0);
      const ReplayResult result =
          replayLevel(kDataRoot, std::string(r.level) + ".orl", levelreplay::scriptOf(legs));
      if (result.end == ReplayEnd::kFinished && result.heroHealth > 0.0f) continue;
      char what[64];
      std::snprintf(what, sizeof what, " leg %zu %+.3f s", i, slip);
      failed += what;
    }
  }
  EXPECT_EQ(failed, "") << "key changes that miss the exit";
}

// Driving right alone finishes only the first tutorial: every other level asks
// for what its name promises.
class HoldingRight : public ::testing::TestWithParam<std::string> {};

TEST_P(HoldingRight, AloneFinishesOnlyTheFirstTutorial) {
  const std::string& level = GetParam();
  const ReplayResult result = replayLevel(kDataRoot, level + ".orl", levelreplay::scriptOf({{"R", 40.0, ""}}));
  ASSERT_NE(result.end, ReplayEnd::kNotLoaded);
  EXPECT_EQ(result.end == ReplayEnd::kFinished, level == "tutorial/01-move")
      << "stopped at (" << result.heroCentre.x << ", " << result.heroCentre.y << ")";
}

std::string levelName(const ::testing::TestParamInfo<std::string>& info) {
  std::string name;
  for (char c : info.param) name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Levels, LevelReplayTest, ::testing::ValuesIn(levelreplay::replays()), testName);
INSTANTIATE_TEST_SUITE_P(Levels, HoldingRight, ::testing::ValuesIn(levelreplay::menuLevels()), levelName);

}  // namespace
