// Fonts, text, the 2D switch, the projection and the camera's GL side, in a real
// OpenGL window (skipped without a display).

#include <GL/glew.h>
#include <SDL.h>
#include <FTGL/ftgl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "kettar/camera.h"
#include "kettar/font.h"
#include "kettar/viewport.h"
#include "support/sdl_video.h"

namespace {

const char* const kFontPath = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
constexpr int kWidth = 256;
constexpr int kHeight = 64;

class TextWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test_support::haveDisplay()) GTEST_SKIP() << "no display for an OpenGL window";
    ASSERT_EQ(test_support::startSdlVideo(), 0) << SDL_GetError();
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    ASSERT_NE(SDL_SetVideoMode(kWidth, kHeight, 32, SDL_OPENGL), nullptr) << SDL_GetError();
    open_ = true;
    Kettar::viewport = Kettar::Viewport();
    Kettar::viewport.resize(kWidth, kHeight);
    glClearColor(0, 0, 0, 1);
  }
  void TearDown() override {
    Kettar::viewport = Kettar::Viewport();
    if (open_) SDL_Quit();
  }

  // Pixels of the back buffer that are not black.
  int litPixels() {
    std::vector<unsigned char> pixels(kWidth * kHeight * 4);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    int lit = 0;
    for (std::size_t i = 0; i < pixels.size(); i += 4) {
      if (pixels[i] > 64 || pixels[i + 1] > 64 || pixels[i + 2] > 64) ++lit;
    }
    return lit;
  }

  static GLint integer(GLenum name) {
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
  }

  bool open_ = false;
};

TEST_F(TextWindowTest, EveryKindOfFontDrawsText) {
  const char* names[] = {"bitmap", "buffer", "extrude", "outline", "pixmap", "polygon", "texture"};
  for (int kind = Kettar::kFontBitmap; kind <= Kettar::kFontTexture; ++kind) {
    SCOPED_TRACE(names[kind]);
    Kettar::Font font;
    Kettar::createFont(font, kFontPath, kind, 24);
    ASSERT_NE(font.font, nullptr);
    EXPECT_EQ(font.kind, kind);
    EXPECT_EQ(font.font->FaceSize(), 24u);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1, 1, 1);
    Kettar::renderText("Kettar", 10, 20, font.font);
    EXPECT_GT(litPixels(), 50);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  }
}

TEST_F(TextWindowTest, AFontThatCannotBeMadeLeavesTheRecordEmpty) {
  Kettar::Font font;
  Kettar::createFont(font, kFontPath, Kettar::kFontTexture, 12);
  ASSERT_NE(font.font, nullptr);
  // An unknown kind replaces the font by nothing rather than keep a font of another kind.
  Kettar::createFont(font, kFontPath, 7, 12);
  EXPECT_EQ(font.font, nullptr);
  EXPECT_EQ(font.kind, 7);
  Kettar::createFont(font, "/nonexistent/font.ttf", Kettar::kFontTexture, 12);
  EXPECT_EQ(font.font, nullptr);
  Kettar::createFont(font, "/etc/hostname", Kettar::kFontPixmap, 12);
  EXPECT_EQ(font.font, nullptr);
}

TEST_F(TextWindowTest, TextWithoutAFontDrawsNothingAndRestoresTheState) {
  glEnable(GL_LIGHTING);
  glEnable(GL_DEPTH_TEST);
  glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(1, 2, 3);
  GLfloat projection[16];
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  glClear(GL_COLOR_BUFFER_BIT);

  Kettar::renderText("nothing", 10, 20, nullptr);

  EXPECT_EQ(litPixels(), 0);
  EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  GLint modes[2] = {0, 0};
  glGetIntegerv(GL_POLYGON_MODE, modes);
  EXPECT_EQ(modes[0], GL_LINE);
  EXPECT_EQ(integer(GL_MATRIX_MODE), GL_MODELVIEW);
  GLfloat modelView[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, modelView);
  EXPECT_FLOAT_EQ(modelView[12], 1.0f);
  EXPECT_FLOAT_EQ(modelView[14], 3.0f);
  GLfloat after[16];
  glGetFloatv(GL_PROJECTION_MATRIX, after);
  for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(after[i], projection[i]);
  EXPECT_FALSE(Kettar::viewport.in2D);
}

TEST_F(TextWindowTest, The2DSwitchPushesAndPopsOnce) {
  const GLint modelDepth = integer(GL_MODELVIEW_STACK_DEPTH);
  const GLint projectionDepth = integer(GL_PROJECTION_STACK_DEPTH);
  Kettar::viewport.end2D();  // not in 2D: nothing
  EXPECT_EQ(integer(GL_MODELVIEW_STACK_DEPTH), modelDepth);
  Kettar::viewport.begin2D();
  Kettar::viewport.begin2D();
  EXPECT_TRUE(Kettar::viewport.in2D);
  EXPECT_EQ(integer(GL_MATRIX_MODE), GL_PROJECTION);
  EXPECT_EQ(integer(GL_MODELVIEW_STACK_DEPTH), modelDepth + 1);
  EXPECT_EQ(integer(GL_PROJECTION_STACK_DEPTH), projectionDepth + 1);
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  Kettar::viewport.end2D();
  Kettar::viewport.end2D();
  EXPECT_FALSE(Kettar::viewport.in2D);
  EXPECT_EQ(integer(GL_MATRIX_MODE), GL_MODELVIEW);
  EXPECT_EQ(integer(GL_MODELVIEW_STACK_DEPTH), modelDepth);
  EXPECT_EQ(integer(GL_PROJECTION_STACK_DEPTH), projectionDepth);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextWindowTest, ResizeSetsTheViewportAndACollapsedWindowStaysValid) {
  Kettar::viewport.resize(200, 50);
  GLint box[4];
  glGetIntegerv(GL_VIEWPORT, box);
  EXPECT_EQ(box[2], 200);
  EXPECT_EQ(box[3], 50);
  Kettar::viewport.resize(200, 0);
  GLfloat projection[16];
  glGetFloatv(GL_PROJECTION_MATRIX, projection);
  for (float value : projection) EXPECT_TRUE(std::isfinite(value));
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextWindowTest, UnprojectFindsThePlaneZeroAndPointsAtADistance) {
  Kettar::viewport.nearClip = 0.01f;
  Kettar::viewport.farClip = 200.0f;
  Kettar::viewport.resize(kWidth, kHeight);
  Kettar::Camera camera;
  camera.init(Vec3(0, 0, 20), Vec3(0, 0, 0), Vec3(0, 0, 10), 0.0f, 0.75f, 0.5f);
  camera.apply();
  // The window's centre looks straight down the axis onto the origin.
  const Vec3 ground = camera.unproject(kWidth / 2, kHeight / 2, 0.0f);
  EXPECT_NEAR(ground.x, 0.0f, 0.1f);
  EXPECT_NEAR(ground.z, 0.0f, 0.11f);
  const Vec3 ahead = camera.unproject(kWidth / 2, kHeight / 2, 5.0f);
  EXPECT_NEAR(ahead.z, 15.0f, 0.01f);

  // From below the plane the first step is already there.
  camera.position = Vec3(0, 0, -1);
  camera.apply();
  const Vec3 below = camera.unproject(kWidth / 2, kHeight / 2, 0.0f);
  EXPECT_NEAR(below.z, -1.1f, 1e-3f);
}

}  // namespace
