// Physics step cost in the situations a level puts the library in, against the
// 2 ms budget of one 500 Hz step: "budget_share" is step time / 2 ms (printed
// with SI prefixes: 1.3m is 0.0013 of the budget).

#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>
#include <vector>

#include "ferrox/contact_pair.h"
#include "ferrox/grid.h"
#include "ferrox/quark.h"
#include "ferrox/skeleton.h"

namespace {

using ferrox::kFixed;
using ferrox::kStiff;
using ferrox::Skeleton;

constexpr float kDt = 0.002f;

struct Scene {
  std::unique_ptr<Skeleton> terrain;
  std::vector<std::unique_ptr<Skeleton>> bodies;

  // One game step: contacts cleared, every moving body leaves the grid, steps
  // (re-entering link by link) and the gathered pairs are resolved.
  void step() {
    ferrox::clearContacts();
    for (auto& b : bodies) b->leaveGrid(false);
    for (auto& b : bodies) b->step(kDt);
    ferrox::resolveContacts();
  }
  // Bodies go before the world they stand in.
  ~Scene() {
    bodies.clear();
    terrain.reset();
    ferrox::destroyWorld();
  }
};

// Fixed edges of one unit along a polyline, as terrain polygons are made.
void addTerrainPath(Skeleton& terrain, const std::vector<Vec2>& corners) {
  for (size_t c = 0; c + 1 < corners.size(); ++c) {
    const Vec2 from = corners[c], to = corners[c + 1];
    const int pieces = std::max(1, static_cast<int>(std::lround((to - from).length())));
    const uint32_t first = terrain.quarks.count;
    for (int i = 0; i <= pieces; ++i) {
      terrain.addQuark(kFixed, from + (to - from) * (static_cast<float>(i) / pieces), 1.0f, 0.0f);
    }
    for (int i = 0; i < pieces; ++i) {
      terrain.addLink(kFixed, first + i, first + i + 1, 0.0f, 0.0f, 0.05f, 0.5f);
    }
  }
}

// A wheel-like soft body: a ring of Verlet quarks round a centre quark, the ring
// links its surface and squishy internal spokes.
std::unique_ptr<Skeleton> makeBall(Vec2 centre, float radius, int ringQuarks, bool canSleep) {
  auto body = std::make_unique<Skeleton>(canSleep);
  const float mass = 1.0f / static_cast<float>(ringQuarks + 1);
  body->addQuark(kStiff, centre, mass, 0.02f);
  for (int i = 0; i < ringQuarks; ++i) {
    const float a = 6.2831853f * static_cast<float>(i) / static_cast<float>(ringQuarks);
    body->addQuark(kStiff, centre + Vec2(std::cos(a), std::sin(a)) * radius, mass, 0.02f);
  }
  for (int i = 0; i < ringQuarks; ++i) {
    const uint32_t q = 1 + i, next = 1 + (i + 1) % ringQuarks;
    body->addLink(kStiff, q, next, 0.0f, 0.0f, 0.03f, 0.5f);
    body->addInternalLink(kStiff, 0, q, 0.5f, 0.0f);
  }
  return body;
}

void reportBudget(benchmark::State& state) {
  state.counters["steps_per_s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["budget_share"] = benchmark::Counter(
      static_cast<double>(state.iterations()) * kDt,
      benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Runs one step per iteration, building the scene anew (untimed) every
// `period` steps so the measure keeps covering the same stretch of simulation.
template <typename Build>
void runScene(benchmark::State& state, int period, Build build) {
  std::unique_ptr<Scene> scene;
  int steps = period;
  for (auto _ : state) {
    if (steps == period) {
      state.PauseTiming();
      scene.reset();
      scene = build();
      steps = 0;
      state.ResumeTiming();
    }
    scene->step();
    ++steps;
  }
  scene.reset();
  reportBudget(state);
}

// (a) A hero-sized body (one unit tall, 16 ring quarks, never sleeping) on a
// floor; built already resting so only the resting contact is measured.
void BM_HeroResting(benchmark::State& state) {
  runScene(state, 5000, [] {
    ferrox::createWorld(40, 20, 0.2f);
    auto scene = std::make_unique<Scene>();
    scene->terrain = std::make_unique<Skeleton>(false);
    addTerrainPath(*scene->terrain, {Vec2(-18.0f, -5.0f), Vec2(18.0f, -5.0f)});
    scene->bodies.push_back(makeBall(Vec2(0.0f, -5.0f + 0.05f + 0.03f + 0.5f), 0.5f, 16, false));
    for (int i = 0; i < 500; ++i) scene->step();  // settle
    return scene;
  });
}
BENCHMARK(BM_HeroResting);

// (b) 50 bodies dropped into a 60 x 40 terrain box, falling and piling up:
// 3 s of simulation from the drop, again and again.
void BM_FiftyBodiesPiling(benchmark::State& state) {
  runScene(state, 1500, [] {
    ferrox::createWorld(60, 40, 0.2f);
    auto scene = std::make_unique<Scene>();
    scene->terrain = std::make_unique<Skeleton>(false);
    addTerrainPath(*scene->terrain, {Vec2(-28.0f, 18.0f), Vec2(-28.0f, -18.0f),
                                     Vec2(-6.0f, -18.0f), Vec2(6.0f, -18.0f),
                                     Vec2(28.0f, -18.0f), Vec2(28.0f, 18.0f)});
    // A funnel onto the middle of the floor so the bodies pile on each other.
    addTerrainPath(*scene->terrain, {Vec2(-10.0f, -4.0f), Vec2(-2.0f, -12.0f)});
    addTerrainPath(*scene->terrain, {Vec2(10.0f, -4.0f), Vec2(2.0f, -12.0f)});
    for (int row = 0; row < 5; ++row) {
      for (int col = 0; col < 10; ++col) {
        const Vec2 at(-6.75f + 1.5f * col + 0.3f * (row % 2), -2.0f + 1.5f * row);
        scene->bodies.push_back(makeBall(at, 0.3f, 8, true));
      }
    }
    return scene;
  });
}
BENCHMARK(BM_FiftyBodiesPiling);

// (c) A 40-quark rope fixed at one end, let go level so it swings down.
void BM_RopeSwinging(benchmark::State& state) {
  runScene(state, 2500, [] {
    ferrox::createWorld(40, 20, 0.2f);
    auto scene = std::make_unique<Scene>();
    auto rope = std::make_unique<Skeleton>(false);
    rope->addQuark(kFixed, Vec2(-2.0f, 5.0f), 1.0f, 0.0f);
    for (int i = 1; i < 40; ++i) rope->addQuark(kStiff, Vec2(-2.0f + 0.1f * i, 5.0f), 0.05f, 0.01f);
    for (uint32_t i = 0; i + 1 < 40; ++i) rope->addLink(kStiff, i, i + 1, 0.0f, 0.0f, 0.03f, 0.2f);
    scene->bodies.push_back(std::move(rope));
    return scene;
  });
}
BENCHMARK(BM_RopeSwinging);

// (d) Building the grid of a level: 40 x 20 and 200 x 100 units at 0.2.
void BM_CreateWorld(benchmark::State& state) {
  const int32_t w = static_cast<int32_t>(state.range(0)), h = static_cast<int32_t>(state.range(1));
  for (auto _ : state) {
    ferrox::createWorld(w, h, 0.2f);
    benchmark::DoNotOptimize(ferrox::world);
    state.PauseTiming();
    ferrox::destroyWorld();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_CreateWorld)->Args({40, 20})->Args({200, 100})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
