#pragma once
// A compressed block whose raw bytes are some given bytes followed by a long run of zeros,
// made without deflating the run: the zlib stream is written here with deflate's fixed codes,
// a literal 0 and then matches of 258 bytes at distance 1, 13 bits for every 258 zeros. A block
// of nearly 2 GB is some 12 MB to make, and loading it takes one buffer of its raw size, so
// even an emulated 32-bit process can be handed a block that large.

#include <cstdint>
#include <sstream>
#include <string>

#include "kettar/byte_buffer.h"
#include "support/zlib_block.h"

namespace test_support {

namespace detail {

// Bits go out least significant first; deflate's Huffman codes are stored from their most
// significant bit, so a code is reversed before it is put.
class DeflateBits {
 public:
  void put(uint32_t value, int bits) {
    pending_ |= value << pendingBits_;
    pendingBits_ += bits;
    while (pendingBits_ >= 8) {
      out_.push_back(static_cast<char>(pending_ & 0xFF));
      pending_ >>= 8;
      pendingBits_ -= 8;
    }
  }
  void putCode(uint32_t code, int bits) {
    uint32_t reversed = 0;
    for (int i = 0; i < bits; ++i) reversed |= ((code >> i) & 1u) << (bits - 1 - i);
    put(reversed, bits);
  }
  // A literal byte in the fixed code: 0-143 take 8 bits from 0x30, 144-255 9 bits from 0x190.
  void putLiteral(uint8_t byte) {
    if (byte < 144)
      putCode(0x30u + byte, 8);
    else
      putCode(0x190u + (byte - 144u), 9);
  }
  std::string finish() {
    if (pendingBits_ > 0) put(0, 8 - pendingBits_);
    return out_;
  }

 private:
  std::string out_;
  uint32_t pending_ = 0;
  int pendingBits_ = 0;
};

}  // namespace detail

// The block (u32 packed size, u32 raw size, zlib stream) of `start` and then `zeros` zero bytes.
inline std::string zeroRunBlock(const std::string& start, uint32_t zeros) {
  detail::DeflateBits bits;
  bits.put(1, 1);  // the last block
  bits.put(1, 2);  // fixed codes
  for (char c : start) bits.putLiteral(static_cast<uint8_t>(c));
  uint32_t left = zeros;
  if (left > 0) {
    bits.putLiteral(0);
    --left;
  }
  for (; left >= 258; left -= 258) {
    bits.putCode(0xC5, 8);  // length code 285: 258 bytes
    bits.putCode(0, 5);     // distance code 0: 1 byte back
  }
  for (; left > 0; --left) bits.putLiteral(0);
  bits.putCode(0, 7);  // end of block: code 256

  // Adler-32 of the raw bytes: zeros leave its low sum alone and add it to the high one once each.
  uLong adler = adler32(adler32(0, nullptr, 0), reinterpret_cast<const Bytef*>(start.data()),
                        static_cast<uInt>(start.size()));
  const uint64_t low = adler & 0xFFFF;
  const uint64_t high = ((adler >> 16) + (zeros % 65521u) * low) % 65521u;
  std::string stream = "\x78\xDA";
  stream += bits.finish();
  for (int shift = 24; shift >= 0; shift -= 8)
    stream.push_back(static_cast<char>((((high << 16) | low) >> shift) & 0xFF));

  std::string block;
  appendU32(block, static_cast<uint32_t>(stream.size()));
  appendU32(block, static_cast<uint32_t>(start.size() + zeros));
  return block + stream;
}

// Loads that block into the buffer as a reader would; false where the buffer's storage cannot
// be had (or the block's raw size passes what a buffer can hold).
inline bool loadZeroRunBlock(Kettar::ByteBuffer& buffer, const std::string& start, uint32_t zeros) {
  if (start.size() + uint64_t(zeros) > UINT32_MAX) return false;
  std::istringstream in(zeroRunBlock(start, zeros));
  return buffer.loadCompressed(in);
}

}  // namespace test_support
