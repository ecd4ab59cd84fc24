#include "kettar/byte_buffer.h"

#include <zlib.h>

#include <algorithm>
#include <vector>

namespace Kettar {

void ByteBuffer::append(const void* source, uint32_t n) {
  const uint64_t wanted = uint64_t(bytes.count) + n;
  if (n == 0 || wanted > UINT32_MAX) return;
  const uint32_t newCount = static_cast<uint32_t>(wanted);
  // Appends grow to the exact size, not by doubling.
  if (newCount != bytes.capacity) bytes.grow(newCount);
  std::memcpy(bytes.items + bytes.count, source, n);
  bytes.count = newCount;
  end_ = newCount;
}

bool ByteBuffer::read(void* destination, uint32_t n) {
  if (failed_ || n > remaining()) {
    std::memset(destination, 0, n);
    cursor = end_;
    failed_ = true;
    return false;
  }
  if (n != 0) std::memcpy(destination, bytes.items + cursor, n);
  cursor += n;
  return true;
}

bool ByteBuffer::saveCompressed(std::ostream& out) const {
  const uInt raw = end_;
  z_stream z{};
  if (deflateInit(&z, 9) != Z_OK) return false;
  std::vector<Bytef> packed(deflateBound(&z, raw));
  z.next_in = const_cast<Bytef*>(bytes.items);
  z.avail_in = raw;
  z.next_out = packed.data();
  z.avail_out = static_cast<uInt>(packed.size());
  const int result = deflate(&z, Z_FINISH);
  const uint32_t packedSize = static_cast<uint32_t>(z.total_out);
  deflateEnd(&z);
  if (result != Z_STREAM_END) return false;

  const uint32_t rawSize = raw;
  out.write(reinterpret_cast<const char*>(&packedSize), 4);
  out.write(reinterpret_cast<const char*>(&rawSize), 4);
  out.write(reinterpret_cast<const char*>(packed.data()), packedSize);
  out.flush();
  return !out.bad() && !out.fail();
}

namespace {

// Reads exactly n bytes in slices, so a lying size on a short file fails after
// reading what is there instead of allocating the whole claimed size first.
bool readExactly(std::istream& in, std::vector<Bytef>& into, uint32_t n) {
  constexpr uint32_t kSlice = 1u << 20;
  into.clear();
  while (into.size() < n) {
    const size_t have = into.size();
    const size_t step = std::min<size_t>(kSlice, n - have);
    into.resize(have + step);
    in.read(reinterpret_cast<char*>(into.data() + have), static_cast<std::streamsize>(step));
    if (in.bad() || in.fail()) return false;
  }
  return true;
}

}  // namespace

bool ByteBuffer::loadCompressed(std::istream& in) {
  uint32_t packedSize = 0;
  uint32_t rawSize = 0;
  in.read(reinterpret_cast<char*>(&packedSize), 4);
  in.read(reinterpret_cast<char*>(&rawSize), 4);
  if (in.bad() || in.fail()) return false;
  // The packed bytes are read in slices, so a lying P only reads what the file
  // holds; R is bounded by what P bytes can inflate to and by the slack's room.
  if (rawSize > maxRawSize(packedSize) || rawSize > UINT32_MAX - kLoadSlack) return false;

  std::vector<Bytef> packed;
  if (!readExactly(in, packed, packedSize)) return false;

  const uint32_t total = rawSize + kLoadSlack;
  if (bytes.capacity != total) bytes.grow(total);
  bytes.count = total;
  end_ = 0;
  failed_ = false;

  z_stream z{};
  if (inflateInit(&z) != Z_OK) return false;
  z.next_in = packed.data();
  z.avail_in = packedSize;
  z.next_out = bytes.items;
  z.avail_out = rawSize;
  const int result = inflate(&z, Z_FINISH);
  const uLong out = z.total_out;
  inflateEnd(&z);
  // Only a complete stream (checksum included) that gives exactly R bytes counts.
  if (result != Z_STREAM_END || out != rawSize) return false;
  end_ = rawSize;
  return true;
}

}  // namespace Kettar
