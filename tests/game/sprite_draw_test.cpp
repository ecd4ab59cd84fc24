// Sprites drawn in a real OpenGL window: the frame shown, the image upright
// or mirrored, and the rows kept off the image's top and bottom edges.

#include <gtest/gtest.h>

#include <vector>

#include "game/sprite.h"
#include "hero_fixture.h"
#include "image_window.h"
#include "kettar/simulated_clock.h"

namespace {

using namespace image_test;

class SpriteDraw : public ImageWindow {
 protected:
  herotest::DataRoot root;
};

TEST_F(SpriteDraw, ShowsTheCurrentFrameOfTheStrip) {
  // Two frames of 16 x 16: red, then green.
  std::vector<Rgba> strip;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 32; ++x) strip.push_back(x < 16 ? kRed : kGreen);
  }
  root.writeFile("strip.ktr", ktr(32, 16, strip));
  Kettar::SimulatedClock clock;
  Sprite sprite(root.path() + "strip.ktr", 2, 10, false);
  ASSERT_NE(sprite.texture(), 0u);

  const Rgba expected[] = {kRed, kGreen, kRed};
  for (const Rgba& e : expected) {
    glClear(GL_COLOR_BUFFER_BIT);
    sprite.drawRect(Vec2(-1.0f, -1.0f), Vec2(1.0f, 1.0f), 0.0f);
    EXPECT_TRUE(near(pixel(0.5f, 0.5f), e)) << show(pixel(0.5f, 0.5f));
    clock.advance(0.11);
  }
  // drawRect leaves its texture bound; draw binds none afterwards.
  GLint bound = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(static_cast<uint32_t>(bound), sprite.texture());
  sprite.draw(Vec2(-1.0f, -1.0f), Vec2(1.0f, -1.0f), Vec2(1.0f, 1.0f), Vec2(-1.0f, 1.0f), 0.0f);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(bound, 0);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(SpriteDraw, UprightAndMirrored) {
  root.writeFile("quadrants" KETTAR_TEXTURE_EXTENSION, quadrantStrip(1));
  Kettar::SimulatedClock clock;
  Sprite sprite(root.path() + "quadrants" KETTAR_TEXTURE_EXTENSION, 1, 10, false);
  struct Row {
    const char* name;
    Vec2 p, q;
    Quadrants shown;
  };
  const Row rows[] = {
      {"upright", Vec2(-1.0f, -1.0f), Vec2(1.0f, 1.0f), kUpright},
      {"mirrored", Vec2(1.0f, -1.0f), Vec2(-1.0f, 1.0f), {kGreen, kRed, kWhite, kBlue}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    glClear(GL_COLOR_BUFFER_BIT);
    sprite.drawRect(row.p, row.q, 0.0f);
    expectQuadrants(row.shown);
  }
}

// The quad takes the image from v 0.01 to 0.99: of an image 256 rows high, the
// window's top pixel row (v 0.0141, between rows 3 and 4) shows the band of
// rows 2 to 4, not the marker rows 0 and 1 above it; the bottom row (v 0.9859,
// between rows 251 and 252) likewise the band of rows 251 to 253.
TEST_F(SpriteDraw, RowsStopShortOfTheImagesTopAndBottom) {
  std::vector<Rgba> image;
  for (int y = 0; y < 256; ++y) {
    const Rgba c = (y < 2 || y > 253) ? kRed : ((y < 5 || y > 250) ? kGreen : kBlue);
    for (int x = 0; x < 4; ++x) image.push_back(c);
  }
  root.writeFile("rows.ktr", ktr(4, 256, image));
  Kettar::SimulatedClock clock;
  Sprite sprite(root.path() + "rows.ktr", 1, 10, false);
  struct Row {
    const char* name;
    void (*draw)(Sprite&);
  } rows[] = {
      {"drawRect", [](Sprite& s) { s.drawRect(Vec2(-1.0f, -1.0f), Vec2(1.0f, 1.0f), 0.0f); }},
      {"draw", [](Sprite& s) {
         s.draw(Vec2(-1.0f, -1.0f), Vec2(1.0f, -1.0f), Vec2(1.0f, 1.0f), Vec2(-1.0f, 1.0f), 0.0f);
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    glClear(GL_COLOR_BUFFER_BIT);
    row.draw(sprite);
    const Rgba top = windowPixel(kWidth / 2, kHeight - 1);
    const Rgba bottom = windowPixel(kWidth / 2, 0);
    EXPECT_TRUE(near(top, kGreen)) << "top row " << show(top);
    EXPECT_TRUE(near(bottom, kGreen)) << "bottom row " << show(bottom);
    EXPECT_TRUE(near(pixel(0.5f, 0.5f), kBlue)) << show(pixel(0.5f, 0.5f));
  }
}

}  // namespace
