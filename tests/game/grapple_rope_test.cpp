// The rope against a real world grid: growth, what the tip does with what it
// reaches, reeling, detaching and release.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "ferrox/grid.h"
#include "ferrox/link.h"
#include "game/level.h"
#include "game/terrain.h"
#include "grapple_fixture.h"

namespace {

using ropetest::RopeWorld;

using RopeTest = RopeWorld;

// Fired straight up into open space: a segment every 0.006 s of summed step
// time (every third step at 500 a second, the sum being in f32), then dropped
// on the step after it reaches 40 quarks.
TEST_F(RopeTest, GrowsEveryThirdStepAndIsDroppedAtTheLimit) {
  fire(Vec2(0.0f, 1.0f));
  std::vector<int> grewAt;
  uint32_t count = rope->quarks.count;
  int step = 0;
  while (rope && step < 1000) {
    ++step;
    if (!playStep()) break;
    ASSERT_LE(rope->quarks.count, Grapple::kQuarkLimit);
    EXPECT_FALSE(rope->hooked());
    if (rope->quarks.count != count) {
      EXPECT_EQ(rope->quarks.count, count + 1) << "one segment a step at most";
      count = rope->quarks.count;
      grewAt.push_back(step);
    }
  }
  EXPECT_EQ(rope, nullptr) << "dropped";
  EXPECT_EQ(count, Grapple::kQuarkLimit);
  ASSERT_EQ(grewAt.size(), Grapple::kQuarkLimit - 1);
  for (size_t i = 1; i < grewAt.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_GE(grewAt[i] - grewAt[i - 1], 2);
    EXPECT_LE(grewAt[i] - grewAt[i - 1], 4);
  }
  const double mean = static_cast<double>(grewAt.back() - grewAt.front()) / (grewAt.size() - 1);
  EXPECT_NEAR(mean, 3.0, 0.05);
  // Dropped on the first step that found 40 quarks.
  EXPECT_EQ(step, grewAt.back() + 1);
}

TEST_F(RopeTest, FirstQuarkAndLinkWhenFired) {
  const Vec2 armVelocity(1.0f, 2.0f);
  Grapple& g = fire(Vec2(1.0f, 0.0f), armVelocity);
  ASSERT_EQ(g.quarks.count, 1u);
  ASSERT_EQ(g.links.count, 1u);
  EXPECT_EQ(g.heroSideLink(), g.links[0]);
  EXPECT_EQ(g.links[0]->a, armQuark);
  EXPECT_EQ(g.links[0]->b, g.quarks[0]);
  EXPECT_FLOAT_EQ(g.links[0]->rest, 0.2f);
  EXPECT_FLOAT_EQ(g.links[0]->radius, 0.04f);
  EXPECT_EQ(g.links[0]->internal, 0);
  EXPECT_EQ(g.links[0]->inGrid, 1);
  EXPECT_EQ(g.quarks[0]->kind(), ferrox::kStiff);
  EXPECT_FLOAT_EQ(g.quarks[0]->mass, 0.01f);
  EXPECT_FLOAT_EQ(g.quarks[0]->position.x, kArmAt.x + 0.2f);
  EXPECT_EQ(g.throwVelocity(), Vec2(11.0f, 2.0f));
  EXPECT_NEAR(g.quarks[0]->velocity().x, 11.0f, 1e-3);
  EXPECT_NEAR(g.quarks[0]->velocity().y, 2.0f, 1e-3);
  EXPECT_EQ(g.canSleep, 0);
}

// Every outcome of the tip, fired along +x from the arm at x = -6 with the
// hero's body across the way at x = -5 (passed through). The obstacle's face
// is at x = -3: the cast of the 16th quark's advance (target -6 + 0.2 * 15)
// reaches it, so a hold has 16 rope quarks.
TEST_F(RopeTest, TipOutcomes) {
  struct Row {
    const char* name;
    std::function<ferrox::Skeleton*(RopeTest&)> build;
    bool holds;
    uint32_t ropeQuarks;  // when it holds
    uint32_t ropeLinks;
    int32_t bodyQuarksAdded;
    int32_t bodyLinksAdded;
    bool bodyHooked;
  };
  const Row rows[] = {
      {"terrain anchors",
       [](RopeTest& t) {
         const int32_t p = t.addTerrainBox(Vec2(-2.5f, 0.0f), Vec2(1.0f, 4.0f));
         return &Level::current->terrain->polygons[static_cast<uint32_t>(p)]->body;
       },
       true, 17, 17, 0, 0, false},
      {"an edge that refuses the grapple drops it",
       [](RopeTest& t) {
         const int32_t p = t.addTerrainBox(Vec2(-2.5f, 0.0f), Vec2(1.0f, 4.0f));
         Level::current->terrain->setEdgeType(static_cast<uint32_t>(p), 3, 1);
         return &Level::current->terrain->polygons[static_cast<uint32_t>(p)]->body;
       },
       false, 0, 0, 0, 0, false},
      {"a deadly edge still anchors",
       [](RopeTest& t) {
         const int32_t p = t.addTerrainBox(Vec2(-2.5f, 0.0f), Vec2(1.0f, 4.0f));
         Level::current->terrain->setEdgeType(static_cast<uint32_t>(p), 3, 2);
         return &Level::current->terrain->polygons[static_cast<uint32_t>(p)]->body;
       },
       true, 17, 17, 0, 0, false},
      {"the exit is passed through to the wall behind",
       [](RopeTest& t) {
         Level::current->setExit(Vec2(-3.0f, -1.0f), Vec2(-3.0f, 1.0f));
         Level::current->createExit();
         const int32_t p = t.addTerrainBox(Vec2(-1.5f, 0.0f), Vec2(1.0f, 4.0f));
         return &Level::current->terrain->polygons[static_cast<uint32_t>(p)]->body;
       },
       true, 22, 22, 0, 0, false},
      {"a body with stiff links is hooked",
       [](RopeTest& t) { return t.addStiffBox(Vec2(-2.5f, 0.0f), 0.5f); }, true, 16, 17, 1, 2,
       true},
      {"a soft body that is no enemy drops it",
       [](RopeTest& t) { return t.addSoftBox(Vec2(-2.5f, 0.0f), 0.5f); }, false, 0, 0, 0, 0,
       false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TearDown();
    SetUp();
    ferrox::Skeleton* body = row.build(*this);
    const uint32_t quarksBefore = body->quarks.count;
    const uint32_t linksBefore = body->links.count;
    fire(Vec2(1.0f, 0.0f));
    ASSERT_TRUE(playUntilSettled());
    if (row.holds) {
      ASSERT_NE(rope, nullptr);
      EXPECT_TRUE(rope->hooked());
      EXPECT_EQ(rope->quarks.count, row.ropeQuarks);
      EXPECT_EQ(rope->links.count, row.ropeLinks);
      EXPECT_EQ(rope->hookedBody(), row.bodyHooked ? body : nullptr);
      EXPECT_EQ(body->hookQuark >= 0, row.bodyHooked);
      const ferrox::Link* last = rope->links[rope->links.count - 1];
      EXPECT_EQ(last->internal, 1) << "the tie to the anchor or hook";
      if (row.bodyHooked) {
        EXPECT_EQ(last->b, body->quarks[static_cast<uint32_t>(body->hookQuark)]);
      } else {
        EXPECT_EQ(last->b->kind(), ferrox::kFixed);
        EXPECT_EQ(last->b->owner, rope.get());
        EXPECT_NEAR(last->b->position.x, body->quarks[0]->position.x, 0.1f);
      }
    } else {
      EXPECT_EQ(rope, nullptr);
    }
    EXPECT_EQ(static_cast<int32_t>(body->quarks.count - quarksBefore), row.bodyQuarksAdded);
    EXPECT_EQ(static_cast<int32_t>(body->links.count - linksBefore), row.bodyLinksAdded);
  }
}

// The rope hooked on a ceiling one unit above the arm: 6 quarks and the anchor.
class ReelTest : public RopeWorld {
 protected:
  void hookCeiling() {
    addFixedSegment(Vec2(-8.0f, 1.0f), Vec2(-4.0f, 1.0f));
    fire(Vec2(0.0f, 1.0f));
    ASSERT_TRUE(playUntilSettled());
    ASSERT_NE(rope, nullptr);
    ASSERT_TRUE(rope->hooked());
    ASSERT_EQ(rope->quarks.count, 7u);
  }
  // Reels by the amount each step until refused; the steps at which the quark
  // count changed, and the count then.
  std::vector<std::pair<int, uint32_t>> reelUntilRefused(float amount, int maxSteps) {
    std::vector<std::pair<int, uint32_t>> changes;
    uint32_t count = rope->quarks.count;
    for (int step = 1; step <= maxSteps; ++step) {
      if (!rope->reel(amount)) break;
      // The hero-side link is link 0 and ends at quark 0.
      EXPECT_EQ(rope->links[0], rope->heroSideLink());
      EXPECT_EQ(rope->links[0]->a, armQuark);
      EXPECT_EQ(rope->links[0]->b, rope->quarks[0]);
      EXPECT_TRUE(playStep());
      if (rope->quarks.count != count) {
        count = rope->quarks.count;
        changes.push_back({step, count});
      }
    }
    return changes;
  }
};

TEST_F(ReelTest, OutSplitsAboutEvery25StepsUpTo40Quarks) {
  hookCeiling();
  const auto changes = reelUntilRefused(kStep, 5000);
  ASSERT_EQ(changes.size(), Grapple::kQuarkLimit - 7);
  for (size_t i = 0; i < changes.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(changes[i].second, 8 + i);
    if (i > 0) {
      EXPECT_NEAR(changes[i].first - changes[i - 1].first, 25, 1);
    }
  }
  EXPECT_NEAR(changes[0].first, 25, 1) << "from a fresh segment of 0.2";
  EXPECT_EQ(rope->quarks.count, Grapple::kQuarkLimit);
  EXPECT_FALSE(rope->reel(kStep));
  // Every link a split made is one segment long.
  for (uint32_t i = 0; i <= changes.size(); ++i) EXPECT_FLOAT_EQ(rope->links[i]->rest, 0.2f) << i;
}

TEST_F(ReelTest, InMergesAboutEvery25StepsAndKeepsThreeQuarks) {
  hookCeiling();
  const auto changes = reelUntilRefused(-kStep, 5000);
  ASSERT_EQ(changes.size(), 4u);  // 7 quarks down to 3
  for (size_t i = 0; i < changes.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(changes[i].second, 6 - i);
    if (i > 0) {
      EXPECT_NEAR(changes[i].first - changes[i - 1].first, 25, 1);
    }
  }
  EXPECT_EQ(rope->quarks.count, 3u);
  EXPECT_FALSE(rope->reel(-kStep));
  EXPECT_EQ(rope->quarks.count, 3u);
  EXPECT_TRUE(rope->reel(kStep)) << "reeling out is still taken";
}

TEST_F(ReelTest, RefusedWhileFlying) {
  fire(Vec2(0.0f, 1.0f));
  EXPECT_FALSE(rope->reel(kStep));
  EXPECT_FALSE(rope->reel(-kStep));
  EXPECT_FLOAT_EQ(rope->heroSideLink()->rest, 0.2f);
}

// The hero died: the hero-side link goes at the next pre-step, the rope lives on.
TEST_F(ReelTest, DetachRemovesTheHeroSideLinkAtTheNextPreStep) {
  hookCeiling();
  const uint32_t links = rope->links.count;
  rope->detach();
  EXPECT_EQ(rope->links.count, links) << "not before the pre-step";
  ASSERT_TRUE(playStep());
  EXPECT_EQ(rope->links.count, links - 1);
  EXPECT_EQ(rope->heroSideLink(), nullptr);
  EXPECT_EQ(armQuark->links.count, 0u);
  EXPECT_FALSE(rope->reel(kStep));
  rope->detach();  // nothing left to mark
  EXPECT_EQ(rope->linkToRemove(), nullptr);
  for (int i = 0; i < 200; ++i) ASSERT_TRUE(playStep());
  EXPECT_EQ(rope->links.count, links - 1);
}

// A detached rope that was only fired: its one quark goes with the link, and
// the empty rope steps on harmlessly.
TEST_F(RopeTest, DetachRightAfterFiringLeavesAnEmptyRope) {
  fire(Vec2(0.0f, 1.0f));
  rope->detach();
  rope->preStep();
  EXPECT_EQ(rope->quarks.count, 0u);
  EXPECT_EQ(rope->links.count, 0u);
  for (int i = 0; i < 10; ++i) {
    rope->preStep();
    rope->step(kStep);
  }
  EXPECT_EQ(rope->quarks.count, 0u);
}

TEST_F(RopeTest, ReleaseGivesBackTheHookedBodyAsItWas) {
  ferrox::Skeleton* box = addStiffBox(Vec2(-2.5f, 0.0f), 0.5f);
  const uint32_t quarks = box->quarks.count;
  const uint32_t links = box->links.count;
  ASSERT_EQ(box->canSleep, 1);
  fire(Vec2(1.0f, 0.0f));
  ASSERT_TRUE(playUntilSettled());
  ASSERT_TRUE(rope && rope->hooked());
  EXPECT_EQ(box->canSleep, 0) << "a hooked body stays awake";
  for (int i = 0; i < 50; ++i) ASSERT_TRUE(playStep());
  const uint32_t armLinks = armQuark->links.count;
  Grapple::release(std::move(rope));
  EXPECT_EQ(rope, nullptr);
  notifier.rope = nullptr;
  EXPECT_EQ(box->quarks.count, quarks);
  EXPECT_EQ(box->links.count, links);
  EXPECT_EQ(box->hookQuark, -1);
  EXPECT_EQ(box->canSleep, 1);
  EXPECT_EQ(armQuark->links.count, armLinks - 1);
  for (const ferrox::Quark* q : box->quarks) EXPECT_EQ(q->links.count, 3u) << "no rope left on it";
  // The body can be hooked again.
  fire(Vec2(1.0f, 0.0f));
  ASSERT_TRUE(playUntilSettled());
  ASSERT_TRUE(rope && rope->hooked());
  EXPECT_EQ(box->quarks.count, quarks + 1);
}

TEST_F(RopeTest, ReleaseOfAFlyingOrAnchoredRope) {
  fire(Vec2(1.0f, 0.0f));
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(playStep());
  Grapple::release(std::move(rope));
  EXPECT_EQ(armQuark->links.count, 0u);
  addTerrainBox(Vec2(-2.5f, 0.0f), Vec2(1.0f, 4.0f));
  fire(Vec2(1.0f, 0.0f));
  ASSERT_TRUE(playUntilSettled());
  ASSERT_TRUE(rope && rope->hooked());
  Grapple::release(std::move(rope));
  EXPECT_EQ(armQuark->links.count, 0u);
}

}  // namespace
