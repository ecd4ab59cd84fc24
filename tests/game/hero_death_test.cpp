// Building or refusing the hero, deadly edges, death and its pieces, and the
// contact record read while every link it names still exists.

#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "ferrox/grid.h"
#include "ferrox/link.h"
#include "ferrox/skeleton_cache.h"
#include "game/level.h"
#include "game/level_file.h"
#include "hero_fixture.h"
#include "kettar/callback_interface.h"
#include "kettar/particle_system.h"

namespace {

using herotest::DataRoot;
using herotest::HeroWorld;
using herotest::heroSkeleton;

constexpr float kDt = 0.002f;

TEST(HeroBuild, RefusedWithoutAHingeQuark) {
  struct Row {
    const char* name;
    int quarks;  // -1: no skeleton file; 0: a damaged one
    bool built;
  };
  const Row rows[] = {
      {"no skeleton file", -1, false},
      {"damaged skeleton file", 0, false},
      {"seven quarks: no quark 7", 7, false},
      {"eight quarks: quark 7 is the hinge", 8, true},
      {"the full body", 10, true},
  };
  ASSERT_TRUE(ferrox::createWorld(20, 20, 0.2f));
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    DataRoot root;
    if (row.quarks == 0) root.writeFile(Hero::kSkeletonPath, "not a skeleton");
    if (row.quarks > 0) root.writeHeroSkeleton(*heroSkeleton(static_cast<uint32_t>(row.quarks)));
    std::unique_ptr<Hero> hero = Hero::create(Vec2(1.0f, 2.0f), root.path());
    ASSERT_EQ(hero != nullptr, row.built);
    if (hero) {
      EXPECT_EQ(hero->body()->quarks.count, static_cast<uint32_t>(row.quarks));
      EXPECT_EQ(hero->hingeQuark(), hero->body()->quarks[Hero::kHingeQuark]);
      EXPECT_EQ(hero->armBody()->quarks.count, 1u);
      EXPECT_EQ(hero->health(), 100.0f);
      EXPECT_EQ(hero->armAngle(), -90.0f);
      EXPECT_TRUE(hero->facingRight());
      EXPECT_EQ(hero->position().x, 1.0f);
      EXPECT_EQ(hero->position().y, 2.0f);
      // The arm starts a quarter unit to the right of the hinge.
      const Vec2 arm = hero->armQuark()->position - hero->hingeQuark()->position;
      EXPECT_FLOAT_EQ(arm.x, Hero::kArmLength);
      EXPECT_FLOAT_EQ(arm.y, 0.0f);
      ferrox::clearContacts();
      hero->preStep();
      EXPECT_TRUE(hero->step(kDt));
    }
  }
  ferrox::destroyWorld();
  ferrox::SkeletonCache::clear();
}

// A level whose only polygon is a 10 x 2 block with its top at y = -1.
class HeroOnLevel : public HeroWorld {
 protected:
  void TearDown() override {
    hero.reset();
    delete Level::current;
    Level::current = nullptr;
    HeroWorld::TearDown();
  }

  void makeLevel(bool deadlyTop) {
    LevelFile::LevelRecord record;
    record.width = 20.0f;
    record.height = 20.0f;
    record.exitA = Vec2(8.0f, 8.0f);
    record.exitB = Vec2(9.0f, 8.0f);
    // Counter-clockwise: bottom, right side, top (edge 2), left side.
    LevelFile::PolygonRecord block = LevelFile::polygonFromOutline(
        {Vec2(-5.0f, -3.0f), Vec2(5.0f, -3.0f), Vec2(5.0f, -1.0f), Vec2(-5.0f, -1.0f)}, 1);
    if (deadlyTop) block.deadlyEdges.push_back(2);
    record.terrain.polygons.push_back(block);
    std::string why;
    ASSERT_TRUE(LevelFile::checkLevel(record, &why)) << why;
    Level::current = new Level(root.path() + "block.orl", record, false);
    ASSERT_TRUE(Level::current->valid);
  }
};

