// Driving, jumping and the short-lived ground state.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ferrox/grid.h"
#include "ferrox/link.h"
#include "hero_fixture.h"

namespace {

using herotest::expectEvery;
using herotest::HeroWorld;
using herotest::pushPerMass;
using herotest::recordContact;

constexpr float kDt = 0.002f;

class HeroDrive : public HeroWorld {
 protected:
  // A hero that touched the ground in the last resolution and has stepped once since.
  Hero& grounded() {
    Hero& h = makeHero();
    recordContact(h, addGround(Vec2(-5.0f, -1.0f), Vec2(5.0f, -1.0f))->links[0]);
    EXPECT_TRUE(playStep());
    EXPECT_TRUE(h.onGround());
    return h;
  }

  void setSpeed(Hero& h, Vec2 v) {
    for (ferrox::Quark* q : h.body()->quarks) q->setVelocity(v);
  }
};

TEST_F(HeroDrive, DriveForceOnlyOnTheGroundBelowSpeed7) {
  struct Row {
    const char* name;
    bool onGround;
    float speed;   // every quark's velocity along x before the drive
    float amount;  // ±dt
    float push;    // x acceleration expected
  };
  const Row rows[] = {
      {"right on the ground", true, 0.0f, kDt, 12000.0f * kDt},
      {"left on the ground", true, 0.0f, -kDt, -12000.0f * kDt},
      {"just below 7", true, 6.9f, kDt, 12000.0f * kDt},
      {"at 7: none", true, 7.0f, kDt, 0.0f},
      {"at 7 backwards: none", true, -7.5f, -kDt, 0.0f},
      {"in the air: none", false, 0.0f, kDt, 0.0f},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Hero& h = row.onGround ? grounded() : makeHero();
    ASSERT_EQ(h.onGround(), row.onGround);
    setSpeed(h, Vec2(row.speed, 0.0f));
    expectEvery(pushPerMass(*h.body(), [&] { h.drive(row.amount); }), Vec2(row.push, 0.0f));
    // Wheel and facing follow the drive even where no force is added.
    EXPECT_EQ(h.facingRight(), row.amount > 0.0f);
    EXPECT_EQ(h.wheelSpin(), row.amount > 0.0f ? -800.0f : 800.0f);
    hero.reset();
  }
}

TEST_F(HeroDrive, JumpOnlyOnTheGroundLeaningToTheArmSide) {
  struct Row {
    const char* name;
    bool onGround;
    float armAngle;  // set through the keys: -90 right, 90 left, 0 up
    Vec2 push;
  };
  const Row rows[] = {
      {"arm right", true, -90.0f, Vec2(750.0f, 3000.0f)},
      {"arm left", true, 90.0f, Vec2(-750.0f, 3000.0f)},
      {"arm straight up", true, 0.0f, Vec2(0.0f, 3000.0f)},
      {"in the air", false, -90.0f, Vec2(0.0f, 0.0f)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Hero& h = row.onGround ? grounded() : makeHero();
    // The test body's hinge stands exactly above its centroid: body angle 0.
    ASSERT_EQ(h.bodyAngle(), 0.0f);
    if (row.armAngle == 0.0f) h.keyUp(false, kDt);
    if (row.armAngle == 90.0f) h.keyLeft(kDt);
    ASSERT_EQ(h.armAngle(), row.armAngle);
    expectEvery(pushPerMass(*h.body(), [&] { h.jump(); }), row.push);
    hero.reset();
  }
}

// Every contact sets the ground level to 1; decaying by 0.9 (1 - dt) a step,
// it drops below 0.5 on the seventh step after the last contact.
TEST_F(HeroDrive, GroundEndsSevenStepsAfterTheLastContact) {
  Hero& h = grounded();
  EXPECT_EQ(h.groundLevel(), 1.0f);
  for (int step = 1; step <= 7; ++step) {
    SCOPED_TRACE("step " + std::to_string(step));
    ferrox::clearContacts();
    h.preStep();
    ASSERT_TRUE(h.step(kDt));
    EXPECT_EQ(h.onGround(), step < 7);
  }
}

// With the real contacts of the notifier: the hero falls onto the ground,
// comes to rest standing on it, then drives off to the right.
TEST_F(HeroDrive, LandsStandsAndDrives) {
  addGround(Vec2(-9.0f, -1.0f), Vec2(9.0f, -1.0f));
  Hero& h = makeHero(Vec2(0.0f, 0.0f));
  ASSERT_TRUE(settle());
  EXPECT_NEAR(h.position().y, -1.0f + 0.5f, 0.15f);
  EXPECT_NEAR(h.bodyAngle(), 0.0f, 5.0f);
  EXPECT_EQ(h.health(), 100.0f);

  const float startX = h.position().x;
  for (int i = 0; i < 500; ++i) {
    h.keyRight(kDt);
    ASSERT_TRUE(playStep());
  }
  EXPECT_GT(h.position().x, startX + 1.0f);
  EXPECT_TRUE(h.facingRight());
  // The arm was set against the body angle of the step before.
  EXPECT_NEAR(h.armAngle() + h.bodyAngle(), -90.0f, 1.0f);
}

}  // namespace

namespace {

// The game's own hero skeleton from the built data folder, when it is there.
TEST_F(HeroWorld, BuiltHeroSkeletonStandsDrivesAndJumps) {
  const std::string data = std::string(OMBREL_BUILD_DIR) + "/";
  hero = Hero::create(Vec2(0.0f, 0.0f), data);
  if (!hero) GTEST_SKIP() << "no built hero skeleton in " << data;
  notifier.hero = hero.get();
  addGround(Vec2(-9.0f, -1.0f), Vec2(9.0f, -1.0f));
  ASSERT_TRUE(settle());
  EXPECT_NEAR(hero->bodyAngle(), 0.0f, 10.0f);

  const float startX = hero->position().x;
  for (int i = 0; i < 500; ++i) {
    hero->keyRight(kDt);
    ASSERT_TRUE(playStep());
  }
  EXPECT_GT(hero->position().x, startX + 1.0f);
  EXPECT_NEAR(hero->bodyAngle(), 0.0f, 30.0f);

  for (int i = 0; i < 2000 && !hero->onGround(); ++i) ASSERT_TRUE(playStep());
  ASSERT_TRUE(hero->onGround());
  const float groundY = hero->position().y;
  hero->jump();
  float highest = groundY;
  for (int i = 0; i < 500; ++i) {
    ASSERT_TRUE(playStep());
    highest = std::max(highest, hero->position().y);
  }
  EXPECT_GT(highest, groundY + 0.3f);
}

}  // namespace
