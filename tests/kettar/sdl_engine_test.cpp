// The SDL engine's event handling and its failures, without a window: events are
// handed in directly, and SDL runs on its dummy video driver, which has no OpenGL.

#include "kettar/sdl_engine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "kettar/sdl_kettar_app.h"
#include "media_assets.h"

namespace {

using media_test::CoutCapture;

class EventApp : public Kettar::SDLKettarApp {
 public:
  EventApp() : SDLKettarApp("events") {}
  bool init() override {
    calls.push_back("init");
    return true;
  }
  void shutdown() override { calls.push_back("shutdown"); }
  void keyEvent(uint8_t* keys, int32_t key) override {
    calls.push_back("key " + std::to_string(key) + "=" + std::to_string(keys[key]));
  }
  void mouseEvent(Kettar::MouseState* mouse) override {
    calls.push_back("mouse");
    EXPECT_EQ(mouse, &Kettar::engine->mouse);
  }
  void onUserEvent() override { calls.push_back("user"); }

  std::vector<std::string> calls;
};

SDL_Event key(uint8_t type, SDLKey symbol) {
  SDL_Event event{};
  event.type = type;
  event.key.keysym.sym = symbol;
  return event;
}

SDL_Event motion(uint16_t x, uint16_t y, int16_t dx, int16_t dy) {
  SDL_Event event{};
  event.type = SDL_MOUSEMOTION;
  event.motion.x = x;
  event.motion.y = y;
  event.motion.xrel = dx;
  event.motion.yrel = dy;
  return event;
}

SDL_Event button(uint8_t type, uint8_t which) {
  SDL_Event event{};
  event.type = type;
  event.button.button = which;
  return event;
}

SDL_Event user(int code) {
  SDL_Event event{};
  event.type = SDL_USEREVENT;
  event.user.code = code;
  return event;
}

class SDLEngineEvents : public ::testing::Test {
 protected:
  SDLEngineEvents() : engine(&app, &app.appConfig, &app.videoConfig) { Kettar::engine = &engine; }
  ~SDLEngineEvents() override { Kettar::engine = nullptr; }

  CoutCapture out;
  EventApp app;
  Kettar::SDLEngine engine;
};

TEST_F(SDLEngineEvents, KeysSetTheirStateBeforeTheCallbackSeesThem) {
  engine.handleEvent(key(SDL_KEYDOWN, SDLK_a));
  EXPECT_EQ(engine.keys[SDLK_a], 1);
  engine.handleEvent(key(SDL_KEYDOWN, SDLK_LEFT));
  engine.handleEvent(key(SDL_KEYUP, SDLK_a));
  EXPECT_EQ(engine.keys[SDLK_a], 0);
  EXPECT_EQ(engine.keys[SDLK_LEFT], 1);
  EXPECT_EQ(app.calls, (std::vector<std::string>{"key 97=1", "key 276=1", "key 97=0"}));
  engine.clearKeys();
  EXPECT_EQ(engine.keys[SDLK_LEFT], 0);
}

TEST_F(SDLEngineEvents, MouseEventsFillTheRecord) {
  struct Row {
    const char* name;
    SDL_Event event;
    Kettar::MouseState expected;
  };
  // Each row's event follows the ones before it.
  Kettar::MouseState m;
  std::vector<Row> rows;
  m.x = 10, m.y = 20, m.dx = -4 * 0.05f, m.dy = 2 * 0.05f, m.kind = Kettar::kMouseMotion;
  rows.push_back({"motion", motion(10, 20, 4, -2), m});
  m.x = 12, m.y = 21, m.dx = -2 * 0.05f, m.dy = -1 * 0.05f;
  rows.push_back({"a later motion replaces the relative motion", motion(12, 21, 2, 1), m});
  m.left = 1, m.kind = Kettar::kMouseLeft;
  rows.push_back({"left down", button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_LEFT), m});
  m.right = 1, m.kind = Kettar::kMouseRight;
  rows.push_back({"right down", button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_RIGHT), m});
  m.left = 0, m.kind = Kettar::kMouseLeft;
  rows.push_back({"left up", button(SDL_MOUSEBUTTONUP, SDL_BUTTON_LEFT), m});
  m.wheel = -1, m.kind = Kettar::kMouseWheel;
  rows.push_back({"wheel up", button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_WHEELUP), m});
  m.wheel = 1;
  rows.push_back({"wheel down, on release too", button(SDL_MOUSEBUTTONUP, SDL_BUTTON_WHEELDOWN), m});
  rows.push_back({"middle button changes nothing", button(SDL_MOUSEBUTTONDOWN, SDL_BUTTON_MIDDLE), m});
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    app.calls.clear();
    engine.handleEvent(row.event);
    EXPECT_EQ(app.calls, std::vector<std::string>{"mouse"});
    const Kettar::MouseState& got = engine.mouse;
    EXPECT_EQ(got.x, row.expected.x);
    EXPECT_EQ(got.y, row.expected.y);
    EXPECT_FLOAT_EQ(got.dx, row.expected.dx);
    EXPECT_FLOAT_EQ(got.dy, row.expected.dy);
    EXPECT_EQ(got.wheel, row.expected.wheel);
    EXPECT_EQ(got.left, row.expected.left);
    EXPECT_EQ(got.right, row.expected.right);
    EXPECT_EQ(got.kind, row.expected.kind);
    EXPECT_EQ(got.flagA, 0);
    EXPECT_EQ(got.flagB, 1);
  }
}