TEST_F(HeroOnLevel, ADeadlyEdgeKills) {
  makeLevel(true);
  Hero& h = makeHero(Vec2(0.0f, 0.0f));
  int deaths = 0;
  int steps = 0;
  for (; steps < 1000 && deaths == 0; ++steps) {
    if (!playStep()) ++deaths;
  }
  ASSERT_EQ(deaths, 1);
  EXPECT_EQ(h.health(), 0.0f);
  // The body left the grid; two bursts of 750 and 250 particles.
  for (const ferrox::Link* l : h.body()->links) EXPECT_EQ(l->inGrid, 0);
  ASSERT_EQ(Kettar::particleSystems.count, 2u);
  EXPECT_EQ(Kettar::particleSystems[0]->particleCount, 750u);
  EXPECT_EQ(Kettar::particleSystems[1]->particleCount, 250u);

  // The pieces start where the body was and fly off within their ranges.
  EXPECT_EQ(h.piece(Hero::kBodyPiece).position, h.centre());
  for (Hero::PieceIndex i : {Hero::kBodyPiece, Hero::kArmPiece, Hero::kWheelPiece}) {
    SCOPED_TRACE("piece " + std::to_string(i));
    const Hero::Piece& p = h.piece(i);
    EXPECT_GE(p.velocity.x, -8.0f);
    EXPECT_LE(p.velocity.x, 7.95f);
    EXPECT_GE(p.velocity.y, 5.0f);
    EXPECT_LE(p.velocity.y, 12.45f);
  }
  EXPECT_GE(h.piece(Hero::kBodyPiece).spin, 500.0f);
  EXPECT_LT(h.piece(Hero::kArmPiece).spin, -500.0f);
  EXPECT_GE(h.piece(Hero::kWheelPiece).spin, 1000.0f);

  // After death the steps succeed, the pieces fall at 20 units/s² and the
  // body stands still.
  const Hero::Piece before = h.piece(Hero::kWheelPiece);
  const Vec2 hinge = h.hingeQuark()->position;
  ASSERT_TRUE(playStep());
  const Hero::Piece after = h.piece(Hero::kWheelPiece);
  EXPECT_FLOAT_EQ(after.velocity.y, before.velocity.y - 20.0f * kDt);
  EXPECT_FLOAT_EQ(after.velocity.x, before.velocity.x);
  EXPECT_FLOAT_EQ(after.position.y, before.position.y + after.velocity.y * kDt);
  EXPECT_FLOAT_EQ(after.angle, before.angle + before.spin * kDt);
  EXPECT_EQ(h.hingeQuark()->position, hinge);
  for (int i = 0; i < 100; ++i) ASSERT_TRUE(playStep());
  EXPECT_EQ(Kettar::particleSystems.count, 2u);

  // A dead hero takes no keys and does not jump.
  uint8_t keys[Kettar::kKeyCount] = {};
  keys[SDLK_LEFT] = keys[SDLK_UP] = 1;
  const float arm = h.armAngle();
  const float spin = h.wheelSpin();
  h.holdKeys(keys, kDt);
  h.jump();
  EXPECT_EQ(h.armAngle(), arm);
  EXPECT_EQ(h.wheelSpin(), spin);
}

TEST_F(HeroOnLevel, AnOrdinaryEdgeIsGround) {
  makeLevel(false);
  Hero& h = makeHero(Vec2(0.0f, 0.0f));
  for (int i = 0; i < 1000; ++i) ASSERT_TRUE(playStep());
  EXPECT_EQ(h.health(), 100.0f);
  EXPECT_TRUE(h.onGround());
  EXPECT_EQ(Kettar::particleSystems.count, 0u);
}

// The level's update (between the hero's pre-step and step) may delete a
// body whose link the hero's contact record names. The hero has taken what
// it needs from the record before that, so nothing reads the freed link
// (AddressSanitizer reports it otherwise).
TEST_F(HeroWorld, ContactWithABodyDeletedBeforeTheStep) {
  auto plank = std::make_unique<ferrox::Skeleton>(false);
  plank->addQuark(ferrox::kFixed, Vec2(-5.0f, -1.0f), 0.0f, 0.0f);
  plank->addQuark(ferrox::kFixed, Vec2(5.0f, -1.0f), 0.0f, 0.0f);
  plank->addLink(ferrox::kStiff, 0, 1, 0.0f, 0.0f, 0.06f, 1.0f);
  Hero& h = makeHero(Vec2(0.0f, 0.0f));
  ASSERT_TRUE(settle());
  ASSERT_NE(h.body()->lastOtherLink, nullptr);
  ASSERT_EQ(h.body()->lastOtherLink->a->owner, plank.get());

  ferrox::clearContacts();
  h.preStep();
  EXPECT_EQ(h.body()->lastOwnLink, nullptr);
  EXPECT_EQ(h.body()->lastOtherLink, nullptr);
  plank.reset();
  EXPECT_TRUE(h.step(kDt));
  EXPECT_TRUE(h.onGround());
  EXPECT_EQ(h.groundLevel(), 1.0f);
  ferrox::resolveContacts();

  // With the plank gone the hero falls and leaves the ground.
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(playStep());
  EXPECT_FALSE(h.onGround());
}

}  // namespace
