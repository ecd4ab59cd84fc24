#pragma once
// The u32 record counts of files: each sizes a container, so it is checked
// before anything is allocated for it. A record may take more room in memory
// than in the file (on a 32-bit build a terrain polygon takes 52 bytes against
// its least 17), so a count that the bytes left could hold can still be more
// than the container may ever hold.

#include <cstddef>
#include <cstdint>

namespace Kettar {
class ByteBuffer;
}

namespace ferrox {

enum class RecordCount : uint8_t {
  kFits,
  kMissing,        // the block ends before the count
  kPastBlock,      // the bytes left cannot hold that many records
  kPastContainer,  // the container cannot hold that many items
};

// Reads a count at the buffer's cursor and checks it against the bytes left,
// with each record taking at least recordBytes, and against maxItems, the
// max_size() of the container it will size.
RecordCount readRecordCount(Kettar::ByteBuffer& buffer, uint32_t recordBytes, std::size_t maxItems,
                            uint32_t& count);

}  // namespace ferrox
