#pragma once
// A compressed block made and opened with zlib directly, so golden-file tests
// do not build their expectations through the byte buffer they check: u32
// packed size, u32 raw size (little-endian), then a zlib stream at level 9.

#include <zlib.h>

#include <cstdint>
#include <string>

namespace test_support {

inline void appendU32(std::string& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}

inline uint32_t readU32(const std::string& bytes, size_t at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(bytes[at + i]);
  return v;
}

inline std::string zlibBlock(const std::string& raw) {
  uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
  std::string packed(packedSize, '\0');
  compress2(reinterpret_cast<Bytef*>(&packed[0]), &packedSize,
            reinterpret_cast<const Bytef*>(raw.data()), static_cast<uLong>(raw.size()), 9);
  packed.resize(packedSize);
  std::string block;
  appendU32(block, static_cast<uint32_t>(packed.size()));
  appendU32(block, static_cast<uint32_t>(raw.size()));
  return block + packed;
}

// The raw bytes of the block at `at`; false when the sizes or the zlib data do
// not hold together. `end` is set just past the block.
inline bool openZlibBlock(const std::string& bytes, size_t at, std::string& raw, size_t& end) {
  if (bytes.size() < at + 8) return false;
  const uint32_t packedSize = readU32(bytes, at);
  const uint32_t rawSize = readU32(bytes, at + 4);
  if (bytes.size() - at - 8 < packedSize) return false;
  raw.assign(rawSize, '\0');
  uLongf got = rawSize;
  if (uncompress(reinterpret_cast<Bytef*>(&raw[0]), &got,
                 reinterpret_cast<const Bytef*>(bytes.data() + at + 8), packedSize) != Z_OK ||
      got != rawSize)
    return false;
  end = at + 8 + packedSize;
  return true;
}

}  // namespace test_support
