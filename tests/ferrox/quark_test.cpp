#include "ferrox/quark.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <new>
#include <type_traits>

#include "body_test_support.h"
#include "ferrox/settings.h"
#include "ferrox/skeleton.h"
#include "kettar/byte_buffer.h"
#include "support/little_memory.h"

namespace {

using namespace ferrox;
using bodytest::SettingsFixture;

// Bodies delete their quarks and links through base pointers.
static_assert(std::has_virtual_destructor_v<Quark>);

std::unique_ptr<Quark> makeLoose(Kind kind, Vec2 p, float mass, float damping) {
  switch (kind) {
    case kSoft: return std::make_unique<QuarkSoft>(nullptr, p, mass, damping);
    case kStiff: return std::make_unique<QuarkStiff>(nullptr, p, mass, damping);
    default: return std::make_unique<QuarkFixed>(nullptr, p);
  }
}

using QuarkTest = SettingsFixture;

TEST_F(QuarkTest, SoftStepUnderGravity) {
  QuarkSoft q(nullptr, Vec2(0.0f, 0.0f), 1.0f, 0.0f);
  q.integrate(0.002f);
  EXPECT_FLOAT_EQ(q.velocity().x, 0.0f);
  EXPECT_FLOAT_EQ(q.velocity().y, -0.01962f);
  EXPECT_FLOAT_EQ(q.position.x, 0.0f);
  EXPECT_FLOAT_EQ(q.position.y, -0.00003924f);
  EXPECT_EQ(q.force, Vec2(0.0f, 0.0f));
}

// The drag is damping × velocity × the damping scale; the sleep energy takes the
// velocity after the step. Mass 2, damping 10, D 0.5, from (1, 0) under gravity:
// vx = 1 - 10·1·0.5 / 2 · 0.002 = 0.995; vy = -9.81·2 / 2 · 0.002 = -0.01962;
// energy = 0.002 · (0.995² + 0.01962²) + 0.998 · 0.2 = 0.2015808.
TEST_F(QuarkTest, SoftStepScalesItsDragByTheDampingScale) {
  dampingScale = 0.5f;
  QuarkSoft q(nullptr, Vec2(0.0f, 0.0f), 2.0f, 10.0f);
  q.setVelocity(Vec2(1.0f, 0.0f));
  q.integrate(0.002f);
  EXPECT_FLOAT_EQ(q.velocity().x, 0.995f);
  EXPECT_FLOAT_EQ(q.velocity().y, -0.01962f);
  EXPECT_FLOAT_EQ(q.position.x, 0.00199f);
  EXPECT_FLOAT_EQ(q.position.y, -0.00003924f);
  // 1 - 0.998 in float is 0.00199997: a few parts in a million off.
  EXPECT_NEAR(q.sleepEnergy, 0.2015808f, 2e-6f);
}

TEST_F(QuarkTest, ForceIsConsumedByOneIntegration) {
  gravity = Vec2(0.0f, 0.0f);
  for (Kind kind : {kSoft, kStiff}) {
    SCOPED_TRACE(kind);
    auto q = makeLoose(kind, Vec2(0.0f, 0.0f), 2.0f, 0.0f);
    q->addForce(Vec2(3.0f, 0.0f));  // an acceleration: force = 6
    EXPECT_EQ(q->force, Vec2(6.0f, 0.0f));
    q->integrate(0.002f);
    EXPECT_EQ(q->force, Vec2(0.0f, 0.0f));
    EXPECT_NEAR(q->velocity().x, 3.0f * 0.002f, 1e-4f);
  }
}

// Each kind under each operation, from the quark at (1, 2) moving at (1, 0)
// (a fixed quark does not move), with no gravity.
TEST_F(QuarkTest, KindByOperationTable) {
  gravity = Vec2(0.0f, 0.0f);
  struct Row {
    const char* name;
    Kind kind;
    void (*op)(Quark&);
    Vec2 position;
    Vec2 velocity;
    uint8_t asleep;
  };
  auto integrate = [](Quark& q) { q.integrate(0.002f); };
  auto addVelocity = [](Quark& q) { q.addVelocity(Vec2(0.0f, 3.0f)); };
  auto translate = [](Quark& q) { q.translate(Vec2(1.0f, 1.0f)); };
  auto setVelocity = [](Quark& q) { q.setVelocity(Vec2(0.0f, 4.0f)); };
  auto setPosition = [](Quark& q) { q.setPosition(Vec2(5.0f, 5.0f)); };
  auto wake = [](Quark& q) {
    q.asleep = 1;
    q.wake();
  };
  const Row rows[] = {
      {"soft integrate", kSoft, integrate, {1.002f, 2.0f}, {1.0f, 0.0f}, 0},
      {"stiff integrate", kStiff, integrate, {1.002f, 2.0f}, {1.0f, 0.0f}, 0},
      {"fixed integrate", kFixed, integrate, {1.0f, 2.0f}, {0.0f, 0.0f}, 1},
      {"soft addVelocity", kSoft, addVelocity, {1.0f, 2.0f}, {1.0f, 3.0f}, 0},
      {"stiff addVelocity", kStiff, addVelocity, {1.0f, 2.0f}, {1.0f, 3.0f}, 0},
      {"fixed addVelocity", kFixed, addVelocity, {1.0f, 2.0f}, {0.0f, 0.0f}, 1},
      {"soft translate", kSoft, translate, {2.0f, 3.0f}, {1.0f, 0.0f}, 0},
      {"stiff translate keeps velocity", kStiff, translate, {2.0f, 3.0f}, {1.0f, 0.0f}, 0},
      {"fixed translate", kFixed, translate, {1.0f, 2.0f}, {0.0f, 0.0f}, 1},
      {"soft setVelocity", kSoft, setVelocity, {1.0f, 2.0f}, {0.0f, 4.0f}, 0},
      {"stiff setVelocity", kStiff, setVelocity, {1.0f, 2.0f}, {0.0f, 4.0f}, 0},
      {"fixed setVelocity", kFixed, setVelocity, {1.0f, 2.0f}, {0.0f, 0.0f}, 1},
      {"soft setPosition", kSoft, setPosition, {5.0f, 5.0f}, {1.0f, 0.0f}, 0},
      {"stiff setPosition zeroes velocity", kStiff, setPosition, {5.0f, 5.0f}, {0.0f, 0.0f}, 0},
      {"fixed setPosition", kFixed, setPosition, {5.0f, 5.0f}, {0.0f, 0.0f}, 1},
      {"soft wake", kSoft, wake, {1.0f, 2.0f}, {1.0f, 0.0f}, 0},
      {"stiff wake", kStiff, wake, {1.0f, 2.0f}, {1.0f, 0.0f}, 0},
      {"fixed never wakes", kFixed, wake, {1.0f, 2.0f}, {0.0f, 0.0f}, 1},
  };
  // A stiff velocity is a difference of positions near 1 (ulp 1.2e-7) over
  // 0.002 s: up to about 6e-5 of rounding.
  const float velocityTolerance = 1e-4f;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto q = makeLoose(row.kind, Vec2(1.0f, 2.0f), 2.0f, 0.0f);
    q->setVelocity(Vec2(1.0f, 0.0f));
    row.op(*q);
    EXPECT_FLOAT_EQ(q->position.x, row.position.x);
    EXPECT_FLOAT_EQ(q->position.y, row.position.y);
    EXPECT_NEAR(q->velocity().x, row.velocity.x, velocityTolerance);
    EXPECT_NEAR(q->velocity().y, row.velocity.y, velocityTolerance);
    EXPECT_EQ(q->asleep, row.asleep);
  }
}

