#include "kettar/byte_buffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "support/little_memory.h"
#include "support/texture_bytes.h"

namespace {

std::string hex(const std::string& bytes) {
  std::string s;
  char b[4];
  for (unsigned char c : bytes) {
    std::snprintf(b, sizeof b, "%02X ", c);
    s += b;
  }
  if (!s.empty()) s.pop_back();
  return s;
}

std::string saved(const Kettar::ByteBuffer& buffer) {
  std::ostringstream out;
  EXPECT_TRUE(buffer.saveCompressed(out));
  return out.str();
}

uint32_t le32(const std::string& s, size_t at) {
  uint32_t v;
  std::memcpy(&v, s.data() + at, 4);
  return v;
}

void setLe32(std::string& s, size_t at, uint32_t v) { std::memcpy(&s[at], &v, 4); }

TEST(ByteBufferTest, EmptyBufferSavesTheStreamOfNoInput) {
  Kettar::ByteBuffer empty;
  EXPECT_EQ(hex(saved(empty)), "08 00 00 00 00 00 00 00 78 DA 03 00 00 00 00 01");
}

TEST(ByteBufferTest, AppendGrowsToTheExactSize) {
  Kettar::ByteBuffer b;
  const char ten[10] = {};
  b.append(ten, 10);
  b.append("abcd", 4);
  EXPECT_EQ(b.bytes.capacity, 14u);
  EXPECT_EQ(b.bytes.count, 14u);
  EXPECT_EQ(b.size(), 14u);
}

TEST(ByteBufferTest, RoundTripBetweenAHeaderAndATrailingField) {
  Kettar::ByteBuffer out;
  out.put<uint8_t>(7);
  out.put<int32_t>(-123456);
  out.put<float>(0.3f);
  out.append("tail", 4);

  std::stringstream file;
  const uint32_t magic = 0x12345678, after = 0xCAFEF00D;
  file.write(reinterpret_cast<const char*>(&magic), 4);
  ASSERT_TRUE(out.saveCompressed(file));
  file.write(reinterpret_cast<const char*>(&after), 4);

  file.seekg(0);
  uint32_t readMagic = 0, readAfter = 0;
  file.read(reinterpret_cast<char*>(&readMagic), 4);
  Kettar::ByteBuffer in;
  ASSERT_TRUE(in.loadCompressed(file));
  file.read(reinterpret_cast<char*>(&readAfter), 4);
  EXPECT_EQ(readMagic, magic);
  EXPECT_EQ(readAfter, after);

  EXPECT_EQ(in.cursor, 0u);
  EXPECT_EQ(in.size(), 13u);
  EXPECT_EQ(in.bytes.count, 13u + Kettar::ByteBuffer::kLoadSlack);
  uint8_t u8 = 0;
  int32_t i32 = 0;
  float f = 0;
  char tail[4];
  EXPECT_TRUE(in.get(u8));
  EXPECT_TRUE(in.get(i32));
  EXPECT_TRUE(in.get(f));
  EXPECT_TRUE(in.read(tail, 4));
  EXPECT_EQ(u8, 7);
  EXPECT_EQ(i32, -123456);
  EXPECT_EQ(f, 0.3f);
  EXPECT_EQ(std::string(tail, 4), "tail");
  EXPECT_FALSE(in.failed());
}

TEST(ByteBufferTest, ReadsStopAtTheRawSizeNotTheSlack) {
  Kettar::ByteBuffer out;
  out.put<uint32_t>(42);
  std::stringstream file(saved(out));
  Kettar::ByteBuffer in;
  ASSERT_TRUE(in.loadCompressed(file));
  uint32_t v = 0, past = 0xFFFFFFFF;
  EXPECT_TRUE(in.get(v));
  EXPECT_EQ(v, 42u);
  EXPECT_FALSE(in.get(past));
  EXPECT_EQ(past, 0u);
  EXPECT_TRUE(in.failed());
  uint8_t after = 9;
  EXPECT_FALSE(in.get(after)) << "a failed buffer stays failed";
}

TEST(ByteBufferTest, LargeIncompressibleBuffersAreSavedWhole) {
  std::mt19937 rng(1);
  std::vector<uint32_t> noise(3 * 1024 * 1024 / 4);
  for (uint32_t& w : noise) w = rng();
  Kettar::ByteBuffer out;
  out.append(noise.data(), static_cast<uint32_t>(noise.size() * 4));
  std::stringstream file(saved(out));
  Kettar::ByteBuffer in;
  ASSERT_TRUE(in.loadCompressed(file));
  ASSERT_EQ(in.size(), out.size());
  EXPECT_EQ(std::memcmp(in.data(), out.data(), out.size()), 0);
}

TEST(ByteBufferTest, DamagedBlocksFailCleanly) {
  Kettar::ByteBuffer out;
  for (uint32_t i = 0; i < 200; ++i) out.put(i * 2654435761u);
  const std::string good = saved(out);
  const uint32_t packed = le32(good, 0);
  const uint32_t raw = le32(good, 4);

  struct Row {
    const char* name;
    std::string bytes;
  };
  std::vector<Row> rows;
  rows.push_back({"ends after 6 bytes", good.substr(0, 6)});
  rows.push_back({"short stream", good.substr(0, good.size() - 10)});
  std::string s = good;
  setLe32(s, 4, raw + 1);
  rows.push_back({"raw size one too large", s});
  s = good;
  setLe32(s, 4, raw - 1);
  rows.push_back({"raw size one too small", s});
  s = good;
  s[8 + packed / 2] ^= 0x55;
  rows.push_back({"damaged deflate byte", s});
  s = good;
  setLe32(s, 0, packed - 4);
  rows.push_back({"missing checksum trailer", s.substr(0, s.size() - 4)});
  s = good;
  setLe32(s, 0, 0xFFFFFFF0u);
  rows.push_back({"huge packed size", s});
  s = good;
  setLe32(s, 4, 0xFFFFFFFFu);
  rows.push_back({"huge raw size (R + slack would wrap)", s});
  s = good;
  setLe32(s, 4, 0x7FFFFFFFu);
  rows.push_back({"raw size beyond what deflate can expand to", s});
  // Over 4 MiB of packed data may inflate to 4 GiB: only the room for the slack refuses it.
  std::mt19937 rng(2);
  std::vector<uint32_t> noise(4200000 / 4);
  for (uint32_t& w : noise) w = rng();
  Kettar::ByteBuffer large;
  large.append(noise.data(), static_cast<uint32_t>(noise.size() * 4));
  s = saved(large);
  setLe32(s, 4, 0xFFFFFFFFu - 10u);
  rows.push_back({"raw size whose slack would wrap, with packed data enough for it", s});

  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::stringstream file(row.bytes);
    Kettar::ByteBuffer in;
    EXPECT_FALSE(in.loadCompressed(file));
    uint32_t v = 1;
    EXPECT_FALSE(in.get(v)) << "nothing readable after a failed load";
  }
}

