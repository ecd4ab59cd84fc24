#pragma once
// The records of a level file (.orl) as plain data, read from and written to a
// Kettar::ByteBuffer with no window and no physics. The level reads and writes
// through this layer and the data builder's level compiler writes through it
// too, so the two never disagree on the format.
//
// A file is the 12-byte magic, the f32 best time, then one compressed block
// holding a LevelRecord. Every reader checks what it reads (counts against the
// bytes that remain and what their lists may hold, kinds and indices against
// their tables, sizes and floats) and fails with a reason instead of trusting
// the file.

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "ferrox/body_block.h"
#include "ferrox/vec2.h"

namespace Kettar {
class ByteBuffer;
}

namespace LevelFile {

constexpr uint32_t kMagic1 = 0x67E87B95u;
constexpr uint32_t kMagic2 = 0x04A9D6B2u;
constexpr uint32_t kVersion = 9;
// Magic and best time; the compressed block follows.
constexpr uint32_t kHeaderSize = 16;
constexpr uint32_t kBestTimeOffset = 12;
// The header and the block's two sizes: the least a level file can be.
constexpr uint32_t kMinFileSize = kHeaderSize + 8;
constexpr float kNoBestTime = 9999.0f;

// Entries in each texture table (parallax, terrain, border); some are empty.
constexpr uint32_t kTableEntries = 10;
constexpr uint32_t kEnemyKinds = 3;
constexpr uint32_t kPropKinds = 3;
constexpr uint32_t kDecalEntries = 480;
// The world grid has 25 cells per square unit: sizes past these are refused
// before anything is allocated for them.
constexpr float kMaxLevelSide = 1000.0f;
constexpr float kMaxLevelArea = 40000.0f;
// No edge of the game is thicker; a larger radius only makes a damaged file
// fill the grid.
constexpr float kMaxLinkRadius = 10.0f;

// What the game makes a terrain polygon's vertices and edges with.
constexpr float kFixedQuarkMass = 999999.0f;
constexpr float kEdgeRadius = 0.06f;
constexpr float kEdgeFriction = 2.0f;

struct PolygonRecord {
  uint8_t orientation = 0;  // 1 puts the border strip on the right of the outline
  std::vector<uint32_t> noHookEdges;  // link slots of type 1, each once
  std::vector<uint32_t> deadlyEdges;  // link slots of type 2, each once, none of type 1
  // Fixed quarks (the vertices in outline order) and fixed links (the edges).
  ferrox::BodyBlock body;
};

struct TerrainRecord {
  uint32_t textureIndex = 0;        // into the terrain texture table
  uint32_t borderTextureIndex = 0;  // into the border texture table
  float textureScale = 0.3f;
  uint8_t inverted = 0;
  std::vector<PolygonRecord> polygons;
};

struct EnemyRecord {
  uint32_t kind = 0;  // below kEnemyKinds
  Vec2 position;
};

struct PropRecord {
  uint32_t kind = 0;  // below kPropKinds
  Vec2 position;
};

struct TurretRecord {
  Vec2 position;
  float rotation = 0.0f;  // degrees
  float interval = 0.0f;  // seconds between volleys
  float phase = 0.0f;     // percent of the interval
  uint8_t flip = 0;       // nonzero: mirrored; kept as read, so a file writes back unchanged
};

struct DecalRecord {
  uint32_t index = 0;  // below kDecalEntries
  Vec2 position;
  float scale = 1.0f;
  float rotation = 0.0f;  // degrees
  // Nonzero: mirrored left to right, top to bottom; kept as read.
  uint8_t flipX = 0;
  uint8_t flipY = 0;
};

struct LevelRecord {
  float width = 0.0f;  // the level rectangle is centred on the origin
  float height = 0.0f;
  Vec2 start;
  Vec2 exitA;
  Vec2 exitB;
  uint32_t backParallax = 0;   // into the back parallax table
  uint32_t frontParallax = 0;  // into the front parallax table
  float backRepeat = 1.0f;
  float frontRepeat = 1.0f;
  TerrainRecord terrain;
  std::vector<EnemyRecord> enemies;
  std::vector<PropRecord> props;
  std::vector<TurretRecord> turrets;
  std::vector<DecalRecord> decals;
};

// Each reader fails (false, with the reason in why when given) on a short or
// damaged record; the cursor is then somewhere inside it. A polygon's body is
// the physics library's body block; its quarks and links are read as fixed
// whatever their block code, as the game builds them, and repeated edge ids
// are dropped (an id of both types keeps type 1).
bool readPolygon(Kettar::ByteBuffer& buffer, PolygonRecord& polygon, std::string* why = nullptr);
bool readTerrain(Kettar::ByteBuffer& buffer, TerrainRecord& terrain, std::string* why = nullptr);
bool readEnemy(Kettar::ByteBuffer& buffer, EnemyRecord& enemy, std::string* why = nullptr);
bool readProp(Kettar::ByteBuffer& buffer, PropRecord& prop, std::string* why = nullptr);
bool readTurret(Kettar::ByteBuffer& buffer, TurretRecord& turret, std::string* why = nullptr);
bool readDecal(Kettar::ByteBuffer& buffer, DecalRecord& decal, std::string* why = nullptr);
// The whole raw block: checks the level size before anything else is read.
bool readLevel(Kettar::ByteBuffer& buffer, LevelRecord& level, std::string* why = nullptr);

// Writers append exactly what the readers read, in the same order and widths.
void writePolygon(Kettar::ByteBuffer& buffer, const PolygonRecord& polygon);
void writeTerrain(Kettar::ByteBuffer& buffer, const TerrainRecord& terrain);
void writeEnemy(Kettar::ByteBuffer& buffer, const EnemyRecord& enemy);
void writeProp(Kettar::ByteBuffer& buffer, const PropRecord& prop);
void writeTurret(Kettar::ByteBuffer& buffer, const TurretRecord& turret);
void writeDecal(Kettar::ByteBuffer& buffer, const DecalRecord& decal);
void writeLevel(Kettar::ByteBuffer& buffer, const LevelRecord& level);

// The checks the readers make, for records built by hand (the data builder
// runs them before it writes). True when a reader would accept the record.
bool checkLevelSize(float width, float height, std::string* why = nullptr);
bool checkPolygon(const PolygonRecord& polygon, std::string* why = nullptr);
bool checkLevel(const LevelRecord& level, std::string* why = nullptr);

// A polygon as the game makes one: a fixed quark per outline point and the
// edges i -> i + 1 (the last back to 0), untyped.
PolygonRecord polygonFromOutline(const std::vector<Vec2>& outline, uint8_t orientation);

// The 16-byte header on the stream. readHeader is false on a short stream or a
// wrong magic word; the best time is only written on success.
bool readHeader(std::istream& in, float& bestTime);
void writeHeader(std::ostream& out, float bestTime);

// A whole file. headerRead tells whether the magic passed (the best time is
// then valid even when the block fails, which the game relies on).
bool readFile(const std::string& path, LevelRecord& level, float& bestTime, bool& headerRead,
              std::string* why = nullptr);
// Replaces the file through Kettar::replaceFile: a failed save leaves the old
// file as it was, unless it had to be written in place (replaceFile says when),
// where a failed save leaves it cut short.
bool saveFile(const std::string& path, float bestTime, const LevelRecord& level);
// Rewrites bytes 12-15 in place, nothing else; false, with the file untouched,
// unless it is at least kMinFileSize bytes and starts with the level magic.
bool writeBestTime(const std::string& path, float bestTime);

}  // namespace LevelFile
