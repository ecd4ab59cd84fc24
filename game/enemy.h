#pragma once
// Crawling enemies: small soft bodies that sit in the level until the hero
// comes within range and then pull themselves toward it, every step, with an
// acceleration on all of their quarks. Three kinds, each with its own
// skeleton, sprite strip and steering constants. What an enemy does to the
// hero (heal or hurt) is the hero's business, read from its contact record;
// the grapple kills the hurting kind. A killed enemy bursts with a sound on its
// next update, and the level then deletes it.

#include <cstdint>
#include <memory>
#include <string>

#include "ferrox/skeleton.h"
#include "ferrox/vec2.h"
#include "game/level_file.h"
#include "kettar/platform/program_directory.h"

class Hero;
class Sprite;

namespace Kettar {
class ByteBuffer;
}

class Enemy {
 public:
  static constexpr uint32_t kKinds = LevelFile::kEnemyKinds;
  // By kind; paths below the data root.
  static const char* const kEnemySkeletons[kKinds];
  static const char* const kEnemySprites[kKinds];
  static const int32_t kEnemyFrames[kKinds];
  static const int32_t kEnemyFps[kKinds];
  static const float kEnemyRange[kKinds];
  static const float kEnemyForce[kKinds];
  static const float kEnemyMinForce[kKinds];
  static constexpr const char* kBrainDeathSoundPath = "data/audio/sounds/braindeath.wav";
  // -1 until the first enemy read from a level file loads it (with a mixer);
  // kept for the rest of the run.
  static int32_t brainDeathSound;
  // Closer than this to the hero an enemy no longer pulls.
  static constexpr float kNearest = 0.25f;
  // The sprite's corners lie this far outside the corner quarks.
  static constexpr float kCornerMargin = 0.2f;

  // The editor's enemy; the brain-death sound is not loaded. A kind past the
  // tables is taken as kind 0 (the level file reader refuses such records).
  Enemy(uint32_t kind, Vec2 position, const std::string& dataRoot = Kettar::executableDirectory);
  // An enemy of a level file; loads the brain-death sound when it is still -1.
  explicit Enemy(const LevelFile::EnemyRecord& record,
                 const std::string& dataRoot = Kettar::executableDirectory);
  ~Enemy();
  Enemy(const Enemy&) = delete;
  Enemy& operator=(const Enemy&) = delete;

  // The record the enemy was made from: kind and placement, not where it crawled.
  LevelFile::EnemyRecord record() const;
  // Appends the 12-byte record.
  void write(Kettar::ByteBuffer& buffer) const;

  // The body leaves the grid (not forced) before the level's update.
  void leaveGrid();
  // One step: steering toward the target and the body's step. False once the
  // enemy was killed (after its burst and sound): the level deletes it then.
  bool update(float dt);
  void draw();
  // The enemy bursts and goes on its next update.
  void kill();
  // The hero it crawls toward; null (no steering) until the level sets it.
  void setTarget(const Hero* hero) { target_ = hero; }

  // The acceleration an enemy of the kind pulls with at that distance from the
  // hero: 0 unless the distance lies strictly between kNearest and the range.
  static float steering(uint32_t kind, float distance);
  // The sprite's corners, in the order the sprite takes them; false (nothing
  // written) for a body with fewer than four quarks.
  bool spriteCorners(Vec2 (&corners)[4]) const;

  // Slot in the level's list, written by the list into the enemy and its body.
  void setListIndex(uint32_t slot);

  int32_t id() const { return id_; }
  uint32_t kind() const { return kind_; }
  Vec2 position() const { return position_; }
  ferrox::Skeleton* body() const { return body_.get(); }
  const Sprite* sprite() const { return sprite_.get(); }
  bool killed() const { return killed_ != 0; }

 private:
  int32_t id_ = 0;           // slot in the level's enemy list
  uint32_t kind_;            // below kKinds
  Vec2 position_;            // placement; kept for saving, never updated
  // Held so that a constructor stopped by a full heap frees what it had built.
  std::unique_ptr<ferrox::Skeleton> body_;  // empty (no quarks) when the skeleton is missing
  std::unique_ptr<Sprite> sprite_;
  const Hero* target_ = nullptr;  // not owned
  uint8_t killed_ = 0;
};
