// The level's live objects: lookups by body, the reader's refusal of kinds and
// indices past their tables, and the game notifier's row for lasers.
#include <gtest/gtest.h>

#include "ferrox/contact_pair.h"
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
