#include "ferrox/contact_pair.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#include "body_test_support.h"
#include "ferrox/closest_points.h"
#include "ferrox/collision_notifier.h"
#include "ferrox/grid.h"
#include "ferrox/link.h"
#include "ferrox/quark.h"
#include "ferrox/raycast.h"
#include "ferrox/settings.h"
#include "ferrox/skeleton.h"
#include "support/little_memory.h"

namespace {

using ferrox::ContactPair;
using ferrox::Link;
using ferrox::Quark;
using ferrox::Skeleton;

using ferrox::kFixed;
using ferrox::kSoft;
using ferrox::kStiff;

// Bodies of one link each (plus extra quarks where asked), in a world wide
// enough for the ray casts.
struct ContactFixture : bodytest::SettingsFixture {
  std::vector<std::unique_ptr<Skeleton>> bodies;

  void SetUp() override { ASSERT_TRUE(ferrox::createWorld(30, 10, 0.2f)); }
  void TearDown() override {
    ferrox::notifier = nullptr;
    bodies.clear();
    bodytest::SettingsFixture::TearDown();
  }

  // A body holding one link a -> b; quarks of the given kind, mass 1.
  Skeleton& body(Vec2 a, Vec2 b, int32_t quarkKind = kSoft, float radius = 0.03f,
                 float friction = 0.0f) {
    bodies.push_back(std::make_unique<Skeleton>());
    Skeleton& s = *bodies.back();
    s.addQuark(quarkKind, a, 1.0f, 0.0f);
    s.addQuark(quarkKind, b, 1.0f, 0.0f);
    s.addLink(quarkKind == kFixed ? kFixed : kStiff, 0, 1, 0.0f, 0.0f, radius, friction);
    return s;
  }
  static Link* linkOf(Skeleton& s) { return s.links.items[0]; }

