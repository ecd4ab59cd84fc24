#include "ferrox/skeleton_cache.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "body_test_support.h"
#include "ferrox/body_block.h"
#include "ferrox/grid.h"
#include "ferrox/link.h"
#include "ferrox/quark.h"
#include "kettar/byte_buffer.h"
#include "support/little_memory.h"
#include "support/zlib_block.h"

namespace {

using namespace ferrox;
namespace fs = std::filesystem;

const std::string kHeader("\x20\xe1\x7b\x04\x69\x33\x37\x01\x01\x00\x00\x00", 12);

struct SkeletonCacheTest : bodytest::SettingsFixture {
  fs::path dir;

  void SetUp() override {
    SkeletonCache::clear();
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = fs::temp_directory_path() /
          ("ombrel-cache-" + std::to_string(getpid()) + "-" + info->name());
    fs::create_directories(dir);
  }
  void TearDown() override {
    SkeletonCache::clear();
    fs::remove_all(dir);
    SettingsFixture::TearDown();
  }

  std::string path(const char* name) const { return (dir / name).string(); }

  static void write(const std::string& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  }
  static std::string read(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // A compressed block whose raw bytes are `raw`.
  static std::string block(const Kettar::ByteBuffer& raw) {
    std::ostringstream out;
    EXPECT_TRUE(raw.saveCompressed(out));
    return out.str();
  }
};

// A triangle with one link of each kind.
void buildTriangle(Skeleton& body, float size) {
  body.addQuark(kSoft, Vec2(0.0f, 0.0f), 1.0f, 0.1f);
  body.addQuark(kStiff, Vec2(size, 0.0f), 2.0f, 0.2f);
  body.addQuark(kFixed, Vec2(0.0f, size), 1.0f, 0.0f);
  body.addLink(kSoft, 0, 1, 0.2f, 50.0f, 0.0f, 0.5f);
  body.addLink(kStiff, 1, 2, 0.0f, 0.0f, 0.0f, 0.5f);
  body.addLink(kFixed, 2, 0, 0.0f, 0.0f, 0.0f, 0.5f);
}

void expectEmptyBody(const Skeleton& body) {
  EXPECT_EQ(body.quarks.count, 0u);
  EXPECT_EQ(body.links.count, 0u);
  EXPECT_EQ(body.canSleep, 1);
  EXPECT_EQ(body.id, 0);
}

TEST_F(SkeletonCacheTest, SaveWritesTheHeaderAndOneBlock) {
  Skeleton body;
  buildTriangle(body, 1.0f);
  const std::string p = path("triangle.fsk");
  ASSERT_TRUE(SkeletonCache::save(p, body));
  const std::string bytes = read(p);
  ASSERT_GE(bytes.size(), 20u);
  EXPECT_EQ(bytes.substr(0, 12), kHeader);
  Kettar::ByteBuffer raw;
  body.serialize(raw);
  std::istringstream in(bytes.substr(12));
  Kettar::ByteBuffer loaded;
  ASSERT_TRUE(loaded.loadCompressed(in));
  EXPECT_EQ(bodytest::hex(loaded), bodytest::hex(raw));
  EXPECT_EQ(in.peek(), std::char_traits<char>::eof()) << "nothing after the block";

  EXPECT_FALSE(SkeletonCache::save(path("no-such-dir/x.fsk"), body));
}

// A body block written out by hand from the record tables: every field in
// order, distinct values, each record kind, the internal flag set and clear.
const char* const kGoldenBlock =
    "03 00 00 00 "
    // soft: x 1.5, y -2, mass 2.5, damping 0.125
    "00 00 00 c0 3f 00 00 00 c0 00 00 20 40 00 00 00 3e "
    // stiff: x -0.75, y 3, mass 4, damping 0.375
    "01 00 00 40 bf 00 00 40 40 00 00 80 40 00 00 c0 3e "
    // fixed: x 0.5, y 0.25, mass 999999, damping 0
    "02 00 00 00 3f 00 00 80 3e f0 23 74 49 00 00 00 00 "
    "04 00 00 00 "
    // soft: a 1, b 0, spring 40, rest 1.75, radius 0.0625, stiffness 0.4375,
    // friction 0.6875, internal 1
    "00 01 00 00 00 00 00 00 00 00 00 20 42 00 00 e0 3f 00 00 80 3d 00 00 e0 3e 00 00 30 3f 01 "
    // stiff: a 2, b 1, rest 2.25, radius 0.09375, stiffness 0.15625, friction 0.8125, internal 0
    "01 02 00 00 00 01 00 00 00 00 00 10 40 00 00 c0 3d 00 00 20 3e 00 00 50 3f 00 "
    // fixed: a 0, b 2, radius 0.046875, friction 0.9375, internal 0
    "02 00 00 00 00 02 00 00 00 00 00 40 3d 00 00 70 3f 00 "
    // stiff: a 0, b 1, rest 3.5, radius 0.03125, stiffness 0.0625, friction 0.28125, internal 1
    "01 00 00 00 00 01 00 00 00 00 00 60 40 00 00 00 3d 00 00 80 3d 00 00 90 3e 01";

std::string bytesOf(const Kettar::ByteBuffer& buffer) {
  return std::string(reinterpret_cast<const char*>(buffer.data()), buffer.size());
}

TEST_F(SkeletonCacheTest, GoldenFileReadsFieldByFieldAndWritesBackTheSameBlock) {
  const std::string golden = bytesOf(bodytest::fromHex(kGoldenBlock));
  ASSERT_EQ(golden.size(), 4u + 3 * 17 + 4 + 30 + 26 + 18 + 26);
  const std::string p = path("golden.fsk");
  write(p, kHeader + test_support::zlibBlock(golden));
  const Skeleton& body = SkeletonCache::get(p);

  struct QuarkRow {
    Kind kind;
    Vec2 position;
    float mass, damping;
    uint8_t asleep;
  } quarkRows[] = {
      {kSoft, Vec2(1.5f, -2.0f), 2.5f, 0.125f, 0},
      {kStiff, Vec2(-0.75f, 3.0f), 4.0f, 0.375f, 0},
      {kFixed, Vec2(0.5f, 0.25f), 999999.0f, 0.0f, 1},
  };
  ASSERT_EQ(body.quarks.count, 3u);
  for (uint32_t i = 0; i < 3; ++i) {
    SCOPED_TRACE("quark " + std::to_string(i));
    const Quark* q = body.quarks[i];
    EXPECT_EQ(q->kind(), quarkRows[i].kind);
    EXPECT_EQ(q->position, quarkRows[i].position);
    EXPECT_EQ(q->mass, quarkRows[i].mass);
    EXPECT_EQ(q->damping, quarkRows[i].damping);
    EXPECT_EQ(q->asleep, quarkRows[i].asleep);
    EXPECT_EQ(q->velocity(), Vec2(0.0f, 0.0f));
  }

  struct LinkRow {
    Kind kind;
    uint32_t a, b;
    float springConstant, rest, radius, stiffness, friction;
    uint8_t internal;
  } linkRows[] = {
      {kSoft, 1, 0, 40.0f, 1.75f, 0.0625f, 0.4375f, 0.6875f, 1},
      {kStiff, 2, 1, 0.0f, 2.25f, 0.09375f, 0.15625f, 0.8125f, 0},
      // A fixed link's rest is the distance of its quarks: |(-1, 2.25)|.
      {kFixed, 0, 2, 0.0f, std::sqrt(6.0625f), 0.046875f, 0.0f, 0.9375f, 0},
      {kStiff, 0, 1, 0.0f, 3.5f, 0.03125f, 0.0625f, 0.28125f, 1},
  };
  ASSERT_EQ(body.links.count, 4u);
  for (uint32_t i = 0; i < 4; ++i) {
    SCOPED_TRACE("link " + std::to_string(i));
    const Link* l = body.links[i];
    const LinkRow& row = linkRows[i];
    EXPECT_EQ(l->kind(), row.kind);
    EXPECT_EQ(l->a, body.quarks[row.a]);
    EXPECT_EQ(l->b, body.quarks[row.b]);
    if (row.kind == kSoft) {
      EXPECT_EQ(static_cast<const LinkSoft*>(l)->springConstant, row.springConstant);
    }
    EXPECT_FLOAT_EQ(l->rest, row.rest);
    EXPECT_EQ(l->radius, row.radius);
    EXPECT_EQ(l->stiffness, row.stiffness);
    EXPECT_EQ(l->friction, row.friction);
    EXPECT_EQ(l->internal, row.internal);
  }

  const std::string saved = path("saved.fsk");
  ASSERT_TRUE(SkeletonCache::save(saved, body));
  const std::string file = read(saved);
  ASSERT_GE(file.size(), 12u);
  EXPECT_EQ(file.substr(0, 12), kHeader);
  std::string raw;
  size_t end = 0;
  ASSERT_TRUE(test_support::openZlibBlock(file, 12, raw, end));
  EXPECT_EQ(end, file.size()) << "nothing after the block";
  Kettar::ByteBuffer written;
  written.append(raw.data(), static_cast<uint32_t>(raw.size()));
  EXPECT_EQ(bodytest::hex(written), kGoldenBlock);
}

TEST_F(SkeletonCacheTest, GetReadsEachFileOnce) {
  Skeleton body;
  buildTriangle(body, 1.0f);
  const std::string p = path("triangle.fsk");
  ASSERT_TRUE(SkeletonCache::save(p, body));
  const Skeleton& first = SkeletonCache::get(p);
  ASSERT_EQ(first.quarks.count, 3u);
  ASSERT_EQ(first.links.count, 3u);
  EXPECT_EQ(first.canSleep, 1);
  fs::remove(p);
  EXPECT_EQ(&SkeletonCache::get(p), &first) << "served from the cache";
  EXPECT_TRUE(SkeletonCache::load(p));
  EXPECT_EQ(SkeletonCache::size(), 1u);
}

TEST_F(SkeletonCacheTest, TemplatesStayOutOfTheGridAndCopiesEnterIt) {
  ASSERT_TRUE(createWorld(10, 8, 0.2f));
  Skeleton body;
  buildTriangle(body, 1.0f);
  const std::string p = path("triangle.fsk");
  ASSERT_TRUE(SkeletonCache::save(p, body));
  const Skeleton& tmpl = SkeletonCache::get(p);
  for (const Link* l : tmpl.links) EXPECT_EQ(bodytest::cellEntries(l), 0u);
  Skeleton live(tmpl, Vec2(-2.0f, 1.0f), true);
  ASSERT_EQ(live.quarks.count, 3u);
  EXPECT_EQ(live.quarks[1]->position, Vec2(-1.0f, 1.0f));
  for (const Link* l : live.links) EXPECT_GT(bodytest::cellEntries(l), 0u);
  // The cache is cleared while the world still stands: templates never entered it.
  SkeletonCache::clear();
}

TEST_F(SkeletonCacheTest, ClearMakesGetReadTheFileAgain) {
  const std::string p = path("body.fsk");
  Skeleton small;
  buildTriangle(small, 1.0f);
  ASSERT_TRUE(SkeletonCache::save(p, small));
  EXPECT_EQ(SkeletonCache::get(p).quarks[1]->position, Vec2(1.0f, 0.0f));
  Skeleton large;
  buildTriangle(large, 3.0f);
  ASSERT_TRUE(SkeletonCache::save(p, large));
  EXPECT_EQ(SkeletonCache::get(p).quarks[1]->position, Vec2(1.0f, 0.0f)) << "still cached";
  SkeletonCache::clear();
  EXPECT_EQ(SkeletonCache::size(), 0u);
  EXPECT_EQ(SkeletonCache::get(p).quarks[1]->position, Vec2(3.0f, 0.0f));
}

TEST_F(SkeletonCacheTest, MissingFileGivesTheEmptyBodyAndCachesNothing) {
  const std::string p = path("missing.fsk");
  for (int i = 0; i < 2; ++i) {
    expectEmptyBody(SkeletonCache::get(p));
    EXPECT_EQ(SkeletonCache::size(), 0u);
  }
  EXPECT_FALSE(SkeletonCache::load(p));
  Skeleton copy(SkeletonCache::get(p), Vec2(1.0f, 1.0f), true);
  EXPECT_EQ(copy.quarks.count, 0u);
}

TEST_F(SkeletonCacheTest, DamagedFilesAreRefused) {
  Skeleton body;
  buildTriangle(body, 1.0f);
  Kettar::ByteBuffer raw;
  body.serialize(raw);
  const std::string good = block(raw);

  BodyBlock badSlot;
  badSlot.quarks.resize(2);
  badSlot.links.resize(1);
  badSlot.links[0].a = 0;
  badSlot.links[0].b = 2;
  Kettar::ByteBuffer badSlotRaw;
  writeBodyBlock(badSlotRaw, badSlot);

  std::string flipped = good;
  flipped[8 + (flipped.size() - 8) / 2] ^= 0x55;
  std::string longer = good;
  longer[4] = static_cast<char>(longer[4] + 1);  // raw size one more than the data

  std::string version2 = kHeader;
  version2[8] = 2;
  std::string magic = kHeader;
  magic[0] = 0x21;

  struct Row {
    const char* name;
    std::string bytes;
  } rows[] = {
      {"empty file", ""},
      {"header cut short", kHeader.substr(0, 7)},
      {"header without a block", kHeader},
      {"wrong first magic word", magic + good},
      {"version 2", version2 + good},
      {"block sizes cut", kHeader + good.substr(0, 6)},
      {"packed data cut", kHeader + good.substr(0, good.size() - 5)},
      {"zlib data damaged", kHeader + flipped},
      {"raw size larger than the data", kHeader + longer},
      {"link slot past the quarks", kHeader + block(badSlotRaw)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const std::string p = path("damaged.fsk");
    write(p, row.bytes);
    EXPECT_FALSE(SkeletonCache::load(p));
    expectEmptyBody(SkeletonCache::get(p));
    EXPECT_EQ(SkeletonCache::size(), 0u);
  }
  const std::string p = path("sound.fsk");
  write(p, kHeader + good);
  EXPECT_TRUE(SkeletonCache::load(p)) << "the same bytes undamaged";
}

// A file is read as far as its body block and no further: what follows it, in the block or
// after the block, is left unread.
TEST_F(SkeletonCacheTest, BytesAfterTheBodyBlockAreNotRead) {
  Skeleton body;
  buildTriangle(body, 1.0f);
  Kettar::ByteBuffer raw;
  body.serialize(raw);
  Kettar::ByteBuffer rawWithTail;
  body.serialize(rawWithTail);
  rawWithTail.append("tail", 4);

  struct Row {
    const char* name;
    std::string bytes;
  } rows[] = {
      {"bytes after the body block, inside the compressed block", kHeader + block(rawWithTail)},
      {"bytes after the compressed block", kHeader + block(raw) + std::string("\0\x01tail", 6)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    SkeletonCache::clear();
    const std::string p = path("tail.fsk");
    write(p, row.bytes);
    ASSERT_TRUE(SkeletonCache::load(p));
    Kettar::ByteBuffer loaded;
    SkeletonCache::get(p).serialize(loaded);
    EXPECT_EQ(bodytest::hex(loaded), bodytest::hex(raw));
  }
}

// A sound file whose million quarks fit as records but not as a body: the file is refused,
// nothing is cached and no exception leaves the reader.
TEST_F(SkeletonCacheTest, ABodyTheMemoryCannotHoldRefusesTheFile) {
  if (!test_support::kNewThrowsWhenMemoryRunsOut) GTEST_SKIP() << "memory that runs out ends this build";
  constexpr uint32_t kQuarks = 1u << 20;
  std::string records(size_t(kQuarks) * kQuarkRecordSize, '\0');
  for (size_t i = 0; i < records.size(); i += kQuarkRecordSize) records[i] = char(kBlockFixed);
  Kettar::ByteBuffer raw;
  raw.put(kQuarks);
  raw.append(records.data(), static_cast<uint32_t>(records.size()));
  raw.put(uint32_t{0});
  const std::string p = path("large.fsk");
  write(p, kHeader + block(raw));
  records.clear();
  records.shrink_to_fit();

  // Room for the block and its records (about 40 MB), not for the quarks (about 150 MB).
  const int broken = test_support::runWithLittleMemory(std::size_t(64) << 20, [&p](bool limited) {
    if (!limited) return test_support::kNotLimitedThere;
    const bool loaded = SkeletonCache::load(p);
    return (loaded ? 1 : 0) | (SkeletonCache::size() != 0 ? 2 : 0);
  });
  if (broken == test_support::kNoChildHere || broken == test_support::kNotLimitedThere)
    GTEST_SKIP() << "no process of limited memory here";
  EXPECT_EQ(broken, 0) << "1: read; 2: cached; -1: an exception left the read";
}

}  // namespace
