#pragma once
// A loose physical object of a level: a crate, a barrel or a long bar, built
// from a skeleton template, falling, rolling and pushed around, drawn as one
// textured quad turned with the body.

#include <cstdint>
#include <memory>
#include <string>

#include "ferrox/skeleton.h"
#include "ferrox/vec2.h"
#include "game/level_file.h"
#include "kettar/platform/program_directory.h"

namespace Kettar {
class ByteBuffer;
}

class Prop {
 public:
  static constexpr uint32_t kKinds = LevelFile::kPropKinds;
  struct Asset {
    const char* skeleton;  // below the data root
    const char* texture;   // below the data root
    float halfSize;        // half the drawn width
  };
  static const Asset kPropAssets[kKinds];

  // A kind past the table is taken as kind 0 (the level file reader refuses
  // such records).
  Prop(Vec2 position, uint32_t kind, const std::string& dataRoot = Kettar::executableDirectory);
  explicit Prop(const LevelFile::PropRecord& record,
                const std::string& dataRoot = Kettar::executableDirectory);
  ~Prop();
  Prop(const Prop&) = delete;
  Prop& operator=(const Prop&) = delete;

  // The record it was made from: the placement, not where it has rolled to.
  LevelFile::PropRecord record() const;
  // Appends the 12-byte record.
  void write(Kettar::ByteBuffer& buffer) const;

  void update(float dt);
  void leaveGrid();
  void draw() const;

  // The signed angle in degrees, counter-clockwise positive, from the unit
  // reference direction to the unit current one; exactly opposite gives 180.
  static float signedAngle(Vec2 reference, Vec2 current);
  // How far the body has turned since the prop was built; 0 for an empty body.
  float angle() const;

  uint32_t kind() const { return kind_; }
  Vec2 position() const { return position_; }
  Vec2 referenceDirection() const { return reference_; }
  ferrox::Skeleton* body() const { return body_.get(); }
  int32_t texture() const { return texture_; }
  float aspect() const { return aspect_; }

 private:
  void setup(const std::string& dataRoot);
  // From the centroid to quark 0, length 1 (zero when they coincide).
  Vec2 direction() const;

  uint32_t kind_;
  Vec2 position_;         // placement; written back unchanged
  Vec2 reference_;        // direction() when built: the texture is upright along it
  // Held so that a constructor stopped by a full heap frees the body.
  std::unique_ptr<ferrox::Skeleton> body_;  // empty (no quarks) when the skeleton is missing
  int32_t texture_ = -1;  // owned by the texture manager; -1 when not loaded
  float aspect_ = 1.0f;   // texture height / width; 1 without a texture of some width
};
