// Crawling enemies: the steering table, the pull on a real body, the kill with
// its burst and sound, and what they do to the hero through real contacts.
#include "game/enemy.h"

#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "ferrox/settings.h"
#include "kettar/byte_buffer.h"
#include "kettar/particle_system.h"
#include "objects_fixture.h"

namespace {

using objectstest::ObjectsWorld;
using objectstest::openLevel;

TEST(EnemySteering, AccelerationByKindAndDistance) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  struct Row {
    const char* name;
    uint32_t kind;
    float distance;
    float acceleration;
  } rows[] = {
      {"kind 0 at 3", 0, 3.0f, 16.0f},
      {"kind 0 just outside the nearest", 0, 0.26f, 16.0f},
      {"kind 0 at the nearest", 0, 0.25f, 0.0f},
      {"kind 0 at its range", 0, 4.0f, 0.0f},
      {"kind 0 at 5", 0, 5.0f, 0.0f},
      {"kind 1 at 3.9", 1, 3.9f, 16.0f},
      {"kind 2 at 5", 2, 5.0f, 20.0f},
      {"kind 2 at its range", 2, 6.0f, 0.0f},
      {"kind 2 at 0.3", 2, 0.3f, 20.0f},
      {"no distance", 0, nan, 0.0f},
      {"kind past the tables", 3, 1.0f, 0.0f},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Enemy::steering(row.kind, row.distance), row.acceleration);
  }
}

TEST(EnemyRecord, WritesTwelveBytes) {
  Enemy e(2, Vec2(1.5f, -2.0f), "/nonexistent/");
  Kettar::ByteBuffer b;
  e.write(b);
  // kind 2, x 1.5, y -2
  const std::vector<uint8_t> golden = {0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x3F,
                                       0x00, 0x00, 0x00, 0xC0};
  ASSERT_EQ(b.size(), 12u);
  EXPECT_EQ(std::vector<uint8_t>(b.data(), b.data() + b.size()), golden);
}

class EnemyWorld : public ObjectsWorld {};

TEST_F(EnemyWorld, PullsEveryQuarkAlikeAndWakesTheBody) {
  ferrox::gravity = Vec2(0.0f, 0.0f);
  LevelFile::LevelRecord r = openLevel();
  r.enemies = {{0, Vec2(3.0f, 0.0f)}, {2, Vec2(-5.0f, 0.0f)}, {0, Vec2(0.0f, 5.0f)}};
  Level& level = makeLevel(r);
  makeHero(Vec2(0.0f, 0.0f));
  struct Row {
    const char* name;
    uint32_t slot;
    float acceleration;
  } rows[] = {{"kind 0 at 3", 0, 16.0f}, {"kind 2 at 5", 1, 20.0f}, {"kind 0 at 5", 2, 0.0f}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Enemy& e = *level.enemies[row.slot];
    ASSERT_GE(e.body()->quarks.count, 4u);
    for (ferrox::Quark* q : e.body()->quarks) q->asleep = 1;
    const Vec3 h = hero->position();
    Vec2 toward = Vec2(h.x, h.y) - e.body()->centroid();
    toward.setLength(1.0f);
    std::vector<Vec2> before;
    for (const ferrox::Quark* q : e.body()->quarks) before.push_back(q->velocity());
    ASSERT_TRUE(e.update(kStep));
    for (uint32_t i = 0; i < e.body()->quarks.count; ++i) {
      const ferrox::Quark* q = e.body()->quarks[i];
      const Vec2 dv = q->velocity() - before[i];
      // The force is the acceleration times each quark's mass.
      EXPECT_NEAR(dv.dot(toward), row.acceleration * kStep, 0.02f * row.acceleration * kStep + 1e-6f);
      if (row.acceleration > 0.0f) {
        EXPECT_EQ(q->asleep, 0);
      }
    }
  }
}

TEST_F(EnemyWorld, NoTargetNoPull) {
  ferrox::gravity = Vec2(0.0f, 0.0f);
  LevelFile::LevelRecord r = openLevel();
  r.enemies = {{1, Vec2(1.0f, 0.0f)}};
  Level& level = makeLevel(r);
  const Vec2 c = level.enemies[0]->body()->centroid();
  for (int i = 0; i < 100; ++i) playStep();
  EXPECT_NEAR((level.enemies[0]->body()->centroid() - c).length(), 0.0f, 1e-4f);
}

class EnemySound : public EnemyWorld {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(mixer_.start());
    // Handles of an earlier mixer of this process name nothing here.
    Enemy::brainDeathSound = -1;
    EnemyWorld::SetUp();
  }
  void TearDown() override {
    EnemyWorld::TearDown();
    Enemy::brainDeathSound = -1;
    mixer_.stop();
  }
  objectstest::DummyMixer mixer_;
};

