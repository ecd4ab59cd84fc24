#include "kettar/texture_file.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <sstream>

#include "media_assets.h"
#include "support/little_memory.h"

namespace {

using media_test::blockBytes;
using media_test::ktrBytes;

TEST(TextureFileTest, ReadsTheSizeAndLeavesTheCursorOnThePixels) {
  // 2x1: raw content of 16 bytes, 8 of size and two pixels.
  const std::vector<uint8_t> pixels = {0x11, 0x22, 0x33, 0x44, 0xAA, 0xBB, 0xCC, 0xDD};
  std::istringstream in(ktrBytes(2, 1, pixels));
  Kettar::TextureFile file;
  std::string why;
  ASSERT_TRUE(Kettar::readTextureFile(in, file, why)) << why;
  EXPECT_EQ(file.width, 2);
  EXPECT_EQ(file.height, 1);
  EXPECT_EQ(file.block.size(), 16u);
  EXPECT_EQ(file.pixelBytes(), 8u);
  ASSERT_EQ(file.block.remaining(), 8u);
  EXPECT_EQ(std::memcmp(file.block.data() + file.block.cursor, pixels.data(), 8), 0);
}

std::string rawSize(int32_t width, int32_t height, size_t pixelBytes) {
  std::string raw(8, '\0');
  std::memcpy(&raw[0], &width, 4);
  std::memcpy(&raw[4], &height, 4);
  return raw + std::string(pixelBytes, '\x7f');
}

// The largest texture the files hold, 8192 x 8192: 256 MiB of pixels and the 8 bytes of its
// size in one block, past 256 MiB. Its black pixels are packed at zlib's fastest level a
// slice at a time, so only the reader holds the whole image.
TEST(TextureFileTest, An8192By8192TextureLoads) {
  constexpr int32_t kSide = 8192;
  constexpr uint32_t kSlice = 1u << 20;
  constexpr uint32_t kPixelBytes = uint32_t(kSide) * kSide * 4;
  const std::string size = rawSize(kSide, kSide, 0);
  const std::string black(kSlice, '\0');
  z_stream z{};
  ASSERT_EQ(deflateInit(&z, Z_BEST_SPEED), Z_OK);
  std::string packed;
  char out[1 << 16];
  // Feeds one piece of the raw content; Z_FINISH with the last one.
  auto feed = [&](const std::string& piece, int flush) {
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(piece.data()));
    z.avail_in = static_cast<uInt>(piece.size());
    do {
      z.next_out = reinterpret_cast<Bytef*>(out);
      z.avail_out = sizeof out;
      deflate(&z, flush);
      packed.append(out, sizeof out - z.avail_out);
    } while (z.avail_out == 0);
  };
  feed(size, Z_NO_FLUSH);
  for (uint32_t done = 0; done < kPixelBytes; done += kSlice)
    feed(black, done + kSlice < kPixelBytes ? Z_NO_FLUSH : Z_FINISH);
  deflateEnd(&z);

  std::string file(8, '\0');
  const uint32_t packedSize = static_cast<uint32_t>(packed.size());
  const uint32_t rawBytes = 8 + kPixelBytes;
  std::memcpy(&file[0], &packedSize, 4);
  std::memcpy(&file[4], &rawBytes, 4);
  std::istringstream in(file + packed);
  Kettar::TextureFile texture;
  std::string why;
  ASSERT_TRUE(Kettar::readTextureFile(in, texture, why)) << why;
  EXPECT_EQ(texture.width, kSide);
  EXPECT_EQ(texture.height, kSide);
  ASSERT_EQ(texture.block.remaining(), kPixelBytes);
  EXPECT_EQ(texture.block.data()[texture.block.size() - 1], 0);
}

