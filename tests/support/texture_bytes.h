#pragma once
// The bytes of small texture files that tests write where the code under test reads
// them: the framework's own texture file, a PNG image, and the form the game names.

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "kettar/byte_buffer.h"
#include "kettar/platform/texture_extension.h"

namespace test_support {

// A compressed block of arbitrary raw content.
inline std::string blockBytes(const std::string& raw) {
  Kettar::ByteBuffer b;
  b.append(raw.data(), static_cast<uint32_t>(raw.size()));
  std::ostringstream out;
  b.saveCompressed(out);
  return out.str();
}

// A texture file block: i32 width, i32 height, then the given pixel bytes.
inline std::string ktrBytes(int32_t width, int32_t height, const std::vector<uint8_t>& pixels) {
  std::string raw(8, '\0');
  std::memcpy(&raw[0], &width, 4);
  std::memcpy(&raw[4], &height, 4);
  raw.append(reinterpret_cast<const char*>(pixels.data()), pixels.size());
  return blockBytes(raw);
}

// A block whose sizes claim a raw size of 4 GiB less the load slack (the most a buffer can
// hold) over 4,200,000 packed bytes, enough for deflate to have made it; the packed bytes are
// zeros, no zlib data. A reader must ask for the 4 GiB before it can find that out.
inline std::string fourGiBClaim() {
  constexpr uint32_t kPacked = 4200000;
  const uint32_t raw = UINT32_MAX - Kettar::ByteBuffer::kLoadSlack;
  std::string block(8 + kPacked, '\0');
  std::memcpy(&block[0], &kPacked, 4);
  std::memcpy(&block[4], &raw, 4);
  return block;
}

namespace detail {

inline void putBe32(std::string& s, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) s.push_back(static_cast<char>((v >> shift) & 0xFF));
}

inline void pngChunk(std::string& png, const char* type, const std::string& data) {
  putBe32(png, static_cast<uint32_t>(data.size()));
  std::string body = std::string(type, 4) + data;
  png += body;
  putBe32(png, static_cast<uint32_t>(
                   crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()))));
}

}  // namespace detail

// An 8-bit RGBA (or RGB when alpha is false) PNG of width x height pixels, rows from the top.
inline std::string pngBytes(int width, int height, const std::vector<uint8_t>& pixels, bool alpha) {
  const int channels = alpha ? 4 : 3;
  std::string rows;
  for (int y = 0; y < height; ++y) {
    rows.push_back('\0');  // filter: none
    rows.append(reinterpret_cast<const char*>(pixels.data()) + y * width * channels,
                static_cast<size_t>(width * channels));
  }
  uLongf packedSize = compressBound(static_cast<uLong>(rows.size()));
  std::string packed(packedSize, '\0');
  compress(reinterpret_cast<Bytef*>(&packed[0]), &packedSize,
           reinterpret_cast<const Bytef*>(rows.data()), static_cast<uLong>(rows.size()));
  packed.resize(packedSize);

  std::string header;
  detail::putBe32(header, static_cast<uint32_t>(width));
  detail::putBe32(header, static_cast<uint32_t>(height));
  header += std::string{8, static_cast<char>(alpha ? 6 : 2), 0, 0, 0};
  std::string png = "\x89PNG\r\n\x1a\n";
  detail::pngChunk(png, "IHDR", header);
  detail::pngChunk(png, "IDAT", packed);
  detail::pngChunk(png, "IEND", "");
  return png;
}

// RGBA pixels, rows from the top, in the form of the texture files the game names
// (KETTAR_TEXTURE_EXTENSION): a PNG image or the framework's own texture file.
inline std::string gameTextureBytes(int32_t width, int32_t height, const std::vector<uint8_t>& rgba) {
  return std::strcmp(KETTAR_TEXTURE_EXTENSION, ".png") == 0 ? pngBytes(width, height, rgba, true)
                                                            : ktrBytes(width, height, rgba);
}

}  // namespace test_support
