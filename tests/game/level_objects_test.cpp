// The level's live objects: lookups by body, the reader's refusal of kinds and
// indices past their tables, and the game notifier's row for lasers.
#include <gtest/gtest.h>

#include "ferrox/contact_pair.h"
#include "ferrox/contact_record.h"
#include "ferrox/settings.h"
#include "game/enemy.h"
#include "game/gorvex.h"
#include "game/laser.h"
#include "game/ombrel.h"
#include "game/prop.h"
#include "game/version.h"
#include "objects_fixture.h"
#include "temp_folder.h"

namespace {

using objectstest::floorBox;
using objectstest::openLevel;

class LevelObjects : public objectstest::WeightlessWorld {};

TEST_F(LevelObjects, LookupsByBody) {
  LevelFile::LevelRecord r = openLevel();
  r.terrain.polygons.push_back(floorBox(-15.0f, 15.0f, -5.0f));
  r.enemies = {{0, Vec2(-6.0f, 0.0f)}, {2, Vec2(-3.0f, 0.0f)}};
  r.props = {{1, Vec2(3.0f, 0.0f)}};
  LevelFile::TurretRecord t;
  t.position = Vec2(6.0f, 3.0f);
  r.turrets = {t};
  Level& level = makeLevel(r, true);
  makeHero(Vec2(0.0f, 3.0f));
  level.addLaser(Vec2(8.0f, 0.0f), Vec2(1.0f, 0.0f));
  struct Row {
    const char* name;
    const ferrox::Skeleton* body;
    bool laser, turret;
    int32_t prop, enemy;
    const Enemy* found;
  } rows[] = {
      {"enemy 0", level.enemies[0]->body(), false, false, -1, 0, level.enemies[0]},
      {"enemy 1", level.enemies[1]->body(), false, false, -1, 2, level.enemies[1]},
      {"barrel", level.props[0]->body(), false, false, 1, -1, nullptr},
      {"turret", level.gorvexes[0]->body(), false, true, -1, -1, nullptr},
      {"laser", level.lasers[0]->body(), true, false, -1, -1, nullptr},
      {"terrain", &level.terrain->polygons[0]->body, false, false, -1, -1, nullptr},
      {"exit", level.exitBody, false, false, -1, -1, nullptr},
      {"hero", hero->body(), false, false, -1, -1, nullptr},
      {"none", nullptr, false, false, -1, -1, nullptr},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(level.isLaserBody(row.body), row.laser);
    EXPECT_EQ(level.isGorvexBody(row.body), row.turret);
    EXPECT_EQ(level.propKind(row.body), row.prop);
    EXPECT_EQ(level.enemyKind(row.body), row.enemy);
    EXPECT_EQ(level.findEnemy(row.body), row.found);
  }
  // Each list writes the slot into the object and its body.
  EXPECT_EQ(level.enemies[1]->id(), 1);
  EXPECT_EQ(level.enemies[1]->body()->id, 1);
  EXPECT_EQ(level.lasers[0]->body()->id, 0);
}

TEST_F(LevelObjects, TheReaderRefusesKindsAndIndicesPastTheirTables) {
  const test_files::TempFolder folder("level_objects_test");
  struct Row {
    const char* name;
    void (*damage)(LevelFile::LevelRecord&);
  } rows[] = {
      {"enemy kind 3", [](LevelFile::LevelRecord& l) { l.enemies = {{3, Vec2()}}; }},
      {"prop kind 3", [](LevelFile::LevelRecord& l) { l.props = {{3, Vec2()}}; }},
      {"decal 480", [](LevelFile::LevelRecord& l) {
         LevelFile::DecalRecord d;
         d.index = 480;
         l.decals = {d};
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    LevelFile::LevelRecord l = openLevel();
    row.damage(l);
    const std::string p = folder.path("bad.orl");
    ASSERT_TRUE(LevelFile::saveFile(p, 10.0f, l));
    EXPECT_FALSE(Level::load(p, true, root));
    EXPECT_EQ(Level::current, nullptr);
  }
}

TEST_F(LevelObjects, EditedObjectsAreWrittenBackAndDecalsPastTheCatalogueRefused) {
  Level& level = makeLevel(openLevel());
  Level::addObject(&level, 6, Vec2(1.0f, 2.0f));
  Level::addObject(&level, 5, Vec2(-1.0f, 2.0f));
  Level::addObject(&level, 4, Vec2(4.0f, 4.0f));
  Level::addDecal(&level, 479, Vec2(0.5f, 0.5f));
  Level::addDecal(&level, 480, Vec2(0.5f, 0.5f));
  EXPECT_EQ(level.decals.count, 1u);
  EXPECT_EQ(Level::findDecal(&level, Vec2(0.6f, 0.6f)), &level.decals[0]);
  EXPECT_EQ(Level::findDecal(&level, Vec2(3.0f, 3.0f)), nullptr);
  const LevelFile::LevelRecord saved = level.record();
  std::string why;
  EXPECT_TRUE(LevelFile::checkLevel(saved, &why)) << why;
  ASSERT_EQ(saved.enemies.size(), 1u);
  EXPECT_EQ(saved.enemies[0].kind, 2u);
  ASSERT_EQ(saved.props.size(), 1u);
  EXPECT_EQ(saved.props[0].kind, 2u);
  ASSERT_EQ(saved.turrets.size(), 1u);
  EXPECT_EQ(saved.turrets[0].interval, 1.0f);
  ASSERT_EQ(saved.decals.size(), 1u);
  EXPECT_EQ(saved.decals[0].index, 479u);
}

// Three enemies alike and three lasers alike; the first of each finishes. It
// is gone after that pass, the last one has taken its slot, and that one was
// stepped in the pass just as the middle one, once.
TEST_F(LevelObjects, AFinishedObjectLeavesInItsPassAndTheOneMovedIntoItsSlotIsStepped) {
  ferrox::gravity = Vec2(0.0f, -9.81f);  // a stepped enemy falls
  LevelFile::LevelRecord r = openLevel();
  r.terrain.polygons.push_back(floorBox(-15.0f, 15.0f, -8.0f));
  r.enemies = {{0, Vec2(2.0f, 3.0f)}, {0, Vec2(6.0f, 3.0f)}, {0, Vec2(10.0f, 3.0f)}};
  Level& level = makeLevel(r);
  for (float y : {-3.0f, 0.0f, 3.0f}) level.addLaser(Vec2(-15.0f, y), Vec2(1.0f, 0.0f));
  // A laser that touched terrain is marked dead by its next update and goes at the one after.
  ferrox::recordContact(level.lasers[0]->link(), level.terrain->polygons[0]->body.links[0]);
  playStep();
  ASSERT_TRUE(level.lasers[0]->dead());
  ASSERT_EQ(level.lasers.count, 3u);
  level.enemies[0]->kill();

  const Enemy* lastEnemy = level.enemies[2];
  const Laser* lastLaser = level.lasers[2];
  auto fall = [](const Enemy* e) { return e->body()->quarks[0]->velocity(); };
  const Vec2 middleBefore = fall(level.enemies[1]);
  const Vec2 lastBefore = fall(lastEnemy);
  const float middleHead = level.lasers[1]->head()->position.x;
  const float lastHead = lastLaser->head()->position.x;
  playStep();
  ASSERT_EQ(level.enemies.count, 2u);
  ASSERT_EQ(level.enemies[0], lastEnemy);
  const Vec2 middleFall = fall(level.enemies[1]) - middleBefore;
  EXPECT_LT(middleFall.y, 0.0f);
  EXPECT_NEAR((fall(lastEnemy) - lastBefore).y, middleFall.y, 0.05f * -middleFall.y);
  ASSERT_EQ(level.lasers.count, 2u);
  ASSERT_EQ(level.lasers[0], lastLaser);
  EXPECT_NEAR(level.lasers[1]->head()->position.x - middleHead, 30.0f * kStep, 1e-5f);
  EXPECT_NEAR(lastLaser->head()->position.x - lastHead, 30.0f * kStep, 1e-5f);
}

TEST_F(LevelObjects, TheGameNotifierRecordsLaserContactsAndNeverResolvesThem) {
  LevelFile::LevelRecord r = openLevel();
  r.props = {{0, Vec2(0.0f, 0.0f)}};
  Level& level = makeLevel(r);
  makeHero(Vec2(6.0f, 0.0f));
  level.addLaser(Vec2(-3.0f, 0.0f), Vec2(1.0f, 0.0f));
  Ombrel app(kGameTitle);
  Ombrel::Notifier game(&app, hero.get());
  ferrox::Link* laser = level.lasers[0]->link();
  ferrox::Link* crate = level.props[0]->body()->links[0];
  ferrox::Link* heroLink = hero->body()->links[0];
  struct Row {
    const char* name;
    ferrox::Link* first;
    ferrox::Link* second;
    bool resolved;
  } rows[] = {
      {"laser, then crate", laser, crate, false},
      {"crate, then laser", crate, laser, false},
      {"hero, then laser", heroLink, laser, false},
      {"crate, then hero", crate, heroLink, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ferrox::ContactPair pair;
    pair.first = row.first;
    pair.second = row.second;
    EXPECT_EQ(game.onContact(&pair), row.resolved);
    ferrox::Skeleton* p = row.first->a->owner;
    ferrox::Skeleton* q = row.second->a->owner;
    EXPECT_EQ(p->lastOwnLink, row.first);
    EXPECT_EQ(p->lastOtherLink, row.second);
    EXPECT_EQ(q->lastOwnLink, row.second);
    EXPECT_EQ(q->lastOtherLink, row.first);
  }
}

}  // namespace
