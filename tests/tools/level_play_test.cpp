// Plays the built tutorial levels with the game's own level and hero: the
// level file loaded as the game loads it, the hero built from the built
// skeleton, and the play step in the game's order.

#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "ferrox/collision_notifier.h"
#include "ferrox/contact_pair.h"
#include "ferrox/grid.h"
#include "ferrox/link.h"
#include "ferrox/skeleton_cache.h"
#include "game/gl_window.h"
#include "game/hero.h"
#include "game/level.h"

namespace {

constexpr float kDt = 1.0f / 500.0f;

// The game's notifier as far as these levels need it: the exit ends the level
// and is never resolved, the hero's own arm is left alone, every other contact
// is recorded in both bodies and resolved.
class PlayNotifier : public ferrox::CollisionNotifier {
 public:
  PlayNotifier(const Hero& hero, const ferrox::Skeleton* exitBody) : hero_(hero), exit_(exitBody) {}
  bool onContact(ferrox::ContactPair* pair) override {
    ferrox::Skeleton* a = pair->first->a->owner;
    ferrox::Skeleton* b = pair->second->a->owner;
    const bool heroA = a == hero_.body(), heroB = b == hero_.body();
    if (a == exit_ || b == exit_) {
      if (heroA || heroB) reachedExit = true;
      return false;
    }
    if ((heroA && b == hero_.armBody()) || (heroB && a == hero_.armBody())) return false;
    a->lastOwnLink = pair->first;
    a->lastOtherLink = pair->second;
    b->lastOwnLink = pair->second;
    b->lastOtherLink = pair->first;
    return true;
  }
  bool reachedExit = false;

 private:
  const Hero& hero_;
  const ferrox::Skeleton* exit_;
};

class LevelPlay : public GlWindowTest {
 protected:
  void TearDown() override {
    ferrox::notifier = nullptr;
    hero_.reset();
    delete Level::current;
    Level::current = nullptr;
    ferrox::SkeletonCache::clear();
    GlWindowTest::TearDown();
  }

  void start(const std::string& level) {
    const std::string root = std::string(OMBREL_BUILD_DIR) + "/";
    ASSERT_TRUE(Level::load(root + "data/levels/" + level, true));
    hero_ = Hero::create(Level::current->start, root);
    ASSERT_NE(hero_, nullptr);
    notifier_ = std::make_unique<PlayNotifier>(*hero_, Level::current->exitBody);
    ferrox::notifier = notifier_.get();
  }

  // One play step with the given keys held; false on the hero's death step.
  bool step(const uint8_t* keys) {
    hero_->holdKeys(keys, kDt);
    ferrox::clearContacts();
    hero_->preStep();
    const bool alive = hero_->step(kDt);
    ferrox::resolveContacts();
    return alive;
  }

  std::unique_ptr<Hero> hero_;
  std::unique_ptr<PlayNotifier> notifier_;
};

TEST_F(LevelPlay, MoveIsFinishedByHoldingRight) {
  start("tutorial/01-move.orl");
  uint8_t keys[500] = {};
  keys[SDLK_RIGHT] = 1;
  int steps = 0;
  while (!notifier_->reachedExit && steps < 30 * 500) {
    ASSERT_TRUE(step(keys)) << "the hero died at " << hero_->centre().x;
    ++steps;
  }
  EXPECT_TRUE(notifier_->reachedExit) << "stopped at x = " << hero_->centre().x;
  EXPECT_LT(std::fabs(hero_->bodyAngle()), 45.0f) << "the hero tipped over";
}

TEST_F(LevelPlay, SwingPitKillsARunningJump) {
  start("tutorial/07-swing.orl");
  uint8_t keys[500] = {};
  keys[SDLK_RIGHT] = 1;
  bool jumped = false, died = false;
  for (int steps = 0; steps < 20 * 500 && !died && !notifier_->reachedExit; ++steps) {
    if (!jumped && hero_->onGround() && hero_->centre().x > -9.0f) {
      hero_->jump();
      jumped = true;
    }
    died = !step(keys);
  }
  EXPECT_TRUE(jumped) << "never reached the pit's edge";
  EXPECT_FALSE(notifier_->reachedExit);
  EXPECT_TRUE(died) << "ended at " << hero_->centre().x << ", " << hero_->centre().y;
}

}  // namespace
