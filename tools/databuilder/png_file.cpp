#include "tools/databuilder/png_file.h"

#include <png.h>

#include <iostream>

namespace databuilder {

bool writePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGBA;
  if (!png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), 0, nullptr)) {
    std::cerr << "databuilder: cannot write " << path << ": " << image.message << "\n";
    return false;
  }
  return true;
}

}  // namespace databuilder
