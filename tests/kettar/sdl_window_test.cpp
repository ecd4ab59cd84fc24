// The SDL engine and application on a real OpenGL window (skipped without a
// display): the capability report that init prints, a resize through the event
// pump as the viewport sees it.

#include <GL/glew.h>
#include <SDL.h>
#include <gtest/gtest.h>
#include <time.h>

#include <memory>
#include <string>
#include <vector>

#include "kettar/sdl_engine.h"
#include "kettar/sdl_kettar_app.h"
#include "kettar/viewport.h"
#include "media_assets.h"
#include "support/sdl_video.h"

namespace {

using media_test::CoutCapture;

class WindowApp : public Kettar::SDLKettarApp {
 public:
  WindowApp() : SDLKettarApp("window") {}
  bool init() override { return true; }
  void shutdown() override {}
};

// An engine initialised on a window of 320 x 240, with settings that differ
// from the defaults and from each other; what init printed is kept.
class SDLWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test_support::haveDisplay()) GTEST_SKIP() << "no X display";
    ASSERT_EQ(test_support::startSdlVideo(), 0) << SDL_GetError();
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_TIMER), 0) << SDL_GetError();
    opened_ = true;
    Kettar::AppConfig& a = app.appConfig;
    a.dualThread = true;
    a.turbo = true;
    a.fps = 75;
    a.pps = 333;
    a.mouseSpeed = 17;
    a.logTo = "none";  // only reported here, never applied
    Kettar::VideoConfig& v = app.videoConfig;
    v.resizable = true;
    v.stretchOnResize = true;
    v.vsync = false;
    v.width = 320;
    v.height = 240;
    v.minWidth = 300;
    v.minHeight = 200;
    v.fullScreen = false;
    v.stencil = true;
    Kettar::viewport = Kettar::Viewport();
    engine = std::make_unique<Kettar::SDLEngine>(&app, &app.appConfig, &app.videoConfig);
    Kettar::engine = engine.get();
    {
      CoutCapture out;
      ASSERT_TRUE(engine->init());
      initLog = out.lines();
    }
  }
  void TearDown() override {
    if (!opened_) return;
    {
      CoutCapture quiet;
      Kettar::engine = nullptr;
      engine.reset();
    }
    Kettar::viewport = Kettar::Viewport();
    SDL_Quit();
  }

  static GLint integer(GLenum name) {
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
  }

  WindowApp app;
  std::unique_ptr<Kettar::SDLEngine> engine;
  std::vector<std::string> initLog;
  bool opened_ = false;
};

