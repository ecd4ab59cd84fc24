#include "ferrox/body_block.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "body_test_support.h"
#include "ferrox/grid.h"
#include "ferrox/skeleton.h"
#include "kettar/byte_buffer.h"
#include "support/count_past_list.h"
#include "support/little_memory.h"
#include "support/zero_run_block.h"

namespace {

using namespace ferrox;
using bodytest::fromHex;
using bodytest::hex;

using BodyBlockTest = bodytest::WorldFixture;

uint32_t gridEntries() {
  uint32_t n = 0;
  for (int32_t c = 0; c < world->cols; ++c)
    for (int32_t r = 0; r < world->rows; ++r) n += world->cell(c, r).count;
  return n;
}

QuarkRecord quark(uint8_t kind, Vec2 p, float mass = 1.0f, float damping = 0.0f) {
  QuarkRecord r;
  r.kind = kind;
  r.position = p;
  r.mass = mass;
  r.damping = damping;
  return r;
}

LinkRecord link(uint8_t kind, uint32_t a, uint32_t b) {
  LinkRecord r;
  r.kind = kind;
  r.a = a;
  r.b = b;
  r.springConstant = 20.0f;
  r.rest = 1.0f;
  r.radius = 0.05f;
  r.stiffness = 0.1f;
  r.friction = 0.5f;
  return r;
}

// Two quarks and one link of each kind: the block every damaged row starts from.
BodyBlock sound() {
  BodyBlock b;
  b.quarks = {quark(kBlockSoft, {0.0f, 0.0f}), quark(kBlockStiff, {1.0f, 0.0f}),
              quark(kBlockFixed, {1.0f, 1.0f})};
  b.links = {link(kBlockSoft, 0, 1), link(kBlockStiff, 1, 2), link(kBlockFixed, 2, 0)};
  return b;
}

Kettar::ByteBuffer bytesOf(const BodyBlock& block) {
  Kettar::ByteBuffer buffer;
  writeBodyBlock(buffer, block);
  return buffer;
}

TEST_F(BodyBlockTest, OneSoftQuarkIs25Bytes) {
  Skeleton body;
  body.addQuark(kSoft, Vec2(1.5f, -2.0f), 1.0f, 0.25f);
  Kettar::ByteBuffer buffer;
  body.serialize(buffer);
  // N 1 | soft, x 1.5, y -2, mass 1, damping 0.25 | M 0
  EXPECT_EQ(hex(buffer),
            "01 00 00 00 00 00 00 c0 3f 00 00 00 c0 00 00 80 3f 00 00 80 3e 00 00 00 00");

  Skeleton back;
  ASSERT_TRUE(back.deserialize(buffer, true));
  ASSERT_EQ(back.quarks.count, 1u);
  const Quark* q = back.quarks[0];
  EXPECT_EQ(q->kind(), kSoft);
  EXPECT_EQ(q->position, Vec2(1.5f, -2.0f));
  EXPECT_EQ(q->mass, 1.0f);
  EXPECT_EQ(q->damping, 0.25f);
  EXPECT_EQ(q->velocity(), Vec2(0.0f, 0.0f));
  EXPECT_EQ(q->asleep, 0);
  EXPECT_EQ(q->owner, &back);
  EXPECT_EQ(buffer.remaining(), 0u);
}

TEST_F(BodyBlockTest, EveryRecordKindRoundTrips) {
  Skeleton body;
  body.addQuark(kSoft, Vec2(-1.0f, 0.0f), 2.0f, 0.1f);
  body.addQuark(kStiff, Vec2(0.0f, 0.5f), 3.0f, 0.2f);
  body.addQuark(kFixed, Vec2(1.0f, 0.0f), 4.0f, 0.3f);
  body.addQuark(kSoft, Vec2(0.0f, -0.5f), 1.0f, 0.0f);
  body.addLink(kSoft, 0, 1, 0.4f, 30.0f, 0.02f, 0.6f);
  body.addLink(kStiff, 1, 2, 0.5f, 0.0f, 0.04f, 0.7f);
  body.addLink(kFixed, 2, 3, 0.0f, 0.0f, 0.08f, 0.9f);
  body.addInternalLink(kStiff, 0, 2, 0.25f, 0.0f);
  body.addInternalLink(kSoft, 1, 3, 0.125f, 12.0f);
  Kettar::ByteBuffer first;
  body.serialize(first);
  EXPECT_EQ(first.size(), 4u + 4 * 17 + 4 + 30 + 26 + 18 + 26 + 30);

  Skeleton back;
  ASSERT_TRUE(back.deserialize(first, true));
  Kettar::ByteBuffer second;
  back.serialize(second);
  EXPECT_EQ(hex(second), hex(first));
  ASSERT_EQ(back.links.count, 5u);
  for (uint32_t i = 0; i < 5; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(back.links[i]->kind(), body.links[i]->kind());
    EXPECT_EQ(back.links[i]->internal, body.links[i]->internal);
    EXPECT_EQ(back.links[i]->rest, body.links[i]->rest);
    EXPECT_EQ(back.links[i]->a, back.quarks[body.links[i]->a->index]);
    EXPECT_EQ(back.links[i]->inGrid, 0);
  }
  EXPECT_EQ(static_cast<const LinkSoft*>(back.links[4])->springConstant, 12.0f);
  EXPECT_EQ(back.quarks[2]->asleep, 1);
  EXPECT_EQ(static_cast<const QuarkStiff*>(back.quarks[1])->previousPosition, Vec2(0.0f, 0.5f));
}

TEST_F(BodyBlockTest, FixedRecordsDropWhatFixedThingsCannotHold) {
  BodyBlock block;
  block.quarks = {quark(kBlockFixed, {0.0f, 0.0f}, 5.0f, 0.5f),
                  // unknown codes read as fixed, unused mass and all
                  quark(9, {1.0f, 0.0f}, std::numeric_limits<float>::quiet_NaN(), -3.0f)};
  block.links = {link(kBlockFixed, 0, 1)};
  block.links[0].internal = 1;
  Kettar::ByteBuffer buffer = bytesOf(block);
  Skeleton body;
  ASSERT_TRUE(body.deserialize(buffer, true));
  for (const Quark* q : body.quarks) {
    EXPECT_EQ(q->kind(), kFixed);
    EXPECT_EQ(q->mass, 999999.0f);
    EXPECT_EQ(q->damping, 0.0f);
  }
  const Link* l = body.links[0];
  EXPECT_EQ(l->kind(), kFixed);
  EXPECT_EQ(l->internal, 0);
  EXPECT_EQ(l->rest, 1.0f) << "the current distance";
  EXPECT_EQ(l->stiffness, 0.0f);
  EXPECT_EQ(l->radius, 0.05f);
  EXPECT_EQ(l->friction, 0.5f);
}

TEST_F(BodyBlockTest, TheCursorStopsRightAfterTheBlock) {
  Kettar::ByteBuffer buffer = bytesOf(sound());
  const uint32_t marker = 0xfeedbeef;
  buffer.put(marker);
  Skeleton body;
  ASSERT_TRUE(body.deserialize(buffer, true));
  uint32_t next = 0;
  ASSERT_TRUE(buffer.get(next));
  EXPECT_EQ(next, marker);
}

TEST_F(BodyBlockTest, LinksEnterTheGridUnlessNoGrid) {
  for (bool noGrid : {true, false}) {
    SCOPED_TRACE(noGrid ? "noGrid" : "into the grid");
    Kettar::ByteBuffer buffer = bytesOf(sound());
    Skeleton body(buffer, noGrid);
    ASSERT_EQ(body.links.count, 3u);
    for (const Link* l : body.links) EXPECT_EQ(bodytest::cellEntries(l) > 0, !noGrid);
  }
}

TEST_F(BodyBlockTest, DamagedBlocksAreRefusedWhole) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  struct Patch {
    const char* name;
    std::string bytes;
  };
  std::vector<Patch> patches;
  auto add = [&](const char* name, BodyBlock block, uint32_t cut = 0) {
    Kettar::ByteBuffer b = bytesOf(block);
    std::string text = hex(b);
    text.resize(text.size() >= cut * 3 ? text.size() - cut * 3 : 0);
    patches.push_back({name, text});
  };
  {
    BodyBlock b = sound();
    b.links[1].b = 3;
    add("link slot equal to N", b);
    b.links[1].b = 0xffffffff;
    add("link slot far past N", b);
  }
  {
    BodyBlock b = sound();
    b.links[0].b = 0;
    add("link from a quark to itself", b);
  }
  struct Bad {
    const char* name;
    uint8_t kind;
    float mass;
    float damping;
    float x;
  } bads[] = {
      {"soft mass 0", kBlockSoft, 0.0f, 0.0f, 0.0f},
      {"stiff mass NaN", kBlockStiff, nan, 0.0f, 0.0f},
      {"soft mass negative", kBlockSoft, -1.0f, 0.0f, 0.0f},
      {"stiff mass infinite", kBlockStiff, inf, 0.0f, 0.0f},
      {"soft damping NaN", kBlockSoft, 1.0f, nan, 0.0f},
      {"position infinite", kBlockFixed, 1.0f, 0.0f, inf},
      {"position NaN", kBlockSoft, 1.0f, 0.0f, nan},
  };
  for (const Bad& bad : bads) {
    BodyBlock b = sound();
    b.quarks[1] = quark(bad.kind, {bad.x, 0.0f}, bad.mass, bad.damping);
    add(bad.name, b);
  }
  {
    BodyBlock b = sound();
    b.links[0].radius = nan;
    add("link radius NaN", b);
    b = sound();
    b.links[1].rest = inf;
    add("link rest infinite", b);
  }
  add("last byte missing", sound(), 1);
  add("last link record cut in half", sound(), 9);
  add("quark records cut", sound(), 4 + 30 + 26 + 18 + 8);
  add("link count missing", sound(), 4 + 30 + 26 + 18);
  add("empty buffer", sound(), 4 + 3 * 17 + 4 + 30 + 26 + 18);
  patches.push_back({"huge quark count", "ff ff ff ff 00 00 00 00 00 00 00 00"});
  patches.push_back({"quark count past the bytes left",
                     "02 00 00 00 00 00 00 00 00 00 00 00 00 00 00 80 3f 00 00 00 00 00 00 00 00"});
  {
    // Three quarks, then a link count of 0xffffffff and nothing behind it.
    BodyBlock b = sound();
    b.links.clear();
    Kettar::ByteBuffer buffer = bytesOf(b);
    std::string text = hex(buffer);
    text.replace(text.size() - 11, 11, "ff ff ff ff");
    patches.push_back({"huge link count", text});
  }
  {
    // The last link's kind byte turned from fixed (18 bytes) into soft (30).
    BodyBlock b = sound();
    std::string text = hex(bytesOf(b));
    text.replace(text.size() - 18 * 3 + 1, 2, "00");
    patches.push_back({"link kind that needs more bytes than are left", text});
  }

