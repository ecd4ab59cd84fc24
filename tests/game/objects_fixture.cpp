#include "objects_fixture.h"

#include <SDL.h>

#include <cstdlib>
#include <filesystem>

#include "ferrox/contact_pair.h"
#include "ferrox/contact_record.h"
#include "ferrox/grid.h"
#include "ferrox/link.h"
#include "ferrox/settings.h"
#include "ferrox/skeleton_cache.h"
#include "kettar/particle_system.h"

namespace objectstest {

std::string builtDataRoot() { return std::string(OMBREL_BUILD_DIR) + "/"; }

bool GameNotifier::onContact(ferrox::ContactPair* pair) {
  ferrox::Skeleton* p = pair->first->a->owner;
  ferrox::Skeleton* q = pair->second->a->owner;
  const Level* level = Level::current;
  if (level != nullptr && level->exitBody != nullptr && (p == level->exitBody || q == level->exitBody))
    return false;
  if (hero != nullptr) {
    const ferrox::Skeleton* h = hero->body();
    const ferrox::Skeleton* arm = hero->armBody();
    if ((p == h && q == arm) || (q == h && p == arm)) return false;
  }
  ferrox::recordContact(pair->first, pair->second);
  ferrox::recordContact(pair->second, pair->first);
  if (level != nullptr && (level->isLaserBody(p) || level->isLaserBody(q))) {
    ++laserContacts;
    return false;
  }
  return true;
}

LevelFile::LevelRecord openLevel(float width, float height) {
  LevelFile::LevelRecord r;
  r.width = width;
  r.height = height;
  r.exitA = Vec2(width * 0.5f - 2.0f, 0.0f);
  r.exitB = Vec2(width * 0.5f - 2.0f, 1.0f);
  return r;
}

LevelFile::PolygonRecord floorBox(float x0, float x1, float y) {
  return LevelFile::polygonFromOutline({Vec2(x0, y - 1.0f), Vec2(x1, y - 1.0f), Vec2(x1, y), Vec2(x0, y)}, 1);
}

void DummyMixer::start() {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  ASSERT_EQ(SDL_Init(SDL_INIT_TIMER), 0) << SDL_GetError();
  mixer_ = std::make_unique<Kettar::Mixer>(&settings_, nullptr);
  ASSERT_TRUE(mixer_->active());
  Kettar::mixer = mixer_.get();
}

void DummyMixer::stop() {
  Kettar::mixer = nullptr;
  mixer_.reset();
  SDL_Quit();
}

void ObjectsWorld::SetUp() {
  savedGravity = ferrox::gravity;
  root = builtDataRoot();
  // Stops the test here, before anything is built from missing files.
  ASSERT_TRUE(std::filesystem::exists(root + Hero::kSkeletonPath))
      << "no built data below " << root << ": build the ombrel_data target";
  ferrox::notifier = &notifier;
}

void WeightlessWorld::SetUp() {
  ObjectsWorld::SetUp();
  ferrox::gravity = Vec2(0.0f, 0.0f);
}

void ObjectsWorld::TearDown() {
  hero.reset();
  delete Level::current;
  Level::current = nullptr;
  ferrox::notifier = nullptr;
  ferrox::gravity = savedGravity;
  ferrox::destroyWorld();
  ferrox::SkeletonCache::clear();
  Kettar::clearParticles();
}

Level& ObjectsWorld::makeLevel(const LevelFile::LevelRecord& record, bool withExit) {
  delete Level::current;
  Level::current = nullptr;
  std::string why;
  EXPECT_TRUE(LevelFile::checkLevel(record, &why)) << why;
  Level::current = new Level(root + "test.orl", record, withExit, root);
  EXPECT_TRUE(Level::current->valid);
  return *Level::current;
}

Hero& ObjectsWorld::makeHero(Vec2 start) {
  hero = Hero::create(start, root);
  EXPECT_NE(hero, nullptr) << "no hero skeleton below " << root;
  notifier.hero = hero.get();
  if (Level::current != nullptr) Level::current->setTarget(hero.get());
  return *hero;
}

bool ObjectsWorld::playStep(float dt) {
  ferrox::clearContacts();
  if (hero) hero->preStep();
  Level::leaveGrid(Level::current);
  if (Level::current != nullptr) Level::current->update(dt);
  const bool alive = hero ? hero->step(dt) : true;
  ferrox::resolveContacts();
  clock.advance(dt);
  return alive;
}

}  // namespace objectstest
