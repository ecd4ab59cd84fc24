// databuilder GROUP ARGS...: makes one group of the game's data directory.
//   backgrounds DATA EXT | surfaces DATA EXT | sprites DATA EXT | decals THEME DATA EXT
//   sounds DATA | music TRACK DATA | skeleton SOURCE OUTPUT | level SOURCE OUTPUT
// EXT is the texture files' extension: .ktr for the framework's own files, .png for
// PNG images.
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
  std::cerr << "usage: databuilder backgrounds|surfaces|sprites DATA .ktr|.png\n"
               "       databuilder decals THEME DATA .ktr|.png\n"
               "       databuilder sounds DATA | music TRACK DATA\n"
               "       databuilder skeleton|level SOURCE OUTPUT\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return usage();
  const std::string& group = args[0];
  bool ok = false;
  const bool textureExtension = args.back() == ".ktr" || args.back() == ".png";
  if (args.size() == 3 && textureExtension && group == "backgrounds") {
    ok = databuilder::buildBackgrounds(args[1], args[2]);
  } else if (args.size() == 3 && textureExtension && group == "surfaces") {
    ok = databuilder::buildSurfaces(args[1], args[2]);
  } else if (args.size() == 3 && textureExtension && group == "sprites") {
    ok = databuilder::buildSprites(args[1], args[2]);
  } else if (args.size() == 4 && textureExtension && group == "decals") {
    ok = databuilder::buildDecals(args[1], args[2], args[3]);
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
