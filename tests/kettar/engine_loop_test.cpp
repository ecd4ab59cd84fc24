#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <thread>
#include <vector>

#include "kettar/engine.h"
#include "kettar/sdl_engine.h"
#include "kettar/simulated_clock.h"
#include "kettar/timer_table.h"

namespace {

// Counts steps and lets each frame's draw take a chosen time on the simulated clock.
class Recorder : public Kettar::CallbackInterface {
 public:
  explicit Recorder(Kettar::SimulatedClock& clock) : clock_(clock) {}

  void step(uint8_t*, Kettar::MouseState* mouse, float dt) override {
    ++steps;
    dts.push_back(dt);
    mouseDxBefore = mouse->dx;
    mouse->dx = 1.0f;  // the engine clears it after the step
    if (stopAfterSteps > 0 && steps == stopAfterSteps) engine->quit = true;
  }
  void draw() override {
    if (frame > 0) stepsPerFrame.push_back(steps - stepsAtDraw);
    stepsAtDraw = steps;
    const std::size_t index = static_cast<std::size_t>(frame);
    clock_.advance(index < drawTimes.size() ? drawTimes[index] : 0.0);
    ++frame;
    if (frame == frames) engine->quit = true;
  }

  Kettar::Engine* engine = nullptr;
  int frames = 0;                 // quit after this many draws
  int stopAfterSteps = 0;         // or after this many steps; 0: never
  std::vector<double> drawTimes;  // seconds each draw takes; 0 beyond the list
  std::vector<int> stepsPerFrame;  // steps made in each complete frame
  std::vector<float> dts;
  int steps = 0;
  int frame = 0;
  float mouseDxBefore = 0.0f;

 private:
  Kettar::SimulatedClock& clock_;
  int stepsAtDraw = 0;
};

// The engine's loops without a window: swapping does nothing and the event pump is a stub.
class StubEngine : public Kettar::Engine {
 public:
  StubEngine(Kettar::CallbackInterface* callback, Kettar::AppConfig* app, Kettar::VideoConfig* video)
      : Engine(callback, app, video) {}
  int run() override { return pacedLoop(); }
  void pumpEvents() override {
    ++pumps;
    if (pumpTakes > 0.0) clock->advance(pumpTakes);
  }
  void swapBuffers() override { ++swaps; }

  Kettar::SimulatedClock* clock = nullptr;
  double pumpTakes = 0.0;  // seconds each pump takes
  int pumps = 0;
  int swaps = 0;
};

// The game's rates: 60 frames and 500 steps a second.
Kettar::AppConfig gameRates() {
  Kettar::AppConfig app;
  app.fps = 60;
  app.pps = 500;
  return app;
}

class EngineLoopTest : public ::testing::Test {
 protected:
  EngineLoopTest() : app(gameRates()), recorder(clock), engine(&recorder, &app, &video) {
    engine.initPeriods();
    engine.clock = &clock;
    recorder.engine = &engine;
  }

