#include "game/level_file.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <random>
#include <sstream>

#include "kettar/byte_buffer.h"
#include "support/count_past_list.h"
#include "support/file_size_limit.h"
#include "support/little_memory.h"
#include "support/zero_run_block.h"
#include "temp_folder.h"

namespace {

using namespace LevelFile;
namespace fs = std::filesystem;
using test_files::readAll;
using test_files::writeAll;

std::vector<uint8_t> bytesOf(const Kettar::ByteBuffer& b) {
  return std::vector<uint8_t>(b.data(), b.data() + b.size());
}

Kettar::ByteBuffer bufferOf(const std::vector<uint8_t>& bytes) {
  Kettar::ByteBuffer b;
  b.append(bytes.data(), static_cast<uint32_t>(bytes.size()));
  return b;
}

std::string hex(const std::vector<uint8_t>& bytes, size_t from, size_t n) {
  std::string s;
  char cell[4];
  for (size_t i = from; i < from + n && i < bytes.size(); ++i) {
    std::snprintf(cell, sizeof cell, i + 1 < from + n ? "%02X " : "%02X", bytes[i]);
    s += cell;
  }
  return s;
}

// A small level with one of everything and typed edges.
LevelRecord sampleLevel() {
  LevelRecord l;
  l.width = 40.0f;
  l.height = 20.0f;
  l.start = Vec2(-15.0f, -5.0f);
  l.exitA = Vec2(15.0f, -8.0f);
  l.exitB = Vec2(15.0f, -6.0f);
  l.backParallax = 2;
  l.frontParallax = 3;
  l.backRepeat = 1.5f;
  l.frontRepeat = 2.0f;
  l.terrain.textureIndex = 4;
  l.terrain.borderTextureIndex = 1;
  l.terrain.textureScale = 0.25f;
  l.terrain.inverted = 1;
  l.terrain.polygons.push_back(polygonFromOutline(
      {Vec2(-19.0f, -9.5f), Vec2(19.0f, -9.5f), Vec2(19.0f, 9.5f), Vec2(-19.0f, 9.5f)}, 1));
  PolygonRecord island = polygonFromOutline({Vec2(0, 0), Vec2(3, 0), Vec2(1.5f, 2.0f)}, 0);
  island.noHookEdges = {2};
  island.deadlyEdges = {0, 1};
  l.terrain.polygons.push_back(island);
  l.enemies = {{0, Vec2(1, 2)}, {2, Vec2(-3, 4)}};
  l.props = {{1, Vec2(5, 5)}};
  TurretRecord t;
  t.position = Vec2(7, -2);
  t.rotation = 90.0f;
  t.interval = 2.5f;
  t.phase = 50.0f;
  t.flip = 1;
  l.turrets = {t};
  DecalRecord d;
  d.index = 479;
  d.position = Vec2(-1, -1);
  d.scale = 1.25f;
  d.rotation = 30.0f;
  d.flipX = 1;
  l.decals = {d, DecalRecord{}};
  return l;
}

std::vector<uint8_t> blockOf(const LevelRecord& level) {
  Kettar::ByteBuffer b;
  writeLevel(b, level);
  return bytesOf(b);
}

// Offsets in the raw block, found by writing the parts before them.
size_t terrainEnd(const LevelRecord& level) {
  Kettar::ByteBuffer b;
  writeTerrain(b, level.terrain);
  return 48 + b.size();
}

void putU32(std::vector<uint8_t>& bytes, size_t at, uint32_t v) { std::memcpy(&bytes[at], &v, 4); }
void putF32(std::vector<uint8_t>& bytes, size_t at, float v) { std::memcpy(&bytes[at], &v, 4); }

class LevelFileOnDisk : public ::testing::Test {
 protected:
  std::string path(const std::string& name) const { return folder_.path(name); }

