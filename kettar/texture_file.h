#pragma once
// The framework's own texture file (.ktr): one compressed block holding
// i32 width, i32 height and width x height RGBA pixels, top row first.
// Reading it is plain code over the byte buffer; the upload is the texture
// manager's separate step.

#include <cstdint>
#include <istream>
#include <string>

#include "kettar/byte_buffer.h"

namespace Kettar {

struct TextureFile {
  int32_t width = 0;   // pixels, > 0 once read
  int32_t height = 0;  // pixels, > 0 once read
  // The inflated block; after a successful read its cursor is on the first
  // pixel and exactly pixelBytes() bytes remain.
  ByteBuffer block;

  uint32_t pixelBytes() const {
    return static_cast<uint32_t>(width) * static_cast<uint32_t>(height) * 4u;
  }
};

// Reads one texture file from the stream's position. On failure why says what
// is wrong with the file and the record is not to be used.
bool readTextureFile(std::istream& in, TextureFile& file, std::string& why);
bool readTextureFile(const std::string& path, TextureFile& file, std::string& why);

}  // namespace Kettar
