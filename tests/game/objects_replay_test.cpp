// The level objects in the whole step of play: replays of small levels on
// simulated time, with the game's own load, notifier and end screens.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <random>

#include "game/level_file.h"
#include "game/replay.h"
#include "objects_fixture.h"

namespace {

namespace fs = std::filesystem;

constexpr int32_t kRight = 275;
constexpr int32_t kLeft = 276;
constexpr int32_t kJump = 122;
constexpr uint32_t kStepsPerSecond = 500;

// A data root of its own: the built data linked in, and a levels folder for
// the levels a test writes.
class ReplayRoot {
 public:
  ReplayRoot() {
    char tmpl[] = "/tmp/ombrel-objects-replay-XXXXXX";
    if (mkdtemp(tmpl) == nullptr) return;
    dir_ = tmpl;
    const fs::path built = fs::path(objectstest::builtDataRoot()) / "data";
    fs::create_directories(dir_ / "data" / "levels");
    for (const char* sub : {"skeletons", "sprites", "textures", "decals", "audio", "fonts"})
      fs::create_directory_symlink(built / sub, dir_ / "data" / sub);
  }
  ~ReplayRoot() {
    if (!dir_.empty()) fs::remove_all(dir_);
  }
  ReplayRoot(const ReplayRoot&) = delete;
  ReplayRoot& operator=(const ReplayRoot&) = delete;

  std::string path() const { return dir_.string() + "/"; }
  // Writes the level as data/levels/<name>; false when it is refused.
  bool write(const std::string& name, const LevelFile::LevelRecord& level) const {
    std::string why;
    if (!LevelFile::checkLevel(level, &why)) {
      ADD_FAILURE() << why;
      return false;
    }
    return LevelFile::saveFile((dir_ / "data" / "levels" / name).string(), LevelFile::kNoBestTime, level);
  }