  test_files::TempFolder folder_{"level_file_test"};
};

TEST(LevelFileRecords, UntypedRectangleIs157Bytes) {
  Kettar::ByteBuffer b;
  writePolygon(b, polygonFromOutline({Vec2(0, 0), Vec2(1, 0), Vec2(1, 1), Vec2(0, 1)}, 1));
  const std::vector<uint8_t> bytes = bytesOf(b);
  ASSERT_EQ(bytes.size(), 157u);
  // Orientation, two empty id lists, 4 quarks; the first one fixed at (0, 0)
  // with mass 999999 (0x497423F0) and damping 0.
  EXPECT_EQ(hex(bytes, 0, 30),
            "01 00 00 00 00 00 00 00 00 04 00 00 00 02 00 00 00 00 00 00 00 00 F0 23 74 49 00 00 00 00");
  // The last edge: fixed, quark 3 to quark 0, radius 0.06, friction 2, not internal.
  EXPECT_EQ(hex(bytes, 157 - 18, 18), "02 03 00 00 00 00 00 00 00 8F C2 75 3D 00 00 00 40 00");
}

TEST(LevelFileRecords, ObjectRecordsHaveTheirWidths) {
  struct Row {
    const char* name;
    std::function<void(Kettar::ByteBuffer&)> write;
    uint32_t bytes;
  } rows[] = {
      {"enemy", [](Kettar::ByteBuffer& b) { writeEnemy(b, EnemyRecord{}); }, 12},
      {"prop", [](Kettar::ByteBuffer& b) { writeProp(b, PropRecord{}); }, 12},
      {"turret", [](Kettar::ByteBuffer& b) { writeTurret(b, TurretRecord{}); }, 21},
      {"decal", [](Kettar::ByteBuffer& b) { writeDecal(b, DecalRecord{}); }, 22},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Kettar::ByteBuffer b;
    row.write(b);
    EXPECT_EQ(b.size(), row.bytes);
  }
}

TEST(LevelFileRecords, LevelRoundTripKeepsFieldsOrderAndBytes) {
  const LevelRecord in = sampleLevel();
  const std::vector<uint8_t> bytes = blockOf(in);
  Kettar::ByteBuffer b = bufferOf(bytes);
  LevelRecord out;
  std::string why;
  ASSERT_TRUE(readLevel(b, out, &why)) << why;
  EXPECT_EQ(b.remaining(), 0u);
  EXPECT_EQ(out.width, 40.0f);
  EXPECT_EQ(out.height, 20.0f);
  EXPECT_EQ(out.start, in.start);
  EXPECT_EQ(out.exitA, in.exitA);
  EXPECT_EQ(out.exitB, in.exitB);
  EXPECT_EQ(out.backParallax, 2u);
  EXPECT_EQ(out.frontParallax, 3u);
  EXPECT_EQ(out.backRepeat, 1.5f);
  EXPECT_EQ(out.frontRepeat, 2.0f);
  EXPECT_EQ(out.terrain.textureIndex, 4u);
  EXPECT_EQ(out.terrain.borderTextureIndex, 1u);
  EXPECT_EQ(out.terrain.textureScale, 0.25f);
  EXPECT_EQ(out.terrain.inverted, 1);
  ASSERT_EQ(out.terrain.polygons.size(), 2u);
  EXPECT_EQ(out.terrain.polygons[1].noHookEdges, std::vector<uint32_t>({2}));
  EXPECT_EQ(out.terrain.polygons[1].deadlyEdges, std::vector<uint32_t>({0, 1}));
  EXPECT_EQ(out.terrain.polygons[1].body.quarks[2].position, Vec2(1.5f, 2.0f));
  ASSERT_EQ(out.enemies.size(), 2u);
  EXPECT_EQ(out.enemies[1].kind, 2u);
  EXPECT_EQ(out.enemies[1].position, Vec2(-3, 4));
  ASSERT_EQ(out.turrets.size(), 1u);
  EXPECT_EQ(out.turrets[0].phase, 50.0f);
  EXPECT_EQ(out.turrets[0].flip, 1);
  ASSERT_EQ(out.decals.size(), 2u);
  EXPECT_EQ(out.decals[0].index, 479u);
  EXPECT_EQ(out.decals[0].flipX, 1);
  EXPECT_EQ(out.decals[0].flipY, 0);
  EXPECT_EQ(blockOf(out), bytes);
  EXPECT_TRUE(checkLevel(in, &why)) << why;
}

// Mirror flags are plain bytes: any nonzero one mirrors, and the byte read is the byte
// written back. The decal records end the block: flipX and flipY are its last bytes.
TEST(LevelFileRecords, FlipBytesBeyondOneAreReadAndWrittenBackAsStored) {
  LevelRecord in = sampleLevel();
  in.turrets[0].flip = 2;
  in.decals[0].flipX = 2;
  in.decals[0].flipY = 3;
  in.decals[1].flipX = 0xFF;
  std::string why;
  EXPECT_TRUE(checkLevel(in, &why)) << why;
  const std::vector<uint8_t> bytes = blockOf(in);
  EXPECT_EQ(hex(bytes, bytes.size() - 24, 2), "02 03");
  EXPECT_EQ(hex(bytes, bytes.size() - 2, 2), "FF 00");
  Kettar::ByteBuffer b = bufferOf(bytes);
  LevelRecord out;
  ASSERT_TRUE(readLevel(b, out, &why)) << why;
  EXPECT_EQ(out.turrets[0].flip, 2);
  EXPECT_EQ(out.decals[0].flipX, 2);
  EXPECT_EQ(out.decals[0].flipY, 3);
  EXPECT_EQ(out.decals[1].flipX, 0xFF);
  EXPECT_EQ(blockOf(out), bytes);
}

TEST(LevelFileRecords, PolygonReadsAsFixedAndDropsRepeatedIds) {
  PolygonRecord p = polygonFromOutline({Vec2(0, 0), Vec2(2, 0), Vec2(2, 2), Vec2(0, 2)}, 0);
  p.body.quarks[1].kind = ferrox::kBlockSoft;
  p.body.quarks[1].mass = 0.5f;
  p.body.quarks[2].kind = 9;  // unknown codes are fixed
  p.body.quarks[2].mass = 3.0f;
  p.body.links[0].kind = ferrox::kBlockStiff;
  p.body.links[0].rest = 2.0f;
  p.body.links[0].stiffness = 0.5f;
  p.body.links[3].internal = 1;
  p.noHookEdges = {1, 3, 1};
  p.deadlyEdges = {3, 2, 2};
  std::string why;
  EXPECT_FALSE(checkPolygon(p, &why));  // as built by hand: repeats are refused
  Kettar::ByteBuffer b;
  writePolygon(b, p);
  PolygonRecord out;
  ASSERT_TRUE(readPolygon(b, out, &why)) << why;
  for (const ferrox::QuarkRecord& q : out.body.quarks) {
    EXPECT_EQ(q.kind, ferrox::kBlockFixed);
    EXPECT_EQ(q.mass, kFixedQuarkMass);
    EXPECT_EQ(q.damping, 0.0f);
  }
  for (const ferrox::LinkRecord& l : out.body.links) {
    EXPECT_EQ(l.kind, ferrox::kBlockFixed);
    EXPECT_EQ(l.internal, 0);
  }
  EXPECT_EQ(out.noHookEdges, std::vector<uint32_t>({1, 3}));
  EXPECT_EQ(out.deadlyEdges, std::vector<uint32_t>({2}));
}

// Damaged blocks: each is refused, never read out of bounds (run under ASan).
TEST(LevelFileRecords, HostileBlocksAreRefused) {
  const LevelRecord good = sampleLevel();
  const std::vector<uint8_t> goodBytes = blockOf(good);
  const size_t enemies = terrainEnd(good);
  // The first polygon starts after the terrain's 17 bytes.
  const size_t polygon0 = 48 + 17;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();

  struct Row {
    const char* name;
    std::function<void(LevelRecord&)> edit;            // on the record, before writing
    std::function<void(std::vector<uint8_t>&)> patch;  // on the written bytes
  } rows[] = {
      {"NaN width", [&](LevelRecord& l) { l.width = nan; }, nullptr},
      {"NaN height", [&](LevelRecord& l) { l.height = nan; }, nullptr},
      {"negative width", [](LevelRecord& l) { l.width = -40; }, nullptr},
      {"zero height", [](LevelRecord& l) { l.height = 0; }, nullptr},
      {"width below one", [](LevelRecord& l) { l.width = 0.5f; }, nullptr},
      {"infinite width", [&](LevelRecord& l) { l.width = inf; }, nullptr},
      {"absurd width", [](LevelRecord& l) { l.width = 1e9f; }, nullptr},
      {"absurd area", [](LevelRecord& l) { l.width = 900; l.height = 900; }, nullptr},
      {"NaN start", [&](LevelRecord& l) { l.start.x = nan; }, nullptr},
      {"back parallax 10", [](LevelRecord& l) { l.backParallax = 10; }, nullptr},
      {"front parallax huge", [](LevelRecord& l) { l.frontParallax = 0xFFFFFFFFu; }, nullptr},
      {"NaN repeat", [&](LevelRecord& l) { l.frontRepeat = nan; }, nullptr},
      {"terrain texture 10", [](LevelRecord& l) { l.terrain.textureIndex = 10; }, nullptr},
      {"border texture 12", [](LevelRecord& l) { l.terrain.borderTextureIndex = 12; }, nullptr},
      {"NaN texture scale", [&](LevelRecord& l) { l.terrain.textureScale = nan; }, nullptr},
      {"inverted 2", [](LevelRecord& l) { l.terrain.inverted = 2; }, nullptr},
      {"orientation 7", [](LevelRecord& l) { l.terrain.polygons[1].orientation = 7; }, nullptr},
      {"edge id past the links", [](LevelRecord& l) { l.terrain.polygons[1].deadlyEdges = {3}; }, nullptr},
      {"link slot past the quarks", [](LevelRecord& l) { l.terrain.polygons[1].body.links[0].b = 3; }, nullptr},
      {"link to itself", [](LevelRecord& l) { l.terrain.polygons[1].body.links[0].b = 0; }, nullptr},
      {"zero-length edge", [](LevelRecord& l) { l.terrain.polygons[1].body.quarks[1].position = Vec2(0, 0); }, nullptr},
      {"NaN vertex", [&](LevelRecord& l) { l.terrain.polygons[1].body.quarks[1].position.y = nan; }, nullptr},
      {"huge edge radius", [](LevelRecord& l) { l.terrain.polygons[1].body.links[0].radius = 1e6f; }, nullptr},
      {"two vertices", [](LevelRecord& l) {
         l.terrain.polygons[1] = polygonFromOutline({Vec2(0, 0), Vec2(1, 0)}, 0);
       }, nullptr},
      {"enemy kind 3", [](LevelRecord& l) { l.enemies[0].kind = 3; }, nullptr},
      {"NaN enemy", [&](LevelRecord& l) { l.enemies[1].position.x = nan; }, nullptr},
      {"prop kind 7", [](LevelRecord& l) { l.props[0].kind = 7; }, nullptr},
      {"NaN turret interval", [&](LevelRecord& l) { l.turrets[0].interval = nan; }, nullptr},
      {"decal 480", [](LevelRecord& l) { l.decals[1].index = 480; }, nullptr},
      {"NaN decal scale", [&](LevelRecord& l) { l.decals[0].scale = nan; }, nullptr},
      {"huge polygon count", nullptr, [](std::vector<uint8_t>& b) { putU32(b, 61, 0xFFFFFFFFu); }},
      {"huge type-1 id count", nullptr, [&](std::vector<uint8_t>& b) { putU32(b, polygon0 + 1, 0x40000000u); }},
      {"huge quark count", nullptr, [&](std::vector<uint8_t>& b) { putU32(b, polygon0 + 9, 0x10000000u); }},
      {"huge enemy count", nullptr, [&](std::vector<uint8_t>& b) { putU32(b, enemies, 0xFFFFFFF0u); }},
      {"huge prop count", nullptr, [&](std::vector<uint8_t>& b) { putU32(b, enemies + 4 + 24, 100000u); }},
      {"NaN width in bytes", nullptr, [&](std::vector<uint8_t>& b) { putF32(b, 0, nan); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    LevelRecord level = good;
    if (row.edit) row.edit(level);
    std::vector<uint8_t> bytes = blockOf(level);
    if (row.patch) row.patch(bytes);
    Kettar::ByteBuffer b = bufferOf(bytes);
    LevelRecord out;
    std::string why;
    EXPECT_FALSE(readLevel(b, out, &why));
    EXPECT_FALSE(why.empty());
    if (row.edit) {
      EXPECT_FALSE(checkLevel(level, &why));
    }
  }

  // Every truncation of a good block fails; none reads past the end.
  for (size_t n = 0; n < goodBytes.size(); ++n) {
    Kettar::ByteBuffer b = bufferOf(std::vector<uint8_t>(goodBytes.begin(), goodBytes.begin() + n));
    LevelRecord out;
    ASSERT_FALSE(readLevel(b, out)) << "cut at " << n;
  }
}

// Random damage anywhere in a block: the reader either refuses it or gives a
// record that passes its own checks and writes back to the bytes it read.
TEST(LevelFileRecords, RandomDamageIsRefusedOrConsistent) {
  const std::vector<uint8_t> good = blockOf(sampleLevel());
  std::mt19937 random(20261210);
  std::uniform_int_distribution<size_t> where(0, good.size() - 1);
  std::uniform_int_distribution<int> byte(0, 255), flips(1, 4);
  int accepted = 0;
  for (int round = 0; round < 4000; ++round) {
    std::vector<uint8_t> bytes = good;
    for (int f = flips(random); f > 0; --f) bytes[where(random)] = static_cast<uint8_t>(byte(random));
    Kettar::ByteBuffer b = bufferOf(bytes);
    LevelRecord out;
    if (!readLevel(b, out)) continue;
    ++accepted;
    std::string why;
    ASSERT_TRUE(checkLevel(out, &why)) << "round " << round << ": " << why;
    Kettar::ByteBuffer again = bufferOf(blockOf(out));
    LevelRecord twice;
    ASSERT_TRUE(readLevel(again, twice)) << "round " << round;
    ASSERT_EQ(blockOf(twice), blockOf(out)) << "round " << round;
  }
  // Most single-byte changes land in floats that stay valid.
  EXPECT_GT(accepted, 100);
}

// Little-endian fields appended one by one, the way the file's tables list
// them; nothing of the game's writer is used.
struct RawBytes {
  std::vector<uint8_t> bytes;
  RawBytes& u8(uint8_t v) {
    bytes.push_back(v);
    return *this;
  }
  RawBytes& u32(uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return *this;
  }
  RawBytes& f32(float v) {
    uint32_t bits = 0;
    std::memcpy(&bits, &v, 4);
    return u32(bits);
  }
  RawBytes& append(const std::vector<uint8_t>& more) {
    bytes.insert(bytes.end(), more.begin(), more.end());
    return *this;
  }
};

// One of every record, every value distinct within its record, so that two
// fields read and written in each other's place show.
std::vector<uint8_t> goldenBlock() {
  RawBytes b;
  b.f32(40.0f).f32(20.0f);      // width, height
  b.f32(-15.5f).f32(-5.25f);    // start
  b.f32(15.0f).f32(-8.0f);      // exitA
  b.f32(16.5f).f32(-6.0f);      // exitB
  b.u32(3).u32(2);              // back and front parallax index
  b.f32(1.5f).f32(2.5f);        // back and front parallax repeat
  // Terrain: texture, border texture, texture scale, inverted, one polygon.
  b.u32(4).u32(1).f32(0.25f).u8(1).u32(1);
  // The polygon: orientation, type-1 ids {2}, type-2 ids {0}, then its body
  // block: three fixed quarks (kind 2, x, y, mass 999999, damping 0) and three
  // fixed links (kind 2, a, b, radius, friction, internal).
  b.u8(1).u32(1).u32(2).u32(1).u32(0);
  b.u32(3);
  b.u8(2).f32(1.0f).f32(2.0f).f32(999999.0f).f32(0.0f);
  b.u8(2).f32(5.0f).f32(2.5f).f32(999999.0f).f32(0.0f);
  b.u8(2).f32(3.0f).f32(6.0f).f32(999999.0f).f32(0.0f);
  b.u32(3);
  b.u8(2).u32(0).u32(1).f32(0.06f).f32(2.0f).u8(0);
  b.u8(2).u32(1).u32(2).f32(0.07f).f32(1.5f).u8(0);
  b.u8(2).u32(2).u32(0).f32(0.08f).f32(0.5f).u8(0);
  b.u32(1).u32(2).f32(7.0f).f32(-3.0f);  // one enemy: kind, x, y
  b.u32(1).u32(1).f32(-6.0f).f32(4.0f);  // one prop: kind, x, y
  // One turret: x, y, rotation, interval, phase, flip.
  b.u32(1).f32(8.5f).f32(-2.0f).f32(90.0f).f32(2.75f).f32(50.0f).u8(1);
  // One decal: index, x, y, scale, rotation, flipX, flipY.
  b.u32(1).u32(479).f32(-1.5f).f32(3.5f).f32(1.25f).f32(30.0f).u8(1).u8(0);
  return b.bytes;
}

// What goldenBlock holds, as the record layer gives it.
LevelRecord goldenLevel() {
  LevelRecord l;
  l.width = 40.0f;
  l.height = 20.0f;
  l.start = Vec2(-15.5f, -5.25f);
  l.exitA = Vec2(15.0f, -8.0f);
  l.exitB = Vec2(16.5f, -6.0f);
  l.backParallax = 3;
  l.frontParallax = 2;
  l.backRepeat = 1.5f;
  l.frontRepeat = 2.5f;
  l.terrain.textureIndex = 4;
  l.terrain.borderTextureIndex = 1;
  l.terrain.textureScale = 0.25f;
  l.terrain.inverted = 1;
  PolygonRecord p;
  p.orientation = 1;
  p.noHookEdges = {2};
  p.deadlyEdges = {0};
  for (Vec2 v : {Vec2(1.0f, 2.0f), Vec2(5.0f, 2.5f), Vec2(3.0f, 6.0f)})
    p.body.quarks.push_back({ferrox::kBlockFixed, v, 999999.0f, 0.0f});
  const struct {
    uint32_t a, b;
    float radius, friction;
  } edges[] = {{0, 1, 0.06f, 2.0f}, {1, 2, 0.07f, 1.5f}, {2, 0, 0.08f, 0.5f}};
  for (const auto& e : edges) {
    ferrox::LinkRecord link;
    link.a = e.a;
    link.b = e.b;
    link.radius = e.radius;
    link.friction = e.friction;
    p.body.links.push_back(link);
  }
  l.terrain.polygons = {p};
  l.enemies = {{2, Vec2(7.0f, -3.0f)}};
  l.props = {{1, Vec2(-6.0f, 4.0f)}};
  l.turrets = {{Vec2(8.5f, -2.0f), 90.0f, 2.75f, 50.0f, 1}};
  l.decals = {{479, Vec2(-1.5f, 3.5f), 1.25f, 30.0f, 1, 0}};
  return l;
}

void expectSameLevel(const LevelRecord& got, const LevelRecord& want) {
  EXPECT_EQ(got.width, want.width);
  EXPECT_EQ(got.height, want.height);
  EXPECT_EQ(got.start, want.start);
  EXPECT_EQ(got.exitA, want.exitA);
  EXPECT_EQ(got.exitB, want.exitB);
  EXPECT_EQ(got.backParallax, want.backParallax);
  EXPECT_EQ(got.frontParallax, want.frontParallax);
  EXPECT_EQ(got.backRepeat, want.backRepeat);
  EXPECT_EQ(got.frontRepeat, want.frontRepeat);
  EXPECT_EQ(got.terrain.textureIndex, want.terrain.textureIndex);
  EXPECT_EQ(got.terrain.borderTextureIndex, want.terrain.borderTextureIndex);
  EXPECT_EQ(got.terrain.textureScale, want.terrain.textureScale);
  EXPECT_EQ(got.terrain.inverted, want.terrain.inverted);
  ASSERT_EQ(got.terrain.polygons.size(), want.terrain.polygons.size());
  for (size_t i = 0; i < want.terrain.polygons.size(); ++i) {
    SCOPED_TRACE("polygon " + std::to_string(i));
    const PolygonRecord& g = got.terrain.polygons[i];
    const PolygonRecord& w = want.terrain.polygons[i];
    EXPECT_EQ(g.orientation, w.orientation);
    EXPECT_EQ(g.noHookEdges, w.noHookEdges);
    EXPECT_EQ(g.deadlyEdges, w.deadlyEdges);
    ASSERT_EQ(g.body.quarks.size(), w.body.quarks.size());
    for (size_t q = 0; q < w.body.quarks.size(); ++q) {
      SCOPED_TRACE("quark " + std::to_string(q));
      EXPECT_EQ(g.body.quarks[q].kind, w.body.quarks[q].kind);
      EXPECT_EQ(g.body.quarks[q].position, w.body.quarks[q].position);
      EXPECT_EQ(g.body.quarks[q].mass, w.body.quarks[q].mass);
      EXPECT_EQ(g.body.quarks[q].damping, w.body.quarks[q].damping);
    }
    ASSERT_EQ(g.body.links.size(), w.body.links.size());
    for (size_t k = 0; k < w.body.links.size(); ++k) {
      SCOPED_TRACE("link " + std::to_string(k));
      EXPECT_EQ(g.body.links[k].kind, w.body.links[k].kind);
      EXPECT_EQ(g.body.links[k].a, w.body.links[k].a);
      EXPECT_EQ(g.body.links[k].b, w.body.links[k].b);
      EXPECT_EQ(g.body.links[k].radius, w.body.links[k].radius);
      EXPECT_EQ(g.body.links[k].friction, w.body.links[k].friction);
      EXPECT_EQ(g.body.links[k].internal, w.body.links[k].internal);
    }
  }
  ASSERT_EQ(got.enemies.size(), want.enemies.size());
  for (size_t i = 0; i < want.enemies.size(); ++i) {
    EXPECT_EQ(got.enemies[i].kind, want.enemies[i].kind);
    EXPECT_EQ(got.enemies[i].position, want.enemies[i].position);
  }
  ASSERT_EQ(got.props.size(), want.props.size());
  for (size_t i = 0; i < want.props.size(); ++i) {
    EXPECT_EQ(got.props[i].kind, want.props[i].kind);
    EXPECT_EQ(got.props[i].position, want.props[i].position);
  }
  ASSERT_EQ(got.turrets.size(), want.turrets.size());
  for (size_t i = 0; i < want.turrets.size(); ++i) {
    EXPECT_EQ(got.turrets[i].position, want.turrets[i].position);
    EXPECT_EQ(got.turrets[i].rotation, want.turrets[i].rotation);
    EXPECT_EQ(got.turrets[i].interval, want.turrets[i].interval);
    EXPECT_EQ(got.turrets[i].phase, want.turrets[i].phase);
    EXPECT_EQ(got.turrets[i].flip, want.turrets[i].flip);
  }
  ASSERT_EQ(got.decals.size(), want.decals.size());
  for (size_t i = 0; i < want.decals.size(); ++i) {
    EXPECT_EQ(got.decals[i].index, want.decals[i].index);
    EXPECT_EQ(got.decals[i].position, want.decals[i].position);
    EXPECT_EQ(got.decals[i].scale, want.decals[i].scale);
    EXPECT_EQ(got.decals[i].rotation, want.decals[i].rotation);
    EXPECT_EQ(got.decals[i].flipX, want.decals[i].flipX);
    EXPECT_EQ(got.decals[i].flipY, want.decals[i].flipY);
  }
}

// The offset of the first byte in which the two differ; the shorter's size
// when one is the start of the other, and npos when they are equal.
size_t firstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
  for (size_t i = 0; i < a.size() && i < b.size(); ++i)
    if (a[i] != b[i]) return i;
  return a.size() == b.size() ? std::string::npos : std::min(a.size(), b.size());
}

// The whole file around a raw block: the magic, the best time, then the
// compressed block (packed size, raw size, zlib data at level 9).
std::vector<uint8_t> goldenFile(float bestTime, const std::vector<uint8_t>& raw) {
  uLongf packed = compressBound(raw.size());
  std::vector<uint8_t> data(packed);
  EXPECT_EQ(compress2(data.data(), &packed, raw.data(), raw.size(), 9), Z_OK);
  data.resize(packed);
  RawBytes file;
  file.u32(0x67E87B95u).u32(0x04A9D6B2u).u32(9).f32(bestTime);
  file.u32(static_cast<uint32_t>(packed)).u32(static_cast<uint32_t>(raw.size())).append(data);
  return file.bytes;
}

TEST_F(LevelFileOnDisk, GoldenFileReadFieldByFieldAndWrittenByteForByte) {
  const std::vector<uint8_t> raw = goldenBlock();
  const std::vector<uint8_t> file = goldenFile(12.75f, raw);
  EXPECT_EQ(hex(file, 0, 12), "95 7B E8 67 B2 D6 A9 04 09 00 00 00");
  const std::string golden = path("golden.orl");
  writeAll(golden, file);
  LevelRecord got;
  float best = 0.0f;
  bool header = false;
  std::string why;
  ASSERT_TRUE(readFile(golden, got, best, header, &why)) << why;
  EXPECT_EQ(best, 12.75f);
  expectSameLevel(got, goldenLevel());

  Kettar::ByteBuffer written;
  writeLevel(written, goldenLevel());
  EXPECT_EQ(firstDifference(bytesOf(written), raw), std::string::npos);

  // A saved file: the same header and sizes, and a block that inflates to the golden bytes.
  const std::string saved = path("saved.orl");
  ASSERT_TRUE(saveFile(saved, 12.75f, goldenLevel()));
  const std::vector<uint8_t> out = readAll(saved);
  ASSERT_GE(out.size(), 24u);
  EXPECT_EQ(hex(out, 0, 16), hex(file, 0, 16));
  uint32_t sizes[2] = {0, 0};
  std::memcpy(sizes, &out[16], 8);
  EXPECT_EQ(sizes[0], out.size() - 24);
  EXPECT_EQ(sizes[1], raw.size());
  std::vector<uint8_t> inflated(raw.size());
  uLongf inflatedSize = inflated.size();
  EXPECT_EQ(uncompress(inflated.data(), &inflatedSize, &out[24], out.size() - 24), Z_OK);
  inflated.resize(inflatedSize);
  EXPECT_EQ(firstDifference(inflated, raw), std::string::npos);
}

TEST(LevelFileHeader, OnlyTheLevelMagicPasses) {
  struct Row {
    const char* name;
    uint32_t words[3];
    bool ok;
  } rows[] = {
      {"level magic", {kMagic1, kMagic2, 9}, true},
      {"first word", {0x67E87B96u, kMagic2, 9}, false},
      {"second word", {kMagic1, 0x04A9D6B3u, 9}, false},
      {"skeleton magic", {0x047BE120u, 0x01373369u, 1}, false},
      {"version 8", {kMagic1, kMagic2, 8}, false},
      {"version 10", {kMagic1, kMagic2, 10}, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::stringstream s;
    s.write(reinterpret_cast<const char*>(row.words), 12);
    const float t = 42.5f;
    s.write(reinterpret_cast<const char*>(&t), 4);
    float best = 1.0f;
    EXPECT_EQ(readHeader(s, best), row.ok);
    EXPECT_EQ(best, row.ok ? 42.5f : 1.0f);
  }
  std::stringstream shortStream;
  writeHeader(shortStream, 3.0f);
  std::string cut = shortStream.str().substr(0, 14);
  std::stringstream cutStream(cut);
  float best = 1.0f;
  EXPECT_FALSE(readHeader(cutStream, best));
  EXPECT_EQ(best, 1.0f);
}

TEST_F(LevelFileOnDisk, SaveThenReadGivesTheSameLevel) {
  const std::string p = path("a.orl");
  ASSERT_TRUE(saveFile(p, 12.25f, sampleLevel()));
  EXPECT_FALSE(fs::exists(p + ".tmp"));
  const std::vector<uint8_t> file = readAll(p);
  EXPECT_EQ(hex(file, 0, 12), "95 7B E8 67 B2 D6 A9 04 09 00 00 00");
  LevelRecord out;
  float best = 0.0f;
  bool header = false;
  std::string why;
  ASSERT_TRUE(readFile(p, out, best, header, &why)) << why;
  EXPECT_TRUE(header);
  EXPECT_EQ(best, 12.25f);
  EXPECT_EQ(blockOf(out), blockOf(sampleLevel()));
}

TEST_F(LevelFileOnDisk, SaveReplacesAnExistingFile) {
  const std::string p = path("again.orl");
  ASSERT_TRUE(saveFile(p, 50.0f, sampleLevel()));
  LevelRecord wider = sampleLevel();
  wider.width = 80.0f;
  ASSERT_TRUE(saveFile(p, 40.0f, wider));
  LevelRecord out;
  float best = 0.0f;
  bool header = false;
  ASSERT_TRUE(readFile(p, out, best, header));
  EXPECT_EQ(best, 40.0f);
  EXPECT_EQ(out.width, 80.0f);
  EXPECT_FALSE(fs::exists(p + ".tmp"));
}

TEST_F(LevelFileOnDisk, TruncatedBlockStillGivesTheBestTime) {
  const std::string p = path("cut.orl");
  ASSERT_TRUE(saveFile(p, 33.5f, sampleLevel()));
  std::vector<uint8_t> file = readAll(p);
  file.resize(file.size() - 5);
  writeAll(p, file);
  LevelRecord out;
  float best = 0.0f;
  bool header = false;
  EXPECT_FALSE(readFile(p, out, best, header));
  EXPECT_TRUE(header);
  EXPECT_EQ(best, 33.5f);
  EXPECT_FALSE(readFile(path("missing.orl"), out, best, header));
  EXPECT_FALSE(header);
}

TEST_F(LevelFileOnDisk, FailedSaveLeavesTheOldFile) {
  const std::string p = path("keep.orl");
  ASSERT_TRUE(saveFile(p, 5.0f, sampleLevel()));
  const std::vector<uint8_t> before = readAll(p);
  LevelRecord other = sampleLevel();
  other.width = 80.0f;
  EXPECT_FALSE(saveFile(path("no/such/folder/x.orl"), 1.0f, other));
  bool saved = true;
  if (!test_support::withFileSizeLimit(20, [&] { saved = saveFile(p, 1.0f, other); }))
    GTEST_SKIP() << "no file size limit to cut the write short";
  EXPECT_FALSE(saved);
  EXPECT_EQ(readAll(p), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(fs::path(p).parent_path()), fs::directory_iterator()), 1)
      << "a temporary was left";
}

TEST_F(LevelFileOnDisk, BestTimeRewriteChangesOnlyBytes12To15) {
  const std::string p = path("best.orl");
  ASSERT_TRUE(saveFile(p, 9999.0f, sampleLevel()));
  // A file past 1,000,000 bytes keeps its tail too.
  std::vector<uint8_t> before = readAll(p);
  before.resize(1200000, 0xAB);
  writeAll(p, before);
  ASSERT_TRUE(writeBestTime(p, 17.75f));
  const std::vector<uint8_t> after = readAll(p);
  ASSERT_EQ(after.size(), before.size());
  float best = 0.0f;
  std::memcpy(&best, &after[12], 4);
  EXPECT_EQ(best, 17.75f);
  for (size_t i = 0; i < after.size(); ++i)
    if (i < 12 || i > 15) {
      ASSERT_EQ(after[i], before[i]) << "byte " << i;
    }
}

TEST_F(LevelFileOnDisk, BestTimeRewriteRefusesOtherFiles) {
  std::vector<uint8_t> level = [&] {
    const std::string p = path("ok.orl");
    saveFile(p, 1.0f, sampleLevel());
    return readAll(p);
  }();
  std::vector<uint8_t> wrongMagic = level;
  wrongMagic[8] = 10;
  struct Row {
    const char* name;
    std::vector<uint8_t> bytes;
  } rows[] = {
      {"empty", {}},
      {"header only", std::vector<uint8_t>(level.begin(), level.begin() + 16)},
      {"23 bytes", std::vector<uint8_t>(level.begin(), level.begin() + 23)},
      {"version 10", wrongMagic},
      {"text", std::vector<uint8_t>(40, 'x')},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string p = path("bad.orl");
    writeAll(p, row.bytes);
    EXPECT_FALSE(writeBestTime(p, 2.0f));
    EXPECT_EQ(readAll(p), row.bytes);
  }
  EXPECT_FALSE(writeBestTime(path("missing.orl"), 2.0f));
  EXPECT_FALSE(fs::exists(path("missing.orl")));
  // 24 bytes with the magic is the least it accepts.
  const std::string p = path("least.orl");
  writeAll(p, std::vector<uint8_t>(level.begin(), level.begin() + 24));
  EXPECT_TRUE(writeBestTime(p, 2.0f));
}

// The records of a block can take more room than its bytes: a block of 64 MiB claiming that
// many polygons asks a process of little memory (and a 32-bit build, for a block of some
// hundreds of megabytes) for more than it has. The read fails with its reason; nothing throws.
TEST(LevelFileMemory, RecordsThatCannotBeStoredFailTheRead) {
  if (!test_support::kNewThrowsWhenMemoryRunsOut) GTEST_SKIP() << "memory that runs out ends this build";
  constexpr uint32_t kBlockBytes = 64u << 20;
  Kettar::ByteBuffer buffer;
  {
    LevelRecord level = sampleLevel();
    level.terrain.polygons.clear();
    std::vector<uint8_t> bytes = blockOf(level);
    bytes.resize(terrainEnd(level) - 4);  // up to the polygon count
    // The smallest polygon record: orientation, two empty id lists, an empty body block.
    const uint32_t polygons = kBlockBytes / (1 + 4 + 4 + 4 + 4);
    const size_t at = bytes.size();
    bytes.resize(at + 4 + kBlockBytes, 0);
    putU32(bytes, at, polygons);
    buffer = bufferOf(bytes);
  }
  const int broken = test_support::runWithLittleMemory(kBlockBytes, [&buffer](bool limited) {
    if (!limited) return test_support::kNotLimitedThere;
    LevelRecord out;
    std::string why;
    if (readLevel(buffer, out, &why)) return 1;
    return why == "no memory for the block's records" ? 0 : 2;
  });
  if (broken == test_support::kNoChildHere || broken == test_support::kNotLimitedThere) GTEST_SKIP() << "no process of limited memory here";
  EXPECT_EQ(broken, 0) << "1: read; 2: another reason; -1: an exception left the read";
}

// A count that the bytes left can hold but its list cannot: max_size() + 1, with that many
// records' least bytes behind it. The read refuses the block with its reason instead of letting
// the list throw std::length_error. Only a 32-bit build has such counts, and only for records
// that take more room in memory than in the file: a polygon takes 52 bytes there against its
// least 17, a turret 24 against 21, a decal 24 against 22. Edge ids (4 bytes in both) and enemy
// and prop records (12 in both) have none: max_size() + 1 of them would need 2 GiB of records,
// more than a buffer can hold (an object has at most PTRDIFF_MAX bytes).
struct CountPastListRow {
  const char* name;
  const char* what;       // as the reason names the records
  size_t countAt;         // where the count stands in a level with nothing in it
  uint32_t recordBytes;   // the least bytes of one record in the block
  std::size_t maxItems;   // max_size() of the list the count sizes
};

void PrintTo(const CountPastListRow& row, std::ostream* out) { *out << row.name; }

class LevelFileCountPastTheList : public ::testing::TestWithParam<CountPastListRow> {};

TEST_P(LevelFileCountPastTheList, IsRefusedWithItsReason) {
  const CountPastListRow& row = GetParam();
  LevelRecord empty;
  empty.width = 40.0f;
  empty.height = 20.0f;
  const std::vector<uint8_t> bytes = blockOf(empty);
  const std::string before(bytes.begin(), bytes.begin() + row.countAt);
  {
    // The large block's maker, on a small block in every build.
    Kettar::ByteBuffer small;
    ASSERT_TRUE(test_support::loadZeroRunBlock(small, before, 1000));
    ASSERT_EQ(small.size(), before.size() + 1000);
  }
  Kettar::ByteBuffer buffer;
  uint32_t count = 0;
  const std::string cannot =
      test_support::loadCountPastList(buffer, before, row.recordBytes, row.maxItems, count);
  if (!cannot.empty()) GTEST_SKIP() << cannot;
  LevelRecord out;
  std::string why;
  bool read = false;
  EXPECT_NO_THROW(read = readLevel(buffer, out, &why));
  EXPECT_FALSE(read);
  EXPECT_EQ(why, std::string(row.what) + " count " + std::to_string(count) +
                     " exceeds what this build can hold");
}

// The counts of an empty level's block: the polygons' at the end of the terrain, then the
// enemies', props', turrets' and decals', four bytes each.
INSTANTIATE_TEST_SUITE_P(
    Counts, LevelFileCountPastTheList,
    ::testing::Values(
        CountPastListRow{"Polygons", "polygon", terrainEnd(LevelRecord{}) - 4, 1 + 4 + 4 + 4 + 4,
                         TerrainRecord().polygons.max_size()},
        CountPastListRow{"Turrets", "turret", terrainEnd(LevelRecord{}) + 8, 21,
                         LevelRecord().turrets.max_size()},
        CountPastListRow{"Decals", "decal", terrainEnd(LevelRecord{}) + 12, 22,
                         LevelRecord().decals.max_size()}),
    [](const ::testing::TestParamInfo<CountPastListRow>& info) { return std::string(info.param.name); });

}  // namespace
