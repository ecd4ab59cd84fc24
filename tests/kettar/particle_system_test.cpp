#include "kettar/particle_system.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <numeric>
#include <vector>

#include "support/little_memory.h"

namespace {

using Kettar::ParticleParams;
using Kettar::ParticleSystem;

TEST(ParticleCountTest, BatchesFillTheLifetime) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  struct Case {
    const char* name;
    int32_t batchSize;
    float rate, lifetime;
    uint32_t count;
  } cases[] = {
      {"rate 10, lifetime 0.5: five batches", 3, 10.0f, 0.5f, 15},
      {"rate 0: one batch", 3, 0.0f, 0.5f, 3},
      {"rate 2, lifetime 0.3: ceil(0.6) = 1 batch", 4, 2.0f, 0.3f, 4},
      {"negative rate: one batch", 5, -2.0f, 1.0f, 5},
      {"NaN rate: one batch", 5, nan, 1.0f, 5},
      {"batch size 0 is refused", 0, 10.0f, 0.5f, 0},
      {"negative batch size is refused", -3, 10.0f, 0.5f, 0},
      {"lifetime 0 is refused", 3, 10.0f, 0.0f, 0},
      {"negative lifetime is refused", 3, 0.0f, -1.0f, 0},
      {"NaN lifetime is refused", 3, 0.0f, nan, 0},
      {"an endless ring is refused", 3, inf, 1.0f, 0},
      {"a ring too large is refused", 1000, 1e6f, 10.0f, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Kettar::particleCountFor(c.batchSize, c.rate, c.lifetime), c.count);
  }
}

ParticleParams burst() {
  ParticleParams p;
  p.spread = Vec3(1, 1, 1);
  p.velocityMin = Vec3(-1, -1, -1);
  p.velocityMax = Vec3(1, 1, 1);
  p.speedLimit = 10.0f;
  p.colourMin = Vec4(0.5f, 0.5f, 0.5f, 0.5f);
  p.colourMax = Vec4(1, 1, 1, 1);
  p.endColour = Vec4(0, 0, 0, 0);
  p.lifetime = 0.5f;
  p.rate = 10.0f;
  p.duration = 2.0f;
  return p;
}

ParticleSystem make(int32_t batch, const ParticleParams& p, float radiusLimit = 10.0f) {
  return ParticleSystem(batch, 5.0f, Vec3(), Vec3(), Vec3(), radiusLimit, p);
}

float alpha(const ParticleSystem& s, uint32_t i) { return s.colours[4 * i + 3]; }

TEST(ParticleSystemTest, CreationFillsTheFirstBatchAndHidesTheRest) {
  const ParticleParams p = burst();
  const ParticleSystem s = make(3, p);
  ASSERT_EQ(s.particleCount, 15u);
  EXPECT_FLOAT_EQ(s.emissionInterval, 0.1f);
  for (uint32_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    for (int k = 0; k < 4; ++k) {
      const float c = s.colours[4 * i + k];
      EXPECT_GE(c, 0.5f);
      EXPECT_LE(c, 1.0f);
      EXPECT_FLOAT_EQ(s.colourVelocities[4 * i + k], (0.0f - c) / 0.5f);
    }
  }
  for (uint32_t i = 3; i < 15; ++i) {
    EXPECT_EQ(alpha(s, i), 0.0f);
    EXPECT_EQ(s.colourVelocities[4 * i + 3], 0.0f);
  }
}

TEST(ParticleSystemTest, LimitsPullTheFirstBatchIn) {
  ParticleParams p = burst();
  p.speedLimit = 0.5f;
  const ParticleSystem s = make(50, p, 0.0005f);
  for (uint32_t i = 0; i < 50; ++i) {
    SCOPED_TRACE(i);
    const Vec3 position(s.positions[3 * i], s.positions[3 * i + 1], s.positions[3 * i + 2]);
    const Vec3 v(s.velocities[3 * i], s.velocities[3 * i + 1], s.velocities[3 * i + 2]);
    EXPECT_LE(position.length(), 0.0005f);
    EXPECT_LT(v.length(), 0.5f);
  }
}