TEST_F(SDLWindowTest, InitPrintsEveryLineOfTheReportInOrder) {
  timespec resolution{};
  clock_getres(CLOCK_MONOTONIC, &resolution);
  std::string version = "1.0";
  for (const char* v : {"4_0", "3_3", "3_2", "3_1", "3_0", "2_1", "2_0", "1_5", "1_4", "1_3", "1_2"}) {
    if (glewIsSupported(("GL_VERSION_" + std::string(v)).c_str())) {
      version = std::string(1, v[0]) + "." + v[2];
      break;
    }
  }
  GLboolean doubleBuffer = GL_FALSE;
  glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffer);
  const auto onOff = [](bool on) { return std::string(on ? "ON" : "OFF"); };
  const auto number = [](GLenum name) { return std::to_string(integer(name)); };
  const std::vector<std::string> expected = {
      "[Engine] timer resolution (nanoseconds): " + std::to_string(resolution.tv_nsec),
      "[Engine] dualThread: true",
      "[Engine] turbo: true",
      "[Engine] fps: 75",
      "[Engine] pps: 333",
      "[Engine] mouseSpeed: 17",
      "[Engine] logTo: none",
      "[Engine] resizable: true",
      "[Engine] stretch: true",
      "[Engine] vsync: false",
      "[Engine] screen: 320x240",
      "[Engine] min allowed video size: 300x200",
      "[Engine] fullscreen: false",
      "[OpenGL] antialias: " + number(GL_SAMPLES),
      "[OpenGL] multisamples buffer: " + onOff(integer(GL_SAMPLE_BUFFERS) == 1),
      "[OpenGL] anisotropic: 1",
      "[OpenGL] stencil buffer bits: " + number(GL_STENCIL_BITS),
      "[OpenGL] version " + version + " available",
      "[OpenGL] double buffer: " + onOff(doubleBuffer == GL_TRUE),
      "[OpenGL] depth buffer size: " + number(GL_DEPTH_BITS),
      glewIsSupported("GL_ARB_texture_non_power_of_two")
          ? "[OpenGL] textures non power of two are fully supported"
          : "[OpenGL] WARNING: Textures non power of two are NOT fully supported!",
      "[OpenGL] accumulation RGBA: " + number(GL_ACCUM_RED_BITS) + number(GL_ACCUM_GREEN_BITS) +
          number(GL_ACCUM_BLUE_BITS) + number(GL_ACCUM_ALPHA_BITS),
      "[OpenGL] max texture size: " + number(GL_MAX_TEXTURE_SIZE),
      "[OpenGL] max texture units: " + number(GL_MAX_TEXTURE_UNITS),
  };
  EXPECT_EQ(initLog, expected);
  EXPECT_EQ(engine->glVersion, version);
  EXPECT_EQ(engine->samples, integer(GL_SAMPLES));
  EXPECT_EQ(engine->stencilBits, integer(GL_STENCIL_BITS));
}

TEST_F(SDLWindowTest, AResizeReachesTheSettingsTheWindowAndTheViewport) {
  struct Row {
    const char* name;
    bool stretch;
    int width, height;
    float fieldOfView, aspect;
    float xScale, yScale;  // of the projection: cot(fov / 2) / aspect, cot(fov / 2)
  };
  // 6 atan(600 / 7500) = 27.4435°; cot(3 atan(0.08)) = (1 - 3 · 0.08²) / (3 · 0.08 - 0.08³) = 4.09539.
  // Stretched, the earlier 45° and 1.25 stay: cot(22.5°) = 2.41421.
  const Row rows[] = {
      {"the field of view follows the height", false, 480, 600, 27.4435f, 0.8f, 5.11924f, 4.09539f},
      {"stretched, the projection stays", true, 400, 300, 45.0f, 1.25f, 1.93137f, 2.41421f},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Kettar::viewport.stretch = row.stretch;
    Kettar::viewport.fieldOfView = 45.0f;
    Kettar::viewport.aspect = 1.25f;
    SDL_Event event{};
    event.type = SDL_VIDEORESIZE;
    event.resize.w = row.width;
    event.resize.h = row.height;
    engine->handleEvent(event);
    EXPECT_FALSE(engine->quit);
    EXPECT_EQ(app.videoConfig.width, row.width);
    EXPECT_EQ(app.videoConfig.height, row.height);
    ASSERT_NE(engine->surface, nullptr);
    EXPECT_EQ(engine->surface->w, row.width);
    EXPECT_EQ(engine->surface->h, row.height);
    EXPECT_EQ(Kettar::viewport.width, row.width);
    EXPECT_EQ(Kettar::viewport.height, row.height);
    EXPECT_NEAR(Kettar::viewport.fieldOfView, row.fieldOfView, 1e-4);
    EXPECT_FLOAT_EQ(Kettar::viewport.aspect, row.aspect);
    GLint view[4] = {};
    glGetIntegerv(GL_VIEWPORT, view);
    EXPECT_EQ(view[0], 0);
    EXPECT_EQ(view[1], 0);
    EXPECT_EQ(view[2], row.width);
    EXPECT_EQ(view[3], row.height);
    GLfloat projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    EXPECT_NEAR(projection[0], row.xScale, 1e-4);
    EXPECT_NEAR(projection[5], row.yScale, 1e-4);
  }
}

}  // namespace
