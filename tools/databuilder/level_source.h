#pragma once
// The level compiler: readable level sources (assets/levels/.../NAME.txt) to
// level files, written through the game's own level record layer.
//
// Coordinates are level units with the origin at the level's centre, y up.
// Lines ('#' starts a comment):
//   size W H
//   start X Y
//   exit X1 Y1 X2 Y2
//   parallax back=N front=N [back-repeat=R] [front-repeat=R]   (N: file number, 1-based)
//   terrain texture=N border=N [scale=S] [inverted]             (N: file number, 1-based)
//   polygon                      then one vertex a line: X Y [deadly|nohook]
//   end                          (the word types the edge from that vertex to the next)
//   enemy vaxer|vazer|skarnox X Y
//   prop crate|barrel|bar X Y
//   turret X Y [rotation=DEG] [interval=S] [phase=PERCENT] [flip]
//   decal THEME/KIND/N X Y [scale=S] [rotation=DEG] [flipx] [flipy]
// The terrain is solid where a point lies inside an odd number of contours,
// the level rectangle counting as one; the compiler sets each polygon's border
// band on its solid side.

#include <string>

#include "game/level_file.h"

namespace databuilder {

// Parses and checks a source; false with "file:line: reason" in why.
bool parseLevel(const std::string& text, const std::string& fileName, LevelFile::LevelRecord& level,
                std::string& why);

// Reads the source and writes the level file (best time 9999); messages on failure.
bool compileLevel(const std::string& sourcePath, const std::string& outputPath);

}  // namespace databuilder