TEST_F(QuarkTest, FixedQuarkIgnoresTheAskedMass) {
  QuarkFixed loose(nullptr, Vec2(1.0f, 1.0f));
  Skeleton body;
  Quark* q = body.addQuark(kFixed, Vec2(0.0f, 0.0f), 1.0f, 0.5f);
  for (const Quark* f : {static_cast<const Quark*>(&loose), static_cast<const Quark*>(q)}) {
    EXPECT_EQ(f->mass, 999999.0f);
    EXPECT_EQ(f->damping, 0.0f);
    EXPECT_FLOAT_EQ(f->inverseMass, 1.000001e-6f);
    EXPECT_EQ(f->asleep, 1);
  }
}

TEST_F(QuarkTest, StiffQuarkStartsAtRestWithTheDefaultStep) {
  QuarkStiff q(nullptr, Vec2(2.0f, 3.0f), 1.0f, 0.0f);
  EXPECT_EQ(q.previousPosition, Vec2(2.0f, 3.0f));
  EXPECT_EQ(q.timeStep, 0.002f);
  EXPECT_EQ(q.velocity(), Vec2(0.0f, 0.0f));
  q.setVelocity(Vec2(5.0f, -1.0f));
  EXPECT_FLOAT_EQ(q.previousPosition.x, 2.0f - 0.002f * 5.0f);
  EXPECT_FLOAT_EQ(q.previousPosition.y, 3.0f + 0.002f);
  EXPECT_EQ(q.position, Vec2(2.0f, 3.0f));
}

