// The menu, pause and end frames drawn into a small window.

#include <GL/glew.h>
#include <FTGL/ftgl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

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

// One text as a screen rendered it, with the matrices in force at that moment.
struct RenderedText {
  std::string font;
  std::string text;
  float x, y;
  unsigned faceSize;
  GLfloat modelView[16];
  GLfloat projection[16];
};

// Stands for a font: draws nothing and records every text rendered with it.
class RecordingFont : public FTFont {
 public:
  RecordingFont(const char* name, std::vector<RenderedText>* log) : FTFont(""), name_(name), log_(log) {}

  using FTFont::Render;
  FTPoint Render(const char* string, const int, FTPoint position, FTPoint, int) override {
    RenderedText t{name_, string, position.Xf(), position.Yf(), faceSize_, {}, {}};
    glGetFloatv(GL_MODELVIEW_MATRIX, t.modelView);
    glGetFloatv(GL_PROJECTION_MATRIX, t.projection);
    log_->push_back(t);
    return position;
  }
  bool FaceSize(const unsigned int size, const unsigned int) override {
    faceSize_ = size;
    return true;
  }
  unsigned int FaceSize() const override { return faceSize_; }

 protected:
  FTGlyph* MakeGlyph(FT_GlyphSlot) override { return nullptr; }

 private:
  std::string name_;
  std::vector<RenderedText>* log_;
  unsigned faceSize_ = 0;
};

// Where a text is placed: in page units in the world space of the game's
// camera (the menu pages), or in window pixels (the version, pause and end).
enum class Space { kCamera, kWindow };

struct ShownText {
  std::string font;  // "sector" or "engine"
  Space space;
  float scale;       // the uniform scale of the frame the position is in
  std::string text;
  float x, y;        // in that scaled frame
  bool startOnly;    // the text only begins so: the people credited are the game's own
};

struct Placed {
  std::string text;
  float x, y;
  bool startOnly = false;
};

const ShownText kVersionText = {"engine", Space::kWindow, 1, "V.0.61", 10, 25, false};

// A menu frame: the active page's title, items and lines, then the version.
std::vector<ShownText> menuFrame(float scale, const std::vector<Placed>& texts) {
  std::vector<ShownText> out;
  for (const Placed& t : texts) out.push_back({"sector", Space::kCamera, scale, t.text, t.x, t.y, t.startOnly});
  out.push_back(kVersionText);
  return out;
}

ShownText inWindow(float scale, const std::string& text, float x, float y) {
  return {"sector", Space::kWindow, scale, text, x, y, false};
}

// Makes the page the one active page of the menu's tree.
void showOnly(Menu& menu, MenuPage* page) {
  std::vector<MenuPage*> todo = {menu.root.get()};
  while (!todo.empty()) {
    MenuPage* p = todo.back();
    todo.pop_back();
    p->active = p == page;
    for (const auto& sub : p->subPages) {
      if (sub) todo.push_back(sub.get());
    }
  }
}

