#include "game/gorvex.h"

#include <GL/glew.h>

#include <cmath>

#include "ferrox/skeleton_cache.h"
#include "game/angles.h"
#include "game/hero.h"
#include "game/level.h"
#include "game/sprite.h"
#include "kettar/byte_buffer.h"
#include "kettar/mixer.h"

int32_t Gorvex::laserSound = -1;
float Gorvex::defaultRotation = 0.0f;
uint8_t Gorvex::defaultFlip = 0;

namespace {

constexpr int32_t kFrames = 16;
constexpr int32_t kIdleFps = 12;
constexpr int32_t kShootFps = 40;
constexpr float kSoundNear = 0.0f;

float signOf(float v) { return v > 0.0f ? 1.0f : (v < 0.0f ? -1.0f : 0.0f); }

}  // namespace

Gorvex::Gorvex(Vec2 position, const std::string& dataRoot)
    : position_(position),
      rotation_(defaultRotation),
      interval_(kGorvexInterval),
      phase_(kGorvexPhase),
      flip_(defaultFlip) {
  setup(dataRoot);
}

Gorvex::Gorvex(const LevelFile::TurretRecord& record, const std::string& dataRoot)
    : position_(record.position),
      rotation_(record.rotation),
      interval_(record.interval),
      phase_(record.phase),
      flip_(record.flip) {
  setup(dataRoot);
}

void Gorvex::setup(const std::string& dataRoot) {
  if (laserSound == -1 && Kettar::mixer != nullptr)
    laserSound = Kettar::mixer->loadSound((dataRoot + kLaserSoundPath).c_str());
  body_ = std::make_unique<ferrox::Skeleton>(ferrox::SkeletonCache::get(dataRoot + kSkeletonPath),
                                             position_, true);
  if (flip_) body_->mirror(0.0f);
  body_->rotate(rotation_);
  idleSprite_ = std::make_unique<Sprite>(dataRoot + kIdleSpritePath, kFrames, kIdleFps, true);
  shootSprite_ = std::make_unique<Sprite>(dataRoot + kShootSpritePath, kFrames, kShootFps, false);
  fired_ = 0;
  current_ = idleSprite_.get();
  // The first idle period lasts phase percent of the interval.
  timer_.setBack(static_cast<double>(interval_) - 0.01 * interval_ * phase_);
}

Gorvex::~Gorvex() = default;

LevelFile::TurretRecord Gorvex::record() const {
  LevelFile::TurretRecord r;
  r.position = position_;
  r.rotation = rotation_;
  r.interval = interval_;
  r.phase = phase_;
  r.flip = flip_;
  return r;
}

void Gorvex::write(Kettar::ByteBuffer& buffer) const { LevelFile::writeTurret(buffer, record()); }

void Gorvex::setListIndex(uint32_t slot) {
  id_ = static_cast<int32_t>(slot);
  body_->id = id_;
}

bool Gorvex::update() {
  if (current_ == idleSprite_.get()) {
    if (timer_.elapsed() > static_cast<double>(interval_)) {
      current_ = shootSprite_.get();
      shootSprite_->setFrame(0);
      timer_.restart();
    }
  } else {
    if (timer_.elapsed() > kFireTime && !fired_) {
      fire();
      fired_ = 1;
    }
    if (timer_.elapsed() > kShootTime) {
      current_ = idleSprite_.get();
      timer_.restart();
      fired_ = 0;
    }
  }
  return true;
}

Vec2 Gorvex::fireDirection(float rotation, bool flip) {
  const double c = flip ? -1.0 : 1.0;
  const double r = rotation / kDegreesPerRadian;
  return Vec2(static_cast<float>(c * std::cos(r)), static_cast<float>(c * std::sin(r)));
}

float Gorvex::soundAngle(Vec2 hero, Vec2 turret) {
  const float dx = hero.x - turret.x;
  const float x = hero.y - turret.y;
  float g;
  if (x < -1.0f) {
    g = -180.0f;
  } else if (!(x <= 1.0f)) {
    g = -0.0f;
  } else {
    g = static_cast<float>(-(std::acos(static_cast<double>(x)) * kDegreesPerRadian));
  }
  float angle = g * signOf(dx);
  if (angle < 0.0f) angle += 360.0f;
  return angle;
}

void Gorvex::fire() {
  if (body_->quarks.count <= kBarrelTip || Level::current == nullptr) return;
  const Vec2 q = body_->quarks[kBarrelTip]->position;
  const Vec2 d = fireDirection(rotation_, flip_ != 0);
  Level::current->addLaser(q + d * kMuzzleGap, d);
  if (target_ == nullptr || Kettar::mixer == nullptr) return;
  const Vec3 h = target_->position();
  const Vec2 hero(h.x, h.y);
  const Vec2 offset = hero - position_;
  Kettar::mixer->playSound(laserSound, false, offset.length(), kSoundNear, kSoundFar,
                           soundAngle(hero, position_));
}

void Gorvex::draw() {
  glPolygonOffset(-1.0f, -1.5f);
  glPushMatrix();
  glTranslatef(position_.x, position_.y, 0.0f);
  glRotatef(rotation_, 0.0f, 0.0f, 1.0f);
  if (flip_) {
    current_->drawRect(Vec2(kHalfSize, -kHalfSize), Vec2(-kHalfSize, kHalfSize), 0.0f);
  } else {
    current_->drawRect(Vec2(-kHalfSize, -kHalfSize), Vec2(kHalfSize, kHalfSize), 0.0f);
  }
  glPopMatrix();
}

void Gorvex::setFlip(bool flip) {
  if (flip == (flip_ != 0)) return;
  flip_ = flip ? 1 : 0;
  body_->mirror(rotation_);
  defaultFlip = flip_;
}

void Gorvex::setRotation(float degrees) {
  if (degrees == rotation_) return;
  body_->rotate(degrees - rotation_);
  rotation_ = degrees;
  defaultRotation = degrees;
}
