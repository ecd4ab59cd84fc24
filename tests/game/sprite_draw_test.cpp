// Sprites drawn in a real OpenGL window: the frame shown, the image upright
// or mirrored.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "game/sprite.h"
#include "gl_window.h"
#include "hero_fixture.h"
#include "kettar/byte_buffer.h"
#include "kettar/simulated_clock.h"

namespace {

struct Rgba {
  uint8_t r, g, b, a;
};

// A texture file: one compressed block of width, height and RGBA rows, the
// image's top row first.
std::string ktr(int32_t width, int32_t height, const std::vector<Rgba>& pixels) {
  Kettar::ByteBuffer block;
  block.put(width);
  block.put(height);
  block.append(pixels.data(), static_cast<uint32_t>(pixels.size() * sizeof(Rgba)));
  std::ostringstream out;
  EXPECT_TRUE(block.saveCompressed(out));
  return out.str();
}

constexpr Rgba kRed{255, 0, 0, 255}, kGreen{0, 255, 0, 255}, kBlue{0, 0, 255, 255},
    kWhite{255, 255, 255, 255};

bool near(Rgba a, Rgba b) {
  auto close = [](uint8_t x, uint8_t y) { return (x > y ? x - y : y - x) < 40; };
  return close(a.r, b.r) && close(a.g, b.g) && close(a.b, b.b);
}

std::string show(Rgba p) {
  return "(" + std::to_string(p.r) + ", " + std::to_string(p.g) + ", " + std::to_string(p.b) + ")";
}

// The window shows -1 .. 1 on both axes, textured quads replacing the colour.
class SpriteDraw : public GlWindowTest {
 protected:
  void SetUp() override {
    GlWindowTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    glViewport(0, 0, kWidth, kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1.0, 1.0, -1.0, 1.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  }

  // Window pixel at fractions of the width and height, from the bottom left.
  static Rgba pixel(float fx, float fy) {
    Rgba p{};
    glReadPixels(static_cast<int>(fx * kWidth), static_cast<int>(fy * kHeight), 1, 1, GL_RGBA,
                 GL_UNSIGNED_BYTE, &p);
    return p;
  }

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
  // Quadrants of one 16 x 16 frame: red top left, green top right, blue
  // bottom left, white bottom right.
  std::vector<Rgba> image;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      image.push_back(y < 8 ? (x < 8 ? kRed : kGreen) : (x < 8 ? kBlue : kWhite));
    }
  }
  root.writeFile("quadrants.ktr", ktr(16, 16, image));
  Kettar::SimulatedClock clock;
  Sprite sprite(root.path() + "quadrants.ktr", 1, 10, false);
  struct Row {
    const char* name;
    Vec2 p, q;
    Rgba topLeft, topRight, bottomLeft, bottomRight;
  };
  const Row rows[] = {
      {"upright", Vec2(-1.0f, -1.0f), Vec2(1.0f, 1.0f), kRed, kGreen, kBlue, kWhite},
      {"mirrored", Vec2(1.0f, -1.0f), Vec2(-1.0f, 1.0f), kGreen, kRed, kWhite, kBlue},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    glClear(GL_COLOR_BUFFER_BIT);
    sprite.drawRect(row.p, row.q, 0.0f);
    EXPECT_TRUE(near(pixel(0.1f, 0.9f), row.topLeft)) << show(pixel(0.1f, 0.9f));
    EXPECT_TRUE(near(pixel(0.9f, 0.9f), row.topRight)) << show(pixel(0.9f, 0.9f));
    EXPECT_TRUE(near(pixel(0.1f, 0.1f), row.bottomLeft)) << show(pixel(0.1f, 0.1f));
    EXPECT_TRUE(near(pixel(0.9f, 0.1f), row.bottomRight)) << show(pixel(0.9f, 0.1f));
  }
}

}  // namespace