TEST_F(EnemySound, AKilledEnemyBurstsOnceSoundsOnceAndGoes) {
  LevelFile::LevelRecord r = openLevel();
  r.enemies = {{2, Vec2(-3.0f, 0.0f)}, {0, Vec2(3.0f, 0.0f)}, {1, Vec2(6.0f, 0.0f)}};
  Level& level = makeLevel(r);
  ASSERT_NE(Enemy::brainDeathSound, -1) << "a level file's enemies load the brain-death sound";
  const int32_t sound = Enemy::brainDeathSound;
  Level::addObject(&level, 0, Vec2(8.0f, 0.0f));
  EXPECT_EQ(Enemy::brainDeathSound, sound);

  level.enemies[0]->kill();
  EXPECT_EQ(Mix_Playing(-1), 0);
  playStep();
  ASSERT_EQ(level.enemies.count, 3u);
  ASSERT_EQ(Kettar::particleSystems.count, 1u);
  EXPECT_EQ(Kettar::particleSystems[0]->particleCount, 750u);
  EXPECT_EQ(Mix_Playing(-1), 1);
  // The last enemy took the slot, its id and its body's id.
  EXPECT_EQ(level.enemies[0]->kind(), 0u);
  EXPECT_EQ(level.enemies[0]->position(), Vec2(8.0f, 0.0f));
  EXPECT_EQ(level.enemies[0]->id(), 0);
  EXPECT_EQ(level.enemies[0]->body()->id, 0);
  for (int i = 0; i < 10; ++i) playStep();
  EXPECT_EQ(level.enemies.count, 3u);
  EXPECT_EQ(Kettar::particleSystems.count, 1u);
  EXPECT_EQ(Mix_Playing(-1), 1);
}

// Only an enemy read from a level file loads the sound; the editor's do not,
// and a killed one of theirs then plays nothing.
TEST_F(EnemySound, TheEditorsEnemiesLeaveTheBrainDeathSoundUnloaded) {
  Level& level = makeLevel(openLevel());
  for (int32_t code : {0, 1, 6}) {
    Level::addObject(&level, code, Vec2(static_cast<float>(code), 0.0f));
  }
  ASSERT_EQ(level.enemies.count, 3u);
  const Enemy alone(2, Vec2(-4.0f, 0.0f), root);
  EXPECT_EQ(Enemy::brainDeathSound, -1);
  level.enemies[0]->kill();
  playStep();
  EXPECT_EQ(level.enemies.count, 2u);
  EXPECT_EQ(Mix_Playing(-1), 0);
}

TEST_F(EnemyWorld, AKilledEnemyBurstsInOneFallingCloud) {
  LevelFile::LevelRecord r = openLevel();
  r.enemies = {{1, Vec2(2.0f, 3.0f)}};
  Level& level = makeLevel(r);
  const Vec2 c = level.enemies[0]->body()->centroid();
  level.enemies[0]->kill();
  playStep();
  ASSERT_EQ(Kettar::particleSystems.count, 1u);
  const Kettar::ParticleSystem& s = *Kettar::particleSystems[0];
  EXPECT_EQ(s.batchSize, 750u);
  EXPECT_EQ(s.particleCount, 750u);
  EXPECT_EQ(s.pointSize, 80.0f);
  EXPECT_EQ(s.position, Vec3(c.x, c.y, 0.1f));
  EXPECT_EQ(s.velocity, Vec3(0.0f, 0.0f, 0.0f));
  EXPECT_EQ(s.acceleration, Vec3(0.0f, -8.0f, 0.0f));
  EXPECT_EQ(s.startRadiusLimit, 0.1f);
  EXPECT_EQ(s.params.spread, Vec3(0.1f, 0.1f, 0.0f));
  EXPECT_EQ(s.params.velocityMin, Vec3(-5.0f, -3.0f, 0.0f));
  EXPECT_EQ(s.params.velocityMax, Vec3(5.0f, 5.0f, 0.0f));
  EXPECT_EQ(s.params.speedLimit, 5.0f);
  EXPECT_EQ(s.params.colourMin, Vec4(1.0f, 0.5f, 0.5f, 1.0f));
  EXPECT_EQ(s.params.colourMax, Vec4(1.0f, 0.9f, 0.9f, 1.0f));
  EXPECT_EQ(s.params.endColour, Vec4(1.0f, 1.0f, 1.0f, 0.0f));
  EXPECT_EQ(s.params.lifetime, 2.0f);
  EXPECT_EQ(s.params.rate, 0.0f);
  EXPECT_EQ(s.params.duration, 2.0f);
}

