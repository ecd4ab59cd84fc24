#pragma once
// The container of every binary file: fields are appended one by one and saved
// as one zlib block (u32 packed size, u32 raw size, zlib stream at level 9);
// a reader loads a block and reads the fields back in order through the cursor.

#include <cstdint>
#include <cstring>
#include <istream>
#include <ostream>
#include <type_traits>

#include "ferrox/indexed_list.h"

namespace Kettar {

class ByteBuffer {
 public:
  // Room kept after a loaded block's data; it is not readable data.
  static constexpr uint32_t kLoadSlack = 1000;

  // The most bytes P bytes of zlib data can inflate to: deflate expands at most
  // 1032 times, plus a little for the stream's own bytes. A block claiming more
  // is damaged and refused before anything is allocated for it.
  static constexpr uint64_t maxRawSize(uint32_t packedSize) {
    return uint64_t(packedSize) * 1032u + 64u;
  }

  uint32_t cursor = 0;
  ferrox::IndexedList<uint8_t> bytes;

  ByteBuffer() = default;

  // Appends n bytes. Bytes that cannot be stored (no storage, or past 4 GiB) leave the
  // content incomplete, and saveCompressed then fails.
  void append(const void* source, uint32_t n);
  // Copies n bytes at the cursor and advances it. A read that would pass the end
  // of the data zero-fills the destination, moves the cursor to the end and
  // returns false, as does every later read: a short record is always noticed.
  bool read(void* destination, uint32_t n);

  bool saveCompressed(std::ostream& out) const;
  bool loadCompressed(std::istream& in);

  // Bytes that hold data: the count after appends, the raw size after a load.
  uint32_t size() const { return end_; }
  uint32_t remaining() const { return cursor < end_ ? end_ - cursor : 0; }
  bool failed() const { return failed_; }
  const uint8_t* data() const { return bytes.items; }

  template <typename T>
  void put(const T& value) {
    static_assert(std::is_trivially_copyable_v<T>);
    append(&value, sizeof(T));
  }
  template <typename T>
  bool get(T& value) {
    static_assert(std::is_trivially_copyable_v<T>);
    return read(&value, sizeof(T));
  }

 private:
  uint32_t end_ = 0;      // bytes[0, end_) are data; the rest is load slack
  bool failed_ = false;   // set by the first read past the data
  bool appendFailed_ = false;  // an append found no storage: the content is incomplete, and
                               // saveCompressed refuses it
};

}  // namespace Kettar
