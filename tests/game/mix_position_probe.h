#pragma once
// What the game asks SDL_mixer to place its sounds at: the test program
// defines Mix_SetPosition itself, records each call and passes it on to
// SDL_mixer's own, so the sounds play as they would.

#include <cstdint>
#include <vector>

namespace mix_probe {

struct Placement {
  int channel;
  int16_t angle;     // degrees, 0 ahead, 90 right
  uint8_t distance;  // 1 nearest .. 255 farthest (0 clears the placement)
};

// Every call since the last clear, in order.
const std::vector<Placement>& placements();
void clearPlacements();

}  // namespace mix_probe
