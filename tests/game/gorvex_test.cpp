// Turrets: the volley timing on the clock seam, the firing direction from the
// barrel tip, the laser sound's angle, the editor setters and the records.
#include "game/gorvex.h"

#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <vector>

#include "game/laser.h"
#include "game/sprite.h"
#include "kettar/byte_buffer.h"
#include "kettar/mixer.h"
#include "mix_position_probe.h"
#include "objects_fixture.h"

namespace {

using objectstest::ObjectsWorld;
using objectstest::openLevel;

TEST(GorvexDirection, FromRotationAndFlip) {
  struct Row {
    const char* name;
    float rotation;
    bool flip;
    Vec2 direction;
  } rows[] = {
      {"plain", 0.0f, false, Vec2(1.0f, 0.0f)},
      {"flipped", 0.0f, true, Vec2(-1.0f, 0.0f)},
      {"rotated 90", 90.0f, false, Vec2(0.0f, 1.0f)},
      {"rotated 90 and flipped", 90.0f, true, Vec2(0.0f, -1.0f)},
      {"rotated -90", -90.0f, false, Vec2(0.0f, -1.0f)},
      {"rotated 180", 180.0f, false, Vec2(-1.0f, 0.0f)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Vec2 d = Gorvex::fireDirection(row.rotation, row.flip);
    EXPECT_NEAR(d.x, row.direction.x, 1e-6f);
    EXPECT_NEAR(d.y, row.direction.y, 1e-6f);
  }
}

TEST(GorvexSound, AngleFromTheHerosOffset) {
  const Vec2 turret(2.0f, -1.0f);
  struct Row {
    const char* name;
    Vec2 offset;
    float angle;
  } rows[] = {
      {"right and a little above", Vec2(5.0f, 0.5f), 300.0f},
      {"left and a little above", Vec2(-5.0f, 0.5f), 60.0f},
      {"three above, right", Vec2(4.0f, 3.0f), 0.0f},
      {"three above, left", Vec2(-4.0f, 3.0f), 0.0f},
      {"three below, right", Vec2(3.0f, -3.0f), 180.0f},
      {"three below, left", Vec2(-3.0f, -3.0f), 180.0f},
      {"level, right", Vec2(5.0f, 0.0f), 270.0f},
      {"straight above", Vec2(0.0f, 0.5f), 0.0f},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_NEAR(Gorvex::soundAngle(turret + row.offset, turret), row.angle, 1e-3f);
  }
  const float nan = std::numeric_limits<float>::quiet_NaN();
  EXPECT_EQ(Gorvex::soundAngle(Vec2(nan, nan), turret), 0.0f);
}

TEST(GorvexRecord, WritesTwentyOneBytes) {
  LevelFile::TurretRecord r;
  r.position = Vec2(1.0f, -2.0f);
  r.rotation = 90.0f;
  r.interval = 1.5f;
  r.phase = 50.0f;
  r.flip = 1;
  Gorvex g(r, "/nonexistent/");
  Kettar::ByteBuffer b;
  g.write(b);
  const std::vector<uint8_t> golden = {
      0x00, 0x00, 0x80, 0x3F,  // x 1
      0x00, 0x00, 0x00, 0xC0,  // y -2
      0x00, 0x00, 0xB4, 0x42,  // rotation 90
      0x00, 0x00, 0xC0, 0x3F,  // interval 1.5
      0x00, 0x00, 0x48, 0x42,  // phase 50
      0x01,                    // flip
  };
  ASSERT_EQ(b.size(), 21u);
  EXPECT_EQ(std::vector<uint8_t>(b.data(), b.data() + b.size()), golden);
}

class GorvexWorld : public ObjectsWorld {
 protected:
  // Steps until the level holds `count` lasers; the simulated time of each new one.
  std::vector<double> laserTimes(Level& level, uint32_t count, int maxSteps = 5000) {
    std::vector<double> times;
    uint32_t seen = level.lasers.count;
    for (int i = 0; i < maxSteps && times.size() < count; ++i) {
      const double t = i * static_cast<double>(kStep);
      playStep();
      if (level.lasers.count > seen) times.push_back(t);
      seen = level.lasers.count;
    }
    return times;
  }
};

TEST_F(GorvexWorld, VolleysFollowIntervalAndPhaseOnTheClock) {
  struct Row {
    const char* name;
    float phase;
    double first;
  } rows[] = {{"phase 100", 100.0f, 1.25}, {"phase 50", 50.0f, 0.75}, {"phase 0", 0.0f, 0.25}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    LevelFile::LevelRecord r = openLevel();
    LevelFile::TurretRecord t;
    t.position = Vec2(-10.0f, 0.0f);
    t.interval = 1.0f;
    t.phase = row.phase;
    r.turrets = {t};
    Level& level = makeLevel(r);
    const std::vector<double> times = laserTimes(level, 3);
    ASSERT_EQ(times.size(), 3u);
    EXPECT_NEAR(times[0], row.first, 0.01);
    EXPECT_NEAR(times[1] - times[0], 1.4, 0.01);
    EXPECT_NEAR(times[2] - times[1], 1.4, 0.01);
  }
}

TEST_F(GorvexWorld, TheStopwatchRunsWhileTheLevelStandsStill) {
  LevelFile::LevelRecord r = openLevel();
  LevelFile::TurretRecord t;
  t.position = Vec2(-10.0f, 0.0f);
  t.interval = 1.0f;
  t.phase = 100.0f;
  r.turrets = {t};
  Level& level = makeLevel(r);
  const Gorvex& g = *level.gorvexes[0];
  playStep();
  EXPECT_FALSE(g.shooting());
  // A pause screen: no steps, but the wall clock goes on.
  clock.advance(3.0);
  playStep();
  EXPECT_TRUE(g.shooting());
  const std::vector<double> times = laserTimes(level, 1, 200);
  ASSERT_EQ(times.size(), 1u);
  EXPECT_NEAR(times[0], 0.25, 0.01);
}

// The flip is the level file's byte: any nonzero one mirrors, and the byte is kept.
TEST_F(GorvexWorld, FiresFromTheBarrelTipAlongItsDirection) {
  struct Row {
    const char* name;
    float rotation;
    uint8_t flip;
  } rows[] = {{"plain", 0.0f, 0}, {"flipped", 0.0f, 1}, {"rotated 90", 90.0f, 0},
              {"rotated 90 and flipped", 90.0f, 1}, {"flipped by byte 2", 0.0f, 2}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    LevelFile::LevelRecord r = openLevel();
    LevelFile::TurretRecord t;
    t.position = Vec2(1.0f, 2.0f);
    t.rotation = row.rotation;
    t.interval = 1.0f;
    t.phase = 100.0f;
    t.flip = row.flip;
    r.turrets = {t};
    Level& level = makeLevel(r);
    Gorvex& g = *level.gorvexes[0];
    ASSERT_GT(g.body()->quarks.count, Gorvex::kBarrelTip);
    const Vec2 d = Gorvex::fireDirection(row.rotation, row.flip != 0);
    const Vec2 tip = g.body()->quarks[Gorvex::kBarrelTip]->position;
    // The tip is the turret's outermost point along its firing direction.
    EXPECT_GT((tip - t.position).dot(d), 0.5f);
    // Asking for the mirror image it already shows changes nothing.
    g.setFlip(row.flip != 0);
    EXPECT_EQ(g.body()->quarks[Gorvex::kBarrelTip]->position, tip);
    EXPECT_EQ(g.record().flip, row.flip);
    g.fire();
    ASSERT_EQ(level.lasers.count, 1u);
    const Laser& l = *level.lasers[0];
    EXPECT_NEAR(l.direction().x, d.x, 1e-6f);
    EXPECT_NEAR(l.direction().y, d.y, 1e-6f);
    EXPECT_NEAR((l.position() - (tip + d * 0.2f)).length(), 0.0f, 1e-5f);
    EXPECT_EQ(l.tail()->position, l.position());
  }
}

TEST_F(GorvexWorld, EditorTurretsTakeTheLastRotationAndFlip) {
  makeLevel(openLevel());
  Gorvex g(Vec2(0.0f, 0.0f), root);
  EXPECT_EQ(g.interval(), 1.0f);
  EXPECT_EQ(g.phase(), 100.0f);
  const Vec2 tip0 = g.body()->quarks[Gorvex::kBarrelTip]->position;
  g.setRotation(90.0f);
  g.setFlip(true);
  EXPECT_EQ(Gorvex::defaultRotation, 90.0f);
  EXPECT_EQ(Gorvex::defaultFlip, 1);
  // Turned a quarter and mirrored across its firing line: the tip now points down.
  const Vec2 tip = g.body()->quarks[Gorvex::kBarrelTip]->position;
  EXPECT_NEAR(tip.x, 0.0f, 1e-4f);
  EXPECT_NEAR(tip.y, -tip0.x, 1e-4f);
  Gorvex next(Vec2(3.0f, 0.0f), root);
  EXPECT_EQ(next.rotation(), 90.0f);
  EXPECT_TRUE(next.flipped());
  const Vec2 nextTip = next.body()->quarks[Gorvex::kBarrelTip]->position - Vec2(3.0f, 0.0f);
  EXPECT_NEAR((nextTip - tip).length(), 0.0f, 1e-4f);
  Gorvex::defaultRotation = 0.0f;
  Gorvex::defaultFlip = 0;
}

// The idle strip starts on a random frame, the shoot strip on frame 0 without
// a draw of its own: building a turret takes exactly one number from rand(),
// which keeps the level replays' random sequence.
TEST_F(GorvexWorld, TheShootStripHas16FramesAt40AndNoRandomStart) {
  Level& level = makeLevel(openLevel());
  std::srand(41);
  const int first = std::rand();
  const int second = std::rand();
  std::srand(41);
  const LevelFile::TurretRecord phase0{Vec2(-10.0f, 0.0f), 0.0f, 1.0f, 0.0f, 0};
  level.gorvexes.pushBack(new Gorvex(phase0, root));
  EXPECT_EQ(std::rand(), second);
  const Gorvex& g = *level.gorvexes[0];
  const Sprite* idle = g.currentSprite();
  EXPECT_EQ(idle->currentFrame(), first % 16);
  EXPECT_EQ(idle->frameCount(), 16);
  EXPECT_EQ(idle->fps(), 12);
  for (int i = 0; i < 10 && !g.shooting(); ++i) playStep();
  ASSERT_TRUE(g.shooting());
  const Sprite* shoot = g.currentSprite();
  EXPECT_NE(shoot, idle);
  EXPECT_EQ(shoot->frameCount(), 16);
  EXPECT_EQ(shoot->fps(), 40);
  EXPECT_EQ(shoot->currentFrame(), 0);
}

TEST_F(GorvexWorld, WithoutABarrelTipNothingIsFired) {
  makeLevel(openLevel());
  LevelFile::TurretRecord t;
  t.interval = 0.1f;
  Gorvex g(t, "/nonexistent/");
  EXPECT_EQ(g.body()->quarks.count, 0u);
  for (int i = 0; i < 500; ++i) {
    EXPECT_TRUE(g.update());
    clock.advance(kStep);
  }
  EXPECT_EQ(Level::current->lasers.count, 0u);
}

class GorvexMixer : public GorvexWorld {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(mixer_.start());
    // Handles of an earlier mixer of this process name nothing here.
    Gorvex::laserSound = -1;
    GorvexWorld::SetUp();
  }
  void TearDown() override {
    GorvexWorld::TearDown();
    Gorvex::laserSound = -1;
    mixer_.stop();
  }
  objectstest::DummyMixer mixer_;
};

TEST_F(GorvexMixer, EachLaserSoundsOnceTheHeroIsKnown) {
  LevelFile::LevelRecord r = openLevel();
  LevelFile::TurretRecord t;
  t.position = Vec2(-10.0f, 5.0f);
  t.interval = 1.0f;
  r.turrets = {t, t};
  Level& level = makeLevel(r);
  ASSERT_NE(Gorvex::laserSound, -1) << "the first turret set-up loads the laser sound";
  Gorvex& g = *level.gorvexes[0];
  // Before the level knows the hero, a laser leaves without a sound.
  g.fire();
  EXPECT_EQ(level.lasers.count, 1u);
  EXPECT_EQ(Mix_Playing(-1), 0);
  // Built without the mixer: the heroes' sounds are the process's, and stay
  // out of this test's mixer.
  Kettar::mixer = nullptr;
  makeHero(Vec2(0.0f, 0.0f));
  Kettar::mixer = mixer_.get();
  g.fire();
  EXPECT_EQ(level.lasers.count, 2u);
  EXPECT_EQ(Mix_Playing(-1), 1);
}

// The sound is placed by the hero's distance from the turret's placement
// point, between near 0 and far 17.5: distance setting trunc(d / 17.5 × 255),
// 255 beyond far, 1 at 0.
TEST_F(GorvexMixer, TheLaserSoundIsPlacedByTheHerosDistance) {
  LevelFile::LevelRecord r = openLevel(60.0f, 20.0f);
  const Vec2 turret(3.0f, -2.0f);
  LevelFile::TurretRecord t;
  t.position = turret;
  t.interval = 1.0f;
  r.turrets = {t};
  Level& level = makeLevel(r);
  struct Row {
    const char* name;
    Vec2 offset;
    int16_t angle;
    uint8_t distance;
  } rows[] = {
      {"5 away, half a unit above, right", Vec2(std::sqrt(24.75f), 0.5f), 300, 72},
      {"1.75 straight below", Vec2(0.0f, -1.75f), 0, 25},
      {"20 to the left, beyond far", Vec2(-20.0f, 0.0f), 90, 255},
      {"at the turret", Vec2(0.0f, 0.0f), 0, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Kettar::mixer = nullptr;
    makeHero(turret + row.offset);
    Kettar::mixer = mixer_.get();
    ASSERT_EQ(hero->position(), Vec3(turret.x + row.offset.x, turret.y + row.offset.y, 0.0f));
    mix_probe::clearPlacements();
    level.gorvexes[0]->fire();
    ASSERT_EQ(mix_probe::placements().size(), 1u);
    const mix_probe::Placement& p = mix_probe::placements()[0];
    EXPECT_EQ(Mix_Playing(p.channel), 1);
    EXPECT_EQ(p.angle, row.angle);
    EXPECT_EQ(p.distance, row.distance);
    Mix_HaltChannel(-1);
  }
}

}  // namespace
