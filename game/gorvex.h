#pragma once
// A turret: a fixed soft body placed with a rotation and an optional mirror
// image. It is never stepped and never leaves the grid, so it stays where it
// was placed and other bodies collide with it. It alternates between an idle
// strip and a shooting strip on its own stopwatch, wall-clock time that a
// paused level does not stop, and fires one laser a volley from its barrel
// tip, with the laser sound placed by where the hero is.

#include <cstdint>
#include <memory>
#include <string>

#include "ferrox/skeleton.h"
#include "ferrox/vec2.h"
#include "game/level_file.h"
#include "kettar/platform/program_directory.h"
#include "kettar/platform/texture_extension.h"
#include "kettar/stopwatch.h"

class Hero;
class Sprite;

namespace Kettar {
class ByteBuffer;
}

class Gorvex {
 public:
  // Below the data root.
  static constexpr const char* kSkeletonPath = "data/skeletons/gorvex.fsk";
  static constexpr const char* kIdleSpritePath = "data/sprites/gorvex-idle" KETTAR_TEXTURE_EXTENSION;
  static constexpr const char* kShootSpritePath = "data/sprites/gorvex-shoot" KETTAR_TEXTURE_EXTENSION;
  static constexpr const char* kLaserSoundPath = "data/audio/sounds/laser.wav";
  // The barrel tip; a body without it (a missing skeleton) fires nothing.
  static constexpr uint32_t kBarrelTip = 12;
  // Idle time and phase (percent) of a turret made by the editor.
  static constexpr float kGorvexInterval = 1.0f;
  static constexpr float kGorvexPhase = 100.0f;
  // Seconds into the shooting strip: the laser leaves, then the strip is cut.
  static constexpr double kFireTime = 0.25;
  static constexpr double kShootTime = 0.4;
  // Lasers start this far beyond the barrel tip.
  static constexpr float kMuzzleGap = 0.2f;
  // Half the side of the drawn square.
  static constexpr float kHalfSize = 0.75f;
  // The laser sound is heard up to this distance.
  static constexpr float kSoundFar = 17.5f;

  // -1 until the first turret set-up loads it (with a mixer).
  static int32_t laserSound;
  // Rotation and mirror flag of the next turret the editor makes: the last
  // values given to setRotation and setFlip.
  static float defaultRotation;
  static uint8_t defaultFlip;

  // The editor's turret: default rotation and flip, kGorvexInterval, kGorvexPhase.
  explicit Gorvex(Vec2 position, const std::string& dataRoot = Kettar::executableDirectory);
  // A turret of a level file.
  explicit Gorvex(const LevelFile::TurretRecord& record,
                  const std::string& dataRoot = Kettar::executableDirectory);
  ~Gorvex();
  Gorvex(const Gorvex&) = delete;
  Gorvex& operator=(const Gorvex&) = delete;

  LevelFile::TurretRecord record() const;
  // Appends the 21-byte record.
  void write(Kettar::ByteBuffer& buffer) const;

  // One game step: idle until the interval has passed, then shooting for
  // kShootTime with one laser at kFireTime. Always true: turrets go only with
  // their level.
  bool update();
  // A laser from the barrel tip into the current level, and its sound.
  void fire();
  void draw();
  // Editor operations: the body is mirrored or turned to match.
  void setFlip(bool flip);
  void setRotation(float degrees);
  // The hero the laser sound is placed by; null (no sound) until the level sets it.
  void setTarget(const Hero* hero) { target_ = hero; }

  // The unit firing direction of a turret turned by rotation degrees, mirrored
  // when flip is set.
  static Vec2 fireDirection(float rotation, bool flip);
  // The laser sound's angle in degrees (0 .. 360) for the hero at hero and the
  // turret at turret. Only the height difference enters the cosine, not
  // divided by the distance: the sound swings round only within one unit of
  // the turret's height.
  static float soundAngle(Vec2 hero, Vec2 turret);

  // Slot in the level's list, written by the list into the turret and its body.
  void setListIndex(uint32_t slot);

  int32_t id() const { return id_; }
  Vec2 position() const { return position_; }
  float rotation() const { return rotation_; }
  float interval() const { return interval_; }
  float phase() const { return phase_; }
  bool flipped() const { return flip_ != 0; }
  bool shooting() const { return current_ == shootSprite_.get(); }
  ferrox::Skeleton* body() const { return body_.get(); }
  const Sprite* currentSprite() const { return current_; }

 private:
  void setup(const std::string& dataRoot);

  int32_t id_ = 0;            // slot in the level's turret list
  Vec2 position_;             // placement point
  float rotation_ = 0.0f;     // degrees, counter-clockwise
  float interval_ = 0.0f;     // seconds of idle strip between volleys
  float phase_ = 0.0f;        // percent of the interval the first idle period lasts
  uint8_t flip_ = 0;          // nonzero: mirrored; a level file's byte is kept as read
  // Held so that a set-up stopped by a full heap frees what it had built.
  std::unique_ptr<ferrox::Skeleton> body_;
  std::unique_ptr<Sprite> idleSprite_;
  std::unique_ptr<Sprite> shootSprite_;
  Sprite* current_ = nullptr;         // idleSprite_ or shootSprite_: also the state
  Kettar::Stopwatch timer_;           // time in the current state
  uint8_t fired_ = 0;                 // this volley's laser has left
  const Hero* target_ = nullptr;      // not owned
};