TEST(TextureFileTest, DamagedFilesFailWithAReason) {
  const std::string good = ktrBytes(2, 2, std::vector<uint8_t>(16, 9));
  std::string flipped = good;
  flipped[12] = static_cast<char>(flipped[12] ^ 0x55);
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"empty file", ""},
      {"cut inside the sizes", good.substr(0, 6)},
      {"cut inside the zlib data", good.substr(0, good.size() - 5)},
      {"damaged zlib data", flipped},
      {"block shorter than width and height", blockBytes(std::string(6, '\1'))},
      {"no pixels at all", blockBytes(rawSize(2, 2, 0))},
      {"one pixel short", blockBytes(rawSize(2, 2, 12))},
      {"one pixel too many", blockBytes(rawSize(2, 2, 20))},
      {"zero width", blockBytes(rawSize(0, 5, 0))},
      {"zero height", blockBytes(rawSize(5, 0, 0))},
      {"negative width", blockBytes(rawSize(-2, -2, 16))},
      {"negative height", blockBytes(rawSize(2, -1, 8))},
      {"huge size", blockBytes(rawSize(INT32_MAX, INT32_MAX, 16))},
      // 0x40000001 x 4 x 4 wraps to 16 in 32 bits.
      {"product wrapping to the pixel count", blockBytes(rawSize(0x40000001, 4, 16))},
      {"product wrapping to zero", blockBytes(rawSize(0x10000, 0x4000, 0))},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::istringstream in(c.bytes);
    Kettar::TextureFile file;
    std::string why;
    EXPECT_FALSE(Kettar::readTextureFile(in, file, why));
    EXPECT_FALSE(why.empty());
  }
}

// Random damage never reads out of bounds (the sanitizer build watches), and
// whatever is accepted describes exactly the pixels it holds.
TEST(TextureFileTest, RandomlyDamagedFilesAreReadSafely) {
  const std::string good = ktrBytes(3, 2, std::vector<uint8_t>(24, 0x5a));
  std::mt19937 random(4);
  for (int round = 0; round < 3000; ++round) {
    std::string bytes = good;
    const int edits = 1 + static_cast<int>(random() % 4);
    for (int e = 0; e < edits; ++e) {
      const size_t at = random() % bytes.size();
      bytes[at] = static_cast<char>(random());
    }
    if (random() % 4 == 0) bytes.resize(random() % bytes.size());
    std::istringstream in(bytes);
    Kettar::TextureFile file;
    std::string why;
    if (Kettar::readTextureFile(in, file, why)) {
      EXPECT_GT(file.width, 0);
      EXPECT_GT(file.height, 0);
      EXPECT_EQ(file.block.remaining(), file.pixelBytes());
    }
  }
}

TEST(TextureFileTest, AMissingFileFails) {
  media_test::TempDir dir;
  Kettar::TextureFile file;
  std::string why;
  EXPECT_FALSE(Kettar::readTextureFile(dir.path("absent.ktr"), file, why));
  EXPECT_EQ(why, "cannot open file");
}

// A 5 MB file whose block claims nearly 4 GiB: the reader asks for the 4 GiB, which a 32-bit
// build can never have (nor, here, a process of limited memory), and refuses the file as
// damaged, with nothing read and no storage taken.
TEST(TextureFileTest, AClaimOf4GiBIsRefusedWhereTheMemoryIsNotThere) {
  const std::string claim = test_support::fourGiBClaim();
  const int broken = test_support::runWithLittleMemory(std::size_t(256) << 20, [&claim](bool) {
    std::istringstream in(claim);
    Kettar::TextureFile file;
    std::string why;
    if (Kettar::readTextureFile(in, file, why)) return 1;
    if (why != "damaged or truncated compressed block") return 2;
    const Kettar::ByteBuffer& block = file.block;
    const bool untouched = block.size() == 0 && block.bytes.capacity == 0 && block.bytes.count == 0;
    return file.width == 0 && file.height == 0 && untouched ? 0 : 3;
  });
  if (broken == test_support::kNoChildHere) GTEST_SKIP() << "no process of limited memory here";
  EXPECT_EQ(broken, 0) << "1: accepted; 2: another reason; 3: something was read or kept";
}

}  // namespace
