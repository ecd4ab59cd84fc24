#pragma once
// Textures of the data directory: menu backgrounds, parallax layers, the terrain
// fills and border strips, and the prop pictures.

#include <string>

namespace databuilder {

// data/textures/mainMenu.ktr, chapterMenu.ktr, parallax-back-01..06, parallax-front-01..04.
bool buildBackgrounds(const std::string& dataDir);
// data/textures/terrain-01..07, border-01..04, aliencrate, barrel, bar.
bool buildSurfaces(const std::string& dataDir);

}  // namespace databuilder
