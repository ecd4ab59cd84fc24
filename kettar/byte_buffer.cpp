#include "kettar/byte_buffer.h"

#include <zlib.h>

#include <algorithm>

namespace Kettar {

void ByteBuffer::append(const void* source, uint32_t n) {
  if (n == 0) return;
  const uint64_t wanted = uint64_t(bytes.count) + n;
  // Appends grow to the exact size, not by doubling.
  if (wanted > UINT32_MAX || (wanted != bytes.capacity && !bytes.grow(static_cast<uint32_t>(wanted)))) {
    appendFailed_ = true;
    return;
  }
  const uint32_t newCount = static_cast<uint32_t>(wanted);
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
  if (appendFailed_) return false;
  const uInt raw = end_;
  z_stream z{};
  if (deflateInit(&z, 9) != Z_OK) return false;
  // An area short of the bound (past 4 GiB) still fails rather than truncates: deflate
  // then never reaches the stream's end.
  const uLong bound = std::min<uLong>(deflateBound(&z, raw), UINT32_MAX);
  ferrox::IndexedList<Bytef> packed;
  if (!packed.grow(static_cast<uint32_t>(bound))) {
    deflateEnd(&z);
    return false;
  }
  z.next_in = const_cast<Bytef*>(bytes.items);
  z.avail_in = raw;
  z.next_out = packed.items;
  z.avail_out = static_cast<uInt>(packed.capacity);
  const int result = deflate(&z, Z_FINISH);
  const uint32_t packedSize = static_cast<uint32_t>(z.total_out);
  deflateEnd(&z);
  if (result != Z_STREAM_END) return false;

  const uint32_t rawSize = raw;
  out.write(reinterpret_cast<const char*>(&packedSize), 4);
  out.write(reinterpret_cast<const char*>(&rawSize), 4);
  out.write(reinterpret_cast<const char*>(packed.items), packedSize);
  out.flush();
  return !out.bad() && !out.fail();
}

namespace {

// Reads exactly n bytes in slices, so a lying size on a short file fails after
// reading what is there instead of allocating the whole claimed size first.
// Storage that cannot be had fails the read too.
bool readExactly(std::istream& in, ferrox::IndexedList<Bytef>& into, uint32_t n) {
  constexpr uint32_t kSlice = 1u << 20;
  into.count = 0;
  while (into.count < n) {
    const uint32_t step = std::min(kSlice, n - into.count);
    if (!into.grow(into.count + step)) return false;
    in.read(reinterpret_cast<char*>(into.items + into.count), static_cast<std::streamsize>(step));
    if (in.bad() || in.fail()) return false;
    into.count += step;
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

  ferrox::IndexedList<Bytef> packed;
  if (!readExactly(in, packed, packedSize)) return false;

  // Storage the system refuses leaves the buffer as it was.
  const uint32_t total = rawSize + kLoadSlack;
  if (bytes.capacity != total && !bytes.grow(total)) return false;
  bytes.count = total;
  end_ = 0;
  failed_ = false;

  z_stream z{};
  if (inflateInit(&z) != Z_OK) return false;
  z.next_in = packed.items;
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
