#pragma once
// What the hero tests share: a temporary data root holding a small hero
// skeleton, a world grid with a plain ground, a notifier that records contacts
// as the game's does, and the game's order of one physics step.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ferrox/collision_notifier.h"
#include "ferrox/skeleton.h"
#include "game/hero.h"

namespace herotest {

// A folder under /tmp, removed with everything in it; path() ends with "/".
class DataRoot {
 public:
  DataRoot();
  ~DataRoot();
  DataRoot(const DataRoot&) = delete;
  DataRoot& operator=(const DataRoot&) = delete;
  const std::string& path() const { return dir_; }
  // Writes the bytes below the root, making the folders on the way.
  void writeFile(const std::string& relative, const std::string& bytes) const;
  // Saves the body as the hero skeleton below the root.
  void writeHeroSkeleton(const ferrox::Skeleton& body) const;

 private:
  std::string dir_;
};

// A hero body of ten quarks like the game's, soft but for the stiff hinge,
// with dyadic coordinates so that quark 7 lies exactly straight above the
// centroid; quarkCount < 10 keeps only the first quarks and the links among
// them.
std::unique_ptr<ferrox::Skeleton> heroSkeleton(uint32_t quarkCount = 10);

// Starts SDL's video when there is a display, trying again for a few seconds:
// an X server refuses clients for a moment while parallel tests come and go.
// The window fixtures' own start then finds SDL running.
void startVideoWhenDisplayed();

// A 16-bit mono WAVE of that many samples at 22050 Hz.
std::string wavBytes(uint32_t samples);

// Records every contact in both bodies, as the game's notifier does, and lets
// it be resolved; contacts between the hero's body and its arm leave no record.
class RecordingNotifier : public ferrox::CollisionNotifier {
 public:
  bool onContact(ferrox::ContactPair* pair) override;
  const Hero* hero = nullptr;
};

// The notifier's record of a contact between the hero's body and another link.
void recordContact(Hero& hero, ferrox::Link* other);

// The acceleration an action added to each quark of the body: the force it
// gained, per unit of the quark's mass.
template <typename Action>
std::vector<Vec2> pushPerMass(const ferrox::Skeleton& body, Action action) {
  std::vector<Vec2> before;
  for (const ferrox::Quark* q : body.quarks) before.push_back(q->force);
  action();
  std::vector<Vec2> push;
  for (uint32_t i = 0; i < body.quarks.count; ++i) {
    const ferrox::Quark* q = body.quarks[i];
    push.push_back((q->force - before[i]) * (1.0f / q->mass));
  }
  return push;
}

// Every quark's acceleration is the expected one, to within 0.01.
void expectEvery(const std::vector<Vec2>& push, Vec2 expected);

// A world of 20 x 20 units, the hero skeleton in a data root and a notifier.
class HeroWorld : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A hero at the start; fails the test when it is refused.
  Hero& makeHero(Vec2 start = Vec2(0.0f, 0.0f));
  // A fixed segment from a to b (terrain-like), owned by the fixture.
  ferrox::Skeleton* addGround(Vec2 a, Vec2 b);
  // The game's step order for the hero: contacts cleared, pre-step, step,
  // contacts resolved. Returns the hero's step result.
  bool playStep(float dt = kStep);
  // Steps until the hero stands on the ground (at most the given steps).
  bool settle(int maxSteps = 2000);

  static constexpr float kStep = 0.002f;  // 500 steps a second

  DataRoot root;
  RecordingNotifier notifier;
  std::unique_ptr<Hero> hero;
  std::unique_ptr<ferrox::Skeleton> ground;
};

}  // namespace herotest
