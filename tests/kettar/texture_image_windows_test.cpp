#include "kettar/texture_manager.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "media_assets.h"
#include "texture_fixture.h"

// Images other than the framework's own texture files on Windows: BMP through
// SDL's own reader; the build has no SDL_image for anything else.
namespace {

using media_test::CoutCapture;

void putLe(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A 24-bit BMP of width x height from RGB pixels given top row first; the file
// stores its rows bottom up, each padded to four bytes.
std::string bmpBytes(int width, int height, const std::vector<uint8_t>& rgb) {
  const uint32_t row = static_cast<uint32_t>((width * 3 + 3) / 4 * 4);
  const uint32_t pixels = row * static_cast<uint32_t>(height);
  std::string out = "BM";
  putLe(out, 54 + pixels, 4);
  putLe(out, 0, 4);
  putLe(out, 54, 4);
  putLe(out, 40, 4);
  putLe(out, static_cast<uint32_t>(width), 4);
  putLe(out, static_cast<uint32_t>(height), 4);
  putLe(out, 1, 2);
  putLe(out, 24, 2);
  putLe(out, 0, 4);
  putLe(out, pixels, 4);
  putLe(out, 2835, 4);
  putLe(out, 2835, 4);
  putLe(out, 0, 4);
  putLe(out, 0, 4);
  for (int y = height - 1; y >= 0; --y) {
    std::string line;
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = &rgb[static_cast<size_t>((y * width + x) * 3)];
      line += static_cast<char>(p[2]);
      line += static_cast<char>(p[1]);
      line += static_cast<char>(p[0]);
    }
    line.resize(row, '\0');
    out += line;
  }
  return out;
}

TEST_F(TextureManagerTest, BmpKeepsItsChannelsAndTopRowFirst) {
  // Red, green / blue, a grey: the top row is stored last in the file.
  const std::vector<uint8_t> rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30};
  const std::vector<uint8_t> opaque = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 10, 20, 30, 255};
  const std::string path = dir.path("rgb.bmp");
  media_test::writeFile(path, bmpBytes(2, 2, rgb));
  CoutCapture log;
  const int32_t id = Kettar::textureManager->load(path, 1);
  ASSERT_GT(id, 0) << log.text();
  EXPECT_EQ(log.text(), "[TexMan] loaded texture: " + path + "\n");
  EXPECT_EQ(readBack(id, 2, 2), opaque);
  const Kettar::TextureEntry& e = Kettar::textureManager->entries().back();
  EXPECT_EQ(e.width, 2);
  EXPECT_EQ(e.height, 2);
}

TEST_F(TextureManagerTest, OtherImageFormatsAreRefusedWithTheLoadLine) {
  const std::vector<uint8_t> rgba = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 128};
  const std::string path = dir.path("rgba.png");
  media_test::writePng(path, 2, 2, rgba, true);
  CoutCapture log;
  EXPECT_EQ(Kettar::textureManager->load(path, 1), -1);
  const std::string head = "!![TexMan] couldn't load " + path + "; ";
  EXPECT_EQ(log.text().rfind(head, 0), 0u) << log.text();
  EXPECT_GT(log.text().size(), head.size() + 1);
  EXPECT_TRUE(Kettar::textureManager->entries().empty());
}

}  // namespace
