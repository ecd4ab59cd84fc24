#include "game/sprite.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <vector>

#include "kettar/simulated_clock.h"
#include "kettar/texture_manager.h"

namespace {

// A 10 fps strip: one frame period is 0.1 s (as a float, a hair above 0.1).
constexpr const char* kPath = "data/sprites/none.ktr";

struct Draw {
  double secondsBefore;  // simulated time passing before the advance
  int32_t frame;         // the frame shown after it
};

TEST(Sprite, FrameClockAdvancesAtMostOneFramePerDraw) {
  struct Case {
    const char* name;
    int32_t frames;
    std::vector<Draw> draws;
  };
  const Case cases[] = {
      {"no time: frame 0 stays", 4, {{0.0, 0}, {0.0, 0}}},
      {"just under a period: no change", 4, {{0.0999, 0}}},
      {"one period per draw", 4, {{0.11, 1}, {0.11, 2}, {0.11, 3}}},
      // Drawn less often than its rate, the strip still shows every frame in turn.
      {"long gaps never skip a frame", 4, {{0.35, 1}, {2.0, 2}, {10.0, 3}}},
      // The remainder of a long gap is dropped: the clock restarts at the change.
      {"remainder dropped", 4, {{0.15, 1}, {0.06, 1}, {0.05, 2}}},
      {"wraps to frame 0", 3, {{0.11, 1}, {0.11, 2}, {0.11, 0}, {0.11, 1}}},
      {"one frame always shows frame 0", 1, {{0.11, 0}, {5.0, 0}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Kettar::SimulatedClock clock;
    Sprite sprite(kPath, c.frames, 10, false);
    for (const Draw& d : c.draws) {
      clock.advance(d.secondsBefore);
      sprite.advance();
      EXPECT_EQ(sprite.currentFrame(), d.frame) << "after " << d.secondsBefore << " s";
    }
  }
}

TEST(Sprite, FrameEdgesInTextureCoordinates) {
  Kettar::SimulatedClock clock;
  Sprite strip(kPath, 16, 10, false);
  EXPECT_FLOAT_EQ(strip.frameLeft(), 0.0f);
  EXPECT_FLOAT_EQ(strip.frameRight(), 1.0f / 16.0f);
  for (int i = 0; i < 3; ++i) {
    clock.advance(0.11);
    strip.advance();
  }
  EXPECT_FLOAT_EQ(strip.frameLeft(), 3.0f / 16.0f);
  EXPECT_FLOAT_EQ(strip.frameRight(), 4.0f / 16.0f);

  Sprite single(kPath, 1, 10, false);
  EXPECT_EQ(single.frameLeft(), 0.0f);
  EXPECT_EQ(single.frameRight(), 1.0f);
}

TEST(Sprite, StartFrame) {
  Kettar::SimulatedClock clock;
  for (int i = 0; i < 20; ++i) EXPECT_EQ(Sprite(kPath, 8, 10, false).currentFrame(), 0);

  std::srand(7);
  std::set<int32_t> seen;
  for (int i = 0; i < 400; ++i) {
    const int32_t f = Sprite(kPath, 8, 10, true).currentFrame();
    ASSERT_GE(f, 0);
    ASSERT_LT(f, 8);
    seen.insert(f);
  }
  EXPECT_EQ(seen.size(), 8u);
}

TEST(Sprite, StoresItsRateAndCountsBadValuesAsOne) {
  Kettar::SimulatedClock clock;
  const Sprite wheel(kPath, 16, 40, false);
  EXPECT_EQ(wheel.frameCount(), 16);
  EXPECT_EQ(wheel.fps(), 40);
  EXPECT_FLOAT_EQ(wheel.framePeriod(), 0.025f);

  // A zero or negative count or rate would divide by zero in the frame maths.
  Sprite bad(kPath, 0, -3, true);
  EXPECT_EQ(bad.frameCount(), 1);
  EXPECT_EQ(bad.fps(), 1);
  EXPECT_EQ(bad.currentFrame(), 0);
  clock.advance(1.5);
  bad.advance();
  EXPECT_EQ(bad.currentFrame(), 0);
}

TEST(Sprite, WithoutTextureManagerBindsNoTexture) {
  ASSERT_EQ(Kettar::textureManager, nullptr);
  EXPECT_EQ(Sprite(kPath, 8, 10, false).texture(), 0u);
}

}  // namespace
