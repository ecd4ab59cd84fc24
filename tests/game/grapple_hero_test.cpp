// The hero's side of the rope: firing along the arm with its recoil, the shot
// interval, the arm hanging free, reeling with Up and Down, the swing drive,
// release and death; and the hero swinging on the rope as a pendulum.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "ferrox/contact_pair.h"
#include "ferrox/grid.h"
#include "ferrox/link.h"
#include "ferrox/settings.h"
#include "game/grapple.h"
#include "game/level.h"
#include "game/terrain.h"
#include "hero_fixture.h"
#include "ferrox/contact_record.h"
#include "kettar/simulated_clock.h"

namespace {

using herotest::HeroWorld;

constexpr float kDt = 0.002f;
constexpr double kPi = 3.14159265358979;

// As the game's notifier: every contact recorded in both bodies, none between
// the hero's body and its own arm or rope.
class RopeRowNotifier : public ferrox::CollisionNotifier {
 public:
  bool onContact(ferrox::ContactPair* pair) override {
    const ferrox::Skeleton* p = pair->first->a->owner;
    const ferrox::Skeleton* q = pair->second->a->owner;
    const ferrox::Skeleton* h = hero->body();
    auto own = [&](const ferrox::Skeleton* b) {
      return b == hero->armBody() || (b != nullptr && b == hero->grapple());
    };
    if ((p == h && own(q)) || (q == h && own(p))) return false;
    ferrox::recordContact(pair->first, pair->second);
    ferrox::recordContact(pair->second, pair->first);
    return true;
  }
  const Hero* hero = nullptr;
};

class HeroRope : public HeroWorld {
 protected:
  void SetUp() override {
    HeroWorld::SetUp();
    ferrox::notifier = &ropeRow_;
  }
  // The hero standing on the ground at y = -0.5, a ceiling `height` above.
  void standUnder(float height, bool builtHero = false) {
    addGround(Vec2(-9.0f, -0.55f), Vec2(9.0f, -0.55f));
    ceiling_ = std::make_unique<ferrox::Skeleton>(false);
    ceiling_->addQuark(ferrox::kFixed, Vec2(-9.0f, height), 0.0f, 0.0f);
    ceiling_->addQuark(ferrox::kFixed, Vec2(9.0f, height), 0.0f, 0.0f);
    ceiling_->addLink(ferrox::kFixed, 0, 1, 0.0f, 0.0f, 0.06f, 2.0f);
    if (builtHero) {
      hero = Hero::create(Vec2(0.0f, 0.0f), std::string(OMBREL_BUILD_DIR) + "/");
      if (!hero) GTEST_SKIP() << "no built hero skeleton";
    } else {
      makeHero(Vec2(0.0f, 0.0f));
    }
    ropeRow_.hero = hero.get();
    ASSERT_TRUE(settle());
  }
  // The shot interval from the hero's construction has passed.
  void waitForTheShotClock() { clock_.advance(Hero::kShotInterval + 0.001); }
  // Fires straight up and steps until the rope holds.
  void hookStraightUp() {
    waitForTheShotClock();
    // The arm is placed by the step after the key.
    hero->keyUp(false, kDt);
    playStep();
    hero->shoot();
    ASSERT_NE(hero->grapple(), nullptr);
    for (int i = 0; i < 400 && hero->grapple() && !hero->grapple()->hooked(); ++i) playStep();
    ASSERT_NE(hero->grapple(), nullptr);
    ASSERT_TRUE(hero->grapple()->hooked());
  }
  void TearDown() override {
    hero.reset();
    ceiling_.reset();
    delete Level::current;
    Level::current = nullptr;
    HeroWorld::TearDown();
  }
  Kettar::SimulatedClock clock_;
  RopeRowNotifier ropeRow_;
  std::unique_ptr<ferrox::Skeleton> ceiling_;
};

TEST_F(HeroRope, ShootFiresAlongTheArmWithARecoilAndReleases) {
  standUnder(4.0f);
  hero->shoot();
  EXPECT_EQ(hero->grapple(), nullptr) << "within 0.3 s of the hero's construction";
  waitForTheShotClock();
  hero->keyUpRight(false, kDt);
  playStep();
  const Vec2 before = hero->body()->meanVelocity();
  std::vector<Vec2> forces;
  for (const ferrox::Quark* q : hero->body()->quarks) forces.push_back(q->force);
  hero->shoot();
  Grapple* g = hero->grapple();
  ASSERT_NE(g, nullptr);
  const Vec2 d = g->direction();
  EXPECT_NEAR(d.length(), 1.0f, 1e-5);
  EXPECT_GT(d.x, 0.5f);
  EXPECT_GT(d.y, 0.5f);
  EXPECT_EQ(g->heroSideLink()->a, hero->armQuark());
  // The recoil: an acceleration of 900 along (centroid - quark 0) on every body quark.
  Vec2 away = hero->body()->centroid() - g->quarks[0]->position;
  away.setLength(1.0f);
  for (uint32_t i = 0; i < hero->body()->quarks.count; ++i) {
    const ferrox::Quark* q = hero->body()->quarks[i];
    const Vec2 f = q->force - forces[i];
    EXPECT_NEAR(f.dot(away), 900.0f * q->mass, 0.01f * 900.0f * q->mass) << i;
    EXPECT_NEAR(f.x * away.y - f.y * away.x, 0.0f, 0.01f) << i;
  }
  playStep();
  const Vec2 kick = hero->body()->meanVelocity() - before;
  EXPECT_LT(kick.x, -0.5f);
  // A shot with the rope out releases it whatever the clock says; the next
  // shot waits for the interval again.
  hero->shoot();
  EXPECT_EQ(hero->grapple(), nullptr);
  hero->shoot();
  EXPECT_EQ(hero->grapple(), nullptr) << "the interval runs from the last shot";
  EXPECT_EQ(hero->armQuark()->links.count, 1u) << "only the arm's own link is left";
}

TEST_F(HeroRope, ArmHangsFreeAndUpDownReel) {
  standUnder(3.0f);
  hookStraightUp();
  Grapple* g = hero->grapple();
  const uint32_t quarks = g->quarks.count;
  // The arm follows the rope, not the keys: Right would snap it to -90.
  for (int i = 0; i < 20; ++i) {
    hero->keyRight(kDt);
    playStep();
  }
  EXPECT_GT(hero->armAngle(), -45.0f);
  EXPECT_LT(hero->armAngle(), 45.0f);
  // Down lengthens (a split every 25 steps or so), Up shortens.
  for (int i = 0; i < 60; ++i) {
    hero->keyDown(false, kDt);
    playStep();
  }
  EXPECT_EQ(g->quarks.count, quarks + 2);
  for (int i = 0; i < 120; ++i) {
    hero->keyUp(false, kDt);
    playStep();
  }
  EXPECT_EQ(g->quarks.count, quarks - 2);
}

TEST_F(HeroRope, DrivingWhileHangingPushesTheSwing) {
  standUnder(3.0f);
  hookStraightUp();
  ground.reset();  // hanging from here on
  for (int i = 0; i < 100; ++i) playStep();
  ASSERT_FALSE(hero->onGround());
  const float x0 = hero->body()->meanVelocity().x;
  for (int i = 0; i < 25; ++i) {
    hero->keyRight(kDt);
    playStep();
  }
  // 5000 * dt = 10 units/s² along +x for 0.05 s, less what the rope takes back.
  EXPECT_GT(hero->body()->meanVelocity().x - x0, 0.25f);
}

// Hanging from a hooked rope, off the ground: driving pushes every body quark
// by amount × 5000 along x, and Down (reeling out) by 10 along (centroid −
// rope quark 0) as the rope stands after the reel; Up pushes nothing. Back on
// the ground while hooked, the drive is the ground's 12000.
TEST_F(HeroRope, HangingDriveAndReelOutPushAddTheirAccelerations) {
  standUnder(3.0f);
  hookStraightUp();
  ground.reset();
  for (int i = 0; i < 100; ++i) playStep();
  ASSERT_FALSE(hero->onGround());
  const Grapple* g = hero->grapple();
  auto awayFromRope = [&](float length) {
    Vec2 d = hero->body()->centroid() - g->quarks[0]->position;
    d.setLength(length);
    return d;
  };
  struct Row {
    const char* name;
    void (*keys)(Hero&);
    Vec2 drive;       // the drive's part
    float reelPush;   // the length of the push away from the rope
  } rows[] = {
      {"Right", [](Hero& h) { h.keyRight(kDt); }, Vec2(5000.0f * kDt, 0.0f), 0.0f},
      {"Left", [](Hero& h) { h.keyLeft(kDt); }, Vec2(-5000.0f * kDt, 0.0f), 0.0f},
      {"Down", [](Hero& h) { h.keyDown(false, kDt); }, Vec2(), 10.0f},
      {"Down, aiming freely", [](Hero& h) { h.keyDown(true, kDt); }, Vec2(), 10.0f},
      {"Up", [](Hero& h) { h.keyUp(false, kDt); }, Vec2(), 0.0f},
      {"Down and Left", [](Hero& h) { h.keyDownLeft(false, kDt); }, Vec2(-5000.0f * kDt, 0.0f),
       10.0f},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(g->hooked());
    const std::vector<Vec2> push = herotest::pushPerMass(*hero->body(), [&] { row.keys(*hero); });
    herotest::expectEvery(push, row.drive + awayFromRope(row.reelPush));
  }
  herotest::recordContact(*hero, ceiling_->links[0]);
  playStep();
  ASSERT_TRUE(hero->onGround());
  herotest::expectEvery(herotest::pushPerMass(*hero->body(), [&] { hero->drive(kDt); }),
                        Vec2(12000.0f * kDt, 0.0f));
}

TEST_F(HeroRope, DeathDetachesTheRopeWhichGoesOn) {
  // The ground is a terrain polygon whose top edge turns deadly once the rope holds.
  ASSERT_TRUE(Level::createNew(false, 20.0f, 20.0f));
  Level::addTerrainRectangle(Level::current, Vec2(0.0f, -1.55f), Vec2(18.0f, 2.0f));
  standUnder(3.0f);
  ground.reset();
  ASSERT_TRUE(settle());
  hookStraightUp();
  Grapple* g = hero->grapple();
  const uint32_t links = g->links.count;
  Level::current->terrain->setEdgeType(0, 2, 2);
  int steps = 0;
  while (playStep() && steps < 100) ++steps;
  ASSERT_LE(hero->health(), 0.0f);
  EXPECT_EQ(hero->grapple(), g) << "the rope stays";
  EXPECT_EQ(g->linkToRemove(), g->heroSideLink());
  playStep();
  EXPECT_EQ(g->links.count, links - 1);
  EXPECT_EQ(g->heroSideLink(), nullptr);
  EXPECT_EQ(hero->armQuark()->links.count, 1u);
  // It hangs on from the ceiling without the hero, stepped by the dead hero.
  const Vec2 tip = g->quarks[0]->position;
  for (int i = 0; i < 500; ++i) playStep();
  EXPECT_NE(g->quarks[0]->position, tip);
  EXPECT_EQ(hero->grapple(), g);
}

// The hero hanging from a ceiling swings like a pendulum of the length from
// the anchor to its centre of mass: 2π√(L/g). Both the small test body and
// the game's own hero skeleton (when built).
TEST_F(HeroRope, SwingsAsAPendulum) {
  for (const bool built : {false, true}) {
    SCOPED_TRACE(built ? "the built hero" : "the test hero");
    TearDown();
    SetUp();
    standUnder(3.0f, built);
    if (IsSkipped()) return;
    hookStraightUp();
    ground.reset();
    Grapple* g = hero->grapple();
    const Vec2 anchor = g->quarks[g->quarks.count - 1]->position;
    // Let it hang still, then give it a sideways push for a small swing.
    for (int i = 0; i < 1500; ++i) playStep();
    for (int i = 0; i < 40; ++i) {
      hero->keyRight(kDt);
      playStep();
    }
    std::vector<double> crossings;  // times x passes the anchor going right
    double prev = hero->position().x - anchor.x;
    double maxAngle = 0.0;
    double lengthSum = 0.0;
    int n = 0;
    for (int i = 0; i < 8000; ++i) {
      playStep();
      const Vec2 r = Vec2(hero->position().x, hero->position().y) - anchor;
      lengthSum += r.length();
      ++n;
      maxAngle = std::max(maxAngle, std::fabs(std::atan2(r.x, -r.y)) * 180.0 / kPi);
      const double x = r.x;
      if (prev < 0.0 && x >= 0.0) crossings.push_back((i + x / (x - prev)) * kDt);
      prev = x;
    }
    const double L = lengthSum / n;
    const double expected = 2.0 * kPi * std::sqrt(L / 9.81);
    ASSERT_GE(crossings.size(), 3u) << "L " << L << " max angle " << maxAngle;
    const double period = (crossings.back() - crossings.front()) / (crossings.size() - 1);
    RecordProperty(built ? "builtPeriod" : "period", std::to_string(period));
    RecordProperty(built ? "builtExpected" : "expected", std::to_string(expected));
    EXPECT_LE(maxAngle, 15.0);
    EXPECT_NEAR(period, expected, 0.1 * expected) << "L " << L << " max angle " << maxAngle;
  }
}

}  // namespace
