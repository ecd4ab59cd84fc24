#pragma once
// A decorative textured quad of a level: a picture from the fixed catalogue of
// 480 decal textures, placed with a scale, a rotation and optional mirroring,
// drawn in front of the terrain. No physics. A plain value: the level holds its
// decals by value and draws them in list order.

#include <array>
#include <cstdint>
#include <string>

#include "ferrox/vec2.h"
#include "game/level_file.h"
#include "kettar/platform/program_directory.h"

namespace Kettar {
class ByteBuffer;
}

class Decal {
 public:
  static constexpr uint32_t kEntries = LevelFile::kDecalEntries;
  // Index = theme × 80 + kind × 16 + (n − 1): "data/decals/THEME/KIND/decal-NN.ktr" (the
  // build's texture extension) below the data root, built once at start-up in index order.
  static const std::array<std::string, kEntries> kDecalPaths;
  // What a new decal gets; nothing in the game changes them.
  static constexpr float kNewScale = 1.0f;
  static constexpr float kNewRotation = 0.0f;
  static constexpr bool kNewFlipX = false;
  static constexpr bool kNewFlipY = false;

  // The editor's decal at the new-decal defaults. An index past the catalogue
  // loads nothing (the level file reader refuses such records).
  Decal(Vec2 position, uint32_t index, const std::string& dataRoot = Kettar::executableDirectory);
  explicit Decal(const LevelFile::DecalRecord& record,
                 const std::string& dataRoot = Kettar::executableDirectory);

  LevelFile::DecalRecord record() const;
  // Appends the 22-byte record.
  void write(Kettar::ByteBuffer& buffer) const;

  // Texture and aspect from the catalogue entry, then the texture coordinates.
  void loadTexture(const std::string& dataRoot = Kettar::executableDirectory);
  // The texture coordinates of the quad's edges from the flips.
  void updateTexCoords();
  // The scale acts in the vertices and again in the matrix: the drawn quad is
  // 2·scale² wide and 2·scale²·aspect high.
  void draw() const;
  // Strictly inside the rotated rectangle of half-width scale and half-height
  // aspect·scale about the position: the scale counts once here, so for a
  // scale other than 1 this is not the drawn area.
  bool contains(Vec2 point) const;

  uint32_t index = 0;      // catalogue entry, below kEntries for a loaded decal
  Vec2 position;           // centre of the quad
  float aspect = 1.0f;     // texture height / width; 1 without a texture of some width
  float scale = kNewScale;
  float rotation = kNewRotation;  // degrees, counter-clockwise about the centre
  int32_t texture = -1;    // owned by the texture manager; -1 when not loaded
  // Nonzero: mirrored left to right, top to bottom; a level file's bytes as read.
  uint8_t flipX = 0;
  uint8_t flipY = 0;
  // Derived from the flips by updateTexCoords.
  float uLeft = 0.01f;
  float uRight = 0.99f;
  float vBottom = 0.99f;
  float vTop = 0.01f;
};
