// Writes a level file and a skeleton file, each with a count that the bytes behind it can hold
// but its list cannot: the polygon count and the link count are the lists' max_size() + 1, and
// each is followed by that many records' least bytes (17 for a polygon, 18 for a fixed link),
// all zero. Only a build whose lists' max_size() fits a u32 (a 32-bit one) has such counts.
//   make_count_past_list LEVEL.orl OUT.orl SKELETON.fsk OUT.fsk
// The level keeps the header fields of LEVEL.orl, the skeleton file the header of SKELETON.fsk.
// The blocks' zlib streams are made without deflating their hundreds of megabytes of zeros.
#include <cstdio>
#include <fstream>
#include <string>

#include "ferrox/body_block.h"
#include "game/level_file.h"
#include "kettar/byte_buffer.h"
#include "support/zero_run_block.h"
#include "support/zlib_block.h"

namespace {

// The count past a list of maxItems items, or 0 where no u32 is past it.
uint32_t countPast(std::size_t maxItems) {
  return maxItems >= UINT32_MAX ? 0 : static_cast<uint32_t>(maxItems + 1);
}

bool writeLevel(const char* in, const char* out, uint32_t count) {
  LevelFile::LevelRecord level;
  float bestTime = 0.0f;
  bool headerRead = false;
  std::string why;
  if (!LevelFile::readFile(in, level, bestTime, headerRead, &why)) {
    std::fprintf(stderr, "%s: %s\n", in, why.c_str());
    return false;
  }
  level.terrain.polygons.clear();
  level.enemies.clear();
  level.props.clear();
  level.turrets.clear();
  level.decals.clear();
  Kettar::ByteBuffer block;
  LevelFile::writeLevel(block, level);
  // An empty level's block ends with the polygon count and the four object counts.
  std::string start(reinterpret_cast<const char*>(block.data()), block.size() - 5 * 4);
  test_support::appendU32(start, count);
  std::ofstream file(out, std::ios::binary | std::ios::trunc);
  LevelFile::writeHeader(file, bestTime);
  file << test_support::zeroRunBlock(start, count * 17u);
  return static_cast<bool>(file.flush());
}

bool writeSkeleton(const char* in, const char* out, uint32_t count) {
  char header[12];
  std::ifstream from(in, std::ios::binary);
  if (!from.read(header, sizeof header)) {
    std::fprintf(stderr, "%s: no skeleton file header\n", in);
    return false;
  }
  // No quarks, then the link count.
  std::string start;
  test_support::appendU32(start, 0);
  test_support::appendU32(start, count);
  std::ofstream file(out, std::ios::binary | std::ios::trunc);
  file.write(header, sizeof header);
  file << test_support::zeroRunBlock(start, count * 18u);
  return static_cast<bool>(file.flush());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: make_count_past_list LEVEL.orl OUT.orl SKELETON.fsk OUT.fsk\n");
    return 2;
  }
  const uint32_t polygons = countPast(LevelFile::TerrainRecord().polygons.max_size());
  const uint32_t links = countPast(ferrox::BodyBlock().links.max_size());
  if (polygons == 0 || links == 0) {
    std::fprintf(stderr, "make_count_past_list: no u32 count is past this build's lists\n");
    return 2;
  }
  return writeLevel(argv[1], argv[2], polygons) && writeSkeleton(argv[3], argv[4], links) ? 0 : 1;
}
