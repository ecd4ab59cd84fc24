#include "ferrox/body_block.h"

#include <cmath>
#include <new>

#include "ferrox/record_count.h"
#include "kettar/byte_buffer.h"

namespace ferrox {

namespace {

bool finite(float v) { return std::isfinite(v); }

bool readQuarkRecord(Kettar::ByteBuffer& buffer, QuarkRecord& r) {
  if (!buffer.get(r.kind) || !buffer.get(r.position.x) || !buffer.get(r.position.y) ||
      !buffer.get(r.mass) || !buffer.get(r.damping))
    return false;
  // Written so that NaN fails too.
  if (!(std::fabs(r.position.x) <= kMaxBlockCoordinate &&
        std::fabs(r.position.y) <= kMaxBlockCoordinate))
    return false;
  if (r.kind == kBlockSoft || r.kind == kBlockStiff)
    return finite(r.mass) && r.mass > 0.0f && finite(r.damping);
  return true;
}

bool readLinkRecord(Kettar::ByteBuffer& buffer, uint32_t quarkCount, LinkRecord& r) {
  if (!buffer.get(r.kind) || !buffer.get(r.a) || !buffer.get(r.b)) return false;
  const bool soft = r.kind == kBlockSoft;
  const bool fixed = r.kind != kBlockSoft && r.kind != kBlockStiff;
  if (soft && !buffer.get(r.springConstant)) return false;
  if (!fixed && !buffer.get(r.rest)) return false;
  if (!buffer.get(r.radius)) return false;
  if (!fixed && !buffer.get(r.stiffness)) return false;
  if (!buffer.get(r.friction) || !buffer.get(r.internal)) return false;
  if (r.a >= quarkCount || r.b >= quarkCount || r.a == r.b) return false;
  return finite(r.springConstant) && finite(r.rest) && finite(r.radius) &&
         finite(r.stiffness) && finite(r.friction);
}

}  // namespace

void writeQuarkRecord(Kettar::ByteBuffer& buffer, const QuarkRecord& r) {
  buffer.put(r.kind);
  buffer.put(r.position.x);
  buffer.put(r.position.y);
  buffer.put(r.mass);
  buffer.put(r.damping);
}

void writeLinkRecord(Kettar::ByteBuffer& buffer, const LinkRecord& r) {
  const bool soft = r.kind == kBlockSoft;
  const bool fixed = r.kind != kBlockSoft && r.kind != kBlockStiff;
  buffer.put(r.kind);
  buffer.put(r.a);
  buffer.put(r.b);
  if (soft) buffer.put(r.springConstant);
  if (!fixed) buffer.put(r.rest);
  buffer.put(r.radius);
  if (!fixed) buffer.put(r.stiffness);
  buffer.put(r.friction);
  buffer.put(r.internal);
}

void writeBodyBlock(Kettar::ByteBuffer& buffer, const BodyBlock& block) {
  buffer.put(static_cast<uint32_t>(block.quarks.size()));
  for (const QuarkRecord& q : block.quarks) writeQuarkRecord(buffer, q);
  buffer.put(static_cast<uint32_t>(block.links.size()));
  for (const LinkRecord& l : block.links) writeLinkRecord(buffer, l);
}

namespace {

bool readRecords(Kettar::ByteBuffer& buffer, BodyBlock& block) {
  block.quarks.clear();
  block.links.clear();
  uint32_t n = 0;
  // Counts are checked against the bytes left and the lists' limits before anything is reserved.
  if (readRecordCount(buffer, kQuarkRecordSize, block.quarks.max_size(), n) != RecordCount::kFits)
    return false;
  block.quarks.resize(n);
  for (QuarkRecord& q : block.quarks)
    if (!readQuarkRecord(buffer, q)) return false;
  uint32_t m = 0;
  if (readRecordCount(buffer, kFixedLinkRecordSize, block.links.max_size(), m) != RecordCount::kFits)
    return false;
  block.links.resize(m);
  for (LinkRecord& l : block.links)
    if (!readLinkRecord(buffer, n, l)) return false;
  return true;
}

}  // namespace

bool readBodyBlock(Kettar::ByteBuffer& buffer, BodyBlock& block) {
  // The records can take more room than the block's bytes, more than a 32-bit build may have.
  try {
    return readRecords(buffer, block);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace ferrox
