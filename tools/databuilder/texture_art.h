#pragma once
// Textures of the data directory: menu backgrounds, parallax layers, the terrain
// fills and border strips, and the prop pictures.

#include <string>

namespace databuilder {

// The texture groups write each picture as extension says: ".png" for a PNG image, else
// the framework's own texture file (saveTexture).

// data/textures/mainMenu, chapterMenu, parallax-back-01..06, parallax-front-01..04.
bool buildBackgrounds(const std::string& dataDir, const std::string& extension);
// data/textures/terrain-01..07, border-01..04, aliencrate, barrel, bar.
bool buildSurfaces(const std::string& dataDir, const std::string& extension);

}  // namespace databuilder