// A hero floating with no gravity, an enemy pulling itself onto it: every step
// the hero's last contact names the enemy.
TEST_F(EnemyWorld, AHurtingEnemyKillsTheHeroAndAHealingOneMendsIt) {
  ferrox::gravity = Vec2(0.0f, 0.0f);
  // The enemy pushes the hero along: room for the way it goes.
  LevelFile::LevelRecord r = openLevel(100.0f, 20.0f);
  r.enemies = {{2, Vec2(31.5f, 0.0f)}};
  Level& level = makeLevel(r);
  Hero& h = makeHero(Vec2(30.0f, 0.0f));

  int hurtSteps = 0;
  int steps = 0;
  for (; steps < 3000 && h.health() >= 90.0f; ++steps) {
    const float before = h.health();
    ASSERT_TRUE(playStep());
    if (h.health() < before) {
      EXPECT_NEAR(before - h.health(), 0.075f, 1e-3f);
      ++hurtSteps;
    }
  }
  ASSERT_LT(h.health(), 90.0f);
  // Killed while it touches the hero: gone at the next update, and the hero's
  // record never names its freed links.
  level.enemies[0]->kill();
  const float beforeKill = h.health();
  ASSERT_TRUE(playStep());
  ASSERT_EQ(level.enemies.count, 0u);
  // The contact of the step before still counts.
  if (h.health() < beforeKill) ++hurtSteps;
  Level::addObject(&level, 1, h.centre() + Vec2(1.0f, 0.0f));
  const float start = h.health();
  int healSteps = 0;
  for (int i = 0; i < 2000; ++i) {
    const float before = h.health();
    ASSERT_TRUE(playStep());
    EXPECT_LE(h.health(), 100.05f);
    if (h.health() > before) {
      EXPECT_NEAR(h.health() - before, 0.05f, 1e-3f);
      ++healSteps;
    }
  }
  EXPECT_GE(h.health(), 100.0f);
  EXPECT_NEAR(healSteps, (100.0f - start) / 0.05f, 2.0f);
  EXPECT_NEAR(start, 100.0f - 0.075f * hurtSteps, 0.01f);
}

TEST_F(EnemyWorld, AHeroInContactWithAHurtingEnemyDiesAfterAbout1334Steps) {
  ferrox::gravity = Vec2(0.0f, 0.0f);
  LevelFile::LevelRecord r = openLevel(100.0f, 20.0f);
  r.enemies = {{2, Vec2(31.5f, 0.0f)}};
  makeLevel(r);
  Hero& h = makeHero(Vec2(30.0f, 0.0f));
  int hurtSteps = 0;
  int deaths = 0;
  for (int i = 0; i < 2000 && deaths == 0; ++i) {
    const float before = h.health();
    if (!playStep()) ++deaths;
    if (h.health() < before) ++hurtSteps;
  }
  ASSERT_EQ(deaths, 1) << "health " << h.health() << " after " << hurtSteps << " hurt steps";
  EXPECT_EQ(h.health(), 0.0f);
  EXPECT_NEAR(hurtSteps, 1334, 2);
}

TEST_F(EnemyWorld, SpriteCornersLieBeyondTheCornerQuarks) {
  LevelFile::LevelRecord r = openLevel();
  r.enemies = {{0, Vec2(2.0f, 3.0f)}};
  Level& level = makeLevel(r);
  const Enemy& e = *level.enemies[0];
  Vec2 c[4];
  ASSERT_TRUE(e.spriteCorners(c));
  // Drawn order: corners of quarks 2, 3, 0, 1; the blob is a square, so each
  // corner lies 0.2 out along the diagonal.
  const uint32_t quarkOf[4] = {2, 3, 0, 1};
  const Vec2 centre = e.body()->centroid();
  for (int i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const Vec2 q = e.body()->quarks[quarkOf[i]]->position;
    EXPECT_NEAR((c[i] - q).length(), 0.2f, 1e-5f);
    EXPECT_NEAR((c[i] - centre).length(), (q - centre).length() + 0.2f, 1e-4f);
  }
}

TEST_F(EnemyWorld, AMissingSkeletonLeavesAHarmlessEnemy) {
  LevelFile::LevelRecord r = openLevel();
  makeLevel(r);
  Enemy e(1, Vec2(1.0f, 1.0f), "/nonexistent/");
  e.setTarget(&makeHero(Vec2(0.0f, 0.0f)));
  EXPECT_EQ(e.body()->quarks.count, 0u);
  EXPECT_TRUE(e.update(kStep));
  Vec2 c[4];
  EXPECT_FALSE(e.spriteCorners(c));
  e.draw();  // nothing to draw, and no GL call
  e.kill();
  EXPECT_FALSE(e.update(kStep));
  // A kind past the tables is never indexed.
  Enemy odd(7, Vec2(0.0f, 0.0f), "/nonexistent/");
  EXPECT_EQ(odd.kind(), 0u);
}

}  // namespace
