#pragma once
// The way through every level the menu offers, as replays of keys: the level
// tests play them to the exit and the benchmarks play them to time the game.
//
// Each replay's legs are what tools/replaywriter prints for the level's way,
// tests/levels/ways/<level>.txt (written with conditions: "until the hero
// passes x = 12, then jump"), with the last leg a second or so longer. The
// legs are exact step counts over soft bodies, so a change to the physics, the
// hero or the objects can move where a leg ends: run the writer on the way
// again. A way that finishes only at one exact step proves little, so the
// ways start each jump, shot or run that matters from a state the hero
// reaches whatever came before (at rest against a wall, at full drive), and
// the replays are checked with every key change a little early or late.

#include <string>
#include <vector>

#include "game/replay.h"

namespace levelreplay {

constexpr double kStepsPerSecond = 500.0;

// One leg of a replay: the keys held for a while (letters R L U D C for
// Right, Left, Up, Down and the free-aim key; "" for none), and the keys
// pressed as the leg starts (z jumps, x fires or lets go of the rope).
struct Leg {
  const char* held;
  double seconds;
  const char* pressed;
};

struct LevelReplay {
  const char* level;  // below data/levels/, without ".orl"
  std::vector<Leg> legs;
};

// How early or late any one key change of a replay may come, and it still finishes.
constexpr double kKeySlip = 0.02;

// The legs one after another; the run ends with the last leg. Letters that
// name no key are left out.
ReplayScript scriptOf(const std::vector<Leg>& legs);

// The 26 levels the menu offers, in its order (below data/levels/, without ".orl").
const std::vector<std::string>& menuLevels();

// A replay that finishes it for every level that has one, in menu order.
const std::vector<LevelReplay>& replays();

}  // namespace levelreplay
