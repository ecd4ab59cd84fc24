#pragma once
// A sound level file whose terrain is one polygon of millions of vertices: its
// records take tens of bytes a vertex, the body built from them hundreds. The
// records repeat (the vertices take turns at two points, every edge joins the
// first two), so the file stays small; it is streamed through deflate and never
// held whole. The points lie outside the level rectangle: no edge would crowd
// the grid.

#include <zlib.h>

#include <cstdint>
#include <fstream>
#include <string>

#include "ferrox/body_block.h"
#include "game/level_file.h"
#include "kettar/byte_buffer.h"

namespace test_support {

// False for an odd vertex count, a raw block past 4 GiB or a file that cannot be written.
inline bool writeHugePolygonLevel(const std::string& path, uint32_t vertices) {
  LevelFile::LevelRecord level;
  level.width = 40.0f;
  level.height = 20.0f;
  level.exitA = Vec2(15.0f, -8.0f);
  level.exitB = Vec2(15.0f, -6.0f);
  // The polygon with an empty body: its body block (two zero counts) comes last
  // in the terrain, and the four object counts (zero) follow it.
  level.terrain.polygons.resize(1);
  Kettar::ByteBuffer frame;
  LevelFile::writeLevel(frame, level);
  const uint32_t bodyAt = frame.size() - 8 - 16;
  const uint32_t objectsAt = frame.size() - 16;

  Kettar::ByteBuffer quarkPair;
  for (const Vec2 at : {Vec2(100.0f, 100.0f), Vec2(101.0f, 100.0f)}) {
    ferrox::QuarkRecord q;
    q.kind = ferrox::kBlockFixed;
    q.position = at;
    q.mass = LevelFile::kFixedQuarkMass;
    ferrox::writeQuarkRecord(quarkPair, q);
  }
  Kettar::ByteBuffer edge;
  ferrox::LinkRecord l;
  l.kind = ferrox::kBlockFixed;
  l.a = 0;
  l.b = 1;
  l.radius = LevelFile::kEdgeRadius;
  l.friction = LevelFile::kEdgeFriction;
  ferrox::writeLinkRecord(edge, l);
  Kettar::ByteBuffer count;
  count.put(vertices);

  // The frame's empty body block (8 bytes) gives way to the polygon's.
  const uint64_t rawSize =
      frame.size() + uint64_t(vertices) * (ferrox::kQuarkRecordSize + ferrox::kFixedLinkRecordSize);
  if (vertices % 2 != 0 || rawSize > UINT32_MAX) return false;

  z_stream z{};
  if (deflateInit(&z, 9) != Z_OK) return false;
  std::string packed;
  int status = Z_OK;
  auto feed = [&](const uint8_t* data, uint32_t n, int flush) {
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = n;
    char out[1 << 16];
    do {
      z.next_out = reinterpret_cast<Bytef*>(out);
      z.avail_out = sizeof out;
      status = deflate(&z, flush);
      packed.append(out, sizeof out - z.avail_out);
    } while (z.avail_out == 0);
  };
  // The repeated records go in long runs: one call of deflate per run.
  constexpr uint32_t kPairsInARun = 4096;
  std::string quarkRun, edgeRun;
  for (uint32_t i = 0; i < kPairsInARun; ++i) {
    quarkRun.append(reinterpret_cast<const char*>(quarkPair.data()), quarkPair.size());
    edgeRun.append(reinterpret_cast<const char*>(edge.data()), edge.size());
    edgeRun.append(reinterpret_cast<const char*>(edge.data()), edge.size());
  }
  // Each run holds whole pairs of records; vertices is even.
  auto repeat = [&](const std::string& run) {
    const uint64_t pairBytes = run.size() / kPairsInARun;
    for (uint64_t left = uint64_t(vertices) / 2; left > 0;) {
      const uint64_t n = left < kPairsInARun ? left : kPairsInARun;
      feed(reinterpret_cast<const uint8_t*>(run.data()), uint32_t(n * pairBytes), Z_NO_FLUSH);
      left -= n;
    }
  };
  feed(frame.data(), bodyAt, Z_NO_FLUSH);
  feed(count.data(), count.size(), Z_NO_FLUSH);
  repeat(quarkRun);
  feed(count.data(), count.size(), Z_NO_FLUSH);
  repeat(edgeRun);
  feed(frame.data() + objectsAt, frame.size() - objectsAt, Z_FINISH);
  const bool whole = status == Z_STREAM_END && z.total_in == rawSize;
  deflateEnd(&z);
  if (!whole) return false;

  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  LevelFile::writeHeader(out, LevelFile::kNoBestTime);
  Kettar::ByteBuffer sizes;
  sizes.put(static_cast<uint32_t>(packed.size()));
  sizes.put(static_cast<uint32_t>(rawSize));
  out.write(reinterpret_cast<const char*>(sizes.data()), sizes.size());
  out.write(packed.data(), static_cast<std::streamsize>(packed.size()));
  return static_cast<bool>(out.flush());
}

}  // namespace test_support
