#include "game/level_file.h"

#include <cmath>
#include <fstream>
#include <new>
#include <sstream>

#include "ferrox/record_count.h"
#include "kettar/byte_buffer.h"
#include "kettar/platform/replace_file.h"

namespace LevelFile {

namespace {

// Orientation, two empty id lists and an empty body block.
constexpr uint32_t kMinPolygonRecordBytes = 1 + 4 + 4 + 4 + 4;
constexpr uint32_t kEnemyRecordBytes = 12;
constexpr uint32_t kPropRecordBytes = 12;
constexpr uint32_t kTurretRecordBytes = 21;
constexpr uint32_t kDecalRecordBytes = 22;

bool fail(std::string* why, const std::string& reason) {
  if (why) *why = reason;
  return false;
}

bool finite(float v) { return std::isfinite(v); }
bool finite(Vec2 v) { return std::isfinite(v.x) && std::isfinite(v.y); }

// Reads a count and refuses one whose records could not fit in what remains or
// in the list it sizes (maxItems, the list's max_size()), so a damaged count
// never sizes an allocation.
bool readCount(Kettar::ByteBuffer& buffer, uint32_t recordBytes, std::size_t maxItems,
               uint32_t& count, const char* what, std::string* why) {
  switch (ferrox::readRecordCount(buffer, recordBytes, maxItems, count)) {
    case ferrox::RecordCount::kFits: return true;
    case ferrox::RecordCount::kMissing:
      return fail(why, std::string("block ends before the ") + what + " count");
    case ferrox::RecordCount::kPastBlock:
      return fail(why, std::string(what) + " count " + std::to_string(count) + " exceeds the block");
    case ferrox::RecordCount::kPastContainer:
      return fail(why, std::string(what) + " count " + std::to_string(count) +
                           " exceeds what this build can hold");
  }
  return false;
}

bool readVec2(Kettar::ByteBuffer& buffer, Vec2& v) { return buffer.get(v.x) && buffer.get(v.y); }

void putVec2(Kettar::ByteBuffer& buffer, Vec2 v) {
  buffer.put(v.x);
  buffer.put(v.y);
}

bool readIds(Kettar::ByteBuffer& buffer, std::vector<uint32_t>& ids, const char* what,
             std::string* why) {
  uint32_t n = 0;
  if (!readCount(buffer, 4, ids.max_size(), n, what, why)) return false;
  ids.resize(n);
  for (uint32_t& id : ids)
    if (!buffer.get(id)) return fail(why, std::string("block ends inside the ") + what);
  return true;
}

void putIds(Kettar::ByteBuffer& buffer, const std::vector<uint32_t>& ids) {
  buffer.put(static_cast<uint32_t>(ids.size()));
  for (uint32_t id : ids) buffer.put(id);
}

// Keeps the first occurrence of every id below the edge count; `seen` marks
// ids across both lists so that an edge keeps one type (the first it is given).
void dropRepeats(std::vector<uint32_t>& ids, std::vector<uint8_t>& seen) {
  std::vector<uint32_t> kept;
  for (uint32_t id : ids) {
    if (id < seen.size() && seen[id]) continue;
    if (id < seen.size()) seen[id] = 1;
    kept.push_back(id);
  }
  ids.swap(kept);
}

// A polygon's body is all fixed: vertices that never move and edges of fixed
// length, whatever codes the block carries.
void makeFixed(ferrox::BodyBlock& body) {
  for (ferrox::QuarkRecord& q : body.quarks) {
    q.kind = ferrox::kBlockFixed;
    q.mass = kFixedQuarkMass;
    q.damping = 0.0f;
  }
  for (ferrox::LinkRecord& l : body.links) {
    l.kind = ferrox::kBlockFixed;
    l.springConstant = 0.0f;
    l.rest = 0.0f;
    l.stiffness = 0.0f;
    l.internal = 0;
  }
}

bool checkFlag(uint8_t flag, const char* what, std::string* why) {
  if (flag > 1) return fail(why, std::string(what) + " " + std::to_string(flag) + " is not 0 or 1");
  return true;
}

}  // namespace

bool checkPolygon(const PolygonRecord& polygon, std::string* why) {
  if (!checkFlag(polygon.orientation, "orientation", why)) return false;
  const std::vector<ferrox::QuarkRecord>& quarks = polygon.body.quarks;
  const std::vector<ferrox::LinkRecord>& links = polygon.body.links;
  if (quarks.size() < 3)
    return fail(why, "a polygon of " + std::to_string(quarks.size()) + " vertices has no area");
  for (size_t i = 0; i < links.size(); ++i) {
    const ferrox::LinkRecord& l = links[i];
    if (l.a >= quarks.size() || l.b >= quarks.size() || l.a == l.b)
      return fail(why, "edge " + std::to_string(i) + " does not join two vertices");
    if (!(l.radius >= 0.0f && l.radius <= kMaxLinkRadius) || !std::isfinite(l.friction))
      return fail(why, "edge " + std::to_string(i) + " has a bad radius or friction");
    if (quarks[l.a].position == quarks[l.b].position)
      return fail(why, "edge " + std::to_string(i) + " has no length");
  }
  std::vector<uint8_t> seen(links.size(), 0);
  for (const std::vector<uint32_t>* ids : {&polygon.noHookEdges, &polygon.deadlyEdges})
    for (uint32_t id : *ids) {
      if (id >= links.size())
        return fail(why, "edge id " + std::to_string(id) + " is past the " +
                             std::to_string(links.size()) + " edges");
      if (seen[id]) return fail(why, "edge " + std::to_string(id) + " is typed twice");
      seen[id] = 1;
    }
  return true;
}

bool readPolygon(Kettar::ByteBuffer& buffer, PolygonRecord& polygon, std::string* why) {
  if (!buffer.get(polygon.orientation)) return fail(why, "block ends before a polygon");
  if (!readIds(buffer, polygon.noHookEdges, "no-hook edge ids", why) ||
      !readIds(buffer, polygon.deadlyEdges, "deadly edge ids", why))
    return false;
  if (!ferrox::readBodyBlock(buffer, polygon.body)) return fail(why, "damaged body block");
  makeFixed(polygon.body);
  std::vector<uint8_t> seen(polygon.body.links.size(), 0);
  dropRepeats(polygon.noHookEdges, seen);
  dropRepeats(polygon.deadlyEdges, seen);
  return checkPolygon(polygon, why);
}

void writePolygon(Kettar::ByteBuffer& buffer, const PolygonRecord& polygon) {
  buffer.put(polygon.orientation);
  putIds(buffer, polygon.noHookEdges);
  putIds(buffer, polygon.deadlyEdges);
  ferrox::writeBodyBlock(buffer, polygon.body);
}

PolygonRecord polygonFromOutline(const std::vector<Vec2>& outline, uint8_t orientation) {
  PolygonRecord polygon;
  polygon.orientation = orientation;
  const uint32_t n = static_cast<uint32_t>(outline.size());
  for (const Vec2& p : outline) {
    ferrox::QuarkRecord q;
    q.kind = ferrox::kBlockFixed;
    q.position = p;
    q.mass = kFixedQuarkMass;
    polygon.body.quarks.push_back(q);
  }
  for (uint32_t i = 0; i < n; ++i) {
    ferrox::LinkRecord l;
    l.kind = ferrox::kBlockFixed;
    l.radius = kEdgeRadius;
    l.friction = kEdgeFriction;
    l.a = i;
    l.b = (i + 1) % n;
    polygon.body.links.push_back(l);
  }
  return polygon;
}

bool readTerrain(Kettar::ByteBuffer& buffer, TerrainRecord& terrain, std::string* why) {
  if (!buffer.get(terrain.textureIndex) || !buffer.get(terrain.borderTextureIndex) ||
      !buffer.get(terrain.textureScale) || !buffer.get(terrain.inverted))
    return fail(why, "block ends inside the terrain");
  if (terrain.textureIndex >= kTableEntries)
    return fail(why, "terrain texture " + std::to_string(terrain.textureIndex) + " is past the table");
  if (terrain.borderTextureIndex >= kTableEntries)
    return fail(why, "border texture " + std::to_string(terrain.borderTextureIndex) + " is past the table");
  if (!finite(terrain.textureScale)) return fail(why, "texture scale is not finite");
  if (!checkFlag(terrain.inverted, "inverted", why)) return false;
  uint32_t n = 0;
  if (!readCount(buffer, kMinPolygonRecordBytes, terrain.polygons.max_size(), n, "polygon", why))
    return false;
  terrain.polygons.assign(n, PolygonRecord{});
  for (uint32_t i = 0; i < n; ++i) {
    std::string reason;
    if (!readPolygon(buffer, terrain.polygons[i], &reason))
      return fail(why, "polygon " + std::to_string(i) + ": " + reason);
  }
  return true;
}

void writeTerrain(Kettar::ByteBuffer& buffer, const TerrainRecord& terrain) {
  buffer.put(terrain.textureIndex);
  buffer.put(terrain.borderTextureIndex);
  buffer.put(terrain.textureScale);
  buffer.put(terrain.inverted);
  buffer.put(static_cast<uint32_t>(terrain.polygons.size()));
  for (const PolygonRecord& p : terrain.polygons) writePolygon(buffer, p);
}

bool readEnemy(Kettar::ByteBuffer& buffer, EnemyRecord& enemy, std::string* why) {
  if (!buffer.get(enemy.kind) || !readVec2(buffer, enemy.position))
    return fail(why, "block ends inside an enemy");
  if (enemy.kind >= kEnemyKinds) return fail(why, "enemy kind " + std::to_string(enemy.kind) + " is unknown");
  if (!finite(enemy.position)) return fail(why, "enemy position is not finite");
  return true;
}

void writeEnemy(Kettar::ByteBuffer& buffer, const EnemyRecord& enemy) {
  buffer.put(enemy.kind);
  putVec2(buffer, enemy.position);
}

bool readProp(Kettar::ByteBuffer& buffer, PropRecord& prop, std::string* why) {
  if (!buffer.get(prop.kind) || !readVec2(buffer, prop.position))
    return fail(why, "block ends inside a prop");
  if (prop.kind >= kPropKinds) return fail(why, "prop kind " + std::to_string(prop.kind) + " is unknown");
  if (!finite(prop.position)) return fail(why, "prop position is not finite");
  return true;
}

void writeProp(Kettar::ByteBuffer& buffer, const PropRecord& prop) {
  buffer.put(prop.kind);
  putVec2(buffer, prop.position);
}

bool readTurret(Kettar::ByteBuffer& buffer, TurretRecord& turret, std::string* why) {
  if (!readVec2(buffer, turret.position) || !buffer.get(turret.rotation) ||
      !buffer.get(turret.interval) || !buffer.get(turret.phase) || !buffer.get(turret.flip))
    return fail(why, "block ends inside a turret");
  if (!finite(turret.position) || !finite(turret.rotation) || !finite(turret.interval) ||
      !finite(turret.phase))
    return fail(why, "turret values are not finite");
  return true;
}

void writeTurret(Kettar::ByteBuffer& buffer, const TurretRecord& turret) {
  putVec2(buffer, turret.position);
  buffer.put(turret.rotation);
  buffer.put(turret.interval);
  buffer.put(turret.phase);
  buffer.put(turret.flip);
}

bool readDecal(Kettar::ByteBuffer& buffer, DecalRecord& decal, std::string* why) {
  if (!buffer.get(decal.index) || !readVec2(buffer, decal.position) || !buffer.get(decal.scale) ||
      !buffer.get(decal.rotation) || !buffer.get(decal.flipX) || !buffer.get(decal.flipY))
    return fail(why, "block ends inside a decal");
  if (decal.index >= kDecalEntries) return fail(why, "decal " + std::to_string(decal.index) + " is past the catalogue");
  if (!finite(decal.position) || !finite(decal.scale) || !finite(decal.rotation))
    return fail(why, "decal values are not finite");
  return true;
}

void writeDecal(Kettar::ByteBuffer& buffer, const DecalRecord& decal) {
  buffer.put(decal.index);
  putVec2(buffer, decal.position);
  buffer.put(decal.scale);
  buffer.put(decal.rotation);
  buffer.put(decal.flipX);
  buffer.put(decal.flipY);
}

bool checkLevelSize(float width, float height, std::string* why) {
  // Written so that NaN fails every comparison; the world grid truncates the
  // size to whole units, so less than one unit would make no cells.
  if (!(width >= 1.0f && width <= kMaxLevelSide && height >= 1.0f && height <= kMaxLevelSide))
    return fail(why, "level size is not between 1 and " + std::to_string(int(kMaxLevelSide)));
  if (width * height > kMaxLevelArea) return fail(why, "level area is too large");
  return true;
}

namespace {

template <typename Record>
bool readList(Kettar::ByteBuffer& buffer, std::vector<Record>& list, uint32_t recordBytes,
              const char* what, bool (*readOne)(Kettar::ByteBuffer&, Record&, std::string*),
              std::string* why) {
  uint32_t n = 0;
  if (!readCount(buffer, recordBytes, list.max_size(), n, what, why)) return false;
  list.assign(n, Record{});
  for (uint32_t i = 0; i < n; ++i) {
    std::string reason;
    if (!readOne(buffer, list[i], &reason))
      return fail(why, std::string(what) + " " + std::to_string(i) + ": " + reason);
  }
  return true;
}

template <typename Record>
void writeList(Kettar::ByteBuffer& buffer, const std::vector<Record>& list,
               void (*writeOne)(Kettar::ByteBuffer&, const Record&)) {
  buffer.put(static_cast<uint32_t>(list.size()));
  for (const Record& r : list) writeOne(buffer, r);
}

// Round-trips a record through its own reader: the one definition of what a
// reader accepts.
template <typename Record>
bool checkByReading(const Record& record, void (*writeOne)(Kettar::ByteBuffer&, const Record&),
                    bool (*readOne)(Kettar::ByteBuffer&, Record&, std::string*), std::string* why) {
  Kettar::ByteBuffer buffer;
  writeOne(buffer, record);
  Record copy;
  return readOne(buffer, copy, why);
}

bool readLevelRecords(Kettar::ByteBuffer& buffer, LevelRecord& level, std::string* why) {
  if (!buffer.get(level.width) || !buffer.get(level.height) || !readVec2(buffer, level.start) ||
      !readVec2(buffer, level.exitA) || !readVec2(buffer, level.exitB) ||
      !buffer.get(level.backParallax) || !buffer.get(level.frontParallax) ||
      !buffer.get(level.backRepeat) || !buffer.get(level.frontRepeat))
    return fail(why, "block ends inside the level header");
  if (!checkLevelSize(level.width, level.height, why)) return false;
  if (!finite(level.start) || !finite(level.exitA) || !finite(level.exitB))
    return fail(why, "start or exit is not finite");
  if (level.backParallax >= kTableEntries)
    return fail(why, "back parallax " + std::to_string(level.backParallax) + " is past the table");
  if (level.frontParallax >= kTableEntries)
    return fail(why, "front parallax " + std::to_string(level.frontParallax) + " is past the table");
  if (!finite(level.backRepeat) || !finite(level.frontRepeat))
    return fail(why, "parallax repeat is not finite");
  return readTerrain(buffer, level.terrain, why) &&
         readList(buffer, level.enemies, kEnemyRecordBytes, "enemy", readEnemy, why) &&
         readList(buffer, level.props, kPropRecordBytes, "prop", readProp, why) &&
         readList(buffer, level.turrets, kTurretRecordBytes, "turret", readTurret, why) &&
         readList(buffer, level.decals, kDecalRecordBytes, "decal", readDecal, why);
}

}  // namespace

bool readLevel(Kettar::ByteBuffer& buffer, LevelRecord& level, std::string* why) {
  // The records can take more room than the block's bytes, more than a 32-bit build may have.
  try {
    return readLevelRecords(buffer, level, why);
  } catch (const std::bad_alloc&) {
    return fail(why, "no memory for the block's records");
  }
}

void writeLevel(Kettar::ByteBuffer& buffer, const LevelRecord& level) {
  buffer.put(level.width);
  buffer.put(level.height);
  putVec2(buffer, level.start);
  putVec2(buffer, level.exitA);
  putVec2(buffer, level.exitB);
  buffer.put(level.backParallax);
  buffer.put(level.frontParallax);
  buffer.put(level.backRepeat);
  buffer.put(level.frontRepeat);
  writeTerrain(buffer, level.terrain);
  writeList(buffer, level.enemies, writeEnemy);
  writeList(buffer, level.props, writeProp);
  writeList(buffer, level.turrets, writeTurret);
  writeList(buffer, level.decals, writeDecal);
}

bool checkLevel(const LevelRecord& level, std::string* why) {
  for (size_t i = 0; i < level.terrain.polygons.size(); ++i) {
    // The reader cleans fixed codes and repeated ids; a record built by hand
    // must already be clean, so it is checked as it is.
    std::string reason;
    if (!checkPolygon(level.terrain.polygons[i], &reason))
      return fail(why, "polygon " + std::to_string(i) + ": " + reason);
    for (const ferrox::QuarkRecord& q : level.terrain.polygons[i].body.quarks)
      if (q.kind != ferrox::kBlockFixed || q.mass != kFixedQuarkMass || q.damping != 0.0f)
        return fail(why, "polygon " + std::to_string(i) + ": vertices must be fixed quarks");
    for (const ferrox::LinkRecord& l : level.terrain.polygons[i].body.links)
      if (l.kind != ferrox::kBlockFixed || l.internal != 0)
        return fail(why, "polygon " + std::to_string(i) + ": edges must be fixed links");
  }
  return checkByReading(level, writeLevel, readLevel, why);
}

namespace {

// The three words every level file starts with, read from where the stream stands.
bool readMagic(std::istream& in) {
  uint32_t words[3] = {0, 0, 0};
  in.read(reinterpret_cast<char*>(words), sizeof words);
  return in && words[0] == kMagic1 && words[1] == kMagic2 && words[2] == kVersion;
}

}  // namespace

bool readHeader(std::istream& in, float& bestTime) {
  if (!readMagic(in)) return false;
  float time = 0.0f;
  in.read(reinterpret_cast<char*>(&time), sizeof time);
  if (!in) return false;
  bestTime = time;
  return true;
}

void writeHeader(std::ostream& out, float bestTime) {
  const uint32_t words[3] = {kMagic1, kMagic2, kVersion};
  out.write(reinterpret_cast<const char*>(words), sizeof words);
  out.write(reinterpret_cast<const char*>(&bestTime), sizeof bestTime);
}

bool readFile(const std::string& path, LevelRecord& level, float& bestTime, bool& headerRead,
              std::string* why) {
  headerRead = false;
  std::ifstream in(path, std::ios::binary);
  if (!in) return fail(why, "cannot open " + path);
  if (!readHeader(in, bestTime)) return fail(why, "not a level file");
  headerRead = true;
  Kettar::ByteBuffer buffer;
  if (!buffer.loadCompressed(in)) return fail(why, "damaged block");
  return readLevel(buffer, level, why);
}

// Through the platform's file replacement: Windows' rename refuses to replace
// an existing file.
bool saveFile(const std::string& path, float bestTime, const LevelRecord& level) {
  std::ostringstream out(std::ios::binary);
  writeHeader(out, bestTime);
  Kettar::ByteBuffer buffer;
  writeLevel(buffer, level);
  return buffer.saveCompressed(out) && Kettar::replaceFile(path, out.str());
}

bool writeBestTime(const std::string& path, float bestTime) {
  std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
  if (!file || !readMagic(file)) return false;
  file.seekg(0, std::ios::end);
  const std::streamoff size = file.tellg();
  if (size < std::streamoff(kMinFileSize)) return false;
  file.seekp(kBestTimeOffset, std::ios::beg);
  file.write(reinterpret_cast<const char*>(&bestTime), sizeof bestTime);
  file.flush();
  return static_cast<bool>(file);
}

}  // namespace LevelFile
