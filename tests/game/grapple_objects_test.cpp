// The rope with the level's live objects: enemies the tip kills or pushes,
// lasers that drop a flying rope and cut a hooked one, and a laser flying
// through a rope that is reeled and released in the same steps.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "ferrox/contact_pair.h"
#include "ferrox/contact_record.h"
#include "ferrox/grid.h"
#include "ferrox/link.h"
#include "ferrox/skeleton_cache.h"
#include "game/enemy.h"
#include "game/laser.h"
#include "game/level.h"
#include "grapple_fixture.h"
#include "hero_fixture.h"

namespace {

using ropetest::RopeWorld;

constexpr float kStep = RopeWorld::kStep;

class RopeObjects : public RopeWorld {
 public:
  void SetUp() override {
    RopeWorld::SetUp();
    ASSERT_FALSE(root.path().empty());
    // Soft squares stand in for every enemy kind.
    auto square = std::make_unique<ferrox::Skeleton>();
    const Vec2 corners[4] = {{-0.3f, 0.3f}, {0.3f, 0.3f}, {0.3f, -0.3f}, {-0.3f, -0.3f}};
    for (const Vec2& c : corners) square->addQuark(ferrox::kSoft, c, 0.1f, 0.05f);
    for (uint32_t i = 0; i < 4; ++i) square->addLink(ferrox::kSoft, i, (i + 1) % 4, 0.8f, 160.0f, 0.06f, 0.4f);
    for (const char* path : Enemy::kEnemySkeletons) {
      const std::string p = root.path() + path;
      root.writeFile(path, "");
      ASSERT_TRUE(ferrox::SkeletonCache::save(p, *square));
    }
  }
  void TearDown() override {
    RopeWorld::TearDown();
    ferrox::SkeletonCache::clear();
  }

  Enemy* addEnemy(uint32_t kind, Vec2 at) {
    Level::current->enemies.pushBack(new Enemy(kind, at, root.path()));
    return Level::current->enemies[Level::current->enemies.count - 1];
  }
  // A laser already grown from a to b, standing still in the grid.
  Laser* addLaserSegment(Vec2 a, Vec2 b) {
    Vec2 d = b - a;
    d.setLength(1.0f);
    Level::current->addLaser(a, d);
    Laser* l = Level::current->lasers[Level::current->lasers.count - 1];
    l->body()->leaveGrid(true);
    l->head()->setPosition(b);
    l->link()->rest = (b - a).length();
    l->body()->enterGrid();
    return l;
  }

