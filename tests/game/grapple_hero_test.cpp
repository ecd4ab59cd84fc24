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
    ferrox::gravity = savedGravity_;
    ferrox::dampingScale = savedDamping_;
    HeroWorld::TearDown();
  }
  Vec2 savedGravity_ = ferrox::gravity;
  float savedDamping_ = ferrox::dampingScale;
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

// With the rope out, the hero's step steps the arm body and nothing else: the
// arm's stiff rod moves the hinge and the arm quark, both stiff quarks, by
// shares that leave their momentum as it was. So with no gravity, no damping
// and nothing to touch, the body, the arm and a flying rope keep their
// momentum through every step in which the rope grows no segment (a new
// segment brings the throw velocity with it), while the rope's pull turns the
// body's own momentum.
TEST_F(HeroRope, TheHangingArmPassesMomentumWithoutMakingAny) {
  ferrox::gravity = Vec2(0.0f, 0.0f);
  ferrox::dampingScale = 0.0f;
  makeHero(Vec2(0.0f, 0.0f));
  ropeRow_.hero = hero.get();
  waitForTheShotClock();
  hero->keyUpRight(false, kDt);
  playStep();
  hero->shoot();
  Grapple* g = hero->grapple();
  ASSERT_NE(g, nullptr);
  playStep();  // the recoil
  auto momentum = [&] {
    Vec2 p = hero->armQuark()->velocity() * hero->armQuark()->mass;
    for (const ferrox::Skeleton* b : {static_cast<const ferrox::Skeleton*>(hero->body()),
                                      static_cast<const ferrox::Skeleton*>(g)}) {
      for (const ferrox::Quark* q : b->quarks) p += q->velocity() * q->mass;
    }
    return p;
  };
  auto bodyMomentum = [&] {
    Vec2 p;
    for (const ferrox::Quark* q : hero->body()->quarks) p += q->velocity() * q->mass;
    return p;
  };
  int checked = 0;
  float turned = 0.0f;
  for (int i = 0; i < 60 && hero->grapple() == g && !g->hooked(); ++i) {
    const uint32_t quarks = g->quarks.count;
    const Vec2 before = momentum();
    const Vec2 bodyBefore = bodyMomentum();
    playStep();
    if (hero->grapple() != g || g->quarks.count != quarks) continue;
    const Vec2 change = momentum() - before;
    EXPECT_LT(change.length(), 1e-4f) << "step " << i;
    turned = std::max(turned, (bodyMomentum() - bodyBefore).length());
    ++checked;
  }
  EXPECT_GT(checked, 20);
  EXPECT_GT(turned, 1e-3f) << "the rope pulled on the body";
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

// The angle of v from straight down, counter-clockwise positive.
double angleFromDown(Vec2 v) { return std::atan2(v.x, -v.y); }

// The hero hanging from a ceiling swings as a pendulum, but not as a point
// mass at its centre of mass would: the built hero, whose centre of mass hangs
// L = 3.151 below the anchor, swings in 3.243 s, not in 2π√(L/g) = 3.561 s.
//
// Its mass hangs from the hinge, and the body turns only a little with the
// rope. Linearised, with θ the rope's angle (anchor to hinge, length l), φ the
// body's tilt (hinge to centre of mass, length h), M the body's mass and m_i,
// ρ_i the rope's and the arm's quarks and their distances from the anchor:
//   (Σ m_i ρ_i² + M l²) θ'' + M l h φ'' + g (Σ m_i ρ_i + M l) θ = 0.
// A body hanging along the rope (φ = θ) swings with L = l + h; one that keeps
// its orientation (φ = 0) with l alone. The hero's soft links damp the whole
// relative velocity of their ends, across the link too, so they hold back any
// turn of the body (a rigid turn at rate w meets a damping torque of
// Σ stiffness × length² × w, about 19 w for the built hero, whose moment of
// inertia is 0.39): the tilt lags behind the rope, and only its part in phase
// with θ, the fraction r, acts on the swing:
//   T = 2π √((Σ m_i ρ_i² + M l (l + r h)) / (g (Σ m_i ρ_i + M l))).
// The built hero: l 2.566, h 0.585, r 0.156, M 2, and the rope's 12 quarks and
// the arm's (0.17 in all) give Σ m_i ρ_i 0.243 and Σ m_i ρ_i² 0.450, so
// T = 3.248 s; with r = 0 it would be 3.193 s. A body free to turn would
// follow the rope (r about 1.1, the swing mode of the two-body pendulum) and
// swing in about 3.6 s. The period is checked within 1%: a swing of up to 15
// degrees is at most 0.4% longer than the linear one, and l, h, r and the
// rope's quarks are means over a swing in which the rope stretches and the
// soft body wobbles. Both the small test body and the game's own hero
// skeleton (when built).
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
    double bodyMass = 0.0;
    for (const ferrox::Quark* q : hero->body()->quarks) bodyMass += q->mass;
    std::vector<ferrox::Quark*> carried = {hero->armQuark()};
    for (ferrox::Quark* q : g->quarks) {
      if (q->kind() != ferrox::kFixed) carried.push_back(q);
    }
    std::vector<double> crossings;  // times x passes the anchor going right
    std::vector<double> rope, tilt;
    double prev = hero->position().x - anchor.x;
    double maxAngle = 0.0, l = 0.0, h = 0.0, moment = 0.0, inertia = 0.0;
    const int steps = 8000;
    for (int i = 0; i < steps; ++i) {
      playStep();
      const Vec2 centre(hero->position().x, hero->position().y);
      const Vec2 hinge = hero->hingeQuark()->position;
      l += (hinge - anchor).length() / steps;
      h += (centre - hinge).length() / steps;
      for (const ferrox::Quark* q : carried) {
        const double rho = (q->position - anchor).length();
        moment += q->mass * rho / steps;
        inertia += q->mass * rho * rho / steps;
      }
      rope.push_back(angleFromDown(hinge - anchor));
      tilt.push_back(angleFromDown(centre - hinge));
      maxAngle = std::max(maxAngle, std::fabs(angleFromDown(centre - anchor)) * 180.0 / kPi);
      const double x = centre.x - anchor.x;
      if (prev < 0.0 && x >= 0.0) crossings.push_back((i + x / (x - prev)) * kDt);
      prev = x;
    }
    // r: the tilt's part in phase with the rope's angle, by least squares
    // about their means.
    double ropeMean = 0.0, tiltMean = 0.0;
    for (int i = 0; i < steps; ++i) {
      ropeMean += rope[i] / steps;
      tiltMean += tilt[i] / steps;
    }
    double together = 0.0, alone = 0.0;
    for (int i = 0; i < steps; ++i) {
      together += (rope[i] - ropeMean) * (tilt[i] - tiltMean);
      alone += (rope[i] - ropeMean) * (rope[i] - ropeMean);
    }
    const double r = together / alone;
    const double length = (inertia + bodyMass * l * (l + r * h)) / (moment + bodyMass * l);
    const double expected = 2.0 * kPi * std::sqrt(length / 9.81);
    ASSERT_GE(crossings.size(), 3u) << "max angle " << maxAngle;
    const double period = (crossings.back() - crossings.front()) / (crossings.size() - 1);
    RecordProperty(built ? "builtPeriod" : "period", std::to_string(period));
    RecordProperty(built ? "builtExpected" : "expected", std::to_string(expected));
    RecordProperty(built ? "builtTiltFraction" : "tiltFraction", std::to_string(r));
    EXPECT_LE(maxAngle, 15.0);
    EXPECT_LT(r, 0.5) << "the body turns with the rope as if nothing held it back";
    EXPECT_NEAR(period, expected, 0.01 * expected)
        << "l " << l << " h " << h << " r " << r << " max angle " << maxAngle;
  }
}

}  // namespace
