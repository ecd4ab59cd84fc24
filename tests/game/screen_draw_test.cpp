// The menu, pause and end frames drawn into a small window.

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

#include "game/end.h"
#include "game/menu.h"
#include "game/pause_state.h"
#include "gl_window.h"
#include "kettar/viewport.h"
#include "screen_test_support.h"

namespace {

using screen_test::FakeHost;
using screen_test::TestEngine;

struct Rgb {
  int r, g, b;
};

class ScreenDrawTest : public GlWindowTest {
 protected:
  void SetUp() override {
    GlWindowTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    engine_ = std::make_unique<TestEngine>();
    Kettar::engine = engine_.get();
    const char* font = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    if (std::filesystem::exists(font)) Kettar::createFont(host.font, font, Kettar::kFontTexture, 12);
    // The scene as the game sets it up.
    host.eye.init(Vec3(0, 0, 20), Vec3(0, 0, 0), Vec3(0, 0, 10), 0, 0.75f, 0.5f);
    Kettar::viewport.stretch = true;
    Kettar::viewport.fieldOfView = 45.0f;
    Kettar::viewport.aspect = static_cast<float>(kWidth) / kHeight;
    Kettar::viewport.nearClip = 0.01f;
    Kettar::viewport.farClip = 200.0f;
    Kettar::viewport.resize(kWidth, kHeight);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glClearColor(0, 0, 0, 1);
  }
  void TearDown() override {
    host.font.release();
    Kettar::engine = nullptr;
    engine_.reset();
    Kettar::viewport = Kettar::Viewport();
    GlWindowTest::TearDown();
  }

  static Rgb at(const std::vector<uint8_t>& rgb, int x, int y) {
    const size_t i = (static_cast<size_t>(y) * kWidth + x) * 3;
    return {rgb[i], rgb[i + 1], rgb[i + 2]};
  }

  std::unique_ptr<TestEngine> engine_;
  FakeHost host;
};

// A one-colour texture standing for a menu background.
GLuint solidTexture(uint8_t r, uint8_t g, uint8_t b) {
  const uint8_t pixels[] = {r, g, b, 255, r, g, b, 255, r, g, b, 255, r, g, b, 255};
  GLuint id = 0;
  glGenTextures(1, &id);
  glBindTexture(GL_TEXTURE_2D, id);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
  return id;
}

TEST_F(ScreenDrawTest, TheMenuBackgroundFillsTheViewAndThePageDrawsOverIt) {
  Menu menu(&host);
  const GLuint main = solidTexture(10, 200, 30);
  const GLuint chapter = solidTexture(200, 20, 90);
  menu.mainBackground = static_cast<int32_t>(main);
  menu.chapterBackground = static_cast<int32_t>(chapter);
  menu.background = menu.mainBackground;
  menu.draw();
  std::vector<uint8_t> rgb = readPixels();
  // The four corners are background: the quad reaches the edges of the view.
  const int corners[4][2] = {{0, 0}, {kWidth - 1, 0}, {0, kHeight - 1}, {kWidth - 1, kHeight - 1}};
  for (const auto& c : corners) {
    SCOPED_TRACE(testing::Message() << c[0] << "," << c[1]);
    const Rgb p = at(rgb, c[0], c[1]);
    EXPECT_EQ(p.r, 10);
    EXPECT_EQ(p.g, 200);
    EXPECT_EQ(p.b, 30);
  }
  if (host.font.font == nullptr) return;
  // The root page's items, in their colours, cover part of the lower middle.
  int written = 0;
  for (int y = 0; y < kHeight / 2; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const Rgb p = at(rgb, x, y);
      if (p.r != 10 || p.g != 200 || p.b != 30) ++written;
    }
  }
  EXPECT_GT(written, 20);

  // Another page shows the chapter background.
  uint8_t keys[Kettar::kKeyCount] = {};
  screen_test::tap(menu, keys, SDLK_RETURN);
  menu.draw();
  rgb = readPixels();
  const Rgb p = at(rgb, 0, 0);
  EXPECT_EQ(p.r, 200);
  EXPECT_EQ(p.g, 20);
  EXPECT_EQ(p.b, 90);
  glDeleteTextures(1, &main);
  glDeleteTextures(1, &chapter);
}

TEST_F(ScreenDrawTest, VeilsOverThePlayFrame) {
  PauseState pause(&host);
  End end(&host);
  struct Row {
    const char* name;
    Kettar::CallbackInterface* screen;
    float health, kept, best;
    Rgb veil;  // over a black frame
  } rows[] = {
      {"pause", &pause, 100, 0, 9999, {51, 51, 51}},
      {"death", &end, 0, 5, 9999, {191, 0, 0}},
      {"record", &end, 100, 5, 9999, {25, 102, 25}},
      {"no record", &end, 100, 5, 5, {89, 38, 38}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    host.health = row.health;
    host.kept = row.kept;
    host.best = row.best;
    host.draws = 0;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    row.screen->draw();
    EXPECT_EQ(host.draws, 1);
    EXPECT_FALSE(Kettar::viewport.in2D);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    const std::vector<uint8_t> rgb = readPixels();
    const Rgb p = at(rgb, 1, kHeight - 2);
    EXPECT_NEAR(p.r, row.veil.r, 2);
    EXPECT_NEAR(p.g, row.veil.g, 2);
    EXPECT_NEAR(p.b, row.veil.b, 2);
  }
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
