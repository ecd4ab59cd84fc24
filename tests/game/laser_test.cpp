// Lasers: growth then flight, what stops them and what does not, their place
// in the grid, and the contact records that may outlive what they name.
#include "game/laser.h"

#include <gtest/gtest.h>

#include <cstdint>

#include "ferrox/grid.h"
#include "game/enemy.h"
#include "game/gorvex.h"
#include "game/prop.h"
#include "objects_fixture.h"

namespace {

using objectstest::floorBox;
using objectstest::openLevel;

// How often the link stands in any cell of the world's grid.
uint32_t gridEntries(uintptr_t link) {
  uint32_t n = 0;
  ferrox::Grid* g = ferrox::world;
  for (int32_t c = 0; c < g->cols; ++c) {
    for (int32_t r = 0; r < g->rows; ++r) {
      const ferrox::GridCell& cell = g->cell(c, r);
      for (uint32_t i = 0; i < cell.count; ++i) {
        if (reinterpret_cast<uintptr_t>(cell.links[i]) == link) ++n;
      }
    }
  }
  return n;
}

// Targets hang where they are put.
class LaserWorld : public objectstest::WeightlessWorld {};

TEST_F(LaserWorld, GrowsToFullLengthThenFliesWhole) {
  Level& level = makeLevel(openLevel());
  level.addLaser(Vec2(-15.0f, 0.0f), Vec2(1.0f, 0.0f));
  Laser& l = *level.lasers[0];
  EXPECT_NEAR(l.link()->length(), 0.1f, 1e-6f);
  int growing = 0;
  while (l.link()->length() < 2.0f && growing < 100) {
    playStep();
    ++growing;
    EXPECT_EQ(l.tail()->position, Vec2(-15.0f, 0.0f));
    EXPECT_NEAR(l.link()->rest, l.link()->length(), 1e-6f);
  }
  // (2 - 0.1) / 30 s at 500 steps a second.
  EXPECT_EQ(growing, 32);
  const float length = l.link()->length();
  const Vec2 tail = l.tail()->position;
  playStep();
  EXPECT_NEAR(l.tail()->position.x - tail.x, 30.0f * kStep, 1e-5f);
  EXPECT_NEAR(l.link()->length(), length, 1e-5f);
}

TEST_F(LaserWorld, StopsOnTerrainPropsAndEnemiesAndGoesAtTheNextUpdate) {
  struct Row {
    const char* name;
    bool wall;
    uint32_t propKind;   // 3: none
    uint32_t enemyKind;  // 3: none
  } rows[] = {{"terrain", true, 3, 3}, {"crate", false, 0, 3}, {"barrel", false, 1, 3},
              {"healing enemy", false, 3, 1}, {"hurting enemy", false, 3, 2}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    LevelFile::LevelRecord r = openLevel();
    if (row.wall) {
      r.terrain.polygons.push_back(LevelFile::polygonFromOutline(
          {Vec2(5.0f, -5.0f), Vec2(6.0f, -5.0f), Vec2(6.0f, 5.0f), Vec2(5.0f, 5.0f)}, 1));
    }
    if (row.propKind < 3) r.props = {{row.propKind, Vec2(5.5f, 0.0f)}};
    if (row.enemyKind < 3) r.enemies = {{row.enemyKind, Vec2(5.5f, 0.0f)}};
    Level& level = makeLevel(r);
    level.addLaser(Vec2(0.0f, 0.0f), Vec2(1.0f, 0.0f));
    const Laser* l = level.lasers[0];
    int steps = 0;
    Vec2 head;
    while (!l->dead() && steps < 1000) {
      head = l->head()->position;
      playStep();
      ++steps;
    }
    ASSERT_TRUE(l->dead());
    // Marked dead where it touched, without moving on.
    EXPECT_EQ(l->head()->position, head);
    // About 5 units at 30 a second.
    EXPECT_NEAR(steps * kStep, 5.0f / 30.0f, 0.03f);
    const uintptr_t link = reinterpret_cast<uintptr_t>(l->link());
    ASSERT_EQ(level.lasers.count, 1u);
    // The next update takes it away, with every cell entry.
    ferrox::clearContacts();
    Level::leaveGrid(&level);
    level.update(kStep);
    EXPECT_EQ(level.lasers.count, 0u);
    EXPECT_EQ(gridEntries(link), 0u);
  }
}

TEST_F(LaserWorld, MissesFlyOnAndPassTurrets) {
  LevelFile::LevelRecord r = openLevel();
  LevelFile::TurretRecord t;
  t.position = Vec2(3.0f, 0.0f);
  t.interval = 100.0f;
  t.phase = 100.0f;
  r.turrets = {t};
  Level& level = makeLevel(r);
  level.addLaser(Vec2(0.0f, 0.0f), Vec2(1.0f, 0.0f));
  // Through the turret's soft links, out of the level's grid and on.
  for (int i = 0; i < 2000; ++i) playStep();
  ASSERT_EQ(level.lasers.count, 1u);
  EXPECT_FALSE(level.lasers[0]->dead());
  EXPECT_NEAR(level.lasers[0]->head()->position.x, 2000 * 30.0f * kStep + 0.1f, 0.01f);
}

TEST_F(LaserWorld, KillsTheHeroAndFliesOn) {
  Level& level = makeLevel(openLevel());
  Hero& h = makeHero(Vec2(5.0f, 0.0f));
  level.addLaser(Vec2(0.0f, h.centre().y), Vec2(1.0f, 0.0f));
  int deaths = 0;
  for (int i = 0; i < 400; ++i) {
    if (!playStep()) ++deaths;
  }
  EXPECT_EQ(deaths, 1);
  EXPECT_EQ(h.health(), 0.0f);
  ASSERT_EQ(level.lasers.count, 1u);
  EXPECT_FALSE(level.lasers[0]->dead());
  EXPECT_GT(level.lasers[0]->tail()->position.x, 10.0f);
  EXPECT_GT(notifier.laserContacts, 0u);
}

TEST_F(LaserWorld, ALaserBornInTheTurretUpdateStandsInTheGridOnce) {
  LevelFile::LevelRecord r = openLevel();
  LevelFile::TurretRecord t;
  t.position = Vec2(-10.0f, 0.0f);
  t.interval = 1.0f;
  t.phase = 0.0f;
  r.turrets = {t};
  Level& level = makeLevel(r);
  int steps = 0;
  while (level.lasers.count == 0 && steps < 1000) {
    playStep();
    ++steps;
  }
  ASSERT_EQ(level.lasers.count, 1u);
  // Entered at birth and again by its first update in the same pass: one
  // leave must take it out of every cell.
  Laser& l = *level.lasers[0];
  const uintptr_t link = reinterpret_cast<uintptr_t>(l.link());
  EXPECT_GT(gridEntries(link), 0u);
  l.body()->leaveGrid(true);
  EXPECT_EQ(gridEntries(link), 0u);
}

TEST_F(LaserWorld, AKilledEnemyLeavesNoRecordInTheLaserThatTouchedIt) {
  LevelFile::LevelRecord r = openLevel();
  r.enemies = {{2, Vec2(0.0f, 0.0f)}};
  Level& level = makeLevel(r);
  // A laser right through the enemy: the first resolution records the contact.
  level.addLaser(Vec2(-0.35f, 0.1f), Vec2(1.0f, 0.0f));
  Laser& l = *level.lasers[0];
  ferrox::resolveContacts();
  ASSERT_NE(l.body()->lastOtherLink, nullptr);
  ASSERT_EQ(l.body()->lastOtherLink->a->owner, level.enemies[0]->body());
  // Killed by the rope before the laser's update reads its record: the enemy
  // goes first in the update, and the record naming its links goes with it.
  level.enemies[0]->kill();
  playStep();
  EXPECT_EQ(level.enemies.count, 0u);
  ASSERT_EQ(level.lasers.count, 1u);
  EXPECT_FALSE(l.dead());
}

}  // namespace
