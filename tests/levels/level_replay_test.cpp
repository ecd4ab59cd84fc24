// Every level the menu offers, finished by a replay of keys on simulated
// time through the game's own load and step of play. The replays double as
// demos of the intended way through each level.

#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "game/replay.h"

namespace {

const std::string kDataRoot = std::string(OMBREL_BUILD_DIR) + "/";
constexpr double kStepsPerSecond = 500.0;

// One leg of a replay: the keys held for a while (letters R L U D C for
// Right, Left, Up, Down and the free-aim key; "" for none), and the keys
// pressed as the leg starts (z jumps, x fires or lets go of the rope).
struct Leg {
  const char* held;
  double seconds;
  const char* pressed;
};

struct LevelReplay {
  const char* level;
  std::vector<Leg> legs;
};

int32_t keyOf(char c) {
  switch (c) {
    case 'R': return SDLK_RIGHT;
    case 'L': return SDLK_LEFT;
    case 'U': return SDLK_UP;
    case 'D': return SDLK_DOWN;
    case 'C': return SDLK_c;
    case 'z': return SDLK_z;
    case 'x': return SDLK_x;
    default: return -1;
  }
}

// The legs one after another; the run ends with the last leg.
ReplayScript scriptOf(const std::vector<Leg>& legs) {
  ReplayScript script;
  uint32_t at = 0;
  for (const Leg& leg : legs) {
    const uint32_t steps = static_cast<uint32_t>(std::lround(leg.seconds * kStepsPerSecond));
    for (const char* c = leg.pressed; *c != 0; ++c) {
      EXPECT_NE(keyOf(*c), -1) << "no key '" << *c << "'";
      script.presses.push_back({at, keyOf(*c)});
    }
    for (const char* c = leg.held; *c != 0; ++c) {
      EXPECT_NE(keyOf(*c), -1) << "no key '" << *c << "'";
      script.holds.push_back({at, at + steps, keyOf(*c)});
    }
    at += steps;
  }
  script.maxSteps = at;
  return script;
}

const std::vector<LevelReplay>& replays() {
  static const std::vector<LevelReplay> all = {
      {"tutorial/01-move", {{"R", 10.0, ""}}},
      // Hop the block, jump up the ledge, clear the dip.
      {"tutorial/02-jump", {{"R", 1.724, ""}, {"R", 1.894, "z"}, {"R", 1.260, "z"}, {"R", 3.0, "z"}}},
      // Jump each pit from close to its edge.
      {"tutorial/03-jump-or-die", {{"R", 2.294, ""}, {"R", 2.182, "z"}, {"R", 4.0, "z"}}},
  };
  return all;
}

std::string testName(const ::testing::TestParamInfo<LevelReplay>& info) {
  std::string name;
  for (const char* c = info.param.level; *c != 0; ++c) name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : '_';
  return name;
}

class LevelReplayTest : public ::testing::TestWithParam<LevelReplay> {};

TEST_P(LevelReplayTest, ReplayReachesTheExit) {
  const LevelReplay& r = GetParam();
  const ReplayScript script = scriptOf(r.legs);
  const ReplayResult result = replayLevel(kDataRoot, std::string(r.level) + ".orl", script, 250);
  ASSERT_NE(result.end, ReplayEnd::kNotLoaded);
  std::string path;
  for (const ReplaySample& s : result.samples) {
    char point[64];
    std::snprintf(point, sizeof point, " %.1f:(%.1f,%.1f)", s.step / kStepsPerSecond, s.centre.x, s.centre.y);
    path += point;
  }
  EXPECT_EQ(result.end, ReplayEnd::kFinished) << "the hero's path (s:(x,y)):" << path;
  EXPECT_GT(result.heroHealth, 0.0f);
}

// Driving right alone finishes only the first tutorial: every other level asks
// for what its name promises.
TEST_P(LevelReplayTest, HoldingRightAloneFinishesOnlyTheFirstTutorial) {
  const LevelReplay& r = GetParam();
  const ReplayResult result = replayLevel(kDataRoot, std::string(r.level) + ".orl", scriptOf({{"R", 40.0, ""}}));
  ASSERT_NE(result.end, ReplayEnd::kNotLoaded);
  EXPECT_EQ(result.end == ReplayEnd::kFinished, std::string(r.level) == "tutorial/01-move")
      << "stopped at (" << result.heroCentre.x << ", " << result.heroCentre.y << ")";
}

INSTANTIATE_TEST_SUITE_P(Levels, LevelReplayTest, ::testing::ValuesIn(replays()), testName);

}  // namespace
