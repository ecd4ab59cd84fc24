#include "ferrox/record_count.h"

#include "kettar/byte_buffer.h"

namespace ferrox {

RecordCount readRecordCount(Kettar::ByteBuffer& buffer, uint32_t recordBytes, std::size_t maxItems,
                            uint32_t& count) {
  if (!buffer.get(count)) return RecordCount::kMissing;
  if (count > buffer.remaining() / recordBytes) return RecordCount::kPastBlock;
  if (count > maxItems) return RecordCount::kPastContainer;
  return RecordCount::kFits;
}

}  // namespace ferrox