  herotest::DataRoot root;
};

// Fired along +x at a body whose face is at x = -3 (see the rope tests).
TEST_F(RopeObjects, TipOnEnemiesAndLasers) {
  struct Row {
    const char* name;
    int32_t enemyKind;  // -1: a laser
    bool killed;
    bool pushed;
  };
  const Row rows[] = {
      {"the hurting enemy is killed", 2, true, false},
      {"a healing enemy is pushed away from the arm", 1, false, true},
      {"a plain enemy is pushed away from the arm", 0, false, true},
      {"a laser drops the rope", -1, false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TearDown();
    SetUp();
    Enemy* enemy = nullptr;
    ferrox::Skeleton* body = nullptr;
    if (row.enemyKind >= 0) {
      enemy = addEnemy(static_cast<uint32_t>(row.enemyKind), Vec2(-2.7f, 0.0f));
      body = enemy->body();
    } else {
      body = addLaserSegment(Vec2(-3.0f, -1.0f), Vec2(-3.0f, 1.0f))->body();
    }
    const uint32_t quarks = body->quarks.count;
    const uint32_t links = body->links.count;
    fire(Vec2(1.0f, 0.0f));
    ASSERT_TRUE(playUntilSettled());
    EXPECT_EQ(rope, nullptr) << "dropped";
    EXPECT_EQ(body->quarks.count, quarks) << "never hooked";
    EXPECT_EQ(body->links.count, links);
    if (enemy != nullptr) {
      EXPECT_EQ(enemy->killed(), row.killed);
      float pushX = 0.0f;
      float pushY = 0.0f;
      for (const ferrox::Quark* q : body->quarks) {
        pushX += q->force.x;
        pushY += q->force.y;
      }
      // One quark of the hit edge, pushed with 3000 from the arm at (-6, 0).
      EXPECT_NEAR(std::hypot(pushX, pushY), row.pushed ? 3000.0f : 0.0f, 1.0f);
      if (row.pushed) {
        EXPECT_GT(pushX, 2900.0f);
      }
    }
  }
}

// A hooked rope hanging from a ceiling one unit up (7 quarks with the anchor).
class RopeCut : public RopeObjects {
 public:
  void hookCeiling() {
    addFixedSegment(Vec2(-8.0f, 1.0f), Vec2(-4.0f, 1.0f));
    fire(Vec2(0.0f, 1.0f));
    ASSERT_TRUE(playUntilSettled());
    ASSERT_TRUE(rope && rope->hooked());
  }
};

TEST_F(RopeCut, ALaserRemovesOneLinkAtTheNextPreStepAndStopsReeling) {
  hookCeiling();
  ASSERT_TRUE(rope->reel(kStep));
  const uint32_t links = rope->links.count;
  Laser* laser = addLaserSegment(Vec2(-6.5f, 0.5f), Vec2(-5.5f, 0.5f));
  // The step that meets the laser records the contact; the next one reads it.
  int steps = 0;
  while (!rope->cut() && steps < 5) {
    ASSERT_TRUE(playStep());
    ++steps;
  }
  ASSERT_TRUE(rope->cut());
  ASSERT_NE(rope->linkToRemove(), nullptr);
  EXPECT_EQ(rope->links.count, links) << "removed by the pre-step only";
  EXPECT_FALSE(rope->reel(kStep));
  EXPECT_FALSE(rope->reel(-kStep));
  ASSERT_TRUE(playStep());
  EXPECT_EQ(rope->linkToRemove(), nullptr);
  EXPECT_EQ(rope->links.count, links - 1);
  // The laser keeps touching the rope: only the first touch cuts.
  for (int i = 0; i < 100; ++i) ASSERT_TRUE(playStep()) << "a hooked rope is never dropped";
  EXPECT_EQ(rope->links.count, links - 1);
  EXPECT_FALSE(rope->reel(kStep));
  EXPECT_FALSE(laser->dead());
  // The hero dying on a cut rope marks its hero-side link (if the laser left one).
  rope->detach();
  EXPECT_EQ(rope->linkToRemove(), rope->heroSideLink());
  ASSERT_TRUE(playStep());
  Grapple::release(std::move(rope));
  notifier.rope = nullptr;
}

// A contact a flying rope got is not kept until it holds: a laser long gone
// neither cuts it then nor is read.
TEST_F(RopeCut, AContactWhileFlyingIsForgottenOnTheNextStep) {
  addFixedSegment(Vec2(-8.0f, 1.0f), Vec2(-4.0f, 1.0f));
  Laser* far = addLaserSegment(Vec2(6.0f, 6.0f), Vec2(7.0f, 6.0f));
  fire(Vec2(0.0f, 1.0f));
  for (int i = 0; i < 4; ++i) ASSERT_TRUE(playStep());
  ASSERT_GE(rope->links.count, 2u);
  ASSERT_FALSE(rope->hooked());
  // Link 1 is the rope's own (link 0 starts at the arm quark, of the arm's body).
  ferrox::recordContact(rope->links[1], far->link());
  ASSERT_EQ(rope->lastOtherLink, far->link());
  ASSERT_TRUE(playStep());
  EXPECT_EQ(rope->lastOtherLink, nullptr);
  ASSERT_TRUE(playUntilSettled());
  ASSERT_TRUE(rope && rope->hooked());
  for (int i = 0; i < 20; ++i) ASSERT_TRUE(playStep());
  EXPECT_FALSE(rope->cut());
}

// The hero dies in the step a laser cut the rope: the cut link still goes.
TEST_F(RopeCut, DetachRightAfterACutKeepsTheCut) {
  hookCeiling();
  const uint32_t links = rope->links.count;
  addLaserSegment(Vec2(-6.5f, 0.5f), Vec2(-5.5f, 0.5f));
  for (int i = 0; i < 5 && !rope->cut(); ++i) ASSERT_TRUE(playStep());
  ASSERT_TRUE(rope->cut());
  ferrox::Link* cutLink = rope->linkToRemove();
  ASSERT_NE(cutLink, rope->heroSideLink());
  rope->detach();
  EXPECT_EQ(rope->linkToRemove(), rope->heroSideLink());
  ASSERT_TRUE(playStep());
  EXPECT_EQ(rope->links.count, links - 2);
  EXPECT_EQ(rope->heroSideLink(), nullptr);
}

bool pairNames(const ferrox::Link* link) {
  for (const ferrox::ContactPair& p : ferrox::world->pairs) {
    if (p.first == link || p.second == link) return true;
  }
  return false;
}

// A laser's record and a pending pair name rope links that reeling in and
// release then delete: nothing is left to name them. A deleted link's address
// may be handed to the next link made, so the checks look from the laser's
// side, which lives throughout and touches nothing else: out of the grid, its
// link is named by no pair but the one made here.
TEST_F(RopeCut, ReelingAndReleaseLeaveNoRecordOrPairOfADeletedLink) {
  hookCeiling();
  Laser* laser = addLaserSegment(Vec2(6.0f, 6.0f), Vec2(7.0f, 6.0f));
  auto touch = [&](ferrox::Link* ropeLink) {
    ferrox::recordContact(ropeLink, laser->link());
    ferrox::recordContact(laser->link(), ropeLink);
    ferrox::world->pairs.pushBack(ferrox::ContactPair{laser->link(), ropeLink});
  };
  touch(rope->links[1]);
  uint32_t count = rope->quarks.count;
  while (rope->quarks.count == count) ASSERT_TRUE(rope->reel(-kStep));
  EXPECT_EQ(laser->body()->lastOtherLink, nullptr);
  EXPECT_EQ(rope->lastOwnLink, nullptr);
  EXPECT_FALSE(pairNames(laser->link()));
  ferrox::clearContacts();

  // The hero-side link: its record is the arm body's.
  const ferrox::Link* split = rope->links[0];
  touch(rope->links[0]);
  ASSERT_EQ(arm->lastOwnLink, split);
  count = rope->quarks.count;
  while (rope->quarks.count == count) ASSERT_TRUE(rope->reel(kStep));
  EXPECT_EQ(laser->body()->lastOtherLink, nullptr);
  EXPECT_EQ(arm->lastOwnLink, nullptr);
  EXPECT_FALSE(pairNames(laser->link()));
  ferrox::clearContacts();

  touch(rope->links[rope->links.count - 2]);
  Grapple::release(std::move(rope));
  notifier.rope = nullptr;
  EXPECT_EQ(laser->body()->lastOtherLink, nullptr);
  EXPECT_FALSE(pairNames(laser->link()));
  EXPECT_FALSE(laser->dead());
}

// Lasers fly through the rope over and over while it is reeled both ways,
// released and fired again: the lasers' and the rope's contact records name
// links that reeling and release delete. Meant for the sanitizer build.
TEST_F(RopeCut, LasersThroughARopeReeledAndReleasedInTheSameSteps) {
  addFixedSegment(Vec2(-9.0f, 3.0f), Vec2(-3.0f, 3.0f));
  uint32_t cuts = 0;
  uint32_t releases = 0;
  for (int step = 0; step < 6000; ++step) {
    if (step % 150 == 0) addLaserSegment(Vec2(-9.5f, 0.3f + 0.002f * (step % 900)), Vec2(-9.0f, 0.3f + 0.002f * (step % 900)));
    if (!rope) fire(Vec2(0.0f, 1.0f));
    // Held keys come first in the game's step: reeling may delete links the
    // lasers recorded in the last resolution.
    if (rope->hooked()) rope->reel((step / 40) % 2 == 0 ? 4.0f * kStep : -4.0f * kStep);
    ferrox::clearContacts();
    rope->preStep();
    Level::leaveGrid(Level::current);
    Level::current->update(kStep);
    if (!rope->step(kStep)) {
      rope.reset();
      notifier.rope = nullptr;
    }
    ferrox::resolveContacts();
    if (rope && rope->cut()) ++cuts;
    // The fire key between steps, after the resolution recorded contacts.
    if (rope && rope->hooked() && step % 97 == 0) {
      Grapple::release(std::move(rope));
      notifier.rope = nullptr;
      ++releases;
    }
  }
  EXPECT_GT(cuts, 0u);
  EXPECT_GT(releases, 0u);
}

}  // namespace
