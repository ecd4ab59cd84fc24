#pragma once
// What the rope tests share: a current level (terrain, world grid) of 20 x 20
// units, an arm quark to fire from, a stand-in hero body, a notifier that
// records and vetoes as the game's does, and the game's order of one step.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "ferrox/collision_notifier.h"
#include "ferrox/skeleton.h"
#include "game/grapple.h"

namespace ropetest {

// Records every contact in both bodies through the physics records, leaves
// contacts between the hero body and the rope (or arm) unrecorded and
// unresolved, and resolves none that involves a laser.
class RopeNotifier : public ferrox::CollisionNotifier {
 public:
  bool onContact(ferrox::ContactPair* pair) override;
  const ferrox::Skeleton* heroBody = nullptr;
  const ferrox::Skeleton* armBody = nullptr;
  const ferrox::Skeleton* rope = nullptr;
};

class RopeWorld : public ::testing::Test {
 public:
  void SetUp() override;
  void TearDown() override;

  // A rope from the arm quark (at the arm position) along the unit direction.
  Grapple& fire(Vec2 direction, Vec2 armVelocity = Vec2());
  // The game's order: contacts cleared, pre-steps, the other bodies' steps,
  // the rope's step, contacts resolved. False when the rope was dropped (and deleted).
  bool playStep(float dt = kStep);
  // Steps until the rope holds or is dropped; false when neither happened.
  bool playUntilSettled(int maxSteps = 400);

  // A fixed segment (terrain-like, outside the level's terrain), owned by the fixture.
  ferrox::Skeleton* addFixedSegment(Vec2 a, Vec2 b);
  // A square of stiff quarks and stiff surface links (a crate), sleeping allowed.
  ferrox::Skeleton* addStiffBox(Vec2 centre, float half);
  // The same with soft quarks and soft links.
  ferrox::Skeleton* addSoftBox(Vec2 centre, float half);
  // A terrain rectangle of the current level; its polygon index.
  int32_t addTerrainBox(Vec2 centre, Vec2 size);
  // Bodies the fixture steps before the rope, as the level steps its objects.
  void addMoving(ferrox::Skeleton* body) { moving_.push_back(body); }

  static constexpr float kStep = 0.002f;  // 500 steps a second
  static inline const Vec2 kArmAt{-6.0f, 0.0f};

  RopeNotifier notifier;
  std::unique_ptr<ferrox::Skeleton> arm;       // the arm quark's body
  std::unique_ptr<ferrox::Skeleton> heroBody;  // never stepped; the rope ignores it
  ferrox::Quark* armQuark = nullptr;
  std::unique_ptr<Grapple> rope;
  std::vector<std::unique_ptr<ferrox::Skeleton>> bodies;

 private:
  std::vector<ferrox::Skeleton*> moving_;
};

}  // namespace ropetest
