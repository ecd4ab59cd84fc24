#pragma once
// One playable area: the terrain with a start point, an exit segment guarded
// by an exit body, parallax backgrounds and the level's objects. Exactly one
// level is current at a time. The file is read and written through the plain
// records of level_file.h; this class makes the live level from them and
// gives the records back from its live objects.

#include <cstdint>
#include <string>

#include "ferrox/indexed_list.h"
#include "ferrox/skeleton.h"
#include "ferrox/vec2.h"
#include "game/decal.h"
#include "game/level_file.h"
#include "game/terrain.h"
#include "kettar/platform/program_directory.h"

class Enemy;
class Gorvex;
class Hero;
class Laser;
class Prop;

class Level {
 public:
  // Paths below the program directory; "" marks an empty entry, which loads
  // and draws nothing.
  static const char* const kParallaxBack[LevelFile::kTableEntries];
  static const char* const kParallaxFront[LevelFile::kTableEntries];
  static const char* const kUntitledPath;
  // Depths of the back and front parallax layers.
  static constexpr float kBackDepth = 80.0f;
  static constexpr float kFrontDepth = 40.0f;

  // The one current level; null between levels.
  static Level* current;

  // Shared by every level: a level read overwrites them, a write stores them.
  static uint32_t backParallaxIndex;
  static uint32_t frontParallaxIndex;
  static int32_t backParallaxTexture;   // -1 when none is loaded
  static int32_t frontParallaxTexture;  // -1 when none is loaded
  static float backParallaxRepeat;
  static float frontParallaxRepeat;

  std::string path;  // read from and written to
  float width = 0.0f;
  float height = 0.0f;
  Terrain* terrain = nullptr;  // owned
  Vec2 start;
  uint8_t valid = 0;  // the level was built whole
  Vec2 exitA;
  Vec2 exitB;
  ferrox::Skeleton* exitBody = nullptr;  // owned; null without an exit body
  // The live objects, owned, in file order until the first removal. Each list
  // writes an object's slot into the object and into its body's id.
  ferrox::IndexedList<Enemy*> enemies;
  ferrox::IndexedList<Prop*> props;
  ferrox::IndexedList<Decal> decals;  // drawn in list order
  ferrox::IndexedList<Gorvex*> gorvexes;
  ferrox::IndexedList<Laser*> lasers;  // in flight; never written to the file
  const Hero* target = nullptr;        // not owned; set by setTarget
  // The objects load their files from below it: the program directory in the game.
  std::string dataRoot;

  // Reads the whole file first; only a sound file replaces the current level,
  // which is destroyed before the new world is made. False (current level
  // unchanged) for a missing or damaged file; a file with the right magic has
  // set the best time all the same. A sound file whose level the memory cannot
  // hold is refused too, once the current level is gone: false with no
  // current level, and the world the refused level made left to the caller.
  // The level's objects load their files from below dataRoot.
  static bool load(const std::string& path, bool withExit,
                   const std::string& dataRoot = Kettar::executableDirectory);
  // Deletes the current level and makes a new untitled one current.
  static bool createNew(bool inverted, float width, float height);
  // Writes the current level to its path (LevelFile::saveFile, which says what
  // a failed write leaves of the old file); false without a current level or
  // when the file cannot be written.
  static bool save();
  // Saves under a new path; the old path is kept when that fails.
  static bool saveAs(const std::string& path);
  // Rewrites the best time in the level's file in place; false when it could
  // not (the file is then untouched).
  static bool writeBestTime(const Level* level);
  static float bestTime();
  static void setBestTime(float t);

  // A level built from a checked record; it makes the physics world, then the
  // objects from their records with their files below dataRoot. Not valid when
  // the world cannot be made or the memory cannot hold what is built; what was
  // built is then the destructor's.
  Level(const std::string& path, const LevelFile::LevelRecord& record, bool withExit,
        const std::string& dataRoot = Kettar::executableDirectory);
  // The new-level constructor.
  Level(bool inverted, float width, float height);
  Level(const Level&) = delete;
  Level& operator=(const Level&) = delete;
  ~Level();

  LevelFile::LevelRecord record() const;

  static void loadParallax(int32_t layer, uint32_t index);
  static uint32_t parallaxIndex(int32_t layer);
  static void setParallaxRepeat(int32_t layer, float repeat);
  static float parallaxRepeat(int32_t layer);

  // One parallax layer's quad: corners (±hx, ±hy) at z, texture extents u, v.
  struct ParallaxQuad {
    float hx, hy, z, u, v;
  };
  static ParallaxQuad parallaxQuad(float width, float height, float depth, float repeat);
  void drawParallax() const;
  // Parallax, terrain, enemies, props, turrets, lasers, decals.
  void draw() const;
  static void drawEditor(const Level* level);

  // The hero every enemy crawls toward and every turret aims its sound by.
  void setTarget(const Hero* hero);
  // Null-safe: every enemy's, prop's and living laser's body leaves the grid
  // (turrets stay); the game calls it right before update.
  static void leaveGrid(Level* level);
  // Enemies (the killed ones go), props, turrets, then lasers (the finished
  // ones go); an object that goes leaves its slot to the last one, which is
  // stepped in the same pass.
  void update(float dt);
  // Appends a new laser; a turret fires through it during update. A laser the
  // list cannot take is deleted and std::bad_alloc thrown, as new would.
  void addLaser(Vec2 position, Vec2 direction);

  // Lookups by physics body, each over its list from slot 0.
  bool isLaserBody(const ferrox::Skeleton* body) const;
  bool isGorvexBody(const ferrox::Skeleton* body) const;
  // The kind, or -1 when no prop (enemy) has that body.
  int32_t propKind(const ferrox::Skeleton* body) const;
  int32_t enemyKind(const ferrox::Skeleton* body) const;
  Enemy* findEnemy(const ferrox::Skeleton* body) const;

  void createExit();
  void setExit(Vec2 a, Vec2 b);

  // Editing (no caller in the game). Type codes: 0, 1, 6 enemies of kind 0,
  // 1, 2; 2, 3, 5 props of kind 0, 1, 2; 4 a turret. An object or decal its
  // list cannot take throws std::bad_alloc and adds nothing.
  static void addObject(Level* level, int32_t typeCode, Vec2 position);
  static void removeObject(Level* level, int32_t typeCode, uint32_t index);
  // In front of the list, so it is drawn first, under every other decal. An
  // index past the catalogue adds nothing: the file could not be read back.
  static void addDecal(Level* level, uint32_t decalIndex, Vec2 position);
  // The first decal in list order that contains the point; null for none.
  static Decal* findDecal(Level* level, Vec2 point);
  // Keeps the order of the others; nothing when the decal is not in the list.
  static void removeDecal(Level* level, const Decal* decal);
  static void addTerrainRectangle(Level* level, Vec2 centre, Vec2 size);

 private:
  static bool createWorld(float width, float height);
};