TEST_F(SDLEngineEvents, QuitAndUserEvents) {
  engine.handleEvent(user(1));
  EXPECT_TRUE(app.calls.empty());
  engine.handleEvent(user(0));
  EXPECT_EQ(app.calls, std::vector<std::string>{"user"});
  EXPECT_FALSE(engine.quit);
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  engine.handleEvent(quit);
  EXPECT_TRUE(engine.quit);
}

// SDL on its dummy video driver: events work, an OpenGL window cannot be had.
class DummyVideo : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError(); }
  void TearDown() override { SDL_Quit(); }

 private:
  media_test::ScopedEnv videoDriver_{"SDL_VIDEODRIVER", "dummy"};
};

TEST_F(DummyVideo, TheUserEventReachesTheApplicationThroughTheQueue) {
  CoutCapture out;
  EventApp app;
  Kettar::SDLEngine engine(&app, &app.appConfig, &app.videoConfig);
  EXPECT_EQ(app.userEventPusher(), &Kettar::pushUserEvent);
  Kettar::pushUserEvent();
  Kettar::pushUserEvent();
  engine.pumpEvents();
  EXPECT_EQ(app.calls, (std::vector<std::string>{"user", "user"}));
}

TEST_F(DummyVideo, FocusChangesShowTheCursorOnlyInFullscreen) {
  CoutCapture out;
  EventApp app;
  Kettar::SDLEngine engine(&app, &app.appConfig, &app.videoConfig);
  struct Row {
    const char* name;
    bool fullScreen;
    uint8_t gain, state;
    int before, after;  // cursor shown (1) or hidden (0)
  };
  const Row rows[] = {
      {"fullscreen, mouse focus gained", true, 1, SDL_APPMOUSEFOCUS, 1, 0},
      {"fullscreen, input focus lost", true, 0, SDL_APPINPUTFOCUS, 0, 1},
      {"fullscreen, restored", true, 1, SDL_APPACTIVE, 1, 0},
      {"fullscreen, iconified", true, 0, SDL_APPACTIVE, 0, 1},
      {"windowed, focus gained", false, 1, SDL_APPINPUTFOCUS, 1, 1},
      {"windowed, focus lost", false, 0, SDL_APPINPUTFOCUS, 0, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    app.videoConfig.fullScreen = row.fullScreen;
    SDL_ShowCursor(row.before);
    SDL_Event event{};
    event.type = SDL_ACTIVEEVENT;
    event.active.gain = row.gain;
    event.active.state = row.state;
    engine.handleEvent(event);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), row.after);
  }
  EXPECT_TRUE(app.calls.empty());
}

TEST_F(DummyVideo, NoWindowMeansNoEngine) {
  CoutCapture out;
  EventApp app;
  Kettar::SDLEngine engine(&app, &app.appConfig, &app.videoConfig);
  EXPECT_FALSE(engine.init());
  EXPECT_EQ(engine.surface, nullptr);
  // Each platform words its own fatal line.
  EXPECT_NE(out.text().find("!![Engine] fatal error: "), std::string::npos) << out.text();
  // The GL side was never started.
  EXPECT_EQ(engine.statsTimer, -1);
  EXPECT_EQ(out.text().find("[OpenGL]"), std::string::npos);
}