TEST_F(QuarkTest, StiffVerletStepUsesTheLastDisplacementAndDamping) {
  gravity = Vec2(0.0f, 0.0f);
  // Damping c on a Verlet point: x' = x + d - c·d·D/dt · dt²/m = x + d·(1 - c·D·dt/m).
  QuarkStiff q(nullptr, Vec2(0.0f, 0.0f), 2.0f, 10.0f);
  q.setVelocity(Vec2(1.0f, 0.0f));
  dampingScale = 0.5f;
  q.integrate(0.002f);
  const float expected = 0.002f * (1.0f - 10.0f * 0.5f * 0.002f / 2.0f);
  EXPECT_FLOAT_EQ(q.position.x, expected);
  EXPECT_EQ(q.previousPosition, Vec2(0.0f, 0.0f));
  EXPECT_EQ(q.timeStep, 0.002f);
}

TEST_F(QuarkTest, SleepEnergyIsCappedAndRestartsOnWake) {
  gravity = Vec2(0.0f, 0.0f);
  QuarkSoft q(nullptr, Vec2(0.0f, 0.0f), 1.0f, 0.0f);
  EXPECT_FLOAT_EQ(q.sleepEnergy, 0.2f);
  q.setVelocity(Vec2(10.0f, 0.0f));
  for (int i = 0; i < 2000; ++i) {
    q.integrate(0.002f);
    ASSERT_LE(q.sleepEnergy, 2.0f);
  }
  EXPECT_FLOAT_EQ(q.sleepEnergy, 2.0f);
  q.wake();  // awake already: nothing
  EXPECT_FLOAT_EQ(q.sleepEnergy, 2.0f);
  q.asleep = 1;
  q.wake();
  EXPECT_EQ(q.asleep, 0);
  EXPECT_FLOAT_EQ(q.sleepEnergy, 0.11f);
}

// The Verlet step's sleep energy takes (new position - old position) / dt, the
// speed the step ends with. From (1, 0) at the default step, pushed by 1000 for
// dt 0.004 with no gravity: position = 0.002 + 1000 · 0.004² = 0.018, speed
// 0.018 / 0.004 = 4.5; energy = 0.002 · 4.5² + 0.998 · 0.2 = 0.2401 (the speed
// before the step, 1, would give 0.2016).
TEST_F(QuarkTest, StiffSleepEnergyTakesTheSpeedAfterTheStep) {
  gravity = Vec2(0.0f, 0.0f);
  QuarkStiff q(nullptr, Vec2(0.0f, 0.0f), 1.0f, 0.0f);
  q.setVelocity(Vec2(1.0f, 0.0f));
  q.addForce(Vec2(1000.0f, 0.0f));
  q.integrate(0.004f);
  EXPECT_FLOAT_EQ(q.position.x, 0.018f);
  EXPECT_FLOAT_EQ(q.velocity().x, 4.5f);
  EXPECT_NEAR(q.sleepEnergy, 0.2401f, 2e-6f);  // float rounding as above
}

TEST_F(QuarkTest, SleepEnergySmoothsTheSquaredSpeed) {
  gravity = Vec2(0.0f, 0.0f);
  QuarkSoft q(nullptr, Vec2(0.0f, 0.0f), 1.0f, 0.0f);
  q.setVelocity(Vec2(3.0f, 4.0f));
  q.integrate(0.002f);
  EXPECT_FLOAT_EQ(q.sleepEnergy, (1.0f - 0.998f) * 25.0f + 0.998f * 0.2f);
}

