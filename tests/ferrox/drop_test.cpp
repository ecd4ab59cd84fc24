// A small body dropped onto a fixed link, stepped the way the game steps a level,
// against the analytic fall.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

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

// Bodies falling into a box for a while (colliding, some falling asleep), then
// deleted mid-step with their pairs pending: nothing of them stays in the grid.
TEST_F(DropTest, BodiesLeaveNoTraceInTheGrid) {
  ferrox::destroyWorld();
  ASSERT_TRUE(ferrox::createWorld(12, 10, 0.2f));
  {
    Skeleton ground;
    const Vec2 corners[] = {Vec2(-5.0f, 4.0f), Vec2(-5.0f, -4.0f), Vec2(5.0f, -4.0f), Vec2(5.0f, 4.0f)};
    for (const Vec2& c : corners) ground.addQuark(0, c, 1.0f, 0.0f);
    for (uint32_t i = 0; i < 3; ++i) ground.addLink(0, i, i + 1, 0.0f, 0.0f, 0.05f, 0.5f);
    std::vector<std::unique_ptr<Skeleton>> bodies;
    for (int i = 0; i < 12; ++i) {
      auto body = std::make_unique<Skeleton>();
      const Vec2 at(-3.0f + 0.55f * i, -3.0f + 0.3f * (i % 4));
      body->addQuark(1, at, 0.2f, 0.01f);
      body->addQuark(1, at + Vec2(0.3f, 0.0f), 0.2f, 0.01f);
      body->addQuark(1, at + Vec2(0.15f, 0.25f), 0.2f, 0.01f);
      for (uint32_t q = 0; q < 3; ++q) body->addLink(1, q, (q + 1) % 3, 0.0f, 0.0f, 0.03f, 0.5f);
      bodies.push_back(std::move(body));
    }
    uint32_t responses = 0;
    for (int step = 0; step < 1500; ++step) {
      ferrox::clearContacts();
      for (auto& b : bodies) b->leaveGrid(false);
      for (auto& b : bodies) b->step(kDt);
      if (step < 1499) responses += ferrox::resolveContacts();
    }
    EXPECT_GT(responses, 0u);
    EXPECT_GT(ferrox::pairCount(), 0u);
    bodies.clear();
    EXPECT_EQ(ferrox::pairCount(), 0u);
    uint32_t others = 0;
    for (int32_t c = 0; c < ferrox::world->cols; ++c) {
      for (int32_t r = 0; r < ferrox::world->rows; ++r) {
        const ferrox::GridCell& cell = ferrox::world->cell(c, r);
        for (uint32_t i = 0; i < cell.count; ++i) {
          bool ours = false;
          for (const ferrox::Link* l : ground.links) ours = ours || cell.links[i] == l;
          others += !ours;
        }
      }
    }
    EXPECT_EQ(others, 0u);
  }
}

}  // namespace
