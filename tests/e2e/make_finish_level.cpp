// Writes a copy of a level whose exit lies across the hero's start, so that the
// level ends the moment it starts: make_finish_level IN.orl OUT.orl. The end
// screen's key press then writes a best time without any driving.
#include <cstdio>
#include <string>

#include "game/level_file.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_finish_level IN.orl OUT.orl\n");
    return 2;
  }
  LevelFile::LevelRecord level;
  float bestTime = 0.0f;
  bool headerRead = false;
  std::string why;
  if (!LevelFile::readFile(argv[1], level, bestTime, headerRead, &why)) {
    std::fprintf(stderr, "%s: %s\n", argv[1], why.c_str());
    return 1;
  }
  level.exitA = level.start + Vec2(-2.0f, 0.0f);
  level.exitB = level.start + Vec2(2.0f, 0.0f);
  return LevelFile::saveFile(argv[2], LevelFile::kNoBestTime, level) ? 0 : 1;
}