TEST_F(QuarkTest, AddForceWakesTheWholeBody) {
  Skeleton body;
  Quark* a = body.addQuark(kSoft, Vec2(0.0f, 0.0f), 1.0f, 0.0f);
  Quark* b = body.addQuark(kStiff, Vec2(1.0f, 0.0f), 1.0f, 0.0f);
  a->asleep = b->asleep = 1;
  a->addForce(Vec2(0.0f, 1.0f));
  EXPECT_EQ(a->asleep, 0);
  EXPECT_EQ(b->asleep, 0);
  EXPECT_FLOAT_EQ(b->sleepEnergy, 0.11f);
  EXPECT_EQ(b->force, Vec2(0.0f, 0.0f));
}

TEST_F(QuarkTest, LinkArrayGrowsByEightAndRemovalIgnoresStrangers) {
  Skeleton body;
  body.addQuark(kSoft, Vec2(0.0f, 0.0f), 1.0f, 0.0f);
  for (int i = 0; i < 9; ++i) {
    body.addQuark(kSoft, Vec2(1.0f, static_cast<float>(i)), 1.0f, 0.0f);
    body.addLink(kStiff, 0, static_cast<uint32_t>(i + 1), 0.0f, 0.0f, 0.0f, 0.0f);
  }
  Quark* hub = body.quarks[0];
  EXPECT_EQ(hub->links.count, 9u);
  EXPECT_EQ(hub->links.capacity, 16u);
  EXPECT_EQ(body.quarks[1]->links.capacity, 8u);

  Quark* leaf = body.quarks[1];
  Link* stranger = body.links[5];
  leaf->removeLink(stranger);
  EXPECT_EQ(leaf->links.count, 1u);
  EXPECT_EQ(leaf->links.items[0], body.links[0]);
}

// Link arrays the heap will not give: the quark says so as new would, and a full array keeps its
// storage and its links. The child's result has one bit per broken promise.
TEST_F(QuarkTest, LinkArrayStorageThatCannotBeHadThrowsAndKeepsTheArray) {
  constexpr std::size_t kHeadroom = std::size_t(16) << 20;
  const int broken = test_support::runWithLittleMemory(kHeadroom, [](bool) {
    Skeleton body;
    body.addQuark(kSoft, Vec2(0.0f, 0.0f), 1.0f, 0.0f);
    for (uint32_t i = 1; i <= 8; ++i) {
      body.addQuark(kSoft, Vec2(1.0f, static_cast<float>(i)), 1.0f, 0.0f);
      body.addLink(kStiff, 0, i, 0.0f, 0.0f, 0.0f, 0.0f);
    }
    Quark* hub = body.quarks[0];
    const std::uintptr_t storage = reinterpret_cast<std::uintptr_t>(hub->links.items);
    if (!test_support::useUpMemory()) return test_support::kNotLimitedThere;
    int bits = 0;
    try {
      hub->addLink(body.links[0]);
      bits |= 1;
    } catch (const std::bad_alloc&) {
    }
    if (reinterpret_cast<std::uintptr_t>(hub->links.items) != storage || hub->links.count != 8 ||
        hub->links.capacity != 8 || hub->links.items[7] != body.links[7])
      bits |= 2;
    try {
      QuarkSoft loose(nullptr, Vec2(0.0f, 0.0f), 1.0f, 0.0f);
      bits |= 4;
    } catch (const std::bad_alloc&) {
    }
    return bits;
  });
  if (broken == test_support::kNoChildHere || broken == test_support::kNotLimitedThere)
    GTEST_SKIP() << "no process of limited memory here";
  EXPECT_EQ(broken, 0) << "1: a full array grew; 2: it changed; 4: a quark was made without its array; "
                          "-1: the child crashed";
}

TEST_F(QuarkTest, RecordsCarryTheBlockKindCodes) {
  struct Row {
    const char* name;
    Kind kind;
    const char* bytes;
  } rows[] = {
      // code, x 1.0, y -2.0, mass, damping
      {"soft", kSoft, "00 00 00 80 3f 00 00 00 c0 00 00 00 40 00 00 80 3e"},
      {"stiff", kStiff, "01 00 00 80 3f 00 00 00 c0 00 00 00 40 00 00 80 3e"},
      {"fixed: mass 999999, damping 0", kFixed, "02 00 00 80 3f 00 00 00 c0 f0 23 74 49 00 00 00 00"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto q = makeLoose(row.kind, Vec2(1.0f, -2.0f), 2.0f, 0.25f);
    Kettar::ByteBuffer buffer;
    q->serialize(buffer);
    EXPECT_EQ(bodytest::hex(buffer), row.bytes);
  }
}

}  // namespace
