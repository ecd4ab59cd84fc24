// A level whose records fit in memory but whose bodies do not: the game loads
// it in a process of little memory, refuses it as a level that cannot be read,
// keeps nothing of it and goes on to load a small level.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <iostream>
#include <streambuf>
#include <string>
#include <type_traits>

#include "ferrox/collision_notifier.h"
#include "ferrox/grid.h"
#include "ferrox/skeleton_cache.h"
#include "game/hero.h"
#include "game/level.h"
#include "game/level_file.h"
#include "game/ombrel.h"
#include "game/version.h"
#include "support/huge_polygon_level.h"
#include "support/little_memory.h"
#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;

const fs::path kBuildData = fs::path(OMBREL_BUILD_DIR) / "data";
constexpr const char* kSmallLevel = "tutorial/01-move.orl";
constexpr uint32_t kMillion = 1000000;

// What the game writes on std::cout, kept in a fixed array, so that the heap
// is measured around the writing without the log's own storage.
class FixedLog : public std::streambuf {
 public:
  FixedLog() : old_(std::cout.rdbuf(this)) { setp(text_, text_ + sizeof text_); }
  ~FixedLog() override { std::cout.rdbuf(old_); }
  FixedLog(const FixedLog&) = delete;
  FixedLog& operator=(const FixedLog&) = delete;
  bool holds(const char* line) const {
    return std::string(pbase(), pptr()).find(line) != std::string::npos;
  }
  void clear() { setp(text_, text_ + sizeof text_); }

 private:
  char text_[4096];
  std::streambuf* old_;
};

// A program folder whose data is the built data, with the levels made here
// beside the shipped tutorial.
std::string programFolder(const test_files::TempFolder& folder) {
  const fs::path root = folder.path("game");
  fs::create_directories(root / "data" / "levels");
  for (const fs::directory_entry& e : fs::directory_iterator(kBuildData))
    if (e.path().filename() != "levels") fs::create_directory_symlink(e.path(), root / "data" / e.path().filename());
  fs::create_directory_symlink(kBuildData / "levels" / "tutorial", root / "data" / "levels" / "tutorial");
  return root.string() + "/";
}

// A plain 40 x 20 level whose objects all stand far outside its rectangle, out
// of the grid.
LevelFile::LevelRecord emptyLevel() {
  LevelFile::LevelRecord level;
  level.width = 40.0f;
  level.height = 20.0f;
  level.exitA = Vec2(15.0f, -8.0f);
  level.exitB = Vec2(15.0f, -6.0f);
  return level;
}
const Vec2 kFarAway(500.0f, 500.0f);

// Records of a few tens of bytes a vertex or an object (88 MB at most in all
// while the file is read), bodies of hundreds of bytes to kilobytes (the
// polygon's about 320 MB): a limit halfway leaves wide margins on both sides.
constexpr std::size_t kHeadroom = std::size_t(192) << 20;

// What a refusal may leave is the heap's own bookkeeping: driven past the end
// of its address space, the heap fences off the piece it leaves, 32 bytes a
// time (at most 544 bytes at once seen here). Any piece of a refused level
// left behind shows more: a terrain's tessellator takes 3.7 KB, an enemy with
// its body 1.9 KB, the world's column array 1.6 KB.
constexpr std::size_t kLeakTolerance = 1024;

