#pragma once
// Plays a level from a script of keys, without a window, an engine or audio:
// the game's own load and step of play on simulated time (every stopwatch of
// the game and the death timer read it), one physics period a step, so the
// same script gives the same result on every run.

#include <cstdint>
#include <string>
#include <vector>

#include "ferrox/vec2.h"

// A key held on the steps from .. to - 1 (an arrow key or C).
struct ReplayHold {
  uint32_t from = 0;
  uint32_t to = 0;
  int32_t key = 0;
};

// A key pressed and released just before the step (z jumps, x shoots, Esc pauses).
struct ReplayPress {
  uint32_t step = 0;
  int32_t key = 0;
};

struct ReplayScript {
  std::vector<ReplayHold> holds;
  std::vector<ReplayPress> presses;
  uint32_t maxSteps = 60 * 500;  // a minute of play
  unsigned seed = 1;             // rand's seed: the first song, the pieces at death
};

enum class ReplayEnd {
  kNotLoaded,  // the level or the hero could not be built
  kFinished,   // the hero reached the exit
  kDied,       // the end screen came after the hero's death
  kPaused,     // Esc opened the pause screen
  kTimedOut,   // maxSteps were stepped without an end
};

// A look at the hero after a step.
struct ReplaySample {
  uint32_t step = 0;
  Vec2 centre;
  float health = 0.0f;
  bool onGround = false;
  bool hooked = false;      // the hero's rope holds
  uint32_t enemies = 0;     // live enemies in the level
};

struct ReplayResult {
  ReplayEnd end = ReplayEnd::kNotLoaded;
  uint32_t steps = 0;       // steps of play made
  float keptTime = 0.0f;    // the level clock at the exit (kFinished)
  double levelTime = 0.0;   // the level clock when the replay ended
  uint32_t deathStep = 0;   // the step in which the hero died; 0 when it lives
  Vec2 heroCentre;          // after the last step
  float heroHealth = 0.0f;
  std::vector<ReplaySample> samples;  // every sampleEvery steps and after the last
};

// Loads the level (a file name below dataRoot + "data/levels/") and steps it
// under the script. The process's level, world and clock source are used and
// left as they were found (no level, no world, the previous clock source).
// sampleEvery 0 keeps only the last sample.
ReplayResult replayLevel(const std::string& dataRoot, const std::string& levelFile,
                         const ReplayScript& script, uint32_t sampleEvery = 0);

// The key of a letter in the written notation of replays (R L U D the arrows,
// C free aim, z jump, x shoot); -1 for any other letter.
int32_t replayKeyOf(char letter);
