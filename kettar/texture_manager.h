#pragma once
// Turns image files into OpenGL textures and keeps one texture per path for
// the whole run: loading a path again gives the id of the first load.

#include <cstdint>
#include <deque>
#include <string>

namespace Kettar {

struct TextureFile;

struct TextureEntry {
  std::string path;    // exactly as the caller passed it; the cache key
  uint32_t id = 0;     // OpenGL texture name, owned by the manager
  int32_t width = 0;   // pixels
  int32_t height = 0;
};

class TextureManager {
 public:
  explicit TextureManager(float anisotropy);
  ~TextureManager();
  TextureManager(const TextureManager&) = delete;
  TextureManager& operator=(const TextureManager&) = delete;

  // The texture of a file (.ktr by its last three characters, else any image
  // the platform reads: kettar/platform/image_file.h), uploaded with filter mode 0 nearest, 1 linear,
  // 2 nearest-mipmap, 3 trilinear, other nearest. -1 when it cannot be loaded.
  int32_t load(const std::string& path, int32_t mode);

  // Indices in load order and ids of cached entries; -1 when none.
  int indexOfId(int32_t id) const;
  int indexOfPath(const std::string& path) const;
  int32_t idOfPath(const std::string& path) const;
  // Forget the first entry with that path or id; the texture itself stays.
  void removePath(const std::string& path);
  void removeId(int32_t id);

  const std::deque<TextureEntry>& entries() const { return entries_; }
  int32_t mode() const { return mode_; }

 private:
  // The id of an uploaded own texture file, or -1 with why set.
  int32_t loadKtr(const std::string& path, int32_t& width, int32_t& height, std::string& why);
  int32_t loadImage(const std::string& path, int32_t& width, int32_t& height, std::string& why);
  // Fills texture id from pixels (or from the bound pixel-unpack buffer when
  // null) with the current mode's filters.
  void upload(uint32_t id, const void* pixels, int32_t width, int32_t height, bool bgra);
  bool fitsTexture(int32_t width, int32_t height, std::string& why) const;

  std::deque<TextureEntry> entries_;  // load order; index 0 is the first load
  float anisotropy_;                  // maximum anisotropy of every upload
  int32_t mode_ = 1;                  // mode of the last load that was not cached
};

// The process-wide manager; null outside createTextureManager .. destroyTextureManager.
extern TextureManager* textureManager;

void createTextureManager(float anisotropy);
// Deletes every texture handed out; ends image reading also without a manager.
void destroyTextureManager();

}  // namespace Kettar