TEST(ParticleSystemTest, RateZeroHidesItsOneBatchAfterTheLifetime) {
  ParticleParams p = burst();
  p.rate = 0.0f;
  p.duration = 0.0f;
  ParticleSystem s = make(4, p);
  ASSERT_EQ(s.particleCount, 4u);
  EXPECT_FLOAT_EQ(s.emissionInterval, 1000000.0f);
  for (int step = 0; step < 4; ++step) ASSERT_TRUE(s.update(0.1f));
  EXPECT_GT(alpha(s, 0), 0.0f);
  ASSERT_TRUE(s.update(0.1001f));
  for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(alpha(s, i), 0.0f);
  EXPECT_EQ(s.currentBatch, 0u);
  // Duration 0: never ends by itself, and what is hidden stays hidden.
  for (int step = 0; step < 2000; ++step) ASSERT_TRUE(s.update(0.5f));
  for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(alpha(s, i), 0.0f);
}

TEST(ParticleSystemTest, BatchesAreEmittedIntoTheRing) {
  ParticleSystem s = make(3, burst());
  ASSERT_TRUE(s.update(0.1f));
  EXPECT_EQ(s.currentBatch, 1u);
  for (uint32_t i = 3; i < 6; ++i) EXPECT_GE(alpha(s, i), 0.5f);
  for (uint32_t i = 6; i < 15; ++i) EXPECT_EQ(alpha(s, i), 0.0f);
  // Particles waiting for their batch do not drift into view meanwhile.
  for (int step = 0; step < 2; ++step) ASSERT_TRUE(s.update(0.1f));
  EXPECT_EQ(s.currentBatch, 3u);
  for (uint32_t i = 12; i < 15; ++i) EXPECT_EQ(alpha(s, i), 0.0f);
  ASSERT_TRUE(s.update(0.1f));
  for (uint32_t i = 12; i < 15; ++i) EXPECT_GE(alpha(s, i), 0.5f);
}

TEST(ParticleSystemTest, HidingAndEmittingInOneUpdateMoveTheBatchByTwo) {
  struct Row {
    const char* name;
    int32_t batch;
    float rate;
    uint32_t current;           // after one update of a whole lifetime
    uint32_t shownFrom, shownTo;  // the only particles shown then
  } rows[] = {
      // Batch 0 is hidden, the batch after batch 1 is emitted.
      {"a ring of five batches", 3, 10.0f, 2, 6, 9},
      // The batch after batch 1 wraps to batch 0, hidden just before.
      {"a ring of two batches", 2, 4.0f, 0, 0, 2},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ParticleParams p = burst();
    p.rate = row.rate;
    ParticleSystem s = make(row.batch, p);
    ASSERT_TRUE(s.update(p.lifetime));
    EXPECT_EQ(s.currentBatch, row.current);
    for (uint32_t i = 0; i < s.particleCount; ++i) {
      SCOPED_TRACE(i);
      if (i >= row.shownFrom && i < row.shownTo) {
        EXPECT_GE(alpha(s, i), 0.5f);
      } else {
        EXPECT_EQ(alpha(s, i), 0.0f);
      }
    }
  }
}

// Whole steps of the grid from min: each value is min + k step, and the k have
// no common factor (the grid is not a coarser one).
void expectOnGrid(const std::vector<float>& values, float min, float step) {
  int common = 0;
  for (float v : values) {
    const double k = (static_cast<double>(v) - min) / step;
    EXPECT_NEAR(k, std::round(k), 1e-3) << v;
    common = std::gcd(common, static_cast<int>(std::lround(k)));
  }
  EXPECT_EQ(common, 1);
}

