// The data builder writes a picture in the form the build names: the framework's
// own texture file or, for the 32-bit Linux build, a PNG image. Either form must
// read back, as the texture manager reads it, to the painted pixels.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data_paths.h"
#include "ferrox/body_test_support.h"
#include "game/temp_folder.h"
#include "tools/databuilder/canvas.h"

namespace {

using databuilder::Canvas;
using databuilder::Colour;

TEST(TextureForms, BothFormsReadBackAsPainted) {
  // Rows that differ, channels that differ, and colour under partial and zero
  // alpha: a flipped image, swapped channels or premultiplied alpha all show.
  Canvas canvas(3, 2);
  canvas.set(0, 0, Colour(1.0f, 0.0f, 0.0f, 1.0f));
  canvas.set(1, 0, Colour(0.2f, 0.4f, 0.6f, 0.4f));
  canvas.set(2, 0, Colour(0.0f, 0.0f, 1.0f, 0.0f));
  canvas.set(0, 1, Colour(1.0f, 1.0f, 1.0f, 1.0f));
  canvas.set(1, 1, Colour(0.6f, 0.2f, 0.8f, 0.8f));
  canvas.set(2, 1, Colour(0.0f, 1.0f, 0.0f, 0.2f));
  const Kettar::ByteBuffer rows = bodytest::fromHex(
      "ff0000ff 33669966 0000ff00 "
      "ffffffff 9933cccc 00ff0033");
  const std::vector<uint8_t> expected(rows.data(), rows.data() + rows.size());

  test_files::TempFolder folder("ombrel-texture-forms");
  for (const char* extension : {".ktr", ".png"}) {
    SCOPED_TRACE(extension);
    const std::string path = folder.path(std::string("picture") + extension);
    ASSERT_TRUE(databuilder::saveTexture(canvas, path));
    datatest::Texture read;
    std::string why;
    ASSERT_TRUE(datatest::readTexture(path, read, why)) << why;
    EXPECT_EQ(read.width, 3);
    EXPECT_EQ(read.height, 2);
    EXPECT_EQ(read.rgba, expected);
  }
}

}  // namespace
