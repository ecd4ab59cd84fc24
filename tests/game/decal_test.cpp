// Decals: the catalogue, the flips, the rotated containment test and the record.
#include "game/decal.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "kettar/byte_buffer.h"
#include "kettar/platform/texture_extension.h"

namespace {

TEST(DecalCatalogue, PathsByThemeKindAndNumber) {
  struct Row {
    uint32_t index;
    const char* path;
  } rows[] = {
      {0, "data/decals/techno/vegs/decal-01" KETTAR_TEXTURE_EXTENSION},
      {15, "data/decals/techno/vegs/decal-16" KETTAR_TEXTURE_EXTENSION},
      {16, "data/decals/techno/buildings/decal-01" KETTAR_TEXTURE_EXTENSION},
      {80, "data/decals/fire/vegs/decal-01" KETTAR_TEXTURE_EXTENSION},
      {3 * 80 + 2 * 16 + 6, "data/decals/moss/rocks/decal-07" KETTAR_TEXTURE_EXTENSION},
      {479, "data/decals/timezone/misc/decal-16" KETTAR_TEXTURE_EXTENSION},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.index);
    EXPECT_EQ(Decal::kDecalPaths[row.index], row.path);
  }
  EXPECT_EQ(std::set<std::string>(Decal::kDecalPaths.begin(), Decal::kDecalPaths.end()).size(), 480u);
}

// The flips are the level file's bytes: any nonzero one mirrors, and the byte is kept.
TEST(DecalFlips, TextureCoordinatesOfTheEdges) {
  struct Row {
    const char* name;
    uint8_t flipX, flipY;
    float uLeft, uRight, vBottom, vTop;
  } rows[] = {
      {"upright", 0, 0, 0.01f, 0.99f, 0.99f, 0.01f},
      {"mirrored", 1, 0, 0.99f, 0.01f, 0.99f, 0.01f},
      {"upside down", 0, 1, 0.01f, 0.99f, 0.01f, 0.99f},
      {"both", 1, 1, 0.99f, 0.01f, 0.01f, 0.99f},
      {"both, by bytes 2 and 3", 2, 3, 0.99f, 0.01f, 0.01f, 0.99f},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    LevelFile::DecalRecord r;
    r.flipX = row.flipX;
    r.flipY = row.flipY;
    Decal d(r, "/nonexistent/");
    EXPECT_EQ(d.uLeft, row.uLeft);
    EXPECT_EQ(d.uRight, row.uRight);
    EXPECT_EQ(d.vBottom, row.vBottom);
    EXPECT_EQ(d.vTop, row.vTop);
    EXPECT_EQ(d.record().flipX, row.flipX);
    EXPECT_EQ(d.record().flipY, row.flipY);
    // A flip changed afterwards takes effect through updateTexCoords.
    d.flipX = !d.flipX;
    d.updateTexCoords();
    EXPECT_EQ(d.uLeft, row.uRight);
  }
}

TEST(DecalContains, StrictlyInsideTheRotatedRectangle) {
  struct Row {
    const char* name;
    float rotation, scale;
    Vec2 point;
    bool inside;
  } rows[] = {
      {"centre", 0, 1, Vec2(1.0f, 2.0f), true},
      {"near the right edge", 0, 1, Vec2(1.99f, 2.0f), true},
      {"on the right edge", 0, 1, Vec2(2.0f, 2.0f), false},
      {"on the left edge", 0, 1, Vec2(0.0f, 2.0f), false},
      {"near the top edge", 0, 1, Vec2(1.0f, 2.49f), true},
      {"on the top edge", 0, 1, Vec2(1.0f, 2.5f), false},
      {"beyond the top", 0, 1, Vec2(1.0f, 2.6f), false},
      {"turned: up along the long side", 90, 1, Vec2(1.0f, 2.9f), true},
      {"turned: right across the short side", 90, 1, Vec2(1.6f, 2.0f), false},
      {"turned 45: along the diagonal", 45, 1, Vec2(1.6f, 2.6f), true},
      {"turned 45: across it", 45, 1, Vec2(1.4f, 2.6f), true},
      {"turned 45: too far across", 45, 1, Vec2(0.6f, 2.6f), false},
      {"scale 2 once: inside at 1.5", 0, 2, Vec2(2.5f, 2.0f), true},
      {"scale 2 once: outside at 2.5", 0, 2, Vec2(3.5f, 2.0f), false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    LevelFile::DecalRecord r;
    r.position = Vec2(1.0f, 2.0f);
    r.rotation = row.rotation;
    r.scale = row.scale;
    Decal d(r, "/nonexistent/");
    d.aspect = 0.5f;
    EXPECT_EQ(d.contains(row.point), row.inside);
  }
}

TEST(DecalRecord, WritesBackTheSame22Bytes) {
  const std::vector<uint8_t> golden = {
      0xDF, 0x01, 0x00, 0x00,  // index 479
      0x00, 0x00, 0x80, 0x3F,  // x 1
      0x00, 0x00, 0x00, 0xC0,  // y -2
      0x00, 0x00, 0x00, 0x40,  // scale 2
      0x00, 0x00, 0x34, 0x42,  // rotation 45
      0x01, 0x00,              // flipX, flipY
  };
  Kettar::ByteBuffer in;
  in.append(golden.data(), static_cast<uint32_t>(golden.size()));
  LevelFile::DecalRecord r;
  ASSERT_TRUE(LevelFile::readDecal(in, r));
  Decal d(r, "/nonexistent/");
  Kettar::ByteBuffer out;
  d.write(out);
  ASSERT_EQ(out.size(), 22u);
  EXPECT_EQ(std::vector<uint8_t>(out.data(), out.data() + out.size()), golden);
}

TEST(DecalMissing, NoTextureAndAnIndexPastTheCatalogue) {
  Decal missing(Vec2(0.0f, 0.0f), 3, "/nonexistent/");
  EXPECT_EQ(missing.texture, -1);
  EXPECT_EQ(missing.aspect, 1.0f);
  missing.draw();  // nothing to draw, and no GL call
  Decal past(Vec2(0.0f, 0.0f), 480, "/nonexistent/");
  EXPECT_EQ(past.texture, -1);
  EXPECT_TRUE(past.contains(Vec2(0.5f, 0.5f)));
}

}  // namespace
