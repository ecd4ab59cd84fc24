#include "data_paths.h"

#include <SDL_image.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "kettar/platform/texture_extension.h"
#include "kettar/texture_file.h"

namespace datatest {

namespace {

std::vector<std::string> numbered(const std::string& prefix, int count, const std::string& suffix) {
  std::vector<std::string> out;
  for (int i = 1; i <= count; ++i) {
    char n[8];
    std::snprintf(n, sizeof n, "%02d", i);
    out.push_back(prefix + n + suffix);
  }
  return out;
}

void append(std::vector<std::string>& to, const std::vector<std::string>& more) {
  to.insert(to.end(), more.begin(), more.end());
}

}  // namespace

std::string dataDir() { return std::string(OMBREL_BUILD_DIR) + "/data/"; }

std::vector<std::string> texturePaths() {
  std::vector<std::string> p;
  for (const char* name : {"mainMenu", "chapterMenu", "aliencrate", "barrel", "bar"})
    p.push_back(std::string("data/textures/") + name + KETTAR_TEXTURE_EXTENSION);
  append(p, numbered("data/textures/parallax-back-", 6, KETTAR_TEXTURE_EXTENSION));
  append(p, numbered("data/textures/parallax-front-", 4, KETTAR_TEXTURE_EXTENSION));
  append(p, numbered("data/textures/terrain-", 7, KETTAR_TEXTURE_EXTENSION));
  append(p, numbered("data/textures/border-", 4, KETTAR_TEXTURE_EXTENSION));
  return p;
}

std::vector<std::string> spritePaths() {
  std::vector<std::string> p;
  for (const char* name : {"body", "arm", "wheel", "vaxer", "vazer", "skarnox", "gorvex-idle", "gorvex-shoot"})
    p.push_back(std::string("data/sprites/") + name + KETTAR_TEXTURE_EXTENSION);
  return p;
}

std::vector<std::string> decalPaths() {
  std::vector<std::string> p;
  for (const char* theme : {"techno", "fire", "ice", "moss", "space", "timezone"})
    for (const char* kind : {"vegs", "buildings", "rocks", "objects", "misc"})
      append(p, numbered(std::string("data/decals/") + theme + "/" + kind + "/decal-", 16, KETTAR_TEXTURE_EXTENSION));
  return p;
}

std::vector<std::string> soundPaths() {
  std::vector<std::string> p;
  for (const char* group : {"salto", "tocco", "lancio", "aggancio", "sgancio"})
    append(p, numbered(std::string("data/audio/sounds/") + group + "/", 7, ".wav"));
  for (const char* name : {"wheel", "death", "braindeath", "laser", "menu/select", "menu/enter", "menu/back"})
    p.push_back(std::string("data/audio/sounds/") + name + ".wav");
  return p;
}

std::vector<std::string> musicPaths() {
  std::vector<std::string> p = {"data/audio/music/menu.ogg"};
  append(p, numbered("data/audio/music/song-", 6, ".ogg"));
  return p;
}

std::vector<std::string> levelPaths() {
  return {"tutorial/01-move.orl",         "tutorial/02-jump.orl",
          "tutorial/03-jump-or-die.orl",  "tutorial/04-shoot.orl",
          "tutorial/05-aim-better.orl",   "tutorial/06-move-the-box.orl",
          "tutorial/07-swing.orl",        "tutorial/08-shoot-release.orl",
          "tutorial/09-vazars.orl",       "tutorial/10-training-room.orl",
          "chap-01/01-secret-exit.orl",   "chap-01/02-diagonal-climb.orl",
          "chap-01/03-vertical-climb.orl", "chap-01/04-platforms.orl",
          "chap-01/05-v-room.orl",        "chap-01/06-dangerous-fall.orl",
          "chap-01/07-ghost-city.orl",    "chap-01/08-to-the-moon-and-back.orl",
          "chap-01/09-it-shoots-at-you.orl", "chap-01/10-to-the-inner-planet.orl",
          "chap-02/01-moss-tower.orl",    "chap-02/02-blob-hell.orl",
          "chap-02/03-bowels.orl",        "chap-02/04-icy-ascent.orl",
          "chap-02/05-the-city.orl",      "chap-02/06-spiral-of-sorrow.orl"};
}

std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream all;
  all << in.rdbuf();
  return all.str();
}

namespace {

// An image through SDL_image, as the texture manager reads the files that are not its own.
bool readImage(const std::string& path, Texture& texture, std::string& why) {
  SDL_Surface* image = IMG_Load(path.c_str());
  if (image == nullptr) {
    why = IMG_GetError();
    return false;
  }
  texture.width = image->w;
  texture.height = image->h;
  texture.rgba.clear();
  SDL_LockSurface(image);
  const int bytes = image->format->BytesPerPixel;
  for (int y = 0; y < image->h; ++y) {
    for (int x = 0; x < image->w; ++x) {
      const uint8_t* at = static_cast<const uint8_t*>(image->pixels) + y * image->pitch + x * bytes;
      uint32_t pixel = 0;
      std::memcpy(&pixel, at, size_t(bytes));
      uint8_t r, g, b, a;
      SDL_GetRGBA(pixel, image->format, &r, &g, &b, &a);
      texture.rgba.insert(texture.rgba.end(), {r, g, b, a});
    }
  }
  SDL_UnlockSurface(image);
  SDL_FreeSurface(image);
  return true;
}

}  // namespace

bool readTexture(const std::string& path, Texture& texture, std::string& why) {
  const std::string png = ".png";
  if (path.size() >= png.size() && path.compare(path.size() - png.size(), png.size(), png) == 0)
    return readImage(path, texture, why);
  Kettar::TextureFile file;
  if (!Kettar::readTextureFile(path, file, why)) return false;
  texture.width = file.width;
  texture.height = file.height;
  texture.rgba.resize(file.pixelBytes());
  return file.block.read(texture.rgba.data(), file.pixelBytes());
}

}  // namespace datatest
