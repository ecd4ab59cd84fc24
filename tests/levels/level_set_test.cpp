// What the set of 26 built levels holds together: every kind of object, edge
// type, parallax layer, terrain and border texture and decal theme at least
// once.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "game/level_file.h"
#include "levels/level_replays.h"

namespace {

const std::string kLevelDir = std::string(OMBREL_BUILD_DIR) + "/data/levels/";

// How many of each table the game has, and the decal catalogue's layout.
constexpr uint32_t kBackLayers = 6;
constexpr uint32_t kFrontLayers = 4;
constexpr uint32_t kTerrainTextures = 7;
constexpr uint32_t kBorderTextures = 4;
constexpr uint32_t kEnemyKinds = 3;
constexpr uint32_t kPropKinds = 3;
constexpr uint32_t kDecalThemes = 6;
constexpr uint32_t kDecalsPerTheme = 80;

class LevelSet : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const std::string& name : levelreplay::menuLevels()) {
      LevelFile::LevelRecord level;
      float best = 0.0f;
      bool header = false;
      std::string why;
      ASSERT_TRUE(LevelFile::readFile(kLevelDir + name + ".orl", level, best, header, &why)) << name << ": " << why;
      levels_.push_back({name, level});
    }
  }

  struct Named {
    std::string name;
    LevelFile::LevelRecord level;
  };
  std::vector<Named> levels_;
};

template <typename T>
void expectAll(const std::set<T>& used, T count, const char* what) {
  for (T i = 0; i < count; ++i) EXPECT_TRUE(used.count(i)) << what << " " << i << " is used by no level";
}

TEST_F(LevelSet, UsesEveryTableAtLeastOnce) {
  std::set<uint32_t> back, front, textures, borders, enemies, props, themes;
  size_t turrets = 0, flippedTurrets = 0, noHook = 0, deadly = 0, inverted = 0;
  for (const Named& n : levels_) {
    const LevelFile::LevelRecord& L = n.level;
    back.insert(L.backParallax);
    front.insert(L.frontParallax);
    textures.insert(L.terrain.textureIndex);
    borders.insert(L.terrain.borderTextureIndex);
    inverted += L.terrain.inverted;
    for (const LevelFile::PolygonRecord& p : L.terrain.polygons) {
      noHook += p.noHookEdges.size();
      deadly += p.deadlyEdges.size();
    }
    for (const LevelFile::EnemyRecord& e : L.enemies) enemies.insert(e.kind);
    for (const LevelFile::PropRecord& p : L.props) props.insert(p.kind);
    for (const LevelFile::TurretRecord& t : L.turrets) {
      ++turrets;
      flippedTurrets += t.flip;
    }
    for (const LevelFile::DecalRecord& d : L.decals) themes.insert(d.index / kDecalsPerTheme);
  }
  expectAll(back, kBackLayers, "back parallax layer");
  expectAll(front, kFrontLayers, "front parallax layer");
  expectAll(textures, kTerrainTextures, "terrain texture");
  expectAll(borders, kBorderTextures, "border texture");
  expectAll(enemies, kEnemyKinds, "enemy kind");
  expectAll(props, kPropKinds, "prop kind");
  expectAll(themes, kDecalThemes, "decal theme");
  EXPECT_GT(turrets, 0u);
  EXPECT_GT(flippedTurrets, 0u) << "no turret fires toward -x";
  EXPECT_GT(noHook, 0u) << "no edge refuses the rope";
  EXPECT_GT(deadly, 0u) << "no edge kills";
  EXPECT_GT(inverted, 0u) << "no level is made of islands in a hollow";
}

// The exit is not drawn in play: a decal marks it. Decals are drawn with their
// scale applied twice, so one of half-width scale² of at least 1 must reach
// the exit segment.
TEST_F(LevelSet, ADecalMarksEachExit) {
  for (const Named& n : levels_) {
    SCOPED_TRACE(n.name);
    const Vec2 a = n.level.exitA;
    const Vec2 ab = n.level.exitB - a;
    bool marked = false;
    for (const LevelFile::DecalRecord& d : n.level.decals) {
      const float halfWidth = d.scale * d.scale;
      if (halfWidth < 1.0f) continue;
      const float t = std::clamp((d.position - a).dot(ab) / ab.lengthSquared(), 0.0f, 1.0f);
      const Vec2 nearest = a + ab * t;
      if ((d.position - nearest).length() <= halfWidth) marked = true;
    }
    EXPECT_TRUE(marked) << "no decal of half-width 1 or more reaches the exit";
  }
}

}  // namespace
