#include "game/replay.h"

#include <SDL/SDL.h>

#include <cstdlib>

#include "game/hero.h"
#include "game/level.h"
#include "game/ombrel.h"
#include "game/version.h"
#include "kettar/callback_interface.h"
#include "kettar/mouse_state.h"
#include "kettar/particle_system.h"
#include "kettar/simulated_clock.h"

namespace {

ReplaySample sampleOf(const Ombrel& game, uint32_t step) {
  ReplaySample s;
  s.step = step;
  if (game.hero != nullptr) {
    s.centre = game.hero->centre();
    s.health = game.hero->health();
    s.onGround = game.hero->onGround();
    s.hooked = game.hero->grapple() != nullptr && game.hero->grapple()->hooked();
  }
  if (Level::current != nullptr) s.enemies = Level::current->enemies.count;
  return s;
}

bool validKey(int32_t key) { return key >= 0 && key < Kettar::kKeyCount; }

}  // namespace

ReplayResult replayLevel(const std::string& dataRoot, const std::string& levelFile,
                         const ReplayScript& script, uint32_t sampleEvery) {
  ReplayResult result;
  Kettar::SimulatedClock clock;
  std::srand(script.seed);

  Ombrel game(kGameTitle);
  game.dataRoot = dataRoot;
  game.forceConfig();
  game.sceneCamera = Ombrel::makeCamera();
  const float dt = 1.0f / static_cast<float>(game.appConfig.pps);

  game.loadLevel(levelFile);
  if (game.screen != Ombrel::Screen::kPlay) return result;

  uint8_t keys[Kettar::kKeyCount] = {};
  Kettar::MouseState mouse{};
  result.end = ReplayEnd::kTimedOut;
  for (uint32_t step = 0; step < script.maxSteps; ++step) {
    for (uint8_t& k : keys) k = 0;
    for (const ReplayHold& h : script.holds) {
      if (validKey(h.key) && step >= h.from && step < h.to) keys[h.key] = 1;
    }
    // Presses come through the event pump between steps: the key goes down,
    // the game hears it, then it goes up again unless it is also held.
    for (const ReplayPress& p : script.presses) {
      if (p.step != step || !validKey(p.key)) continue;
      const uint8_t held = keys[p.key];
      keys[p.key] = 1;
      game.keyEvent(keys, p.key);
      keys[p.key] = held;
      game.keyEvent(keys, p.key);
    }
    if (game.screen == Ombrel::Screen::kPause) {
      result.end = ReplayEnd::kPaused;
      break;
    }

    const bool aliveBefore = game.heroHealth() > 0.0f;
    game.step(keys, &mouse, dt);
    clock.advance(dt);
    ++result.steps;
    if (aliveBefore && game.heroHealth() <= 0.0f) result.deathStep = step;
    if (sampleEvery != 0 && step % sampleEvery == 0) result.samples.push_back(sampleOf(game, step));

    if (game.screen == Ombrel::Screen::kEnd) {
      result.end = game.heroHealth() > 0.0f ? ReplayEnd::kFinished : ReplayEnd::kDied;
      break;
    }
  }

  result.keptTime = game.keptTime();
  result.levelTime = game.levelTime();
  result.heroCentre = game.hero->centre();
  result.heroHealth = game.hero->health();
  result.samples.push_back(sampleOf(game, result.steps == 0 ? 0 : result.steps - 1));
  game.leaveLevel();
  Kettar::clearParticles();
  return result;
}

int32_t replayKeyOf(char c) {
  switch (c) {
    case 'R': return SDLK_RIGHT;
    case 'L': return SDLK_LEFT;
    case 'U': return SDLK_UP;
    case 'D': return SDLK_DOWN;
    case 'C': return SDLK_c;
    case 'z': return SDLK_z;
    case 'x': return SDLK_x;
    default: return -1;
  }
}