TEST(LevelMemory, ALevelWhoseBodiesTheMemoryCannotHoldIsRefusedAndLeavesNothing) {
  if (!test_support::kNewThrowsWhenMemoryRunsOut) GTEST_SKIP() << "memory that runs out ends this build";
  if (!fs::exists(kBuildData / "levels" / kSmallLevel)) GTEST_SKIP() << "no built data";
  test_files::TempFolder folder{"level_memory"};
  const std::string root = programFolder(folder);
  const std::string levels = root + "data/levels/";

  ASSERT_TRUE(test_support::writeHugePolygonLevel(levels + "polygon.orl", kMillion));
  LevelFile::LevelRecord enemies = emptyLevel();
  enemies.enemies.assign(kMillion, LevelFile::EnemyRecord{});
  for (uint32_t i = 0; i < kMillion; ++i) enemies.enemies[i] = {i % LevelFile::kEnemyKinds, kFarAway};
  ASSERT_TRUE(LevelFile::saveFile(levels + "enemies.orl", LevelFile::kNoBestTime, enemies));
  LevelFile::LevelRecord props = emptyLevel();
  props.props.assign(kMillion, LevelFile::PropRecord{});
  for (uint32_t i = 0; i < kMillion; ++i) props.props[i] = {i % LevelFile::kPropKinds, kFarAway};
  ASSERT_TRUE(LevelFile::saveFile(levels + "props.orl", LevelFile::kNoBestTime, props));
  LevelFile::LevelRecord turrets = emptyLevel();
  LevelFile::TurretRecord turret;
  turret.position = kFarAway;
  turret.interval = 1.0f;
  turrets.turrets.assign(kMillion, turret);
  ASSERT_TRUE(LevelFile::saveFile(levels + "turrets.orl", LevelFile::kNoBestTime, turrets));

  const struct Row {
    const char* name;
    const char* file;
  } rows[] = {
      {"a terrain polygon of a million vertices", "polygon.orl"},
      {"a million enemies, built once their templates are cached", "enemies.orl"},
      {"a million props", "props.orl"},
      {"a million turrets", "turrets.orl"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const int broken = test_support::runWithLittleMemory(kHeadroom, [&](bool limited) {
      if (!limited) return test_support::kNotLimitedThere;
      Ombrel game(kGameTitle);
      game.dataRoot = root;
      game.forceConfig();
      game.sceneCamera = Ombrel::makeCamera();
      FixedLog log;
      game.loadLevel(kSmallLevel);
      if (game.screen != Ombrel::Screen::kPlay) return 64;
      game.leaveLevel();
      // A first refusal may grow what is kept for reuse (the template cache's
      // slot arrays); a leak would grow the heap again at the second.
      game.loadLevel(row.file);

      log.clear();
      const std::size_t before = test_support::heapInUse();
      game.loadLevel(row.file);
      const std::size_t after = test_support::heapInUse();
      int bits = 0;
      if (game.screen != Ombrel::Screen::kMenu || game.hero != nullptr) bits |= 1;
      if (Level::current != nullptr || ferrox::world != nullptr || ferrox::notifier != nullptr) bits |= 2;
      if (ferrox::SkeletonCache::size() != 0) bits |= 4;
      if (after > before + kLeakTolerance) bits |= 8;
      if (!log.holds("!![Ombrel] cannot find level file\n")) bits |= 16;

      log.clear();
      game.loadLevel(kSmallLevel);
      if (game.screen != Ombrel::Screen::kPlay || !log.holds("[Ombrel] level loaded\n")) bits |= 32;
      game.leaveLevel();
      return bits;
    });
    if (broken == test_support::kNoChildHere || broken == test_support::kNotLimitedThere)
      GTEST_SKIP() << "no process of limited memory here";
    EXPECT_EQ(broken, 0) << "1: not back on the menu; 2: level, world or notifier left; 4: templates "
                            "left; 8: memory left; 16: no line; 32: the small level did not load "
                            "after it; 64: nor before; -1: the child crashed";
  }
}

// A hero the memory cannot hold is no hero, as one without its skeleton: the
// game then refuses the level and stays on the menu.
TEST(LevelMemory, AHeroTheMemoryCannotHoldIsNoHero) {
  if (!test_support::kNewThrowsWhenMemoryRunsOut) GTEST_SKIP() << "memory that runs out ends this build";
  const std::string root = std::string(OMBREL_BUILD_DIR) + "/";
  if (!fs::exists(root + Hero::kSkeletonPath)) GTEST_SKIP() << "no built data";
  const int broken = test_support::runWithLittleMemory(std::size_t(64) << 20, [&root](bool) {
    // The template is cached: only the hero itself is asked of the memory.
    if (ferrox::SkeletonCache::get(root + Hero::kSkeletonPath).quarks.count == 0) return 2;
    if (!test_support::useUpMemory()) return test_support::kNotLimitedThere;
    return Hero::create(Vec2(0.0f, 0.0f), root) == nullptr ? 0 : 1;
  });
  if (broken == test_support::kNoChildHere || broken == test_support::kNotLimitedThere)
    GTEST_SKIP() << "no process of limited memory here";
  EXPECT_EQ(broken, 0) << "1: a hero; 2: no hero template; -1: an exception left the call";
}

// An object a full list cannot take, in a level being played or edited: the
// call throws as new does, the object goes and the list keeps what it held.
// Each list is full at 160 MB, which a process of 256 MB cannot double.
TEST(LevelMemory, AnObjectItsListCannotTakeIsNotAdded) {
  if (!test_support::kNewThrowsWhenMemoryRunsOut) GTEST_SKIP() << "memory that runs out ends this build";
  const std::string root = std::string(OMBREL_BUILD_DIR) + "/";
  if (!fs::exists(root + Hero::kSkeletonPath)) GTEST_SKIP() << "no built data";
  constexpr std::size_t kHeadroom = std::size_t(256) << 20;
  // Fills the list with slots nobody reads, runs the addition, then empties the
  // list again; the result's bit 1 says it was added, 2 that the list changed.
  auto whenFull = [](auto& list, const std::function<void()>& add) {
    using Item = std::remove_reference_t<decltype(list[0])>;
    const uint32_t full = uint32_t(kHeadroom * 5 / 8 / sizeof(Item));
    if (!list.grow(full)) return 64;
    list.count = full;
    int bits = 0;
    try {
      add();
      bits |= 1;
    } catch (const std::bad_alloc&) {
    }
    if (list.count != full || list.capacity != full) bits |= 2;
    list.count = 0;
    return bits;
  };
  const struct Row {
    const char* name;
    std::function<int(Level&)> run;
  } rows[] = {
      {"an enemy", [&](Level& l) { return whenFull(l.enemies, [&] { Level::addObject(&l, 0, kFarAway); }); }},
      {"a prop", [&](Level& l) { return whenFull(l.props, [&] { Level::addObject(&l, 2, kFarAway); }); }},
      {"a turret", [&](Level& l) { return whenFull(l.gorvexes, [&] { Level::addObject(&l, 4, kFarAway); }); }},
      {"a laser", [&](Level& l) { return whenFull(l.lasers, [&] { l.addLaser(kFarAway, Vec2(1.0f, 0.0f)); }); }},
      {"a decal", [&](Level& l) { return whenFull(l.decals, [&] { Level::addDecal(&l, 3, kFarAway); }); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const int broken = test_support::runWithLittleMemory(kHeadroom, [&](bool limited) {
      if (!limited) return test_support::kNotLimitedThere;
      Level level("", emptyLevel(), false, root);
      if (!level.valid) return 64;
      return row.run(level);
    });
    if (broken == test_support::kNoChildHere || broken == test_support::kNotLimitedThere)
      GTEST_SKIP() << "no process of limited memory here";
    EXPECT_EQ(broken, 0) << "1: added without its slot; 2: the list changed; 64: no room for the "
                            "full list; -1: the child crashed";
  }
}

}  // namespace
