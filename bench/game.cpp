// The whole game on its shipped levels, in an 800x600 window (run under Xvfb
// with Mesa's software renderer): the time of a level load, of one step of
// play while each level's replay is played, of a stress level, and of a drawn
// frame of play. Counters: "us_per_step", "worst_us" (the slowest single
// step, in the thread's own processor time, so a step the system preempted
// does not count the time it waited), "budget_share" (step time / the 2 ms of
// a 500 Hz step), "fps".
//
// Every time comes from the clock around the call it measures, so loading
// between runs of a replay is not counted; the game itself runs on simulated
// time, as in the replays, so the turrets' volleys come at the same steps on
// every run.

#include <GL/glew.h>
#include <SDL/SDL.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ferrox/grid.h"
#include "game/level_file.h"
#include "game/ombrel.h"
#include "game/replay.h"
#include "game/version.h"
#include "kettar/mouse_state.h"
#include "kettar/particle_system.h"
#include "kettar/simulated_clock.h"
#include "kettar/texture_manager.h"
#include "kettar/viewport.h"
#include "levels/level_replays.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kWidth = 800;
constexpr int kHeight = 600;
constexpr float kDt = 1.0f / 500.0f;
constexpr double kBudgetSeconds = 0.002;

// Where the game finds its data: the build root, or the stress level's
// folder, which links the build's data beside its own level.
std::string gDataRoot = std::string(OMBREL_BUILD_DIR) + "/";
std::string gStressRoot;

double seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Processor time of this thread, in seconds.
double threadSeconds() {
  timespec now;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// One step's time on the wall clock and on the thread's own clock.
struct StepTime {
  double wall = 0.0;
  double own = 0.0;
};

// The game as a replay runs it: no engine, no audio, simulated time.
struct Game {
  Kettar::SimulatedClock clock;
  std::unique_ptr<Ombrel> app;

  explicit Game(const std::string& dataRoot) {
    std::srand(1);
    app = std::make_unique<Ombrel>(kGameTitle);
    app->dataRoot = dataRoot;
    app->forceConfig();
    Kettar::viewport.width = kWidth;
    Kettar::viewport.height = kHeight;
    app->setupScene();
  }
  ~Game() {
    app->leaveLevel();
    Kettar::clearParticles();
  }
  bool load(const std::string& level) {
    app->loadLevel(level);
    return app->screen == Ombrel::Screen::kPlay;
  }
};

// Plays a key script step by step, as the replay seam does.
class ScriptPlayer {
 public:
  explicit ScriptPlayer(const ReplayScript& script) : script_(script) {}
  bool done(const Game& g) const { return step_ >= script_.maxSteps || g.app->screen != Ombrel::Screen::kPlay; }
  void restart() { step_ = 0; }
  // One step of play; its time.
  StepTime step(Game& g) {
    uint8_t keys[Kettar::kKeyCount] = {};
    for (const ReplayHold& h : script_.holds) {
      if (step_ >= h.from && step_ < h.to) keys[h.key] = 1;
    }
    for (const ReplayPress& p : script_.presses) {
      if (p.step != step_) continue;
      const uint8_t held = keys[p.key];
      keys[p.key] = 1;
      g.app->keyEvent(keys, p.key);
      keys[p.key] = held;
      g.app->keyEvent(keys, p.key);
    }
    Kettar::MouseState mouse{};
    const double own0 = threadSeconds();
    const Clock::time_point t0 = Clock::now();
    g.app->step(keys, &mouse, kDt);
    const StepTime took{seconds(Clock::now() - t0), threadSeconds() - own0};
    g.clock.advance(kDt);
    ++step_;
    return took;
  }

 private:
  const ReplayScript& script_;
  uint32_t step_ = 0;
};

struct StepFigures {
  double meanSeconds = 0.0;
  double worstSeconds = 0.0;
};
std::map<std::string, StepFigures> gStepFigures;
std::map<std::string, double> gLoadSeconds;

void reportSteps(benchmark::State& state, const std::string& name, double total, double worst, int64_t steps) {
  const double mean = steps > 0 ? total / double(steps) : 0.0;
  state.counters["us_per_step"] = mean * 1e6;
  state.counters["worst_us"] = worst * 1e6;
  state.counters["budget_share"] = mean / kBudgetSeconds;
  gStepFigures[name] = {mean, worst};
}

void levelLoad(benchmark::State& state, const std::string& level) {
  Game g(gDataRoot);
  // The textures stay in the manager from the first load on, as in play.
  if (!g.load(level)) {
    state.SkipWithError("the level does not load");
    return;
  }
  g.app->leaveLevel();
  double total = 0.0;
  for (auto _ : state) {
    const Clock::time_point t0 = Clock::now();
    g.load(level);
    const double took = seconds(Clock::now() - t0);
    state.SetIterationTime(took);
    total += took;
    g.app->leaveLevel();
  }
  gLoadSeconds[level] = total / double(state.iterations());
}

// One iteration is one step of play under the level's replay; the replay
// starts again from a fresh load (not timed) when it ends.
void playStep(benchmark::State& state, const std::string& level, const ReplayScript& script,
              const std::string& dataRoot) {
  Game g(dataRoot);
  if (!g.load(level)) {
    state.SkipWithError("the level does not load");
    return;
  }
  ScriptPlayer player(script);
  double total = 0.0, worst = 0.0;
  for (auto _ : state) {
    if (player.done(g)) {
      g.app->leaveLevel();
      g.load(level);
      player.restart();
    }
    const StepTime took = player.step(g);
    state.SetIterationTime(took.wall);
    total += took.wall;
    worst = std::max(worst, took.own);
  }
  reportSteps(state, level, total, worst, state.iterations());
}

// One iteration is one frame of play at 60 frames a second: the steps of a
// sixtieth of a second, the frame drawn, the buffers swapped and finished.
void playFrame(benchmark::State& state, const std::string& level, const ReplayScript& script) {
  Game g(gDataRoot);
  if (!g.load(level)) {
    state.SkipWithError("the level does not load");
    return;
  }
  ScriptPlayer player(script);
  double drawn = 0.0;
  int step = 0;
  for (auto _ : state) {
    const Clock::time_point t0 = Clock::now();
    for (; step < 500 / 60 + 1; ++step) {
      if (player.done(g)) {
        g.app->leaveLevel();
        g.load(level);
        player.restart();
      }
      player.step(g);
    }
    step = 0;
    const Clock::time_point t1 = Clock::now();
    g.app->draw();
    SDL_GL_SwapBuffers();
    glFinish();
    const Clock::time_point t2 = Clock::now();
    state.SetIterationTime(seconds(t2 - t0));
    drawn += seconds(t2 - t1);
  }
  state.counters["fps"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["draw_fps"] = drawn > 0.0 ? double(state.iterations()) / drawn : 0.0;
}

// A closed room of 36 by 14 in solid ground wide enough for the camera, the
// hero on the floor in the middle: 100 enemies heaped round it (all within
// reach, so all of them crawl), 30 props on the floor, and 10 turrets on the
// ceiling firing down every 0.2 s.
LevelFile::LevelRecord stressLevel() {
  LevelFile::LevelRecord L;
  L.width = 80.0f;
  L.height = 50.0f;
  L.start = Vec2(0.0f, -5.5f);
  L.exitA = Vec2(17.0f, -6.0f);
  L.exitB = Vec2(17.0f, -4.0f);
  L.terrain.textureIndex = 0;
  L.terrain.borderTextureIndex = 0;
  L.terrain.textureScale = 0.3f;
  const std::vector<Vec2> room = {Vec2(-18, -7), Vec2(18, -7), Vec2(18, 7), Vec2(-18, 7)};
  L.terrain.polygons.push_back(LevelFile::polygonFromOutline(room, 1));
  for (int i = 0; i < 100; ++i) {
    const float x = -4.5f + float(i % 10);
    const float y = -4.5f + 0.9f * float(i / 10);
    if (std::abs(x) < 1.0f && y < -3.0f) continue;
    L.enemies.push_back({uint32_t(i % 3 == 2 ? 0 : i % 3), Vec2(x, y)});
  }
  for (int i = 0; static_cast<int>(L.enemies.size()) < 100; ++i) {
    L.enemies.push_back({uint32_t(i % 2), Vec2(-6.0f + 12.0f * float(i % 2), 2.0f + 0.9f * float(i / 2))});
  }
  for (int i = 0; i < 30; ++i) {
    const float side = i % 2 == 0 ? -1.0f : 1.0f;
    const uint32_t kind = i < 20 ? uint32_t(i % 2) : 2u;
    const float x = kind == 2 ? side * 12.0f : side * (8.0f + 1.5f * float((i / 2) % 5));
    const float y = kind == 2 ? -6.0f + 0.6f * float(i - 20) : -6.0f + 1.3f * float(i / 10);
    L.props.push_back({kind, Vec2(x, y)});
  }
  for (int i = 0; i < 10; ++i) {
    LevelFile::TurretRecord t;
    t.position = Vec2(-13.5f + 3.0f * float(i), 6.2f);
    t.rotation = -90.0f;
    t.interval = 0.2f;
    t.phase = 0.0f;
    L.turrets.push_back(t);
  }
  return L;
}

// A folder whose data/ links every folder of the build's data but the
// levels, and whose data/levels/ holds the stress level.
bool makeStressRoot() {
  char pattern[] = "/tmp/ombrel-bench-XXXXXX";
  if (mkdtemp(pattern) == nullptr) return false;
  const fs::path root(pattern);
  std::error_code e;
  fs::create_directories(root / "data" / "levels", e);
  for (const auto& entry : fs::directory_iterator(fs::path(gDataRoot) / "data", e)) {
    if (entry.path().filename() != "levels") fs::create_directory_symlink(entry.path(), root / "data" / entry.path().filename(), e);
  }
  std::string why;
  LevelFile::LevelRecord level = stressLevel();
  if (!LevelFile::checkLevel(level, &why)) {
    std::fprintf(stderr, "stress level refused: %s\n", why.c_str());
    return false;
  }
  if (!LevelFile::saveFile((root / "data" / "levels" / "stress.orl").string(), 9999.0f, level)) return false;
  gStressRoot = root.string() + "/";
  return true;
}

ReplayScript standStill(uint32_t steps) {
  ReplayScript s;
  s.maxSteps = steps;
  return s;
}

double median(std::vector<double> v) {
  if (v.empty()) return 0.0;
  std::sort(v.begin(), v.end());
  const size_t n = v.size();
  return n % 2 == 1 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

void printSummary() {
  std::vector<double> means;
  std::string worstLevel;
  double worstMean = 0.0, worstStep = 0.0;
  for (const auto& [level, f] : gStepFigures) {
    if (level == "stress.orl") continue;
    means.push_back(f.meanSeconds);
    if (f.meanSeconds > worstMean) worstMean = f.meanSeconds, worstLevel = level;
    worstStep = std::max(worstStep, f.worstSeconds);
  }
  std::printf("\nstep of play over %zu shipped levels: median %.1f us (%.2f%% of 2 ms), heaviest level %s %.1f us "
              "(%.2f%%), slowest single step %.1f us\n",
              means.size(), median(means) * 1e6, median(means) / kBudgetSeconds * 100.0, worstLevel.c_str(),
              worstMean * 1e6, worstMean / kBudgetSeconds * 100.0, worstStep * 1e6);
  const auto stress = gStepFigures.find("stress.orl");
  if (stress != gStepFigures.end()) {
    std::printf("stress level (100 enemies, 30 props, 10 turrets): %.1f us a step (%.1f%% of 2 ms), worst %.1f us\n",
                stress->second.meanSeconds * 1e6, stress->second.meanSeconds / kBudgetSeconds * 100.0,
                stress->second.worstSeconds * 1e6);
  }
  double slowest = 0.0;
  std::string slowestLevel;
  for (const auto& [level, s] : gLoadSeconds)
    if (s > slowest) slowest = s, slowestLevel = level;
  if (!gLoadSeconds.empty())
    std::printf("level load: slowest %s %.2f ms\n", slowestLevel.c_str(), slowest * 1e3);
}

bool openWindow() {
  if (std::getenv("DISPLAY") == nullptr) {
    std::fprintf(stderr, "game benchmarks: no X display (run under Xvfb)\n");
    return false;
  }
  setenv("SDL_VIDEODRIVER", "x11", 0);
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "game benchmarks: %s\n", SDL_GetError());
    return false;
  }
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  if (SDL_SetVideoMode(kWidth, kHeight, 0, SDL_OPENGL) == nullptr || glewInit() != GLEW_OK) {
    std::fprintf(stderr, "game benchmarks: no OpenGL window: %s\n", SDL_GetError());
    return false;
  }
  Kettar::createTextureManager(1.0f);
  std::printf("OpenGL renderer: %s\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (!openWindow()) return 1;
  if (!makeStressRoot()) return 1;

  for (const levelreplay::LevelReplay& r : levelreplay::replays()) {
    const std::string level = std::string(r.level) + ".orl";
    benchmark::RegisterBenchmark(("LevelLoad/" + std::string(r.level)).c_str(),
                                 [level](benchmark::State& s) { levelLoad(s, level); })
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(20);
  }
  static std::vector<ReplayScript> scripts;
  scripts.reserve(levelreplay::replays().size() + 1);
  for (const levelreplay::LevelReplay& r : levelreplay::replays()) {
    scripts.push_back(levelreplay::scriptOf(r.legs));
    const ReplayScript& script = scripts.back();
    const std::string level = std::string(r.level) + ".orl";
    benchmark::RegisterBenchmark(("PlayStep/" + std::string(r.level)).c_str(),
                                 [level, &script](benchmark::State& s) { playStep(s, level, script, gDataRoot); })
        ->UseManualTime()
        ->Unit(benchmark::kMicrosecond)
        ->Iterations(script.maxSteps);
  }
  scripts.push_back(standStill(10 * 500));
  const ReplayScript& still = scripts.back();
  benchmark::RegisterBenchmark("PlayStep/stress",
                               [&still](benchmark::State& s) { playStep(s, "stress.orl", still, gStressRoot); })
      ->UseManualTime()
      ->Unit(benchmark::kMicrosecond)
      ->Iterations(still.maxSteps);
  for (const char* level : {"tutorial/01-move", "chap-02/06-spiral-of-sorrow"}) {
    for (size_t i = 0; i < levelreplay::replays().size(); ++i) {
      if (std::string(levelreplay::replays()[i].level) != level) continue;
      const ReplayScript& script = scripts[i];
      benchmark::RegisterBenchmark(("PlayFrame800x600/" + std::string(level)).c_str(),
                                   [level, &script](benchmark::State& s) {
                                     playFrame(s, std::string(level) + ".orl", script);
                                   })
          ->UseManualTime()
          ->Unit(benchmark::kMillisecond)
          ->Iterations(300);
    }
  }

  benchmark::RunSpecifiedBenchmarks();
  printSummary();
  benchmark::Shutdown();
  std::error_code e;
  fs::remove_all(gStressRoot, e);
  Kettar::destroyTextureManager();
  SDL_Quit();
  return 0;
}
