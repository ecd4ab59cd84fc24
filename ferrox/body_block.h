#pragma once
// The body block: a soft body's quarks and links, record by record, in a byte
// buffer (u32 N, N quark records, u32 M, M link records; little-endian, no
// padding). It is the payload of skeleton files and is embedded in level files.
// Blocks come from files, so reading checks every record before anything is
// built from it.

#include <cstdint>
#include <vector>

#include "ferrox/vec2.h"

namespace Kettar {
class ByteBuffer;
}

namespace ferrox {

// Kind codes as stored in the block (not the body operations' codes). Any
// other code reads as fixed.
enum BlockCode : uint8_t { kBlockSoft = 0, kBlockStiff = 1, kBlockFixed = 2 };

constexpr uint32_t kQuarkRecordSize = 17;
constexpr uint32_t kSoftLinkRecordSize = 30;
constexpr uint32_t kStiffLinkRecordSize = 26;
constexpr uint32_t kFixedLinkRecordSize = 18;
// No body lies farther out (a level is at most 1000 units a side); a farther
// position would make link lengths overflow to infinity.
constexpr float kMaxBlockCoordinate = 1.0e6f;

struct QuarkRecord {
  uint8_t kind = kBlockFixed;
  Vec2 position;
  // Read but not used for a fixed quark (mass 999999, damping 0).
  float mass = 0.0f;
  float damping = 0.0f;
};

struct LinkRecord {
  uint8_t kind = kBlockFixed;
  // Slots in the block's quark list.
  uint32_t a = 0;
  uint32_t b = 0;
  // Stored for soft links only.
  float springConstant = 0.0f;
  // Stored for soft and stiff links only.
  float rest = 0.0f;
  float radius = 0.0f;
  // Stored for soft and stiff links only.
  float stiffness = 0.0f;
  float friction = 0.0f;
  // Read but not used for a fixed link (always 0).
  uint8_t internal = 0;
};

struct BodyBlock {
  std::vector<QuarkRecord> quarks;
  std::vector<LinkRecord> links;
};

void writeQuarkRecord(Kettar::ByteBuffer& buffer, const QuarkRecord& record);
// Writes the fields of the record's kind: 30, 26 or 18 bytes.
void writeLinkRecord(Kettar::ByteBuffer& buffer, const LinkRecord& record);
void writeBodyBlock(Kettar::ByteBuffer& buffer, const BodyBlock& block);

// Reads one block at the buffer's cursor into `block`, advancing the cursor.
// False for a block that ends early, a count larger than the bytes left could
// hold or than its list may hold, a link slot not below N, a link from a quark
// to itself, a soft or stiff quark whose mass is not finite and above 0, a
// position coordinate beyond kMaxBlockCoordinate, or a real that is not finite
// (fixed records' unused mass and damping excepted). Unknown kind codes read as
// fixed.
bool readBodyBlock(Kettar::ByteBuffer& buffer, BodyBlock& block);

}  // namespace ferrox
