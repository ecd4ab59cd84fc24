// Reads the 26 level files the builder wrote through the game's level record
// layer and checks their exact header and what the compiler promises of them.

#include <gtest/gtest.h>

#include <cstring>

#include "data_paths.h"
#include "game/level_file.h"

namespace {

std::string levelPath(const std::string& name) { return std::string(OMBREL_BUILD_DIR) + "/data/levels/" + name; }

LevelFile::LevelRecord read(const std::string& name) {
  LevelFile::LevelRecord level;
  float best = 0.0f;
  bool header = false;
  std::string why;
  EXPECT_TRUE(LevelFile::readFile(levelPath(name), level, best, header, &why)) << name << ": " << why;
  EXPECT_EQ(best, 9999.0f);
  return level;
}

bool insidePolygon(Vec2 p, const ferrox::BodyBlock& body) {
  bool in = false;
  const auto& q = body.quarks;
  for (size_t i = 0, j = q.size() - 1; i < q.size(); j = i++) {
    const Vec2 a = q[i].position, b = q[j].position;
    if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) in = !in;
  }
  return in;
}

// The terrain's odd rule: the level rectangle counts as one contour.
bool solid(const LevelFile::LevelRecord& level, Vec2 p) {
  int count = 1;
  for (const auto& polygon : level.terrain.polygons) count += insidePolygon(p, polygon.body) ? 1 : 0;
  return count % 2 == 1;
}

TEST(LevelFiles, EveryMenuLevelHasTheMagicBestTimeAndOneBlock) {
  for (const std::string& name : datatest::levelPaths()) {
    SCOPED_TRACE(name);
    const std::string bytes = datatest::readBytes(levelPath(name));
    ASSERT_GT(bytes.size(), 24u);
    const unsigned char magic[] = {0x95, 0x7B, 0xE8, 0x67, 0xB2, 0xD6, 0xA9, 0x04, 0x09, 0x00, 0x00, 0x00};
    EXPECT_EQ(bytes.compare(0, 12, std::string(reinterpret_cast<const char*>(magic), 12)), 0);
    float best;
    std::memcpy(&best, bytes.data() + 12, 4);
    EXPECT_EQ(best, 9999.0f);
    uint32_t packed;
    std::memcpy(&packed, bytes.data() + 16, 4);
    EXPECT_EQ(bytes.size(), 16u + 8u + packed) << "not exactly one compressed block";
    read(name);
  }
}

// Polygon bodies as the game's own editing makes them, and everything that
// stands or moves in the level placed in open space.
TEST(LevelFiles, PolygonsAreFixedOutlinesAndEverythingStandsInOpenSpace) {
  for (const std::string& name : datatest::levelPaths()) {
    SCOPED_TRACE(name);
    const LevelFile::LevelRecord level = read(name);
    ASSERT_FALSE(level.terrain.polygons.empty());
    for (const auto& polygon : level.terrain.polygons) {
      const auto& body = polygon.body;
      ASSERT_GE(body.quarks.size(), 3u);
      ASSERT_EQ(body.links.size(), body.quarks.size());
      for (const auto& q : body.quarks) EXPECT_EQ(q.kind, ferrox::kBlockFixed);
      for (size_t i = 0; i < body.links.size(); ++i) {
        const auto& l = body.links[i];
        EXPECT_EQ(l.kind, ferrox::kBlockFixed);
        EXPECT_EQ(l.a, i);
        EXPECT_EQ(l.b, (i + 1) % body.quarks.size());
        EXPECT_FLOAT_EQ(l.radius, 0.06f);
        EXPECT_FLOAT_EQ(l.friction, 2.0f);
      }
    }
    EXPECT_FALSE(solid(level, level.start));
    EXPECT_FALSE(solid(level, level.exitA));
    EXPECT_FALSE(solid(level, level.exitB));
    for (const auto& e : level.enemies) EXPECT_FALSE(solid(level, e.position));
    for (const auto& p : level.props) EXPECT_FALSE(solid(level, p.position));
    for (const auto& t : level.turrets) EXPECT_FALSE(solid(level, t.position));
  }
}

// The border band lies on the solid side: with the flag clear the band is left
// of the outline's direction of travel.
TEST(LevelFiles, BorderBandsLieOnTheSolidSide) {
  for (const std::string& name : datatest::levelPaths()) {
    SCOPED_TRACE(name);
    const LevelFile::LevelRecord level = read(name);
    for (const auto& polygon : level.terrain.polygons) {
      const Vec2 a = polygon.body.quarks[0].position, b = polygon.body.quarks[1].position;
      Vec2 left(-(b.y - a.y), b.x - a.x);
      left.setLength(0.01f);
      const Vec2 probe = (a + b) * 0.5f + (polygon.orientation ? left * -1.0f : left);
      EXPECT_TRUE(solid(level, probe));
    }
  }
}

}  // namespace