 private:
  fs::path dir_;
};

// A room of open space from (-28, -8) to (28, 8) in a 64 x 24 level, the hero
// standing on its floor at x = 0.
LevelFile::LevelRecord room() {
  LevelFile::LevelRecord r;
  r.width = 64.0f;
  r.height = 24.0f;
  r.start = Vec2(0.0f, -7.3f);
  r.exitA = Vec2(27.0f, -8.0f);
  r.exitB = Vec2(27.0f, -6.0f);
  r.terrain.polygons.push_back(LevelFile::polygonFromOutline(
      {Vec2(-28.0f, -8.0f), Vec2(28.0f, -8.0f), Vec2(28.0f, 8.0f), Vec2(-28.0f, 8.0f)}, 1));
  return r;
}

// flip is the level file's byte: any nonzero one mirrors.
LevelFile::TurretRecord turret(Vec2 at, float rotation, uint8_t flip, float interval, float phase) {
  LevelFile::TurretRecord t;
  t.position = at;
  t.rotation = rotation;
  t.flip = flip;
  t.interval = interval;
  t.phase = phase;
  return t;
}

TEST(ObjectsReplay, ATurretsLaserKillsTheHeroAndTheEndScreenFollows) {
  // Mirror flags beyond 1 are mirror flags too: the level loads and plays the same.
  struct Row {
    const char* name;
    uint8_t turretFlip, decalFlipX, decalFlipY;
  } rows[] = {{"flip bytes 1", 1, 1, 1}, {"flip bytes 2 and 3", 2, 2, 3}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ReplayRoot root;
    LevelFile::LevelRecord r = room();
    // At the hero's height, facing it across 10 units: the first laser leaves
    // 1.25 s after the load.
    r.turrets = {turret(Vec2(10.0f, -7.4f), 0.0f, row.turretFlip, 1.0f, 100.0f)};
    LevelFile::DecalRecord d;
    d.position = Vec2(-5.0f, -6.0f);
    d.flipX = row.decalFlipX;
    d.flipY = row.decalFlipY;
    r.decals = {d};
    ASSERT_TRUE(root.write("laser.orl", r));
    ReplayScript script;
    script.maxSteps = 10 * kStepsPerSecond;
    const ReplayResult result = replayLevel(root.path(), "laser.orl", script);
    ASSERT_EQ(result.end, ReplayEnd::kDied);
    EXPECT_EQ(result.heroHealth, 0.0f);
    // Fired at 1.25 s, about 9 units to fly at 30 a second.
    EXPECT_NEAR(result.deathStep / double(kStepsPerSecond), 1.25 + 9.0 / 30.0, 0.1);
    EXPECT_NEAR(double(result.steps - result.deathStep) / kStepsPerSecond, 2.0, 0.05);
  }
}

TEST(ObjectsReplay, TheHeroPushesACrateAlongTheFloor) {
  ReplayRoot root;
  LevelFile::LevelRecord r = room();
  r.props = {{0, Vec2(2.5f, -7.4f)}};
  ASSERT_TRUE(root.write("crate.orl", r));
  ReplayScript script;
  script.holds = {{0, 3 * kStepsPerSecond, kRight}};
  script.maxSteps = 3 * kStepsPerSecond;
  const ReplayResult result = replayLevel(root.path(), "crate.orl", script, 50);
  ASSERT_EQ(result.end, ReplayEnd::kTimedOut);
  // The hero is now where the crate stood, and never rode over it.
  EXPECT_GT(result.heroCentre.x, 4.0f);
  for (const ReplaySample& s : result.samples) {
    SCOPED_TRACE(s.step);
    EXPECT_LT(s.centre.y, -6.7f);
  }
}

TEST(ObjectsReplay, AHurtingEnemyKillsAHeroThatStaysInContact) {
  ReplayRoot root;
  LevelFile::LevelRecord r = room();
  r.enemies = {{2, Vec2(2.0f, -7.6f)}};
  ASSERT_TRUE(root.write("skarnox.orl", r));
  ReplayScript script;
  script.maxSteps = 40 * kStepsPerSecond;
  const ReplayResult result = replayLevel(root.path(), "skarnox.orl", script, 100);
  ASSERT_EQ(result.end, ReplayEnd::kDied);
  // At most 0.075 a step: never sooner than 1334 steps; the floor takes some
  // of the steps' contact records.
  EXPECT_GE(result.deathStep, 1333u);
  EXPECT_LT(result.deathStep, 20 * kStepsPerSecond);
  float last = 100.0f;
  for (const ReplaySample& s : result.samples) {
    EXPECT_LE(s.health, last);
    last = s.health;
  }
}

// A crowded room for a minute of random play: crawling enemies that heal or do
// nothing, props on the floor and on a shelf, turrets firing over the hero's
// head into the shelf, the props and two hurting enemies penned behind a wall.
TEST(ObjectsReplay, AMinuteOfRandomPlayAmongManyObjects) {
  ReplayRoot root;
  LevelFile::LevelRecord r = room();
  // The pen: a wall from the floor to the ceiling at x = 20 with a window at
  // the lasers' height; the shelf: a box from x = -12 to -4 at y = 3.
  r.terrain.polygons[0] = LevelFile::polygonFromOutline(
      {Vec2(-28.0f, -8.0f), Vec2(19.0f, -8.0f), Vec2(19.0f, 4.0f), Vec2(21.0f, 4.0f), Vec2(21.0f, -8.0f),
       Vec2(28.0f, -8.0f), Vec2(28.0f, 8.0f), Vec2(21.0f, 8.0f), Vec2(21.0f, 6.0f), Vec2(19.0f, 6.0f),
       Vec2(19.0f, 8.0f), Vec2(-28.0f, 8.0f)},
      1);
  r.terrain.polygons.push_back(LevelFile::polygonFromOutline(
      {Vec2(-12.0f, 2.5f), Vec2(-4.0f, 2.5f), Vec2(-4.0f, 3.0f), Vec2(-12.0f, 3.0f)}, 1));
  r.exitA = Vec2(26.0f, -8.0f);
  r.exitB = Vec2(26.0f, -7.0f);
  for (int i = 0; i < 10; ++i) {
    const float x = -24.0f + 4.5f * static_cast<float>(i);
    r.enemies.push_back({static_cast<uint32_t>(i % 2), Vec2(x, -7.6f)});
  }
  r.enemies.push_back({2, Vec2(23.0f, -7.6f)});
  r.enemies.push_back({2, Vec2(25.0f, -7.6f)});
  for (int i = 0; i < 8; ++i) {
    const float x = -22.0f + 5.5f * static_cast<float>(i) + 1.5f;
    r.props.push_back({static_cast<uint32_t>(i % 2), Vec2(x, -7.2f)});
  }
  r.props.push_back({2, Vec2(-8.0f, 3.8f)});
  r.props.push_back({0, Vec2(-6.0f, 3.7f)});
  r.props.push_back({1, Vec2(-10.0f, 3.5f)});
  r.turrets = {turret(Vec2(-26.0f, 5.0f), 0.0f, 0, 0.5f, 20.0f),
               turret(Vec2(-26.0f, 3.6f), 0.0f, 0, 0.7f, 60.0f),
               turret(Vec2(16.0f, 5.0f), 0.0f, 0, 0.6f, 0.0f),
               turret(Vec2(-8.0f, 7.3f), -90.0f, 0, 0.9f, 40.0f)};
  LevelFile::DecalRecord d;
  d.index = 200;
  d.position = Vec2(0.0f, 0.0f);
  r.decals = {d};
  ASSERT_TRUE(root.write("crowd.orl", r));

  std::mt19937 random(20261210u);
  ReplayScript script;
  script.maxSteps = 60 * kStepsPerSecond;
  for (uint32_t at = 0; at < script.maxSteps;) {
    const uint32_t length = 100 + random() % 500;
    const uint32_t pick = random() % 3;
    if (pick != 2) script.holds.push_back({at, at + length, pick == 0 ? kLeft : kRight});
    at += length;
  }
  for (uint32_t at = 50; at < script.maxSteps; at += 150 + random() % 300) script.presses.push_back({at, kJump});
  const ReplayResult result = replayLevel(root.path(), "crowd.orl", script, 500);
  EXPECT_NE(result.end, ReplayEnd::kNotLoaded);
  EXPECT_EQ(result.end, ReplayEnd::kTimedOut) << "the hero's end came at step " << result.steps;
  EXPECT_EQ(result.steps, script.maxSteps);
  for (const ReplaySample& s : result.samples) {
    SCOPED_TRACE(s.step);
    EXPECT_TRUE(std::isfinite(s.centre.x) && std::isfinite(s.centre.y));
  }
}

}  // namespace
