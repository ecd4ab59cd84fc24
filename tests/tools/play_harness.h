#pragma once
// A small stand-in for the game's play step, for checking built data by
// playing it: the hero's drive and jump as the hero applies them, one contact
// pass per step, and a notifier that records what the hero touched.

#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "ferrox/collision_notifier.h"
#include "ferrox/skeleton.h"
#include "game/level_file.h"

namespace datatest {

constexpr float kStep = 1.0f / 500.0f;

class PlayHarness : public ferrox::CollisionNotifier {
 public:
  // Creates the world; the caller adds ground and then the hero.
  PlayHarness(int width, int height);
  ~PlayHarness() override;

  // Terrain polygons as the level reader builds them, the exit as the level makes it.
  void addLevel(const LevelFile::LevelRecord& level);
  // A polygon body from an outline (fixed quarks and edges).
  void addGround(const std::vector<Vec2>& outline);
  void addHero(const std::string& skeletonPath, Vec2 start);

  // One play step: Right held drives, jump asks for a jump (taken on the ground).
  void step(bool right, bool jump);

  ferrox::Skeleton& hero() { return *hero_; }
  bool onGround() const { return onGround_; }
  bool reachedExit() const { return reachedExit_; }
  bool touchedDeadlyEdge() const { return touchedDeadly_; }

  bool onContact(ferrox::ContactPair* pair) override;

 private:
  std::vector<std::unique_ptr<ferrox::Skeleton>> ground_;
  std::unique_ptr<ferrox::Skeleton> exit_;
  std::unique_ptr<ferrox::Skeleton> hero_;
  std::set<std::pair<int, uint32_t>> deadly_;  // (polygon, edge)
  float groundLevel_ = 0.0f;
  bool onGround_ = false;
  bool touched_ = false;
  bool reachedExit_ = false;
  bool touchedDeadly_ = false;
};

}  // namespace datatest