TEST(ParticleSystemTest, EmittedBatchesDrawPositionsVelocitiesAndColoursInTheirSteps) {
  ParticleParams p = burst();
  p.spread = Vec3(1, 0.5f, 0.02f);
  p.velocityMin = Vec3(-1, -1, -1);
  p.velocityMax = Vec3(1, 1, -0.92f);
  p.colourMin = Vec4(0.5f, 0.5f, 0.5f, 0.5f);
  p.colourMax = Vec4(0.51f, 0.51f, 0.51f, 0.51f);
  std::srand(11);
  constexpr uint32_t kBatch = 40;
  ParticleSystem s = make(kBatch, p);
  ASSERT_TRUE(s.update(0.1f));  // the second batch, particles 40 to 79
  ASSERT_EQ(s.currentBatch, 1u);
  std::vector<float> px, py, vx, vy, colour;
  for (uint32_t i = kBatch; i < 2 * kBatch; ++i) {
    px.push_back(s.positions[3 * i]);
    py.push_back(s.positions[3 * i + 1]);
    // Ranges narrower than the step give min.
    EXPECT_EQ(s.positions[3 * i + 2], -0.02f);
    vx.push_back(s.velocities[3 * i]);
    vy.push_back(s.velocities[3 * i + 1]);
    EXPECT_EQ(s.velocities[3 * i + 2], -1.0f);
    for (int k = 0; k < 4; ++k) colour.push_back(s.colours[4 * i + k]);
  }
  {
    SCOPED_TRACE("positions in steps of 0.05");
    expectOnGrid(px, -1.0f, 0.05f);
    expectOnGrid(py, -0.5f, 0.05f);
  }
  {
    SCOPED_TRACE("velocities in steps of 0.1");
    expectOnGrid(vx, -1.0f, 0.1f);
    expectOnGrid(vy, -1.0f, 0.1f);
  }
  {
    SCOPED_TRACE("colours in steps of 0.001");
    expectOnGrid(colour, 0.5f, 0.001f);
  }
}

// Every later batch moves its colours toward the end colour at
// (end colour - colour) / lifetime, each of red, green, blue and alpha its own.
TEST(ParticleSystemTest, EmittedBatchesHeadForTheEndColourOverTheLifetime) {
  ParticleParams p = burst();
  // An empty range gives its min: one start colour, and an end colour that
  // differs from it by a different amount in every component.
  const float start[4] = {0.2f, 0.4f, 0.6f, 0.8f};
  p.colourMin = Vec4(start[0], start[1], start[2], start[3]);
  p.colourMax = p.colourMin;
  p.endColour = Vec4(1.0f, 0.0f, 0.9f, 0.2f);
  p.lifetime = 0.5f;
  // (1 - 0.2) / 0.5, (0 - 0.4) / 0.5, (0.9 - 0.6) / 0.5, (0.2 - 0.8) / 0.5
  const float perSecond[4] = {1.6f, -0.8f, 0.6f, -1.2f};
  constexpr uint32_t kBatch = 2;
  ParticleSystem s = make(kBatch, p);
  for (uint32_t batch = 1; batch <= 3; ++batch) {
    ASSERT_TRUE(s.update(0.1f));
    ASSERT_EQ(s.currentBatch, batch);
    for (uint32_t i = batch * kBatch; i < (batch + 1) * kBatch; ++i) {
      for (int k = 0; k < 4; ++k) {
        SCOPED_TRACE(::testing::Message() << "particle " << i << ", component " << k);
        EXPECT_FLOAT_EQ(s.colours[4 * i + k], start[k]);
        EXPECT_NEAR(s.colourVelocities[4 * i + k], perSecond[k], 1e-5f);
      }
    }
  }
}

TEST(ParticleSystemTest, TheOriginMovesVelocityFirst) {
  ParticleParams p = burst();
  ParticleSystem s(1, 1.0f, Vec3(1, 0, 0), Vec3(0, 1, 0), Vec3(0, 0, 2), 1.0f, p);
  s.update(0.5f);
  EXPECT_FLOAT_EQ(s.velocity.z, 1.0f);
  EXPECT_FLOAT_EQ(s.position.x, 1.0f);
  EXPECT_FLOAT_EQ(s.position.y, 0.5f);
  EXPECT_FLOAT_EQ(s.position.z, 0.5f);
}

TEST(ParticleSystemTest, EndsAfterItsDuration) {
  ParticleParams p = burst();
  p.duration = 0.3f;
  ParticleSystem s = make(2, p);
  EXPECT_TRUE(s.update(0.2f));
  EXPECT_FALSE(s.update(0.2f));
  EXPECT_TRUE(s.finished);
}