TEST(ByteBufferTest, FailedHeaderReadLeavesTheBufferUnchanged) {
  Kettar::ByteBuffer b;
  b.put<uint32_t>(5);
  std::stringstream file(std::string("\x01\x02\x03\x04\x05\x06", 6));
  EXPECT_FALSE(b.loadCompressed(file));
  EXPECT_EQ(b.size(), 4u);
  uint32_t v = 0;
  EXPECT_TRUE(b.get(v));
  EXPECT_EQ(v, 5u);
}

// Bytes the buffer cannot hold leave its content incomplete: the save then fails instead of
// writing a block without them.
TEST(ByteBufferTest, AnAppendPast4GiBFailsTheSave) {
  Kettar::ByteBuffer b;
  b.append("0123456789", 10);
  b.append("tail", UINT32_MAX - 5);  // 10 more than 4 GiB - 1 in all: the source is never read
  EXPECT_EQ(b.size(), 10u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.data()), 10), "0123456789");
  std::ostringstream out;
  EXPECT_FALSE(b.saveCompressed(out));
  EXPECT_EQ(out.str(), "");
}

// Storage the system refuses: loading a 4 GiB claim and appending past what can be had both
// fail, and the buffer keeps the storage and the bytes it held. One bit per broken promise.
TEST(ByteBufferTest, StorageThatCannotBeHadFailsAndKeepsTheContent) {
  const std::string claim = test_support::fourGiBClaim();
  const int broken = test_support::runWithLittleMemory(std::size_t(256) << 20, [&claim](bool) {
    int bits = 0;
    Kettar::ByteBuffer b;
    b.append("abc", 3);
    // An address as a number: a pointer that a successful realloc freed may not even be compared.
    const std::uintptr_t storage = reinterpret_cast<std::uintptr_t>(b.data());
    std::stringstream file(claim);
    if (b.loadCompressed(file)) bits |= 1;
    if (reinterpret_cast<std::uintptr_t>(b.data()) != storage || b.bytes.capacity != 3 || b.size() != 3 ||
        std::memcmp(b.data(), "abc", 3) != 0)
      bits |= 2;
    b.append("x", UINT32_MAX - 3);  // 4 GiB - 1 in all: the source is never read
    if (reinterpret_cast<std::uintptr_t>(b.data()) != storage || b.size() != 3) bits |= 4;
    std::ostringstream out;
    if (b.saveCompressed(out)) bits |= 8;
    uint8_t first = 0;
    if (!b.get(first) || first != 'a') bits |= 16;
    return bits;
  });
  if (broken == test_support::kNoChildHere) GTEST_SKIP() << "no process of limited memory here";
  EXPECT_EQ(broken, 0) << "1, 2: the load; 4, 8: the append and the save; 16: reading what it held";
}

}  // namespace