TEST_F(ScreenDrawTest, EveryTextOfTheScreensStandsInItsPlace) {
  std::vector<RenderedText> log;
  host.font.release();
  host.font.font = new RecordingFont("sector", &log);
  engine_->font.release();
  engine_->font.font = new RecordingFont("engine", &log);
  // The overlays place their texts by the viewport's size in pixels.
  constexpr int kW = 800;
  constexpr int kH = 600;
  Kettar::viewport.resize(kW, kH);
  // As the game makes them: the pause and end screens after the menu.
  Menu menu(&host);
  PauseState pause(&host);
  End end(&host);
  host.eye.apply();
  GLfloat camera[16];
  glGetFloatv(GL_MODELVIEW_MATRIX, camera);

  const auto page = [&menu](MenuPage* p) {
    return [&menu, p]() -> Kettar::CallbackInterface* {
      showOnly(menu, p);
      return &menu;
    };
  };
  const auto ending = [this, &end](float health, float kept, float best) {
    return [this, &end, health, kept, best]() -> Kettar::CallbackInterface* {
      host.health = health;
      host.kept = kept;
      host.best = best;
      return &end;
    };
  };
  struct Frame {
    const char* name;
    std::function<Kettar::CallbackInterface*()> show;
    std::vector<ShownText> texts;
  };
  // The end screen's texts: the headline under scale 2 at (0.2 W, 0.5 H - 200),
  // the verdict under 0.75 at (0.1 W / 0.75, (0.5 H - 100) / 0.75), the last
  // line under 0.75 at (0.1 W, 0.5 H - 180); W 800, H 600.
  const auto endTexts = [](const char* headline, const char* verdict) {
    return std::vector<ShownText>{inWindow(2, headline, 160, 100),
                                  inWindow(0.75f, verdict, 80 / 0.75f, 200 / 0.75f),
                                  inWindow(0.75f, "press any key to continue...", 80, 120)};
  };
  const std::vector<Frame> frames = {
      {"root", page(menu.root.get()),
       menuFrame(0.017f, {{"start", -85, -100}, {"options", -120, -140}, {"about", -100, -180},
                          {"quit", -75, -220}})},
      {"SELECT CHAPTER", page(menu.chapters),
       menuFrame(0.012f, {{"SELECT CHAPTER", -250, 360}, {"Tutorial", -200, 240},
                          {"First Chapter", -200, 180}, {"Second Chapter", -200, 120}})},
      {"tutorial levels", page(menu.levelPages[0]),
       menuFrame(0.012f, {{"SELECT LEVEL", -250, 360}, {"Move", -200, 240}, {"Jump", -200, 180},
                          {"Jump or Die", -200, 120}, {"Shoot", -200, 60}, {"Aim Better", -200, 0},
                          {"Move the Box", -200, -60}, {"Swing", -200, -120},
                          {"Shoot-Release", -200, -180}, {"Vazars", -200, -240},
                          {"Training room", -200, -300}})},
      {"first chapter levels", page(menu.levelPages[1]),
       menuFrame(0.012f, {{"SELECT LEVEL", -250, 360}, {"Secret Exit", -200, 240},
                          {"Diagonal Climb", -200, 180}, {"Vertical Climb", -200, 120},
                          {"Platforms", -200, 60}, {"V Room", -200, 0}, {"Dangerous Fall", -200, -60},
                          {"Ghost City", -200, -120}, {"To the Moon and Back", -200, -180},
                          {"It Shoots at You", -200, -240}, {"To the Inner Planet", -200, -300}})},
      {"second chapter levels", page(menu.levelPages[2]),
       menuFrame(0.012f, {{"SELECT LEVEL", -250, 360}, {"Moss Tower", -200, 240},
                          {"Blob Hell", -200, 180}, {"Bowels", -200, 120}, {"Icy Ascent", -200, 60},
                          {"The City", -200, 0}, {"Spiral of Sorrow", -200, -60}})},
      {"OPTIONS", page(menu.options),
       menuFrame(0.012f, {{"OPTIONS", -250, 360}, {"Resolution", -200, 240}, {"Fullscreen", -200, 180},
                          {"Vsync", -200, 120}, {"Antialiasing", -200, 60}, {"Sound volume", -200, 0},
                          {"Music volume", -200, -60}})},
      {"resolution", page(menu.resolutionPage),
       menuFrame(0.01f, {{"SELECT RESOLUTION (restart game)", -400, 360},
                         {"1920 x 1080 - 16/9", -250, 240}, {"1600 x 900 - 16/9", -250, 180},
                         {"1366 x 768 - 16/9", -250, 120}, {"1280 x 720 - 16/9", -250, 60},
                         {"1680 x 1050 - 16/10", -250, 0}, {"1440 x 900 - 16/10", -250, -60},
                         {"1280 x 800 - 16/10", -250, -120}, {"1280 x 1024 - 5/4", -250, -180},
                         {"1280 x 960 - 4/3", -250, -240}, {"1024 x 768 - 4/3", -250, -300}})},
      {"fullscreen", page(menu.fullscreenPage),
       menuFrame(0.012f, {{"FULLSCREEN? (restart game)", -400, 200}, {"yes, please", -200, 100},
                          {"no, thanks", -200, 40}})},
      {"vsync", page(menu.vsyncPage),
       menuFrame(0.012f, {{"VSYNC? (restart game, fullscreen only)", -600, 200},
                          {"yes, please", -200, 100}, {"no, thanks", -200, 40}})},
      {"antialiasing", page(menu.antialiasPage),
       menuFrame(0.012f, {{"Antialiasing (restart game)", -500, 200}, {"none", -200, 100},
                          {"2x", -200, 40}, {"4x", -200, -20}, {"8x", -200, -80}})},
      {"sound volume", page(menu.soundVolumePage),
       menuFrame(0.012f, {{"Sound effects volume", -500, 300}, {"0", -200, 200}, {"20", -200, 140},
                          {"40", -200, 80}, {"60", -200, 20}, {"80", -200, -40}, {"100", -200, -100}})},
      {"music volume", page(menu.musicVolumePage),
       menuFrame(0.012f, {{"Music volume", -500, 300}, {"0", -200, 200}, {"20", -200, 140},
                          {"40", -200, 80}, {"60", -200, 20}, {"80", -200, -40}, {"100", -200, -100}})},
      {"CREDITS", page(menu.credits),
       menuFrame(0.012f, {{"CREDITS", -80, 300},
                          {"BRIARDEN GAMES", -280, 180},
                          {"- game design: ", -800, 120, true},
                          {"- programming: ", -800, 60, true},
                          {"- visual art: ", -800, 0, true},
                          {"- audio art: ", -800, -60, true},
                          {"- level design: ", -800, -120, true},
                          {"", -400, -240, true}})},
      // (0.2 W, 0.5 H + 40) and (0.2 W, 0.5 H - 40).
      {"pause", [&pause]() -> Kettar::CallbackInterface* { return &pause; },
       {inWindow(1, "Press Enter to resume", 160, 340), inWindow(1, "Press Esc to quit", 160, 260)}},
      {"end: died", ending(0, 5, 9999),
       endTexts("AAAAGH !!", "sadly, you killed Brannic.. his escape ends here!!")},
      {"end: a new record", ending(100, 5, 9999),
       endTexts("FINISH !!", "congratulations, you improved the record!!")},
      {"end: the record kept", ending(100, 5, 5),
       endTexts("FINISH !!", "sadly, you didn't improve the record...")},
  };

  // The 2D projection of window pixels: gluOrtho2D(0, W, 0, H).
  GLfloat pixels[16] = {};
  pixels[0] = 2.0f / kW;
  pixels[5] = 2.0f / kH;
  pixels[10] = -1;
  pixels[12] = -1;
  pixels[13] = -1;
  pixels[15] = 1;
  for (const Frame& frame : frames) {
    SCOPED_TRACE(frame.name);
    Kettar::CallbackInterface* screen = frame.show();
    log.clear();
    screen->draw();
    ASSERT_EQ(log.size(), frame.texts.size());
    for (size_t i = 0; i < log.size(); ++i) {
      const RenderedText& got = log[i];
      const ShownText& want = frame.texts[i];
      SCOPED_TRACE(want.text.empty() ? got.text : want.text);
      EXPECT_EQ(got.font, want.font);
      if (want.startOnly) {
        EXPECT_EQ(got.text.rfind(want.text, 0), 0u) << got.text;
        EXPECT_GT(got.text.size(), want.text.size());
      } else {
        EXPECT_EQ(got.text, want.text);
      }
      EXPECT_NEAR(got.x, want.x, 1e-3);
      EXPECT_NEAR(got.y, want.y, 1e-3);
      // All three screens draw at the face size the last of them set.
      if (want.font == "sector") {
        EXPECT_EQ(got.faceSize, 50u);
      }
      // The frame the text is placed in: the camera's (or the window's) under the scale.
      for (int k = 0; k < 16; ++k) {
        const float base = want.space == Space::kCamera ? camera[k] : (k % 5 == 0 ? 1.0f : 0.0f);
        EXPECT_NEAR(got.modelView[k], k < 12 ? base * want.scale : base, 1e-5) << "model-view " << k;
        if (want.space == Space::kWindow) {
          EXPECT_NEAR(got.projection[k], pixels[k], 1e-7) << "projection " << k;
        }
      }
    }
  }
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