class ParticleListTest : public ::testing::Test {
 protected:
  void TearDown() override { Kettar::clearParticles(); }
  static ParticleSystem* add(float duration) {
    ParticleParams p = burst();
    p.rate = 0.0f;
    p.duration = duration;
    auto* s = new ParticleSystem(2, 1.0f, Vec3(), Vec3(), Vec3(), 1.0f, p);
    Kettar::particleSystems.pushBack(s);
    return s;
  }
};

TEST_F(ParticleListTest, UpdateDeletesFinishedSystemsAndUpdatesTheMovedOneInTheSamePass) {
  add(0.1f);
  ParticleSystem* keep = add(0.0f);
  add(0.1f);
  Kettar::updateParticles(0.2f);
  ASSERT_EQ(Kettar::particleSystems.count, 1u);
  EXPECT_EQ(Kettar::particleSystems[0], keep);
  EXPECT_FLOAT_EQ(keep->age, 0.2f);
  Kettar::updateParticles(0.2f);
  EXPECT_FLOAT_EQ(keep->age, 0.4f);
}

TEST_F(ParticleListTest, RemovalMovesTheLastSystemIn) {
  add(0);
  add(0);
  ParticleSystem* third = add(0);
  EXPECT_FALSE(Kettar::removeParticles(3));
  EXPECT_FALSE(Kettar::removeParticles(UINT32_MAX));
  EXPECT_EQ(Kettar::particleSystems.count, 3u);
  EXPECT_TRUE(Kettar::removeParticles(0));
  EXPECT_EQ(Kettar::particleSystems[0], third);
  EXPECT_FALSE(Kettar::removeParticles(1));
  EXPECT_EQ(Kettar::particleSystems.count, 1u);
  Kettar::clearParticles();
  EXPECT_EQ(Kettar::particleSystems.count, 0u);
  EXPECT_FALSE(Kettar::removeParticles(0));
  Kettar::updateParticles(1.0f);
}

TEST_F(ParticleListTest, RefusedSpawnsAddNothing) {
  ParticleParams p = burst();
  EXPECT_FALSE(Kettar::spawnParticles(0, 1.0f, Vec3(), Vec3(), Vec3(), 1.0f, p));
  EXPECT_FALSE(Kettar::spawnParticles(-4, 1.0f, Vec3(), Vec3(), Vec3(), 1.0f, p));
  p.lifetime = 0.0f;
  EXPECT_FALSE(Kettar::spawnParticles(3, 1.0f, Vec3(), Vec3(), Vec3(), 1.0f, p));
  EXPECT_EQ(Kettar::particleSystems.count, 0u);
}

// A system the list cannot take: the spawn says no and keeps nothing, neither a slot nor the
// system. The list is full at 160 MB, which a process of 256 MB cannot double.
TEST_F(ParticleListTest, ASystemTheListCannotTakeIsNotSpawned) {
  if (!test_support::kNewThrowsWhenMemoryRunsOut) GTEST_SKIP() << "memory that runs out ends this build";
  constexpr std::size_t kHeadroom = std::size_t(256) << 20;
  const int broken = test_support::runWithLittleMemory(kHeadroom, [](bool limited) {
    if (!limited) return test_support::kNotLimitedThere;
    ferrox::IndexedList<ParticleSystem*>& list = Kettar::particleSystems;
    const uint32_t full = uint32_t(kHeadroom * 5 / 8 / sizeof(ParticleSystem*));
    if (!list.grow(full)) return 64;
    // The slots are never read: the child ends without freeing them.
    list.count = full;
    const std::size_t before = test_support::heapInUse();
    int bits = Kettar::spawnParticles(2, 1.0f, Vec3(), Vec3(), Vec3(), 1.0f, burst()) ? 1 : 0;
    if (list.count != full || list.capacity != full) bits |= 2;
    // The heap's own bookkeeping may keep a few fences of 32 bytes; a system takes more.
    if (test_support::heapInUse() > before + 1024) bits |= 4;
    return bits;
  });
  if (broken == test_support::kNoChildHere || broken == test_support::kNotLimitedThere)
    GTEST_SKIP() << "no process of limited memory here";
  EXPECT_EQ(broken, 0) << "1: spawned; 2: the list changed; 4: memory left; 64: no room for the "
                          "full list; -1: the child crashed";
}

}  // namespace
