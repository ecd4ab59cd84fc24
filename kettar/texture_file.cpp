#include "kettar/texture_file.h"

#include <fstream>

namespace Kettar {

bool readTextureFile(std::istream& in, TextureFile& file, std::string& why) {
  file.width = 0;
  file.height = 0;
  if (!file.block.loadCompressed(in)) {
    why = "damaged or truncated compressed block";
    return false;
  }
  int32_t width = 0;
  int32_t height = 0;
  if (!file.block.get(width) || !file.block.get(height)) {
    why = "block too short for the image size";
    return false;
  }
  if (width <= 0 || height <= 0) {
    why = "bad image size " + std::to_string(width) + "x" + std::to_string(height);
    return false;
  }
  // In 64 bits: a lying size must not wrap into a small product.
  const uint64_t bytes = uint64_t(width) * uint64_t(height) * 4u;
  if (bytes != file.block.remaining()) {
    why = "image size " + std::to_string(width) + "x" + std::to_string(height) + " needs " +
          std::to_string(bytes) + " bytes of pixels, the file holds " +
          std::to_string(file.block.remaining());
    return false;
  }
  file.width = width;
  file.height = height;
  return true;
}

bool readTextureFile(const std::string& path, TextureFile& file, std::string& why) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    why = "cannot open file";
    return false;
  }
  return readTextureFile(in, file, why);
}

}  // namespace Kettar
