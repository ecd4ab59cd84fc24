#pragma once
// What the level object tests share: a level built from a record with the
// built game data below the build folder, simulated time for the turrets'
// stopwatches, a notifier that records and vetoes contacts as the game's does,
// the world's gravity restored after each test, and the game's order of one
// physics step.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ferrox/collision_notifier.h"
#include "game/hero.h"
#include "game/level.h"
#include "game/level_file.h"
#include "kettar/app_config.h"
#include "kettar/mixer.h"
#include "kettar/simulated_clock.h"

namespace objectstest {

// The build folder with a trailing "/": data/ below it holds the built data.
std::string builtDataRoot();

// The game's notifier rules without the application: the exit ends nothing
// here (it is only never resolved), the hero's own arm is skipped, every other
// contact is recorded in both bodies, and a contact with a laser is never resolved.
class GameNotifier : public ferrox::CollisionNotifier {
 public:
  bool onContact(ferrox::ContactPair* pair) override;
  const Hero* hero = nullptr;
  uint32_t laserContacts = 0;   // contacts that named a laser body
};

// An empty level record of the size, with no terrain polygon: the level
// rectangle is all open space.
LevelFile::LevelRecord openLevel(float width = 40.0f, float height = 20.0f);
// A fixed floor polygon (a thin box) from x0 to x1 with its top at y.
LevelFile::PolygonRecord floorBox(float x0, float x1, float y);

// The game's mixer on SDL's dummy audio driver: Kettar::mixer from start() to
// stop(). start() fails the test when SDL or the mixer does not start; stop()
// is safe after a failed start.
class DummyMixer {
 public:
  void start();
  void stop();
  Kettar::Mixer* get() const { return mixer_.get(); }

 private:
  Kettar::AudioConfig settings_;
  std::unique_ptr<Kettar::Mixer> mixer_;  // null while stopped
};

class ObjectsWorld : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Makes the level current from the record (objects read from the built data).
  Level& makeLevel(const LevelFile::LevelRecord& record, bool withExit = false);
  // A hero from the built data; the level's target from now on.
  Hero& makeHero(Vec2 start);
  // One step of play in the game's order; simulated time moves by dt after it.
  // Returns the hero's step result (true without a hero).
  bool playStep(float dt = kStep);

  static constexpr float kStep = 0.002f;  // 500 steps a second

  Kettar::SimulatedClock clock;
  Vec2 savedGravity;  // ferrox::gravity before SetUp; tests may change it, TearDown restores it
  GameNotifier notifier;
  std::unique_ptr<Hero> hero;
  std::string root;
};

// The same world without gravity: objects hang where they are put.
class WeightlessWorld : public ObjectsWorld {
 protected:
  void SetUp() override;
};

}  // namespace objectstest