  for (const Patch& p : patches) {
    SCOPED_TRACE(p.name);
    Kettar::ByteBuffer buffer = fromHex(p.bytes);
    Skeleton body;
    body.addQuark(kSoft, Vec2(0.0f, 0.0f), 1.0f, 0.0f);  // replaced, even on failure
    EXPECT_FALSE(body.deserialize(buffer, false));
    EXPECT_EQ(body.quarks.count, 0u);
    EXPECT_EQ(body.links.count, 0u);
    EXPECT_EQ(gridEntries(), 0u);
    EXPECT_EQ(world->pairs.count, 0u);

    Kettar::ByteBuffer again = fromHex(p.bytes);
    Skeleton viaConstructor(again, false);
    EXPECT_EQ(viaConstructor.quarks.count, 0u);
    EXPECT_EQ(viaConstructor.links.count, 0u);
  }
}

// Quark records take more room in memory than in the block: a block of 64 MiB of them asks a
// process of little memory (and a 32-bit build, for a block of some hundreds of megabytes) for
// more than it has. The read fails; nothing throws.
TEST(BodyBlockMemory, RecordsThatCannotBeStoredFailTheRead) {
  if (!test_support::kNewThrowsWhenMemoryRunsOut) GTEST_SKIP() << "memory that runs out ends this build";
  constexpr uint32_t kBlockBytes = 64u << 20;
  Kettar::ByteBuffer buffer;
  buffer.put(kBlockBytes / kQuarkRecordSize);
  {
    const std::vector<uint8_t> records(kBlockBytes, 0);
    buffer.append(records.data(), kBlockBytes);
  }
  const int broken = test_support::runWithLittleMemory(kBlockBytes, [&buffer](bool limited) {
    if (!limited) return test_support::kNotLimitedThere;
    BodyBlock block;
    return readBodyBlock(buffer, block) ? 1 : 0;
  });
  if (broken == test_support::kNoChildHere || broken == test_support::kNotLimitedThere) GTEST_SKIP() << "no process of limited memory here";
  EXPECT_EQ(broken, 0) << "1: read; -1: an exception left the read";
}

