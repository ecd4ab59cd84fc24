#include "kettar/texture_manager.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "media_assets.h"
#include "texture_fixture.h"

// Images other than the framework's own texture files, through SDL_image.
namespace {

TEST_F(TextureManagerTest, ImagesKeepTheirChannelsAndTopRowFirst) {
  // Red, green / blue, half-transparent white: each channel is distinct.
  const std::vector<uint8_t> rgba = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 128};
  const std::vector<uint8_t> rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 10, 20, 30};
  const std::vector<uint8_t> rgbOpaque = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 10, 20, 30, 255};
  struct Case {
    const char* name;
    const std::vector<uint8_t>& source;
    bool alpha;
    const std::vector<uint8_t>& expected;
  } cases[] = {{"rgba.png", rgba, true, rgba}, {"rgb.png", rgb, false, rgbOpaque}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    media_test::writePng(dir.path(c.name), 2, 2, c.source, c.alpha);
    const int32_t id = Kettar::textureManager->load(dir.path(c.name), 1);
    ASSERT_GT(id, 0);
    EXPECT_EQ(readBack(id, 2, 2), c.expected);
    const Kettar::TextureEntry& e = Kettar::textureManager->entries().back();
    EXPECT_EQ(e.width, 2);
    EXPECT_EQ(e.height, 2);
  }
}

}  // namespace
