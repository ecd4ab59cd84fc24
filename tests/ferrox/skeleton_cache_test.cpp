#include "ferrox/skeleton_cache.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "body_test_support.h"
#include "ferrox/body_block.h"
#include "ferrox/grid.h"
#include "kettar/byte_buffer.h"

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

}  // namespace
