#pragma once
// Every file the game loads from its data directory, by the paths it uses, and
// small readers for checking what the data builder wrote there.

#include <cstdint>
#include <string>
#include <vector>

namespace datatest {

// <build>/data/
std::string dataDir();

// Texture paths end in the build's texture extension (KETTAR_TEXTURE_EXTENSION).
std::vector<std::string> texturePaths();  // data/textures/... (menus, parallax, ground, props)
std::vector<std::string> spritePaths();   // data/sprites/...
std::vector<std::string> decalPaths();    // the 480 catalogue entries, in index order
std::vector<std::string> soundPaths();    // data/audio/sounds/...
std::vector<std::string> musicPaths();    // data/audio/music/...
std::vector<std::string> levelPaths();    // data/levels/... the 26 the menu offers

// A texture's pixels: a PNG image read through SDL_image, any other file with the
// framework's own texture file reader.
struct Texture {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> rgba;  // rows from the top row down
  uint8_t alpha(int x, int y) const { return rgba[(size_t(y) * size_t(width) + size_t(x)) * 4 + 3]; }
};
// False, with the reader's reason in why, for a file the game would refuse.
bool readTexture(const std::string& path, Texture& texture, std::string& why);

std::string readBytes(const std::string& path);

}  // namespace datatest