TEST_F(DummyVideo, MouseEventsWaitForTheFilterTimerAndQueuedKeysSurviveIt) {
  ASSERT_NE(SDL_SetVideoMode(64, 64, 32, SDL_SWSURFACE), nullptr) << SDL_GetError();
  SDL_Event event;
  while (SDL_PollEvent(&event)) {
  }
  Kettar::SDLEngine::installStartupFilter();
  SDL_WarpMouse(10, 10);  // a motion event, which SDL runs through the filter
  EXPECT_EQ(SDL_PollEvent(&event), 0);

  SDL_Event keyDown = key(SDL_KEYDOWN, SDLK_SPACE);
  ASSERT_EQ(SDL_PushEvent(&keyDown), 0);
  EXPECT_EQ(Kettar::SDLEngine::removeEventFilter(1000, nullptr), 0u);  // runs once
  SDL_WarpMouse(20, 30);
  std::vector<uint8_t> types;
  while (SDL_PollEvent(&event)) types.push_back(event.type);
  EXPECT_EQ(types, (std::vector<uint8_t>{SDL_KEYDOWN, SDL_MOUSEMOTION}));
}

// Filled on SDL's timer thread by the timers of the test below.
struct LaterTimer {
  std::atomic<bool> added{false};
  std::atomic<bool> fired{false};
};

uint32_t markFired(uint32_t, void* later) {
  static_cast<LaterTimer*>(later)->fired = true;
  return 0;
}

// Adds the later timer on the timer thread as soon as the filter timer has fired: SDL frees a
// fired timer on that thread, so the next timer made there gets its memory, and so its id.
uint32_t addAfterTheFilterTimer(uint32_t interval, void* later) {
  LaterTimer& l = *static_cast<LaterTimer*>(later);
  if (l.added) return 0;
  if (Kettar::SDLEngine::filterTimerPending()) return interval;
  SDL_AddTimer(300, markFired, &l);
  l.added = true;
  return 0;
}

// The filter timer fired and was freed long before the engine goes; the engine must not
// remove by its old id the timer that now has it.
TEST(SDLEngineFilterTimer, AFiredTimerIsNotRemovedAgain) {
  ASSERT_EQ(SDL_Init(SDL_INIT_TIMER), 0) << SDL_GetError();
  LaterTimer later;
  {
    CoutCapture out;
    EventApp app;
    Kettar::SDLEngine engine(&app, &app.appConfig, &app.videoConfig);
    engine.startFilterTimer();
    EXPECT_TRUE(Kettar::SDLEngine::filterTimerPending());
    ASSERT_NE(SDL_AddTimer(10, addAfterTheFilterTimer, &later), nullptr);
    for (int i = 0; i < 300 && !later.added; ++i) SDL_Delay(10);
    ASSERT_TRUE(later.added);
  }
  for (int i = 0; i < 200 && !later.fired; ++i) SDL_Delay(10);
  EXPECT_TRUE(later.fired) << "the engine removed the later timer";
  SDL_Quit();
}

TEST(SDLKettarApp, AnEngineThatCannotStartEndsTheRunWithOne) {
  media_test::ScopedEnv videoDriver("SDL_VIDEODRIVER", "dummy");
  CoutCapture out;
  int result = -1;
  {
    EventApp app;
    result = app.run();
    EXPECT_TRUE(app.calls.empty());  // neither init nor shutdown
    EXPECT_EQ(Kettar::engine, nullptr);
  }
  SDL_Quit();
  EXPECT_EQ(result, 1);
  const std::string log = out.text();
  EXPECT_EQ(log.rfind("This is SDLKettar 1.0-r7, compiled on ", 0), 0u) << log;
  const std::string tail = "[Engine] shutting down Engine...\n";
  ASSERT_GE(log.size(), tail.size());
  EXPECT_EQ(log.substr(log.size() - tail.size()), tail);
  EXPECT_EQ(log.find("[App] quitting SDL..."), std::string::npos);
}

TEST(WidestMode, TakesTheFirstOfTheWidestAndCopesWithNoList) {
  SDL_Rect modes[] = {{0, 0, 1024, 768}, {0, 0, 1280, 1024}, {0, 0, 1280, 960}, {0, 0, 800, 600}};
  SDL_Rect* list[] = {&modes[0], &modes[1], &modes[2], &modes[3], nullptr};
  SDL_Rect* empty[] = {nullptr};
  struct Row {
    const char* name;
    SDL_Rect** modes;
    int width, height;
  };
  const Row rows[] = {
      {"listed", list, 1280, 1024},
      {"empty list", empty, 0, 0},
      {"no fullscreen mode", nullptr, 0, 0},
      {"any size", reinterpret_cast<SDL_Rect**>(-1), 0, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Kettar::VideoModeSize widest = Kettar::widestMode(row.modes);
    EXPECT_EQ(widest.width, row.width);
    EXPECT_EQ(widest.height, row.height);
  }
}

}  // namespace
