#pragma once
// A libFuzzer mutator for files made of a fixed header and one compressed block
// (.ktr, .fsk, .orl). Mutating the zlib bytes almost always breaks the stream's
// checksum, so most mutations open the block, mutate the raw records and pack
// them again; the rest mutate the file's own bytes (header, sizes, stream) so
// those checks are fuzzed too.

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t maxSize);

namespace Fuzz {

// Raw blocks larger than this are mutated as plain bytes.
constexpr uint32_t kMaxMutatedRaw = 1u << 20;

inline bool inflateBlock(const uint8_t* block, size_t size, std::vector<uint8_t>& raw) {
  if (size < 8) return false;
  uint32_t packed = 0;
  uint32_t rawSize = 0;
  std::memcpy(&packed, block, 4);
  std::memcpy(&rawSize, block + 4, 4);
  if (packed > size - 8 || rawSize > kMaxMutatedRaw) return false;
  raw.resize(rawSize);
  uLongf out = rawSize;
  return uncompress(raw.data(), &out, block + 8, packed) == Z_OK && out == rawSize;
}

inline size_t mutateCompressedFile(uint8_t* data, size_t size, size_t maxSize, unsigned seed,
                                   size_t headerSize) {
  std::minstd_rand random(seed);
  std::vector<uint8_t> raw;
  if (random() % 4 == 0 || size < headerSize ||
      !inflateBlock(data + headerSize, size - headerSize, raw))
    return LLVMFuzzerMutate(data, size, maxSize);

  const size_t rawSize = raw.size();
  raw.resize(rawSize + rawSize / 2 + 64);
  raw.resize(LLVMFuzzerMutate(raw.data(), rawSize, raw.size()));
  uLongf packed = compressBound(static_cast<uLong>(raw.size()));
  std::vector<uint8_t> stream(packed);
  if (compress2(stream.data(), &packed, raw.data(), static_cast<uLong>(raw.size()), 1) != Z_OK ||
      headerSize + 8 + packed > maxSize)
    return LLVMFuzzerMutate(data, size, maxSize);

  if (headerSize > 0 && random() % 8 == 0) LLVMFuzzerMutate(data, headerSize, headerSize);
  const uint32_t sizes[2] = {static_cast<uint32_t>(packed), static_cast<uint32_t>(raw.size())};
  std::memcpy(data + headerSize, sizes, 8);
  std::memcpy(data + headerSize + 8, stream.data(), packed);
  return headerSize + 8 + packed;
}

}  // namespace Fuzz

// One target's mutator for files with headerSize bytes before the block.
#define OMBREL_COMPRESSED_FILE_MUTATOR(headerSize)                                              \
  extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t maxSize,        \
                                            unsigned seed) {                                   \
    return Fuzz::mutateCompressedFile(data, size, maxSize, seed, headerSize);                  \
  }
