#include "mix_position_probe.h"

#include <SDL_mixer.h>
#include <dlfcn.h>

namespace mix_probe {

namespace {

std::vector<Placement>& recorded() {
  static std::vector<Placement> calls;
  return calls;
}

}  // namespace

const std::vector<Placement>& placements() { return recorded(); }

void clearPlacements() { recorded().clear(); }

}  // namespace mix_probe

// Found before the library's by the program's link; the library's is the next one.
extern "C" int Mix_SetPosition(int channel, Sint16 angle, Uint8 distance) {
  mix_probe::recorded().push_back({channel, angle, distance});
  using SetPosition = int (*)(int, Sint16, Uint8);
  static const SetPosition library =
      reinterpret_cast<SetPosition>(dlsym(RTLD_NEXT, "Mix_SetPosition"));
  return library != nullptr ? library(channel, angle, distance) : 0;
}