// A count that the bytes left can hold but its list cannot: max_size() + 1, with that many
// records' least bytes behind it. The read refuses the block instead of letting the list throw
// std::length_error. Only a 32-bit build has such counts: a quark record takes 20 bytes there
// against 17 in the block, a link record 36 against a fixed link's 18.
struct CountPastListRow {
  const char* name;
  std::string before;     // the block's bytes before the count
  uint32_t recordBytes;   // the least bytes of one record in the block
  std::size_t maxItems;   // max_size() of the list the count sizes
};

void PrintTo(const CountPastListRow& row, std::ostream* out) { *out << row.name; }

class BodyBlockCountPastTheList : public ::testing::TestWithParam<CountPastListRow> {};

TEST_P(BodyBlockCountPastTheList, IsRefused) {
  const CountPastListRow& row = GetParam();
  {
    // The large block's maker, on a small block in every build.
    Kettar::ByteBuffer small;
    ASSERT_TRUE(test_support::loadZeroRunBlock(small, row.before, 1000));
    ASSERT_EQ(small.size(), row.before.size() + 1000);
  }
  Kettar::ByteBuffer buffer;
  uint32_t count = 0;
  const std::string cannot =
      test_support::loadCountPastList(buffer, row.before, row.recordBytes, row.maxItems, count);
  if (!cannot.empty()) GTEST_SKIP() << cannot;
  BodyBlock block;
  bool read = false;
  EXPECT_NO_THROW(read = readBodyBlock(buffer, block));
  EXPECT_FALSE(read) << count << " records";
}

INSTANTIATE_TEST_SUITE_P(
    Counts, BodyBlockCountPastTheList,
    ::testing::Values(CountPastListRow{"Quarks", "", 17, BodyBlock().quarks.max_size()},
                      // No quarks, then the link count.
                      CountPastListRow{"Links", std::string(4, '\0'), 18, BodyBlock().links.max_size()}),
    [](const ::testing::TestParamInfo<CountPastListRow>& info) { return std::string(info.param.name); });

}  // namespace
