// The rope in the game application, without a window: the notifier's rope
// row and the fire key with its shot interval, on the built first tutorial.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "ferrox/contact_pair.h"
#include "ferrox/grid.h"
#include "ferrox/link.h"
#include "game/grapple.h"
#include "game/hero.h"
#include "game/laser.h"
#include "game/level.h"
#include "game/ombrel.h"
#include "game/screen_test_support.h"
#include "game/terrain.h"
#include "game/terrain_polygon.h"
#include "game/version.h"
#include "kettar/simulated_clock.h"

namespace {

const std::string kBuildRoot = std::string(OMBREL_BUILD_DIR) + "/";
constexpr float kDt = 1.0f / 500.0f;

class GrappleGame : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!std::filesystem::exists(kBuildRoot + "data/levels/tutorial/01-move.orl")) {
      GTEST_SKIP() << "no built levels under " << kBuildRoot;
    }
    game.dataRoot = kBuildRoot;
    game.forceConfig();
    game.sceneCamera = Ombrel::makeCamera();
    game.loadLevel("tutorial/01-move.orl");
    ASSERT_EQ(game.screen, Ombrel::Screen::kPlay);
    ASSERT_NE(game.hero, nullptr);
  }
  void TearDown() override { game.leaveLevel(); }

  void step() {
    game.step(keys, &mouse, kDt);
    clock.advance(kDt);
  }
  void fireKey() { screen_test::tap(game, keys, Ombrel::kKeyX); }

  Kettar::SimulatedClock clock;
  Ombrel game{kGameTitle};
  uint8_t keys[Kettar::kKeyCount] = {};
  Kettar::MouseState mouse{};
};

TEST_F(GrappleGame, FireKeyWaitsForTheShotIntervalAndAlwaysReleases) {
  for (int i = 0; i < 100; ++i) step();  // 0.2 s since the hero was built
  fireKey();
  EXPECT_EQ(game.hero->grapple(), nullptr) << "within 0.3 s of the hero's construction";
  for (int i = 0; i < 60; ++i) step();
  fireKey();
  ASSERT_NE(game.hero->grapple(), nullptr);
  step();
  fireKey();
  EXPECT_EQ(game.hero->grapple(), nullptr) << "a rope out is let go at once";
  fireKey();
  EXPECT_EQ(game.hero->grapple(), nullptr) << "0.3 s from the last shot";
  for (int i = 0; i < 140; ++i) step();
  fireKey();
  EXPECT_EQ(game.hero->grapple(), nullptr) << "0.284 s from the last shot";
  for (int i = 0; i < 10; ++i) step();
  fireKey();
  EXPECT_NE(game.hero->grapple(), nullptr);
}

TEST_F(GrappleGame, NotifierRopeRow) {
  for (int i = 0; i < 200; ++i) step();
  fireKey();
  Grapple* rope = game.hero->grapple();
  ASSERT_NE(rope, nullptr);
  for (int i = 0; i < 10 && game.hero->grapple() != nullptr; ++i) step();
  ASSERT_EQ(game.hero->grapple(), rope);
  ASSERT_GE(rope->links.count, 2u);
  ferrox::Link* hero = game.hero->body()->links[0];
  ferrox::Link* ropeLink = rope->links[1];       // its first quark is the rope's
  ferrox::Link* heroSide = rope->heroSideLink();  // its first quark is the arm's
  ferrox::Link* terrain = Level::current->terrain->polygons[0]->body.links[0];
  Level::current->addLaser(Vec2(3.0f, 2.0f), Vec2(1.0f, 0.0f));
  ferrox::Skeleton* laserBody = Level::current->lasers[Level::current->lasers.count - 1]->body();
  ferrox::Link* laser = laserBody->links[0];
  const struct {
    const char* name;
    ferrox::Link* a;
    ferrox::Link* b;
    bool resolved;
    bool recorded;
  } cases[] = {
      {"hero, rope", hero, ropeLink, false, false},
      {"rope, hero", ropeLink, hero, false, false},
      {"hero, hero-side link", hero, heroSide, false, false},
      {"hero-side link, hero", heroSide, hero, false, false},
      {"rope, terrain", ropeLink, terrain, true, true},
      {"terrain, rope", terrain, ropeLink, true, true},
      {"laser, rope", laser, ropeLink, false, true},
      {"rope, laser", ropeLink, laser, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (ferrox::Skeleton* s : {game.hero->body(), game.hero->armBody(), static_cast<ferrox::Skeleton*>(rope),
                                laserBody, &Level::current->terrain->polygons[0]->body}) {
      s->lastOwnLink = nullptr;
      s->lastOtherLink = nullptr;
    }
    ferrox::ContactPair pair{c.a, c.b};
    EXPECT_EQ(game.notifier->onContact(&pair), c.resolved);
    ferrox::Skeleton* p = c.a->a->owner;
    ferrox::Skeleton* q = c.b->a->owner;
    EXPECT_EQ(p->lastOwnLink, c.recorded ? c.a : nullptr);
    EXPECT_EQ(q->lastOwnLink, c.recorded ? c.b : nullptr);
  }
}

}  // namespace
