// The game's entry point: one application object, never freed, whose run is the program.

#include "game/ombrel.h"
#include "game/version.h"

int main(int, char**) {
  Ombrel* game = new Ombrel(kGameTitle);
  return game->run();
}
