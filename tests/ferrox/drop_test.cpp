// A small body dropped onto a fixed link, stepped the way the game steps a level,
// against the analytic fall.

#include <gtest/gtest.h>

#include <cmath>

#include "body_test_support.h"
#include "ferrox/closest_points.h"
#include "ferrox/contact_pair.h"
#include "ferrox/grid.h"
#include "ferrox/skeleton.h"

namespace {

using ferrox::Skeleton;

constexpr float kDt = 0.002f;  // the game's 500 Hz step

// A 10 x 8 world; the bodies live in the test's scope, gone before the world.
struct DropTest : bodytest::WorldFixture {};

TEST_F(DropTest, FallsTouchesAtTheAnalyticTimeAndComesToRestAsleep) {
  {
    Skeleton ground;
    ground.addQuark(0, Vec2(-2.0f, 0.0f), 1.0f, 0.0f);
    ground.addQuark(0, Vec2(2.0f, 0.0f), 1.0f, 0.0f);
    ground.addLink(0, 0, 1, 0.0f, 0.0f, 0.05f, 0.5f);

    // A 0.2 box of Verlet quarks without damping, so the fall is free; its lower
    // surface (radius 0.03) starts 0.92 above the ground's (radius 0.05).
    Skeleton box;
    const float bottom = 0.05f + 0.03f + 0.92f;
    box.addQuark(1, Vec2(-0.1f, bottom), 0.25f, 0.0f);
    box.addQuark(1, Vec2(0.1f, bottom), 0.25f, 0.0f);
    box.addQuark(1, Vec2(0.1f, bottom + 0.2f), 0.25f, 0.0f);
    box.addQuark(1, Vec2(-0.1f, bottom + 0.2f), 0.25f, 0.0f);
    for (uint32_t i = 0; i < 4; ++i) box.addLink(1, i, (i + 1) % 4, 0.0f, 0.0f, 0.03f, 0.5f);
    box.addInternalLink(1, 0, 2, 0.0f, 0.0f);
    box.addInternalLink(1, 1, 3, 0.0f, 0.0f);

    auto penetration = [&] {
      float s, t;
      Vec2 p, q;
      const float d2 = ferrox::closestPoints(box.quarks.items[0]->position,
                                             box.quarks.items[1]->position,
                                             ground.quarks.items[0]->position,
                                             ground.quarks.items[1]->position, s, t, p, q);
      return 0.08f - std::sqrt(d2);
    };

    int firstTouch = -1;
    int asleepAt = -1;
    float deepest = 0.0f;
    for (int step = 1; step <= 5000 && asleepAt < 0; ++step) {
      ferrox::clearContacts();
      box.leaveGrid(false);
      box.step(kDt);
      const uint32_t responses = ferrox::resolveContacts();
      if (firstTouch < 0 && responses > 0) firstTouch = step;
      if (firstTouch > 0 && step > firstTouch + 250) deepest = std::fmax(deepest, penetration());
      bool allAsleep = true;
      for (const ferrox::Quark* q : box.quarks) allAsleep = allAsleep && q->asleep;
      if (allAsleep) asleepAt = step;
    }
    // 0.92 = g t^2 / 2 gives t = 0.433 s: step 217 at 500 Hz.
    EXPECT_NEAR(firstTouch, 217, 1);
    ASSERT_GT(asleepAt, 0) << "not asleep after 10 s";
    EXPECT_LT((asleepAt - firstTouch) * kDt, 5.0f);
    // Resting: within the band the contacts leave alone, plus a couple of steps of gravity.
    EXPECT_LT(deepest, 0.0002f + 9.81f * kDt * kDt * 2.0f);
    const float rest = penetration();
    EXPECT_GT(rest, -0.0001f);
    EXPECT_LT(rest, 0.0002f + 9.81f * kDt * kDt * 2.0f);
    EXPECT_NEAR(box.quarks.items[0]->position.x, -0.1f, 0.02f);
  }
}

}  // namespace