  struct QuarkState {
    Vec2 position, velocity, force;
    uint8_t asleep;
    float sleepEnergy;
    bool operator==(const QuarkState& o) const {
      return position == o.position && velocity == o.velocity && force == o.force &&
             asleep == o.asleep && sleepEnergy == o.sleepEnergy;
    }
  };
  std::vector<QuarkState> snapshot() const {
    std::vector<QuarkState> all;
    for (const auto& s : bodies) {
      for (const Quark* q : s->quarks) {
        all.push_back({q->position, q->velocity(), q->force, q->asleep, q->sleepEnergy});
      }
    }
    return all;
  }
  bool allFinite() const {
    for (const QuarkState& q : snapshot()) {
      for (float v : {q.position.x, q.position.y, q.velocity.x, q.velocity.y, q.force.x, q.force.y}) {
        if (!std::isfinite(v)) return false;
      }
    }
    return true;
  }
};

struct RecordingNotifier : ferrox::CollisionNotifier {
  bool answer = true;
  std::vector<ContactPair*> seen;
  bool onContact(ContactPair* pair) override {
    seen.push_back(pair);
    return answer;
  }
};

TEST_F(ContactFixture, RejectedPairsChangeNothing) {
  struct Row {
    const char* name;
    std::function<ContactPair(ContactFixture&)> make;
  } rows[] = {
      {"links sharing a quark",
       [](ContactFixture& f) {
         Skeleton& s = f.body(Vec2(-0.5f, 0.0f), Vec2(0.0f, 0.0f));
         s.addQuark(kSoft, Vec2(0.5f, 0.02f), 1.0f, 0.0f);
         Link* second = s.addLink(kStiff, 1, 2, 0.0f, 0.0f, 0.03f, 0.0f);
         return ContactPair{s.links.items[0], second};
       }},
      {"both first quarks asleep",
       [](ContactFixture& f) {
         Skeleton& a = f.body(Vec2(-0.5f, 0.04f), Vec2(0.5f, 0.04f));
         Skeleton& b = f.body(Vec2(-0.5f, 0.0f), Vec2(0.5f, 0.0f));
         a.quarks.items[0]->asleep = 1;
         b.quarks.items[0]->asleep = 1;
         return ContactPair{linkOf(a), linkOf(b)};
       }},
      {"first link internal",
       [](ContactFixture& f) {
         Skeleton& a = f.body(Vec2(-0.5f, 0.04f), Vec2(0.5f, 0.04f));
         Skeleton& b = f.body(Vec2(-0.5f, 0.0f), Vec2(0.5f, 0.0f));
         linkOf(a)->internal = 1;
         return ContactPair{linkOf(a), linkOf(b)};
       }},
      {"second link internal",
       [](ContactFixture& f) {
         Skeleton& a = f.body(Vec2(-0.5f, 0.04f), Vec2(0.5f, 0.04f));
         Skeleton& b = f.body(Vec2(-0.5f, 0.0f), Vec2(0.5f, 0.0f));
         linkOf(b)->internal = 1;
         return ContactPair{linkOf(a), linkOf(b)};
       }},
      {"out of reach",
       [](ContactFixture& f) {
         Skeleton& a = f.body(Vec2(-0.5f, 0.07f), Vec2(0.5f, 0.07f));
         Skeleton& b = f.body(Vec2(-0.5f, 0.0f), Vec2(0.5f, 0.0f));
         return ContactPair{linkOf(a), linkOf(b)};
       }},
      {"penetration below 0.0002",
       [](ContactFixture& f) {
         Skeleton& a = f.body(Vec2(-0.5f, 0.0599f), Vec2(0.5f, 0.0599f));
         Skeleton& b = f.body(Vec2(-0.5f, 0.0f), Vec2(0.5f, 0.0f));
         return ContactPair{linkOf(a), linkOf(b)};
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    bodies.clear();
    ContactPair pair = row.make(*this);
    for (const auto& s : bodies) {
      for (Quark* q : s->quarks) {
        if (!q->asleep) q->setVelocity(Vec2(0.3f, -1.0f));
      }
    }
    RecordingNotifier watcher;
    ferrox::notifier = &watcher;
    const auto before = snapshot();
    EXPECT_FALSE(pair.resolve());
    EXPECT_TRUE(snapshot() == before);
    EXPECT_TRUE(watcher.seen.empty());
    ferrox::notifier = nullptr;
  }
}

TEST_F(ContactFixture, NotifierSeesEveryPenetratingPairAndMayVeto) {
  Skeleton& a = body(Vec2(-0.5f, 0.04f), Vec2(0.5f, 0.04f));
  Skeleton& b = body(Vec2(-0.5f, 0.0f), Vec2(0.5f, 0.0f));
  a.quarks.items[1]->asleep = 1;
  a.quarks.items[0]->setVelocity(Vec2(0.2f, -1.0f));
  ContactPair pair{linkOf(a), linkOf(b)};
  RecordingNotifier watcher;
  watcher.answer = false;
  ferrox::notifier = &watcher;
  const auto before = snapshot();
  EXPECT_FALSE(pair.resolve());
  ASSERT_EQ(watcher.seen.size(), 1u);
  EXPECT_EQ(watcher.seen[0], &pair);
  EXPECT_TRUE(snapshot() == before);

  watcher.answer = true;
  EXPECT_TRUE(pair.resolve());
  EXPECT_EQ(watcher.seen.size(), 2u);
  EXPECT_FALSE(snapshot() == before);
  // Both links have friction 0: no tangent force although A slides along x.
  for (const auto& s : bodies) {
    for (const Quark* q : s->quarks) EXPECT_EQ(q->force, Vec2(0.0f, 0.0f));
  }
}

TEST_F(ContactFixture, EndToEndContactSeparatesByThePenetrationAndKeepsAQuarterOfTheNormalVelocity) {
  // A's first end sits 0.04 above B's first end; both closest points are ends.
  Skeleton& a = body(Vec2(0.0f, 0.04f), Vec2(0.6f, 0.84f), kSoft, 0.03f, 0.1f);
  Skeleton& b = body(Vec2(0.0f, 0.0f), Vec2(0.8f, -0.6f), kSoft, 0.03f, 0.1f);
  Quark* Aa = a.quarks.items[0];
  Quark* Ba = b.quarks.items[0];
  Aa->setVelocity(Vec2(0.5f, -1.0f));
  ContactPair pair{linkOf(a), linkOf(b)};
  ASSERT_TRUE(pair.resolve());

  const Vec2 gap = Aa->position - Ba->position;
  EXPECT_NEAR(gap.length(), 0.06f, 1e-6f);
  EXPECT_NEAR(gap.x, 0.0f, 1e-7f);
  // Equal masses: each end takes half of the push.
  EXPECT_NEAR(Aa->position.y, 0.05f, 1e-6f);
  EXPECT_NEAR(Ba->position.y, -0.01f, 1e-6f);
  const float normalBefore = -1.0f;
  const float normalAfter = Aa->velocity().y - Ba->velocity().y;
  EXPECT_NEAR(normalAfter, 0.25f * normalBefore, 1e-6f);
  EXPECT_FLOAT_EQ(Aa->velocity().y, -0.625f);
  EXPECT_FLOAT_EQ(Ba->velocity().y, -0.375f);
  // Friction opposes A's sliding along +x with the friction sum; B does not slide.
  EXPECT_NEAR(Aa->force.x, -0.2f, 1e-6f);
  EXPECT_EQ(Ba->force, Vec2(0.0f, 0.0f));
  // The far ends take no share.
  EXPECT_EQ(a.quarks.items[1]->force, Vec2(0.0f, 0.0f));
  EXPECT_EQ(b.quarks.items[1]->position, Vec2(0.8f, -0.6f));
}

// One touching pair worked by hand: unequal masses (A 1 and 3, B 2 and 0.5),
// every quark moving (A.a (0.2, -0.5), A.b (-0.1, -0.2), B.a (0.4, 0.3), B.b
// (-0.6, 0.1)), radii 0.5 + 0.5, frictions 0.3 + 0.2, frictionScale 0.5. The
// links are parallel, A at height Y = 0.999701 over B: n = (0, 1), d² = Y²,
// pen = 1 - √(Y²) in double = 0.00029899180 (in float 0.00029897690, which
// shows in B's heights, moved from 0); T = (0.25, 0), the signs of the x
// velocities +, -, +, -; friction force = -T · sign · weight.
TEST_F(ContactFixture, ResponseWeightsEachEndByWhereTheContactLies) {
  struct End {
    float height, vy, fx;
  };
  struct Row {
    const char* name;
    Vec2 Aa, Ab, Ba, Bb;
    End expected[4];  // A.a, A.b, B.a, B.b
  } rows[] = {
      // s = 0, t = -0.25 clamps to t = 0, s = 0.25. mA = 1, mB = 0.75·2 +
      // 0.25·0.5 = 1.625, k = 1/2.625. Pushes: A.a +pen·mB·k = 0.6190476 pen,
      // B.a -0.75 pen·k = -8.5426229e-5, B.b -0.25 pen·k = -2.8475410e-5.
      // vrel·n = -0.5 - 0.75·0.3 - 0.25·0.1 = -0.75, j = 0.5625: A.a vy -0.5 +
      // 0.5625·0.6190476; B.a 0.3 - 0.75·0.5625·k; B.b 0.1 - 0.25·0.5625·k.
      // Friction weights 1, 0, 0.75, 0.25.
      {"s inside B, t at A.a",
       Vec2(0.25f, 0.999701f), Vec2(1.25f, 0.999701f), Vec2(0.0f, 0.0f), Vec2(1.0f, 0.0f),
       {{0.9998861f, -0.15178571f, -0.25f},
        {0.999701f, -0.2f, 0.0f},
        {-8.5426229e-5f, 0.13928571f, -0.1875f},
        {-2.8475410e-5f, 0.046428571f, 0.0625f}}},
      // s = 0, t = 0.75 stays. mA = 0.25·1 + 0.75·3 = 2.5, mB = 2, k = 1/4.5.
      // Pushes: A.a 0.25 pen·2/4.5, A.b 0.75 pen·2/4.5, B.a -pen·2.5/4.5 =
      // -1.6610656e-4. vrel·n = 0.25·-0.5 + 0.75·-0.2 - 0.3 = -0.575, j = 0.43125:
      // A.a vy -0.5 + 0.25·0.43125·2/4.5; A.b -0.2 + 0.75·0.43125·2/4.5; B.a 0.3 -
      // 0.43125·2.5/4.5. Friction weights 0.25, 0.75, 1, 0.
      {"t inside A, s at B.a",
       Vec2(0.0f, 0.999701f), Vec2(1.0f, 0.999701f), Vec2(0.75f, 0.0f), Vec2(1.75f, 0.0f),
       {{0.9997342f, -0.45208333f, -0.0625f},
        {0.9998007f, -0.05625f, 0.1875f},
        {-1.6610656e-4f, 0.060416667f, -0.25f},
        {0.0f, 0.1f, 0.0f}}},
  };
  const float masses[4] = {1.0f, 3.0f, 2.0f, 0.5f};
  const Vec2 velocities[4] = {Vec2(0.2f, -0.5f), Vec2(-0.1f, -0.2f), Vec2(0.4f, 0.3f),
                              Vec2(-0.6f, 0.1f)};
  // A's heights are near 1 (a float step of 6e-8); B's start from 0 and keep
  // the penetration's last digits.
  const float heightTolerance[4] = {1e-7f, 1e-7f, 1e-10f, 1e-10f};
  ferrox::frictionScale = 0.5f;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    bodies.clear();
    const Vec2 at[4] = {row.Aa, row.Ab, row.Ba, row.Bb};
    const float friction[2] = {0.3f, 0.2f};
    Quark* ends[4];
    for (int side = 0; side < 2; ++side) {
      bodies.push_back(std::make_unique<Skeleton>());
      Skeleton& s = *bodies.back();
      for (int i = 2 * side; i < 2 * side + 2; ++i) {
        ends[i] = s.addQuark(kSoft, at[i], masses[i], 0.0f);
        ends[i]->setVelocity(velocities[i]);
      }
      s.addLink(kStiff, 0, 1, 0.0f, 0.0f, 0.5f, friction[side]);
    }
    ContactPair pair{linkOf(*bodies[0]), linkOf(*bodies[1])};
    ASSERT_TRUE(pair.resolve());
    const char* names[4] = {"A.a", "A.b", "B.a", "B.b"};
    for (int i = 0; i < 4; ++i) {
      SCOPED_TRACE(names[i]);
      EXPECT_NEAR(ends[i]->position.y, row.expected[i].height, heightTolerance[i]);
      EXPECT_NEAR(ends[i]->velocity().y, row.expected[i].vy, 1e-6f);
      EXPECT_NEAR(ends[i]->force.x, row.expected[i].fx, 1e-7f);
      // Everything happens along n and T: x positions, x velocities and y
      // forces stay.
      EXPECT_EQ(ends[i]->position.x, at[i].x);
      EXPECT_EQ(ends[i]->velocity().x, velocities[i].x);
      EXPECT_EQ(ends[i]->force.y, 0.0f);
    }
  }
}

TEST_F(ContactFixture, FixedQuarksNeverMove) {
  Skeleton& ground = body(Vec2(-1.0f, 0.0f), Vec2(1.0f, 0.0f), kFixed, 0.05f, 0.5f);
  Skeleton& box = body(Vec2(-0.3f, 0.06f), Vec2(0.3f, 0.06f), kSoft, 0.03f, 0.5f);
  for (Quark* q : box.quarks) q->setVelocity(Vec2(1.0f, -2.0f));
  const Vec2 g0 = ground.quarks.items[0]->position, g1 = ground.quarks.items[1]->position;
  ContactPair pair{linkOf(ground), linkOf(box)};
  ASSERT_TRUE(pair.resolve());
  EXPECT_EQ(ground.quarks.items[0]->position, g0);
  EXPECT_EQ(ground.quarks.items[1]->position, g1);
  EXPECT_EQ(ground.quarks.items[0]->velocity(), Vec2(0.0f, 0.0f));
  // The light side takes (almost) the whole push of 0.02.
  EXPECT_NEAR(box.quarks.items[0]->position.y, 0.08f, 1e-5f);
  EXPECT_GT(box.quarks.items[0]->velocity().y, -2.0f);
}

TEST_F(ContactFixture, ASleepingBodyTouchedIsWokenWhole) {
  Skeleton& sleeper = body(Vec2(-0.5f, 0.0f), Vec2(0.5f, 0.0f));
  sleeper.addQuark(kSoft, Vec2(0.0f, -0.5f), 1.0f, 0.0f);
  for (Quark* q : sleeper.quarks) q->asleep = 1;
  Skeleton& mover = body(Vec2(-0.5f, 0.04f), Vec2(0.5f, 0.04f));
  mover.quarks.items[1]->asleep = 1;  // not the first quark: the pair still counts as awake
  ContactPair pair{linkOf(sleeper), linkOf(mover)};
  ASSERT_TRUE(pair.resolve());
  for (Quark* q : sleeper.quarks) EXPECT_EQ(q->asleep, 0);
  for (Quark* q : mover.quarks) EXPECT_EQ(q->asleep, 0);
}

TEST_F(ContactFixture, ZeroLengthLinksWriteNoNaN) {
  struct Row {
    const char* name;
    Vec2 a0, a1, b0, b1;
  } rows[] = {
      {"collapsed link across a segment", Vec2(0.0f, 0.04f), Vec2(0.0f, 0.04f), Vec2(-0.5f, 0.0f),
       Vec2(0.5f, 0.0f)},
      {"segment across a collapsed link", Vec2(-0.5f, 0.04f), Vec2(0.5f, 0.04f), Vec2(0.1f, 0.0f),
       Vec2(0.1f, 0.0f)},
      {"two collapsed links near each other", Vec2(0.0f, 0.03f), Vec2(0.0f, 0.03f), Vec2(0.01f, 0.0f),
       Vec2(0.01f, 0.0f)},
      {"two collapsed links on one point", Vec2(0.2f, 0.2f), Vec2(0.2f, 0.2f), Vec2(0.2f, 0.2f),
       Vec2(0.2f, 0.2f)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    bodies.clear();
    Skeleton& a = body(row.a0, row.a1);
    Skeleton& b = body(row.b0, row.b1);
    for (Quark* q : a.quarks) q->setVelocity(Vec2(0.0f, -1.0f));
    ContactPair pair{linkOf(a), linkOf(b)};
    EXPECT_TRUE(pair.resolve());
    EXPECT_TRUE(allFinite());
  }
}

TEST_F(ContactFixture, ResolveContactsWalksTheGatheredPairsInOrder) {
  Skeleton& ground = body(Vec2(-2.0f, 0.0f), Vec2(2.0f, 0.0f), kFixed, 0.05f, 0.5f);
  body(Vec2(-1.0f, 0.07f), Vec2(-0.5f, 0.07f));  // touching the ground
  body(Vec2(0.5f, 0.5f), Vec2(1.0f, 0.5f));      // in the air
  ASSERT_EQ(ferrox::pairCount(), 1u);
  EXPECT_EQ(ferrox::world->pairs.items[0].first, linkOf(ground));
  EXPECT_EQ(ferrox::resolveContacts(), 1u);
  // The list stays for the step; the next step empties it.
  EXPECT_EQ(ferrox::pairCount(), 1u);
  ferrox::clearContacts();
  EXPECT_EQ(ferrox::resolveContacts(), 0u);
}

TEST_F(ContactFixture, ADestroyedLinkTakesItsPendingPairsAlong) {
  Skeleton& ground = body(Vec2(-2.0f, 0.0f), Vec2(2.0f, 0.0f), kFixed, 0.05f, 0.5f);
  body(Vec2(-1.0f, 0.07f), Vec2(-0.5f, 0.07f));
  Skeleton& doomed = body(Vec2(0.5f, 0.07f), Vec2(1.0f, 0.07f));
  ASSERT_EQ(ferrox::pairCount(), 2u);
  doomed.removeLink(0);
  ASSERT_EQ(ferrox::pairCount(), 1u);
  EXPECT_GT(bodytest::cellEntries(linkOf(ground)), 0u);
  EXPECT_EQ(ferrox::resolveContacts(), 1u);
  // A forced leave keeps the pairs already gathered.
  bodies[1]->leaveGrid(true);
  EXPECT_EQ(ferrox::pairCount(), 1u);
}

TEST(ClosestPointsTest, Table) {
  struct Row {
    const char* name;
    Vec2 p1, p2, q1, q2;
    float s, t, d2;
  } rows[] = {
      {"crossing", Vec2(-1, 0), Vec2(1, 0), Vec2(0, -1), Vec2(0, 1), 0.5f, 0.5f, 0.0f},
      {"parallel: s = 0 stays", Vec2(0, 0), Vec2(2, 0), Vec2(-1, 1), Vec2(1, 1), 0.0f, 0.5f, 1.0f},
      {"parallel: the clamp moves s", Vec2(0, 0), Vec2(2, 0), Vec2(1, 1), Vec2(3, 1), 0.5f, 0.0f, 1.0f},
      {"t beyond 1", Vec2(0, 0), Vec2(0, 1), Vec2(-3, 2), Vec2(-1, 2), 1.0f, 1.0f, 2.0f},
      {"t below 0", Vec2(0, 0), Vec2(0, 1), Vec2(1, 2), Vec2(3, 2), 1.0f, 0.0f, 2.0f},
      {"zero-length P", Vec2(0.5f, 1.0f), Vec2(0.5f, 1.0f), Vec2(0, 0), Vec2(1, 0), 0.0f, 0.5f, 1.0f},
      {"zero-length Q", Vec2(0, 0), Vec2(2, 0), Vec2(1, -1), Vec2(1, -1), 0.5f, 0.0f, 1.0f},
      {"both zero-length", Vec2(0, 0), Vec2(0, 0), Vec2(3, 4), Vec2(3, 4), 0.0f, 0.0f, 25.0f},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    float s = -9, t = -9;
    Vec2 onP, onQ;
    const float d2 = ferrox::closestPoints(row.p1, row.p2, row.q1, row.q2, s, t, onP, onQ);
    EXPECT_FLOAT_EQ(s, row.s);
    EXPECT_FLOAT_EQ(t, row.t);
    EXPECT_FLOAT_EQ(d2, row.d2);
    const Vec2 expectP = row.p1 + (row.p2 - row.p1) * row.s;
    const Vec2 expectQ = row.q1 + (row.q2 - row.q1) * row.t;
    EXPECT_FLOAT_EQ(onP.x, expectP.x);
    EXPECT_FLOAT_EQ(onP.y, expectP.y);
    EXPECT_FLOAT_EQ(onQ.x, expectQ.x);
    EXPECT_FLOAT_EQ(onQ.y, expectQ.y);
  }
}

TEST(ClosestPointsTest, Clamp01) {
  EXPECT_EQ(ferrox::clamp01(2.0f), 1.0f);
  EXPECT_EQ(ferrox::clamp01(0.25f), 0.25f);
  EXPECT_EQ(ferrox::clamp01(0.0f), 0.0f);
  EXPECT_EQ(ferrox::clamp01(-3.0f), 0.0f);
  EXPECT_TRUE(std::isnan(ferrox::clamp01(std::numeric_limits<float>::quiet_NaN())));
}

TEST_F(ContactFixture, SetGravity) {
  ferrox::setGravity(1.0f, 0.0f);
  EXPECT_EQ(ferrox::gravity, Vec2(0.0f, -1.0f));
  ferrox::setGravity(9.81f, 90.0f);
  EXPECT_FLOAT_EQ(ferrox::gravity.x, 9.81f);
  EXPECT_NEAR(ferrox::gravity.y, 0.0f, 1e-6f);
}

TEST_F(ContactFixture, RaycastTakesTheHitNearestTheMidpoint) {
  Skeleton& near = body(Vec2(-2.0f, -1.0f), Vec2(-2.0f, 1.5f), kFixed);  // crossed at t = 0.4
  Skeleton& far = body(Vec2(3.0f, 1.5f), Vec2(3.0f, -1.0f), kFixed);  // crossed at t = 0.6
  body(Vec2(-11.0f, -1.0f), Vec2(-11.0f, 1.0f), kFixed);  // 11 from the midpoint
  body(Vec2(0.0f, 2.0f), Vec2(1.0f, 2.0f), kFixed);       // missed

  Link* link = nullptr;
  Quark* quark = nullptr;
  Vec2 hit(-99.0f, -99.0f);
  ASSERT_TRUE(ferrox::raycast(link, quark, hit, Vec2(-12.0f, 0.0f), Vec2(12.0f, 0.0f)));
  EXPECT_EQ(link, linkOf(near));
  EXPECT_EQ(quark, near.quarks.items[0]);
  EXPECT_NEAR(hit.x, -2.0f, 1e-5f);
  EXPECT_NEAR(hit.y, 0.0f, 1e-6f);

  // With the midpoint at x = 2 the other link is nearer; past the middle of
  // the link the b end is the answer. The short form makes the same choice.
  ASSERT_TRUE(ferrox::raycast(link, quark, hit, Vec2(-4.0f, 0.0f), Vec2(8.0f, 0.0f)));
  EXPECT_EQ(link, linkOf(far));
  EXPECT_EQ(quark, far.quarks.items[1]);
  EXPECT_NEAR(hit.x, 3.0f, 1e-5f);
  link = nullptr;
  quark = nullptr;
  ASSERT_TRUE(ferrox::raycast(link, quark, Vec2(-4.0f, 0.0f), Vec2(8.0f, 0.0f)));
  EXPECT_EQ(link, linkOf(far));
  EXPECT_EQ(quark, far.quarks.items[1]);
}

// A link counts as hit within its radius plus the ray's half-width 0.01: a
// link of radius 0.05 whose end lies 0.055 below the ray is hit at its a end,
// the point on the ray being the midpoint; at 0.065 it is missed.
TEST_F(ContactFixture, RaycastReachesTheRadiusPlusTheRayHalfWidth) {
  struct Row {
    const char* name;
    float gap;
    bool hit;
  } rows[] = {
      {"0.055: beyond the radius, within the half-width", 0.055f, true},
      {"0.065: beyond both", 0.065f, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    bodies.clear();
    Skeleton& post = body(Vec2(0.0f, -row.gap), Vec2(0.0f, -1.0f), kFixed, 0.05f);
    Link* link = nullptr;
    Quark* quark = nullptr;
    Vec2 hit(-99.0f, -99.0f);
    ASSERT_EQ(ferrox::raycast(link, quark, hit, Vec2(-1.0f, 0.0f), Vec2(1.0f, 0.0f)), row.hit);
    if (!row.hit) continue;
    EXPECT_EQ(link, linkOf(post));
    EXPECT_EQ(quark, post.quarks.items[0]);
    EXPECT_NEAR(hit.x, 0.0f, 1e-6f);
    EXPECT_EQ(hit.y, 0.0f);
  }
}

TEST_F(ContactFixture, RaycastIgnoresFarHitsAndLeavesOutputsAlone) {
  body(Vec2(-11.0f, -1.0f), Vec2(-11.0f, 1.0f), kFixed);
  Link* link = nullptr;
  Quark* quark = nullptr;
  Vec2 hit(-99.0f, -99.0f);
  EXPECT_FALSE(ferrox::raycast(link, quark, hit, Vec2(-12.0f, 0.0f), Vec2(12.0f, 0.0f)));
  EXPECT_EQ(link, nullptr);
  EXPECT_EQ(quark, nullptr);
  EXPECT_EQ(hit, Vec2(-99.0f, -99.0f));
  // Nothing in the way, and a ray whose end leaves the inner cells.
  EXPECT_FALSE(ferrox::raycast(link, quark, Vec2(0.0f, -3.0f), Vec2(5.0f, -3.0f)));
  EXPECT_FALSE(ferrox::raycast(link, quark, Vec2(-11.5f, 0.0f), Vec2(-20.0f, 0.0f)));
  EXPECT_EQ(link, nullptr);
}

// Candidates the memory cannot hold: the cast throws as new does, and the storage its
// candidates had taken goes with it. 2000 internal links lie along the ray, each in the 100
// cells it crosses twice over; the ray gathers every entry of those cells twice, 6.4 MB of
// candidates, while the address space is used up but for 256 KB.
TEST_F(ContactFixture, RaycastWhoseCandidatesTheMemoryCannotHoldLeavesNothing) {
  if (!test_support::kNewThrowsWhenMemoryRunsOut) GTEST_SKIP() << "memory that runs out ends this build";
  ferrox::internalCollisions = 1;
  Skeleton& along = body(Vec2(-10.0f, 0.0f), Vec2(10.0f, 0.0f), kStiff);
  for (int i = 0; i < 2000; ++i) along.addInternalLink(kStiff, 0, 1, 0.5f, 0.0f);
  const int broken = test_support::runWithLittleMemory(std::size_t(64) << 20, [](bool limited) {
    if (!limited) return test_support::kNotLimitedThere;
    constexpr std::size_t kBlock = 256 << 10;
    std::vector<void*> taken;
    taken.reserve(1024);
    const std::size_t before = test_support::heapInUse();
    while (taken.size() < taken.capacity()) {
      void* const block = std::malloc(kBlock);
      if (block == nullptr) break;
      std::memset(block, 0, 1);
      taken.push_back(block);
    }
    if (taken.size() == taken.capacity()) return test_support::kNotLimitedThere;
    std::free(taken.back());
    taken.pop_back();
    Link* link = nullptr;
    Quark* quark = nullptr;
    int bits = 0;
    try {
      ferrox::raycast(link, quark, Vec2(-12.0f, 0.0f), Vec2(12.0f, 0.0f));
      bits |= 1;
    } catch (const std::bad_alloc&) {
    }
    for (void* block : taken) std::free(block);
    // The heap's own bookkeeping may keep a few fences of 32 bytes.
    if (test_support::heapInUse() > before + 1024) bits |= 2;
    return bits;
  });
  if (broken == test_support::kNoChildHere || broken == test_support::kNotLimitedThere)
    GTEST_SKIP() << "no process of limited memory here";
  EXPECT_EQ(broken, 0) << "1: cast; 2: memory left; -1: the child crashed";
}

}  // namespace
