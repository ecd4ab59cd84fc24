// databuilder GROUP ARGS...: makes one group of the game's data directory.
//   backgrounds DATA | surfaces DATA | sprites DATA | decals THEME DATA | sounds DATA
//   music TRACK DATA | skeleton SOURCE OUTPUT | level SOURCE OUTPUT
// Exits 0 when every file of the group was written, 1 otherwise (with messages), 2 for
// arguments it does not know.

#include <iostream>
#include <string>
#include <vector>

#include "tools/databuilder/decal_art.h"
#include "tools/databuilder/level_source.h"
#include "tools/databuilder/music_art.h"
#include "tools/databuilder/skeleton_source.h"
#include "tools/databuilder/sound_art.h"
#include "tools/databuilder/sprite_art.h"
#include "tools/databuilder/texture_art.h"

namespace {

int usage() {
  std::cerr << "usage: databuilder backgrounds|surfaces|sprites|sounds DATA\n"
               "       databuilder decals THEME DATA | music TRACK DATA\n"
               "       databuilder skeleton|level SOURCE OUTPUT\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return usage();
  const std::string& group = args[0];
  bool ok = false;
  if (args.size() == 2 && group == "backgrounds") {
    ok = databuilder::buildBackgrounds(args[1]);
  } else if (args.size() == 2 && group == "surfaces") {
    ok = databuilder::buildSurfaces(args[1]);
  } else if (args.size() == 2 && group == "sprites") {
    ok = databuilder::buildSprites(args[1]);
  } else if (args.size() == 3 && group == "decals") {
    ok = databuilder::buildDecals(args[1], args[2]);
  } else if (args.size() == 2 && group == "sounds") {
    ok = databuilder::buildSounds(args[1]);
  } else if (args.size() == 3 && group == "music") {
    ok = databuilder::buildMusic(args[1], args[2]);
  } else if (args.size() == 3 && group == "skeleton") {
    ok = databuilder::compileSkeleton(args[1], args[2]);
  } else if (args.size() == 3 && group == "level") {
    ok = databuilder::compileLevel(args[1], args[2]);
  } else {
    return usage();
  }
  return ok ? 0 : 1;
}