  Kettar::SimulatedClock clock;
  Kettar::AppConfig app;
  Kettar::VideoConfig video;
  Recorder recorder;
  StubEngine engine;
};

TEST_F(EngineLoopTest, PeriodsAndTheFirstFramesDebt) {
  EXPECT_FLOAT_EQ(engine.framePeriod, 1.0f / 60.0f);
  EXPECT_FLOAT_EQ(engine.physicsPeriod, 1.0f / 500.0f);
  EXPECT_NEAR(engine.pending, 500.0 / 60.0, 1e-5);
  EXPECT_FLOAT_EQ(engine.fps, 60.0f);  // the configured rates until the first tick
  EXPECT_FLOAT_EQ(engine.pps, 500.0f);
  EXPECT_FLOAT_EQ(engine.mouseFactor, 0.05f);
  EXPECT_EQ(engine.statsTimer, -1);
  EXPECT_FLOAT_EQ(engine.anisotropy, 1.0f);
  EXPECT_FALSE(engine.quit);
  EXPECT_FALSE(engine.pause);
}

TEST_F(EngineLoopTest, SteadyFramesOweFiveHundredStepsASecondWithTheFractionCarried) {
  recorder.frames = 61;
  EXPECT_EQ(engine.run(), 1);
  ASSERT_EQ(recorder.stepsPerFrame.size(), 60u);
  EXPECT_EQ(recorder.stepsPerFrame[0], 8);  // 8.33 owed, 0.33 carried
  int total = 0;
  for (int steps : recorder.stepsPerFrame) {
    EXPECT_TRUE(steps == 8 || steps == 9) << steps;
    total += steps;
  }
  // 60 frames of 8.33 steps; dropping the fraction would give 480.
  EXPECT_NEAR(total, 500, 1.0);
  for (float dt : recorder.dts) ASSERT_FLOAT_EQ(dt, 1.0f / 500.0f);
  EXPECT_EQ(engine.swaps, 61);
  EXPECT_EQ(engine.frameCount, 61u);
  EXPECT_EQ(engine.stepCount, static_cast<uint32_t>(recorder.steps));
  // Each frame sleeps one 0.01 s slice (with a pump) and the rest of its period.
  EXPECT_EQ(clock.sleepCount(), 2u * 61u);
  EXPECT_NEAR(clock.sleptNanoseconds() * 1e-9, 61.0 / 60.0, 1e-5);
  EXPECT_EQ(engine.pumps, 2 * 61);
}

TEST_F(EngineLoopTest, AFrameOfATenthOfASecondClearsTheDebt) {
  recorder.frames = 6;
  recorder.drawTimes = {0.0, 0.0, 0.1, 0.0, 0.0};
  engine.run();
  ASSERT_EQ(recorder.stepsPerFrame.size(), 5u);
  EXPECT_GE(recorder.stepsPerFrame[1], 8);
  // The slow frame makes no step, and it owes nothing afterwards either.
  EXPECT_EQ(recorder.stepsPerFrame[2], 0);
  EXPECT_EQ(recorder.stepsPerFrame[3], 0);
  EXPECT_EQ(recorder.stepsPerFrame[4], 8);
}

TEST_F(EngineLoopTest, ASlowDrawStillSleepsAFullFrameAfterwards) {
  recorder.frames = 1;
  recorder.drawTimes = {0.25};
  engine.run();
  EXPECT_EQ(recorder.steps, 0);
  EXPECT_NEAR(clock.sleptNanoseconds() * 1e-9, 1.0 / 60.0, 1e-6);
}

TEST_F(EngineLoopTest, WhilePausedTheLoopDrawsButMakesNoStep) {
  recorder.frames = 10;
  engine.pause = true;
  engine.run();
  // Only the debt from before the pause is made, in the first frame.
  EXPECT_EQ(recorder.steps, 8);
  EXPECT_EQ(recorder.frame, 10);
}

TEST_F(EngineLoopTest, TheTurboLoopSpinsOnEventsInsteadOfSleeping) {
  recorder.frames = 31;
  engine.pumpTakes = 0.001;
  EXPECT_EQ(engine.turboLoop(), 1);
  EXPECT_EQ(clock.sleepCount(), 0u);
  int total = 0;
  for (int steps : recorder.stepsPerFrame) total += steps;
  EXPECT_NEAR(total, 30 * 500.0 / 60.0, 10.0);
  EXPECT_GT(engine.pumps, 31 * 15);
}

TEST_F(EngineLoopTest, EveryStepClearsTheMouseMotion) {
  engine.mouse.dx = 0.5f;
  engine.mouse.dy = -0.5f;
  engine.physicsStep();
  EXPECT_FLOAT_EQ(recorder.mouseDxBefore, 0.5f);
  EXPECT_EQ(engine.mouse.dx, 0.0f);
  EXPECT_EQ(engine.mouse.dy, 0.0f);
  engine.physicsStep();
  EXPECT_EQ(recorder.mouseDxBefore, 0.0f);
}

TEST_F(EngineLoopTest, TheDualThreadRenderLoopDrawsAndLeavesTheStepsToTheOtherThread) {
  recorder.frames = 10;
  recorder.drawTimes = {0.0, 0.2};
  EXPECT_EQ(engine.renderLoop(), 1);
  EXPECT_EQ(recorder.steps, 0);
  EXPECT_EQ(engine.swaps, 10);
  // Every frame, the slow one too, sleeps out a full frame period.
  EXPECT_NEAR(clock.sleptNanoseconds() * 1e-9, 10.0 / 60.0, 1e-5);
  EXPECT_EQ(engine.pending, 0.0f);  // the slow draw forgot what was owed
}

TEST_F(EngineLoopTest, ThePhysicsThreadStepsAtThePhysicsPeriod) {
  recorder.stopAfterSteps = 50;
  EXPECT_EQ(engine.physicsLoop(), 0);
  EXPECT_EQ(recorder.steps, 50);
  EXPECT_EQ(recorder.frame, 0);
  EXPECT_NEAR(clock.sleptNanoseconds() * 1e-9, 50 / 500.0, 1e-5);
}

TEST_F(EngineLoopTest, ThePausedPhysicsThreadMakesNoStep) {
  app.turbo = true;
  engine.pause = true;
  clock.advance(0.0);
  // The paused turbo thread sleeps in tenths of a second; let it see the quit flag soon.
  std::thread stopper([this] {
    while (clock.sleepCount() < 5) std::this_thread::yield();
    engine.quit = true;
  });
  EXPECT_EQ(engine.physicsLoop(), 0);
  stopper.join();
  EXPECT_EQ(recorder.steps, 0);
}

TEST_F(EngineLoopTest, TheRateTimerTurnsCountsIntoRates) {
  struct Row {
    const char* name;
    uint32_t frames, steps, interval;
    float fps, pps;
  };
  const Row rows[] = {
      {"one second", 60, 500, 1000, 60.0f, 500.0f},
      {"a late tick", 60, 500, 1001, 59.94006f, 499.50049f},
      {"nothing drawn", 0, 0, 1000, 0.0f, 0.0f},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    engine.frameCount = row.frames;
    engine.stepCount = row.steps;
    EXPECT_EQ(Kettar::Engine::onStatsTimer(row.interval, &engine), row.interval);
    EXPECT_NEAR(engine.fps, row.fps, 1e-4);
    EXPECT_NEAR(engine.pps, row.pps, 1e-3);
    EXPECT_EQ(engine.frameCount, 0u);
    EXPECT_EQ(engine.stepCount, 0u);
  }
}

uint32_t neverCalled(uint32_t, void*) { return 0; }

TEST(EngineRateTimer, StopsWithTheEngine) {
  ASSERT_EQ(SDL_Init(SDL_INIT_TIMER), 0) << SDL_GetError();
  Kettar::AppConfig app = gameRates();
  Kettar::VideoConfig video;
  struct Nothing : Kettar::CallbackInterface {} nothing;
  auto engine = std::make_unique<StubEngine>(&nothing, &app, &video);
  engine->statsTimer = Kettar::timerTable.add(5, &Kettar::Engine::onStatsTimer, engine.get());
  const int32_t handle = engine->statsTimer;
  SDL_Delay(30);
  engine.reset();
  // A timer left running would now write into the freed engine (the sanitizer build sees it).
  SDL_Delay(30);
  // Its slot is free again: the next timer gets it.
  const int32_t next = Kettar::timerTable.add(1000, &neverCalled, nullptr);
  EXPECT_EQ(next, handle);
  Kettar::timerTable.remove(next);
  SDL_Quit();
}

TEST(StatsText, WritesRatesInTheDefaultFormatAndDashesForZero) {
  struct Row {
    float rate;
    const char* text;
  };
  const Row rows[] = {{60.0f, "60"}, {59.94006f, "59.9401"}, {0.0f, "--"}, {500.0f, "500"}, {0.5f, "0.5"}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(Kettar::formatRate(row.rate), row.text);
  }
  EXPECT_EQ(Kettar::statsText(60.0f, 500.0f), "FPS: 60 PPS: 500");
  EXPECT_EQ(Kettar::statsText(0.0f, 59.94006f), "FPS: -- PPS: 59.9401");
}

TEST(StartupFilter, DropsMouseEventsUntilAllowedAndNeverAnythingElse) {
  struct Row {
    const char* name;
    uint8_t type;
    bool mouse;
  };
  const Row rows[] = {
      {"motion", SDL_MOUSEMOTION, true},     {"button down", SDL_MOUSEBUTTONDOWN, true},
      {"button up", SDL_MOUSEBUTTONUP, true}, {"key down", SDL_KEYDOWN, false},
      {"key up", SDL_KEYUP, false},           {"quit", SDL_QUIT, false},
      {"resize", SDL_VIDEORESIZE, false},     {"user", SDL_USEREVENT, false},
      {"active", SDL_ACTIVEEVENT, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Kettar::acceptsEvent(row.type, false), !row.mouse);
    EXPECT_TRUE(Kettar::acceptsEvent(row.type, true));
  }
}

}  // namespace
