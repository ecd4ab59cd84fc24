#include "game/enemy.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>

#include "ferrox/skeleton_cache.h"
#include "game/angles.h"
#include "game/hero.h"
#include "game/sprite.h"
#include "kettar/byte_buffer.h"
#include "kettar/mixer.h"
#include "kettar/particle_system.h"
#include "kettar/platform/texture_extension.h"

const char* const Enemy::kEnemySkeletons[kKinds] = {
    "data/skeletons/blob-01.fsk", "data/skeletons/blob-02.fsk", "data/skeletons/skarnox.fsk"};
const char* const Enemy::kEnemySprites[kKinds] = {
    "data/sprites/vaxer" KETTAR_TEXTURE_EXTENSION, "data/sprites/vazer" KETTAR_TEXTURE_EXTENSION,
    "data/sprites/skarnox" KETTAR_TEXTURE_EXTENSION};
const int32_t Enemy::kEnemyFrames[kKinds] = {8, 8, 16};
const int32_t Enemy::kEnemyFps[kKinds] = {20, 20, 20};
const float Enemy::kEnemyRange[kKinds] = {4.0f, 4.0f, 6.0f};
const float Enemy::kEnemyForce[kKinds] = {3.0f, 3.0f, 4.0f};
const float Enemy::kEnemyMinForce[kKinds] = {16.0f, 16.0f, 20.0f};

int32_t Enemy::brainDeathSound = -1;

namespace {

// The burst of a killed enemy: 750 points at once that fall as one cloud.
constexpr int32_t kBurstCount = 750;
constexpr float kBurstPointSize = 80.0f;
constexpr float kBurstStartLimit = 0.1f;
const Vec3 kBurstAcceleration(0.0f, -8.0f, 0.0f);
const Kettar::ParticleParams kBurst = {
    Vec3(0.1f, 0.1f, 0.0f),      Vec3(-5.0f, -3.0f, 0.0f),    Vec3(5.0f, 5.0f, 0.0f), 5.0f,
    Vec4(1.0f, 0.5f, 0.5f, 1.0f), Vec4(1.0f, 0.9f, 0.9f, 1.0f), Vec4(1.0f, 1.0f, 1.0f, 0.0f),
    2.0f,                         0.0f,                         2.0f};

// Full volume in the middle: distance 1 between near 1 and far 2.
constexpr float kSoundDistance = 1.0f;
constexpr float kSoundNear = 1.0f;
constexpr float kSoundFar = 2.0f;
constexpr float kSoundAngle = 1.0f;

ferrox::Skeleton* bodyFor(uint32_t kind, Vec2 position, const std::string& dataRoot) {
  return new ferrox::Skeleton(ferrox::SkeletonCache::get(dataRoot + Enemy::kEnemySkeletons[kind]),
                              position, true);
}

Sprite* spriteFor(uint32_t kind, const std::string& dataRoot) {
  return new Sprite(dataRoot + Enemy::kEnemySprites[kind], Enemy::kEnemyFrames[kind],
                    Enemy::kEnemyFps[kind], true);
}

Vec2 unit(Vec2 v) {
  v.setLength(1.0f);
  return v;
}

}  // namespace

Enemy::Enemy(uint32_t kind, Vec2 position, const std::string& dataRoot)
    : kind_(kind < kKinds ? kind : 0),
      position_(position),
      body_(bodyFor(kind_, position, dataRoot)),
      sprite_(spriteFor(kind_, dataRoot)) {}

Enemy::Enemy(const LevelFile::EnemyRecord& record, const std::string& dataRoot)
    : Enemy(record.kind, record.position, dataRoot) {
  if (brainDeathSound == -1 && Kettar::mixer != nullptr)
    brainDeathSound = Kettar::mixer->loadSound((dataRoot + kBrainDeathSoundPath).c_str());
}

Enemy::~Enemy() = default;

LevelFile::EnemyRecord Enemy::record() const { return {kind_, position_}; }

void Enemy::write(Kettar::ByteBuffer& buffer) const { LevelFile::writeEnemy(buffer, record()); }

void Enemy::setListIndex(uint32_t slot) {
  id_ = static_cast<int32_t>(slot);
  body_->id = id_;
}

void Enemy::leaveGrid() { body_->leaveGrid(false); }

void Enemy::kill() { killed_ = 1; }

float Enemy::steering(uint32_t kind, float distance) {
  if (kind >= kKinds || !(distance > kNearest && distance < kEnemyRange[kind])) return 0.0f;
  return std::max(kEnemyForce[kind] / distance, kEnemyMinForce[kind]);
}

bool Enemy::update(float dt) {
  if (killed_) {
    const Vec2 c = body_->centroid();
    Kettar::spawnParticles(kBurstCount, kBurstPointSize, Vec3(c.x, c.y, 0.1f), Vec3(),
                           kBurstAcceleration, kBurstStartLimit, kBurst);
    if (Kettar::mixer != nullptr)
      Kettar::mixer->playSound(brainDeathSound, false, kSoundDistance, kSoundNear, kSoundFar,
                               kSoundAngle);
    return false;
  }
  if (target_ != nullptr) {
    const Vec3 t = target_->position();
    Vec2 d = Vec2(t.x, t.y) - body_->centroid();
    const float a = steering(kind_, d.length());
    if (a > 0.0f) {
      d.setLength(a);
      body_->addForce(d);
    }
  }
  body_->step(dt);
  return true;
}

bool Enemy::spriteCorners(Vec2 (&corners)[4]) const {
  if (body_->quarks.count < 4) return false;
  Vec2 out[4];
  for (uint32_t i = 0; i < 4; ++i) {
    const Vec2 q = body_->quarks[i]->position;
    const Vec2 u = unit(body_->quarks[(i + 3) % 4]->position - q);
    const Vec2 w = unit(body_->quarks[(i + 1) % 4]->position - q);
    const float x = u.dot(w);
    // Half the angle between the two edges at the corner.
    double h = 0.0;
    if (x < -1.0f) {
      h = 90.0;
    } else if (x <= 1.0f) {
      h = std::acos(x) * kDegreesPerRadian * 0.5;
    }
    h /= kDegreesPerRadian;
    const float c = static_cast<float>(std::cos(h));
    const float s = static_cast<float>(std::sin(h));
    Vec2 v(c * u.x - s * u.y, s * u.x + c * u.y);
    v.setLength(kCornerMargin);
    out[i] = q - v;
  }
  corners[0] = out[2];
  corners[1] = out[3];
  corners[2] = out[0];
  corners[3] = out[1];
  return true;
}

void Enemy::draw() {
  Vec2 c[4];
  if (!spriteCorners(c)) return;
  glPolygonOffset(-1.0f, -1.5f);
  sprite_->draw(c[0], c[1], c[2], c[3], 0.0f);
}
