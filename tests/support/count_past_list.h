#pragma once
// A count that the block's bytes can hold but its list cannot: max_size() + 1 of the list the
// count sizes, followed by that many records' least bytes, so that the bytes check passes. Such
// a count exists only where a record takes more room in memory than in the file and the list's
// max_size() is below 2^32: in the 32-bit builds.

#include <cstddef>
#include <cstdint>
#include <string>

#include "kettar/byte_buffer.h"
#include "support/zero_run_block.h"
#include "support/zlib_block.h"

namespace test_support {

// Loads `before`, the count max_size() + 1 of a list of maxItems and count x recordBytes zero
// bytes into the buffer, cursor at the start. The result is empty when the block was loaded,
// else why the row cannot run in this build.
inline std::string loadCountPastList(Kettar::ByteBuffer& buffer, const std::string& before,
                                     uint32_t recordBytes, std::size_t maxItems, uint32_t& count) {
  const uint64_t wanted = uint64_t(maxItems) + 1;
  if (maxItems >= UINT32_MAX)
    return "max_size() + 1 = " + std::to_string(wanted) +
           " does not fit the file's u32 count: a build with a 64-bit size_t has no such count";
  count = static_cast<uint32_t>(wanted);
  std::string start = before;
  appendU32(start, count);
  const uint64_t bytes = start.size() + wanted * recordBytes;
  if (bytes > UINT32_MAX)
    return "a block of " + std::to_string(bytes) + " bytes is more than a buffer can hold";
  if (!loadZeroRunBlock(buffer, start, static_cast<uint32_t>(wanted * recordBytes)))
    return "no room here for a block of " + std::to_string(bytes) +
           " bytes (a 32-bit Windows process has 2 GiB of address space, qemu's i386 guest 4 GiB)";
  return "";
}

}  // namespace test_support
