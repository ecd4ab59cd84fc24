#pragma once
// What the tests that look at drawn images share: texture files made in the
// test, an image of four coloured quadrants to tell upright from mirrored, and
// a window that shows -1 .. 1 on both axes with textured quads replacing the
// colour.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "gl_window.h"
#include "support/texture_bytes.h"

namespace image_test {

struct Rgba {
  uint8_t r, g, b, a;
};

constexpr Rgba kRed{255, 0, 0, 255}, kGreen{0, 255, 0, 255}, kBlue{0, 0, 255, 255},
    kCyan{0, 255, 255, 255}, kWhite{255, 255, 255, 255}, kBlack{0, 0, 0, 0};

// The RGBA bytes of pixels, rows from the top.
inline std::vector<uint8_t> rgbaBytes(const std::vector<Rgba>& pixels) {
  std::vector<uint8_t> bytes;
  for (const Rgba& p : pixels) bytes.insert(bytes.end(), {p.r, p.g, p.b, p.a});
  return bytes;
}

// A texture file of the framework's own kind, the image's top row first.
inline std::string ktr(int32_t width, int32_t height, const std::vector<Rgba>& pixels) {
  return test_support::ktrBytes(width, height, rgbaBytes(pixels));
}

// The same image in the form of the texture files the game names.
inline std::string gameTexture(int32_t width, int32_t height, const std::vector<Rgba>& pixels) {
  return test_support::gameTextureBytes(width, height, rgbaBytes(pixels));
}

// A strip of frames of 16 x 16, each in quadrants: red top left, green top
// right, blue bottom left, white bottom right; in the game's texture form.
inline std::string quadrantStrip(int32_t frames) {
  std::vector<Rgba> image;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16 * frames; ++x) {
      const bool left = x % 16 < 8;
      image.push_back(y < 8 ? (left ? kRed : kGreen) : (left ? kBlue : kWhite));
    }
  }
  return gameTexture(16 * frames, 16, image);
}

// The same colour within what filtering and blending blur.
inline bool near(Rgba a, Rgba b) {
  auto close = [](uint8_t x, uint8_t y) { return (x > y ? x - y : y - x) < 40; };
  return close(a.r, b.r) && close(a.g, b.g) && close(a.b, b.b);
}

inline std::string show(Rgba p) {
  return "(" + std::to_string(p.r) + ", " + std::to_string(p.g) + ", " + std::to_string(p.b) + ")";
}

// Which colour each quadrant of the window shows.
struct Quadrants {
  Rgba topLeft, topRight, bottomLeft, bottomRight;
};

constexpr Quadrants kUpright{kRed, kGreen, kBlue, kWhite};

class ImageWindow : public GlWindowTest {
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

  // The window pixel in column x and row y, rows from the bottom.
  static Rgba windowPixel(int x, int y) {
    Rgba p{};
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, &p);
    return p;
  }

  // Window pixel at fractions of the width and height, from the bottom left.
  static Rgba pixel(float fx, float fy) {
    return windowPixel(static_cast<int>(fx * kWidth), static_cast<int>(fy * kHeight));
  }

  // Samples 0.4 units out from the centre along both diagonals: inside every
  // quad of half-size 0.75 or more.
  static void expectQuadrants(const Quadrants& q) {
    const struct {
      const char* name;
      float fx, fy;
      Rgba colour;
    } samples[] = {{"top left", 0.3f, 0.7f, q.topLeft},
                   {"top right", 0.7f, 0.7f, q.topRight},
                   {"bottom left", 0.3f, 0.3f, q.bottomLeft},
                   {"bottom right", 0.7f, 0.3f, q.bottomRight}};
    for (const auto& s : samples) {
      const Rgba shown = pixel(s.fx, s.fy);
      EXPECT_TRUE(near(shown, s.colour)) << s.name << " " << show(shown);
    }
  }
};

}  // namespace image_test
