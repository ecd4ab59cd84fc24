#include "kettar/texture_manager.h"

#include <GL/glew.h>
#include <GL/glu.h>
#include <SDL.h>

#include <iostream>

#include "kettar/platform/image_file.h"
#include "kettar/texture_file.h"

namespace Kettar {

TextureManager* textureManager = nullptr;

namespace {

bool buildsMipmaps(int32_t mode) { return mode == 2 || mode == 3; }

bool hasPixelUnpackBuffers() { return GLEW_VERSION_2_1 || GLEW_ARB_pixel_buffer_object; }

bool endsWithKtr(const std::string& path) {
  return path.size() >= 3 && path.compare(path.size() - 3, 3, "ktr") == 0;
}

// 32-bit pixels laid out in memory as blue, green, red, alpha whatever the
// display's visual, which is what the upload's GL_BGRA expects.
SDL_Surface* createBgraSurface(int width, int height) {
#if SDL_BYTEORDER == SDL_LIL_ENDIAN
  return SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, 32, 0x00FF0000, 0x0000FF00, 0x000000FF,
                              0xFF000000);
#else
  return SDL_CreateRGBSurface(SDL_SWSURFACE, width, height, 32, 0x0000FF00, 0x00FF0000, 0xFF000000,
                              0x000000FF);
#endif
}

}  // namespace

TextureManager::TextureManager(float anisotropy) : anisotropy_(anisotropy) {}

TextureManager::~TextureManager() {
  for (const TextureEntry& e : entries_) glDeleteTextures(1, &e.id);
  entries_.clear();
}

int32_t TextureManager::load(const std::string& path, int32_t mode) {
  const int32_t cached = idOfPath(path);
  if (cached >= 0) return cached;

  mode_ = mode;
  int32_t width = 0;
  int32_t height = 0;
  std::string why;
  const int32_t id = endsWithKtr(path) ? loadKtr(path, width, height, why)
                                       : loadImage(path, width, height, why);
  if (id < 0) {
    std::cout << "!![TexMan] couldn't load " << path << "; " << why << "\n";
    return -1;
  }
  std::cout << "[TexMan] loaded texture: " << path << "\n";
  entries_.push_back(TextureEntry{path, static_cast<uint32_t>(id), width, height});
  return id;
}

bool TextureManager::fitsTexture(int32_t width, int32_t height, std::string& why) const {
  GLint largest = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
  if (width > largest || height > largest) {
    why = "image size " + std::to_string(width) + "x" + std::to_string(height) +
          " exceeds the largest texture, " + std::to_string(largest);
    return false;
  }
  return true;
}

int32_t TextureManager::loadKtr(const std::string& path, int32_t& width, int32_t& height,
                                std::string& why) {
  TextureFile file;
  if (!readTextureFile(path, file, why) || !fitsTexture(file.width, file.height, why)) return -1;
  width = file.width;
  height = file.height;
  const uint32_t bytes = file.pixelBytes();

  GLuint id = 0;
  glGenTextures(1, &id);
  // GLU builds mipmaps on the CPU from a client pointer, so that road cannot
  // take the pixels from a buffer object.
  if (!hasPixelUnpackBuffers() || (buildsMipmaps(mode_) && !GLEW_VERSION_3_0)) {
    upload(id, file.block.data() + file.block.cursor, width, height, false);
    return static_cast<int32_t>(id);
  }

  GLuint buffer = 0;
  glGenBuffers(1, &buffer);
  glBindBuffer(GL_PIXEL_UNPACK_BUFFER, buffer);
  glBufferData(GL_PIXEL_UNPACK_BUFFER, bytes, nullptr, GL_STATIC_READ);
  void* staged = glMapBuffer(GL_PIXEL_UNPACK_BUFFER, GL_WRITE_ONLY);
  bool ok = staged != nullptr && file.block.read(staged, bytes);
  // A buffer whose store was lost while mapped unmaps with false.
  if (staged != nullptr) ok = glUnmapBuffer(GL_PIXEL_UNPACK_BUFFER) == GL_TRUE && ok;
  if (ok) upload(id, nullptr, width, height, false);
  glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
  glDeleteBuffers(1, &buffer);
  if (!ok) {
    glDeleteTextures(1, &id);
    why = "cannot stage the pixels in a pixel-unpack buffer";
    return -1;
  }
  return static_cast<int32_t>(id);
}

int32_t TextureManager::loadImage(const std::string& path, int32_t& width, int32_t& height,
                                  std::string& why) {
  SDL_Surface* loaded = readImageFile(path);
  if (loaded == nullptr) {
    why = SDL_GetError();
    return -1;
  }
  SDL_Surface* bgra = createBgraSurface(loaded->w, loaded->h);
  SDL_Surface* converted = bgra ? SDL_ConvertSurface(loaded, bgra->format, SDL_SWSURFACE) : nullptr;
  if (bgra) SDL_FreeSurface(bgra);
  int32_t result = -1;
  if (converted == nullptr) {
    why = SDL_GetError();
  } else if (fitsTexture(loaded->w, loaded->h, why)) {
    width = loaded->w;
    height = loaded->h;
    GLuint id = 0;
    glGenTextures(1, &id);
    // Rows of 32-bit pixels carry no padding, so the pitch is width x 4.
    upload(id, converted->pixels, width, height, true);
    result = static_cast<int32_t>(id);
  }
  if (converted) SDL_FreeSurface(converted);
  SDL_FreeSurface(loaded);
  return result;
}

void TextureManager::upload(uint32_t id, const void* pixels, int32_t width, int32_t height,
                            bool bgra) {
  glBindTexture(GL_TEXTURE_2D, id);
  const GLenum format = bgra ? GL_BGRA : GL_RGBA;
  if (buildsMipmaps(mode_) && !GLEW_VERSION_3_0) {
    gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA8, width, height, format, GL_UNSIGNED_BYTE, pixels);
  } else {
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, format, GL_UNSIGNED_BYTE, pixels);
    if (buildsMipmaps(mode_)) glGenerateMipmap(GL_TEXTURE_2D);
  }
  switch (mode_) {
    case 0:
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
      break;
    case 1:
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
      break;
    case 2:
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST_MIPMAP_NEAREST);
      break;
    case 3:
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
      break;
    default:
      glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
      break;
  }
  if (GLEW_EXT_texture_filter_anisotropic)
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, anisotropy_);
}

int TextureManager::indexOfId(int32_t id) const {
  if (id < 0) return -1;
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].id == static_cast<uint32_t>(id)) return static_cast<int>(i);
  }
  return -1;
}

int TextureManager::indexOfPath(const std::string& path) const {
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].path == path) return static_cast<int>(i);
  }
  return -1;
}

int32_t TextureManager::idOfPath(const std::string& path) const {
  const int i = indexOfPath(path);
  return i < 0 ? -1 : static_cast<int32_t>(entries_[i].id);
}

void TextureManager::removePath(const std::string& path) {
  const int i = indexOfPath(path);
  if (i >= 0) entries_.erase(entries_.begin() + i);
}

void TextureManager::removeId(int32_t id) {
  const int i = indexOfId(id);
  if (i >= 0) entries_.erase(entries_.begin() + i);
}

void createTextureManager(float anisotropy) {
  startImageReading();
  textureManager = new TextureManager(anisotropy);
}

void destroyTextureManager() {
  delete textureManager;
  textureManager = nullptr;
  stopImageReading();
}

}  // namespace Kettar
