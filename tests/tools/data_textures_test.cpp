// Reads back the texture files the data builder wrote, as the texture manager
// reads them, and checks what the game relies on.

#include <gtest/gtest.h>

#include <set>

#include "data_paths.h"
#include "kettar/platform/texture_extension.h"

namespace {

using datatest::Texture;

Texture load(const std::string& relative) {
  Texture t;
  std::string why;
  EXPECT_TRUE(datatest::readTexture(std::string(OMBREL_BUILD_DIR) + "/" + relative, t, why))
      << relative << ": " << why;
  return t;
}

TEST(DataTextures, EveryTextureAndSpriteIsWellFormed) {
  std::vector<std::string> all = datatest::texturePaths();
  const auto sprites = datatest::spritePaths();
  all.insert(all.end(), sprites.begin(), sprites.end());
  for (const std::string& path : all) {
    SCOPED_TRACE(path);
    const Texture t = load(path);
    EXPECT_GT(t.width, 0);
    EXPECT_GT(t.height, 0);
  }
}

TEST(DataTextures, AllDecalsArePresentVisibleAndDistinct) {
  const auto paths = datatest::decalPaths();
  ASSERT_EQ(paths.size(), 480u);
  std::set<std::vector<uint8_t>> seen;
  for (const std::string& path : paths) {
    SCOPED_TRACE(path);
    const Texture t = load(path);
    size_t visible = 0;
    for (size_t i = 3; i < t.rgba.size(); i += 4) visible += t.rgba[i] > 0 ? 1 : 0;
    EXPECT_GT(visible, t.rgba.size() / 4 / 50) << "almost nothing drawn";
    EXPECT_TRUE(seen.insert(t.rgba).second) << "same picture as another decal";
  }
}

// A strip of N frames: the width divides into N, and each frame's outer columns
// are transparent so linear filtering never pulls in the neighbouring frame.
TEST(DataTextures, SpriteStripsHaveTheirFrameCountsAndPaddedFrames) {
  struct Strip {
    const char* path;
    int frames;
  };
  const Strip strips[] = {
      {"data/sprites/body" KETTAR_TEXTURE_EXTENSION, 8},         {"data/sprites/arm" KETTAR_TEXTURE_EXTENSION, 16},
      {"data/sprites/wheel" KETTAR_TEXTURE_EXTENSION, 16},       {"data/sprites/vaxer" KETTAR_TEXTURE_EXTENSION, 8},
      {"data/sprites/vazer" KETTAR_TEXTURE_EXTENSION, 8},        {"data/sprites/skarnox" KETTAR_TEXTURE_EXTENSION, 16},
      {"data/sprites/gorvex-idle" KETTAR_TEXTURE_EXTENSION, 16}, {"data/sprites/gorvex-shoot" KETTAR_TEXTURE_EXTENSION, 16},
  };
  for (const Strip& s : strips) {
    SCOPED_TRACE(s.path);
    const Texture t = load(s.path);
    ASSERT_EQ(t.width % s.frames, 0);
    const int frame = t.width / s.frames;
    for (int f = 0; f < s.frames; ++f) {
      int drawn = 0;
      for (int y = 0; y < t.height; ++y) {
        for (int edge : {0, 1, frame - 2, frame - 1})
          ASSERT_EQ(t.alpha(f * frame + edge, y), 0) << "frame " << f << " column " << edge;
        for (int x = 2; x < frame - 2; ++x) drawn += t.alpha(f * frame + x, y) > 0 ? 1 : 0;
      }
      EXPECT_GT(drawn, frame * t.height / 10) << "frame " << f << " is nearly empty";
    }
  }
}

// The game tints the wheel through its texture alpha: the tint shows only where
// the wheel is neither opaque nor clear.
TEST(DataTextures, WheelHasHalfTransparentPixelsForTheHealthTint) {
  const Texture t = load("data/sprites/wheel" KETTAR_TEXTURE_EXTENSION);
  size_t partial = 0;
  for (size_t i = 3; i < t.rgba.size(); i += 4) partial += (t.rgba[i] > 40 && t.rgba[i] < 215) ? 1 : 0;
  EXPECT_GT(partial, t.rgba.size() / 4 / 10);
}

// Terrain fills and parallax layers repeat in both directions, border strips
// along the edge: the last column (row) must run into the first as smoothly as
// neighbouring columns (rows) do.
TEST(DataTextures, RepeatingTexturesTileWithoutASeam) {
  struct Case {
    std::string path;
    bool rowsToo;
  };
  std::vector<Case> cases;
  for (int i = 1; i <= 7; ++i) cases.push_back({"data/textures/terrain-0" + std::to_string(i) + KETTAR_TEXTURE_EXTENSION, true});
  for (int i = 1; i <= 6; ++i) cases.push_back({"data/textures/parallax-back-0" + std::to_string(i) + KETTAR_TEXTURE_EXTENSION, true});
  for (int i = 1; i <= 4; ++i) cases.push_back({"data/textures/parallax-front-0" + std::to_string(i) + KETTAR_TEXTURE_EXTENSION, true});
  for (int i = 1; i <= 4; ++i) cases.push_back({"data/textures/border-0" + std::to_string(i) + KETTAR_TEXTURE_EXTENSION, false});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    const Texture t = load(c.path);
    auto pixel = [&](int x, int y, int ch) { return int(t.rgba[(size_t(y) * size_t(t.width) + size_t(x)) * 4 + ch]); };
    // Mean channel difference between two columns (or rows).
    auto step = [&](bool rows, int a, int b) {
      const int n = rows ? t.width : t.height;
      double sum = 0;
      for (int i = 0; i < n; ++i)
        for (int ch = 0; ch < 4; ++ch)
          sum += std::abs(rows ? pixel(i, a, ch) - pixel(i, b, ch) : pixel(a, i, ch) - pixel(b, i, ch));
      return sum / n;
    };
    for (bool rows : {false, true}) {
      if (rows && !c.rowsToo) continue;
      const int n = rows ? t.height : t.width;
      double largest = 0;
      for (int i = 0; i + 1 < n; ++i) largest = std::max(largest, step(rows, i, i + 1));
      EXPECT_LE(step(rows, n - 1, 0), largest + 1.0) << (rows ? "rows" : "columns");
    }
  }
}

}  // namespace
