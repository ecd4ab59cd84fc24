#include "game/hero.h"

#include <GL/glew.h>
#include <SDL.h>
#include <SDL_mixer.h>

#include <cmath>
#include <cstdlib>
#include <new>

#include "ferrox/link.h"
#include "ferrox/skeleton_cache.h"
#include "game/level.h"
#include "game/terrain.h"
#include "kettar/mixer.h"
#include "kettar/particle_system.h"
#include "kettar/platform/program_directory.h"
#include "kettar/platform/texture_extension.h"
#include "kettar/sound_group.h"

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kDegrees = 180.0f / kPi;
constexpr float kRadians = kPi / 180.0f;

constexpr float kStartHealth = 100.0f;
constexpr float kHealRate = 0.05f;
constexpr float kHurtRate = 0.075f;
constexpr float kFreeAimRate = 400.0f;  // degrees a second
constexpr float kDriveAcceleration = 12000.0f;
constexpr float kDriveSpeedLimit = 7.0f;  // no drive force from this mean speed on
constexpr float kDriveSpin = 800.0f;      // wheel degrees a second
constexpr float kSwingAcceleration = 5000.0f;  // driving while hanging from the rope
constexpr float kReelOutPush = 10.0f;
constexpr float kRecoil = 900.0f;
constexpr float kJumpSide = 750.0f;
constexpr float kJumpUp = 3000.0f;
constexpr float kWheelSoundSpin = 120.0f;
constexpr float kPieceGravity = 20.0f;
constexpr int32_t kDeadlyEdge = 2;
constexpr int32_t kHealingEnemy = 1;
constexpr int32_t kHurtingEnemy = 2;

// Every hero sound plays at full volume: distance 1 between near 1 and far 2.
constexpr float kSoundDistance = 1.0f;
constexpr float kSoundNear = 1.0f;
constexpr float kSoundFar = 2.0f;
constexpr float kSoundAngle = 1.0f;

// Shared by every hero and filled by the first one built while a mixer exists.
Kettar::SoundGroup jumpSounds;
Kettar::SoundGroup touchSounds;
int32_t wheelSound = -1;  // -1 until loaded
int32_t deathSound = -1;  // -1 until loaded

float signOf(float v) { return v > 0.0f ? 1.0f : (v < 0.0f ? -1.0f : 0.0f); }

// acos in degrees, clamped outside -1 .. 1.
float acosDegrees(float c) {
  if (c < -1.0f) return 180.0f;
  if (c > 1.0f) return 0.0f;
  return std::acos(c) * kDegrees;
}

Vec2 rotated(Vec2 v, float degrees) {
  const float c = std::cos(degrees * kRadians);
  const float s = std::sin(degrees * kRadians);
  return Vec2(v.x * c - v.y * s, v.x * s + v.y * c);
}

// Where the arm sprite sits: a little behind the hinge, on the side the hero faces from.
Vec2 armOffset(bool facingRight, float bodyAngle) {
  const float e = facingRight ? -0.1f : 0.1f;
  return Vec2(std::cos(bodyAngle * kRadians), std::sin(bodyAngle * kRadians)) * e;
}

const Vec2 kWheelOffset(-0.05f, -0.25f);

void fillGroup(Kettar::SoundGroup& group, const std::string& folder) {
  if (!group.handles().empty()) return;
  for (int i = 1; i <= 7; ++i) group.add(folder + (i < 10 ? "0" : "") + std::to_string(i) + ".wav");
}

void loadSounds(const std::string& root) {
  if (Kettar::mixer == nullptr) return;
  fillGroup(jumpSounds, root + "data/audio/sounds/salto/");
  fillGroup(touchSounds, root + "data/audio/sounds/tocco/");
  if (wheelSound == -1) wheelSound = Kettar::mixer->loadSound((root + "data/audio/sounds/wheel.wav").c_str());
  if (deathSound == -1) deathSound = Kettar::mixer->loadSound((root + "data/audio/sounds/death.wav").c_str());
  Grapple::loadSounds(root);
}

int32_t playSound(int32_t sound, bool loop) {
  if (Kettar::mixer == nullptr) return -1;
  return Kettar::mixer->playSound(sound, loop, kSoundDistance, kSoundNear, kSoundFar, kSoundAngle);
}

void playGroup(Kettar::SoundGroup& group) {
  group.playRandom(kSoundDistance, kSoundNear, kSoundFar, kSoundAngle);
}

struct Burst {
  int32_t count;
  float pointSize;
  float startRadiusLimit;
  Kettar::ParticleParams params;
};

enum BurstKind { kHealBurst, kHurtBurst, kDeathBurst, kDeathSparkBurst };

const Burst kBursts[] = {
    {3, 60.0f, 0.4f,
     {Vec3(0.4f, 0.4f, 0.0f), Vec3(-1.0f, -1.0f, 0.0f), Vec3(1.0f, 1.0f, 0.0f), 2.0f,
      Vec4(0.0f, 1.0f, 0.0f, 0.5f), Vec4(0.0f, 1.0f, 0.0f, 0.5f), Vec4(0.0f, 1.0f, 0.0f, 0.0f),
      0.5f, 0.0f, 0.5f}},
    {3, 60.0f, 0.4f,
     {Vec3(0.4f, 0.4f, 0.0f), Vec3(-1.0f, -1.0f, 0.0f), Vec3(1.0f, 1.0f, 0.0f), 2.0f,
      Vec4(1.0f, 0.0f, 0.0f, 0.5f), Vec4(1.0f, 0.0f, 0.0f, 0.5f), Vec4(1.0f, 0.0f, 0.0f, 0.0f),
      0.5f, 0.0f, 0.5f}},
    {750, 80.0f, 0.5f,
     {Vec3(0.5f, 0.5f, 0.0f), Vec3(-5.0f, -3.0f, 0.0f), Vec3(5.0f, 5.0f, 0.0f), 5.0f,
      Vec4(1.0f, 0.0f, 0.0f, 0.5f), Vec4(1.0f, 0.0f, 0.0f, 1.0f), Vec4(1.0f, 0.0f, 0.0f, 1.0f),
      2.0f, 0.0f, 2.0f}},
    {250, 80.0f, 0.5f,
     {Vec3(0.5f, 0.5f, 0.0f), Vec3(-3.0f, -1.5f, 0.0f), Vec3(3.0f, 3.0f, 0.0f), 3.0f,
      Vec4(0.1f, 0.8f, 0.1f, 0.5f), Vec4(0.2f, 0.8f, 0.0f, 0.5f), Vec4(0.1f, 0.8f, 0.1f, 1.0f),
      2.0f, 0.0f, 2.0f}},
};

// The velocity of a piece flung away at death: y is drawn first, then x.
Vec2 flingVelocity() {
  const float y = static_cast<float>(std::rand() % 75) * 0.1f + 5.0f;
  const float x = static_cast<float>(std::rand() % 160) * 0.1f - 8.0f;
  return Vec2(x, y);
}

}  // namespace

std::unique_ptr<Hero> Hero::create(Vec2 start) { return create(start, Kettar::executableDirectory); }

std::unique_ptr<Hero> Hero::create(Vec2 start, const std::string& dataRoot) {
  // A hero the memory cannot hold leaves the level unplayable, as a missing skeleton does.
  try {
    const ferrox::Skeleton& skeleton = ferrox::SkeletonCache::get(dataRoot + kSkeletonPath);
    if (skeleton.quarks.count <= kHingeQuark) return nullptr;
    return std::unique_ptr<Hero>(new Hero(skeleton, start, dataRoot));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

Hero::Hero(const ferrox::Skeleton& skeleton, Vec2 start, const std::string& root)
    : position_(start.x, start.y, 0.0f),
      body_(new ferrox::Skeleton(skeleton, start, false)),
      armBody_(new ferrox::Skeleton(false)),
      hinge_(body_->quarks[kHingeQuark]),
      armQuark_(nullptr),
      bodySprite_(root + "data/sprites/body" KETTAR_TEXTURE_EXTENSION, 8, 10, false),
      armSprite_(root + "data/sprites/arm" KETTAR_TEXTURE_EXTENSION, 16, 10, false),
      wheelSprite_(root + "data/sprites/wheel" KETTAR_TEXTURE_EXTENSION, 16, 10, false) {
  armQuark_ = armBody_->addQuark(ferrox::kStiff, hinge_->position.x + kArmLength,
                                 hinge_->position.y, 0.05f, 0.01f);
  // Internal: the arm takes no part in contacts.
  ferrox::keep(armBody_->links,
               new ferrox::LinkStiff(hinge_, armQuark_, true, false, kArmLength, 0.03f, 0.2f, 0.2f));
  loadSounds(root);
}

Hero::~Hero() {
  grapple_.reset();
  armBody_.reset();
  body_.reset();
}

void Hero::preStep() {
  if (health_ > 0.0f) {
    body_->leaveGrid(false);
    takeContact();
  }
  // A rope left behind by a dead hero goes on.
  if (grapple_) grapple_->preStep();
}

void Hero::takeContact() {
  ferrox::Link* own = body_->lastOwnLink;
  ferrox::Link* other = body_->lastOtherLink;
  body_->lastOwnLink = nullptr;
  body_->lastOtherLink = nullptr;
  contact_ = Contact();
  if (own == nullptr || other == nullptr) return;
  contact_.touched = true;
  contact_.ownQuark = own->a;
  const Level* level = Level::current;
  if (level != nullptr) {
    contact_.enemyKind = level->enemyKind(other->a->owner);
    contact_.laser = level->isLaserBody(other->a->owner);
  }
  if (other->kind() == ferrox::kFixed) {
    contact_.terrain = true;
    contact_.deadly = level != nullptr && level->terrain != nullptr &&
                      level->terrain->hasEdgeType(other->a->owner, other->index, kDeadlyEdge);
    contact_.edge = other->b->position - other->a->position;
    contact_.edge.setLength(1.0f);
  }
}

bool Hero::step(float dt) {
  if (health_ <= 0.0f) {
    if (grapple_) grapple_->step(dt);
    for (Piece& p : pieces_) {
      p.velocity.y -= kPieceGravity * dt;
      p.position += p.velocity * dt;
      p.angle += p.spin * dt;
    }
    return true;
  }

  if (armAngle_ > 180.0f) {
    armAngle_ -= 360.0f;
  } else if (armAngle_ < -180.0f) {
    armAngle_ += 360.0f;
  }
  centre_ = body_->centroid();
  Vec2 up = hinge_->position - centre_;
  up.setLength(1.0f);
  bodyAngle_ = -signOf(up.x) * acosDegrees(up.y);
  if (grapple_) {
    hangArm(up, dt);
  } else {
    placeArm();
  }

  wheelAngle_ += wheelSpin_ * dt;
  wheelSpin_ *= 0.999f * (1.0f - dt);
  groundLevel_ *= 0.9f * (1.0f - dt);
  if (groundLevel_ < 0.5f) onGround_ = 0;

  body_->step(dt);
  if (grapple_ && !grapple_->step(dt)) grapple_.reset();
  const Vec2 mass = body_->centreOfMass();
  position_ = Vec3(mass.x, mass.y, 0.0f);

  const Contact touch = contact_;
  contact_ = Contact();
  if (touch.touched) {
    if (touch.enemyKind == kHealingEnemy) {
      if (health_ < kStartHealth) {
        health_ += kHealRate;
        burst(kHealBurst);
      }
    } else if (touch.enemyKind == kHurtingEnemy) {
      burst(kHurtBurst);
      health_ -= kHurtRate;
      if (health_ <= 0.0f) {
        die();
        return false;
      }
    } else if (touch.laser) {
      die();
      return false;
    }
    if (touch.terrain) {
      if (touch.deadly) {
        die();
        return false;
      }
      const Vec2 v = touch.ownQuark->velocity();
      Vec2 u = v;
      u.setLength(1.0f);
      if (std::fabs(touch.edge.dot(u)) < 0.75f && v.length() > 2.0f && !onGround_) {
        playGroup(touchSounds);
      }
    }
    onGround_ = 1;
    groundLevel_ = 1.0f;
  }
  updateWheelSound();
  return true;
}

void Hero::placeArm() {
  const float a = (bodyAngle_ + armAngle_) * kRadians;
  armQuark_->setPosition(hinge_->position + Vec2(-std::sin(a), std::cos(a)) * kArmLength);
}

void Hero::hangArm(Vec2 up, float dt) {
  armBody_->step(dt);
  Vec2 d = armQuark_->position - hinge_->position;
  d.setLength(1.0f);
  armAngle_ = -signOf(up.y * d.x - up.x * d.y) * acosDegrees(d.dot(up));
}

void Hero::pushFromRope(float length) {
  if (!grapple_ || grapple_->quarks.count == 0) return;
  Vec2 d = body_->centroid() - grapple_->quarks[0]->position;
  if (d.lengthSquared() == 0.0f) return;
  d.setLength(length);
  body_->addForce(d);
}

void Hero::updateWheelSound() {
  if (std::fabs(wheelSpin_) >= kWheelSoundSpin && onGround_) {
    if (!wheelSoundOn_) {
      wheelChannel_ = playSound(wheelSound, true);
      // A sound that did not start is tried again next step; -1 is never halted.
      wheelSoundOn_ = wheelChannel_ >= 0 ? 1 : 0;
    }
  } else {
    haltWheelSound();
  }
}

void Hero::haltWheelSound() {
  if (wheelSoundOn_ && wheelChannel_ >= 0) Mix_HaltChannel(wheelChannel_);
  wheelSoundOn_ = 0;
  wheelChannel_ = -1;
}

void Hero::burst(int32_t kind) {
  const Burst& b = kBursts[kind];
  Kettar::spawnParticles(b.count, b.pointSize, Vec3(position_.x, position_.y, 0.1f), Vec3(),
                         Vec3(0.0f, -8.0f, 0.0f), b.startRadiusLimit, b.params);
}

void Hero::die() {
  health_ = 0.0f;
  body_->leaveGrid(false);
  if (grapple_) grapple_->detach();
  // A looping wheel would go on under the end screen.
  haltWheelSound();

  const float b = bodyAngle_;
  pieces_[kBodyPiece].position = centre_;
  pieces_[kArmPiece].position = hinge_->position + armOffset(facingRight_ != 0, b);
  pieces_[kWheelPiece].position = centre_ + rotated(kWheelOffset, b);
  for (Piece& p : pieces_) p.velocity = flingVelocity();
  pieces_[kBodyPiece].angle = b;
  pieces_[kArmPiece].angle = b + armAngle_;
  pieces_[kWheelPiece].angle = wheelAngle_;
  pieces_[kBodyPiece].spin = static_cast<float>(std::rand() % 50) * 10.0f + 500.0f;
  pieces_[kArmPiece].spin = static_cast<float>(std::rand() % 50) * 10.0f - 1000.0f;
  pieces_[kWheelPiece].spin = static_cast<float>(std::rand() % 100) * 10.0f + 1000.0f;

  burst(kDeathBurst);
  burst(kDeathSparkBurst);
  playSound(deathSound, false);
}

void Hero::holdKeys(const uint8_t* keys, float dt) {
  if (health_ <= 0.0f) return;
  const bool free = keys[SDLK_c] != 0;
  const bool up = keys[SDLK_UP] != 0;
  const bool down = keys[SDLK_DOWN] != 0;
  const bool left = keys[SDLK_LEFT] != 0;
  const bool right = keys[SDLK_RIGHT] != 0;
  if (up) {
    if (left) {
      keyUpLeft(free, dt);
    } else if (right) {
      keyUpRight(free, dt);
    } else {
      keyUp(free, dt);
    }
  } else if (down) {
    if (left) {
      keyDownLeft(free, dt);
    } else if (right) {
      keyDownRight(free, dt);
    } else {
      keyDown(free, dt);
    }
  } else if (left) {
    keyLeft(dt);
  } else if (right) {
    keyRight(dt);
  }
}

void Hero::jump() {
  if (!onGround_) return;
  const float x = armAngle_ > 0.0f ? -kJumpSide : (armAngle_ < 0.0f ? kJumpSide : 0.0f);
  body_->addForce(Vec2(x, kJumpUp));
  playGroup(jumpSounds);
}

void Hero::drive(float amount) {
  for (ferrox::Quark* q : body_->quarks) q->wake();
  if (onGround_) {
    if (body_->meanVelocity().length() < kDriveSpeedLimit) {
      body_->addForce(Vec2(amount * kDriveAcceleration, 0.0f));
    }
  } else if (grapple_ && grapple_->hooked()) {
    // Pumps a swing.
    body_->addForce(Vec2(amount * kSwingAcceleration, 0.0f));
  }
  facingRight_ = amount > 0.0f ? 1 : 0;
  wheelSpin_ = amount < 0.0f ? kDriveSpin : (amount > 0.0f ? -kDriveSpin : 0.0f);
}

void Hero::aim(bool free, float a) {
  if (free) {
    if (a > 0.0f) {
      if (std::fabs(armAngle_) > 4.0f) armAngle_ -= kFreeAimRate * a * signOf(armAngle_);
    } else if (armAngle_ > -178.0f && armAngle_ < 178.0f) {
      armAngle_ += kFreeAimRate * std::fabs(a) * signOf(armAngle_);
    }
  }
  if (grapple_ && grapple_->hooked()) {
    // Up shortens the rope, Down lengthens it and pushes the body away from it.
    grapple_->reel(-a);
    if (a < 0.0f) pushFromRope(kReelOutPush);
  }
}

void Hero::shoot() {
  if (grapple_) {
    Grapple::release(std::move(grapple_));
    return;
  }
  if (shotClock_.elapsed() < kShotInterval) return;
  Vec2 direction = armQuark_->position - hinge_->position;
  direction.setLength(1.0f);
  grapple_ = std::make_unique<Grapple>(body_.get(), armQuark_, direction, armQuark_->velocity());
  pushFromRope(kRecoil);
  shotClock_.restart();
}

void Hero::keyLeft(float dt) {
  armAngle_ = 90.0f - bodyAngle_;
  drive(-dt);
}

void Hero::keyRight(float dt) {
  armAngle_ = -90.0f - bodyAngle_;
  drive(dt);
}

void Hero::keyUp(bool free, float dt) {
  if (!free) armAngle_ = -bodyAngle_;
  aim(free, dt);
}

void Hero::keyDown(bool free, float dt) {
  if (!free) armAngle_ = 180.0f - bodyAngle_;
  aim(free, -dt);
}

void Hero::keyUpLeft(bool free, float dt) {
  if (!free) armAngle_ = 45.0f - bodyAngle_;
  drive(-dt);
  aim(free, dt);
}

void Hero::keyUpRight(bool free, float dt) {
  if (!free) armAngle_ = -45.0f - bodyAngle_;
  drive(dt);
  aim(free, dt);
}

void Hero::keyDownLeft(bool free, float dt) {
  if (!free) armAngle_ = 135.0f - bodyAngle_;
  drive(-dt);
  aim(free, -dt);
}

void Hero::keyDownRight(bool free, float dt) {
  if (!free) armAngle_ = -135.0f - bodyAngle_;
  drive(dt);
  aim(free, -dt);
}

void Hero::draw() {
  const bool alive = health_ > 0.0f;
  const float b = bodyAngle_;
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);

  glPolygonOffset(-1.0f, -2.0f);
  glPushMatrix();
  if (alive) {
    glTranslatef(centre_.x, centre_.y, 0.0f);
    glRotatef(b, 0.0f, 0.0f, 1.0f);
  } else {
    const Piece& p = pieces_[kBodyPiece];
    glTranslatef(p.position.x, p.position.y, 0.2f);
    glRotatef(p.angle, 0.0f, 0.0f, 1.0f);
  }
  if (facingRight_) {
    bodySprite_.drawRect(Vec2(-0.35f, -0.55f), Vec2(0.35f, 0.55f), 0.0f);
  } else {
    bodySprite_.drawRect(Vec2(0.35f, -0.55f), Vec2(-0.35f, 0.55f), 0.0f);
  }
  glPopMatrix();

  glPolygonOffset(-1.0f, -4.0f);
  glPushMatrix();
  if (alive) {
    const Vec2 at = hinge_->position + armOffset(facingRight_ != 0, b);
    glTranslatef(at.x, at.y, 0.0f);
    glRotatef(b + armAngle_, 0.0f, 0.0f, 1.0f);
  } else {
    const Piece& p = pieces_[kArmPiece];
    glTranslatef(p.position.x, p.position.y, 0.2f);
    glRotatef(p.angle, 0.0f, 0.0f, 1.0f);
  }
  armSprite_.drawRect(Vec2(-0.12f, -0.1f), Vec2(0.12f, 0.75f), 0.0f);
  glPopMatrix();

  glPolygonOffset(-1.0f, -3.0f);
  glPushMatrix();
  if (alive) {
    const Vec2 at = centre_ + rotated(kWheelOffset, b);
    glTranslatef(at.x, at.y, 0.0f);
    glRotatef(wheelAngle_, 0.0f, 0.0f, 1.0f);
  } else {
    const Piece& p = pieces_[kWheelPiece];
    glTranslatef(p.position.x, p.position.y, 0.2f);
    glRotatef(p.angle, 0.0f, 0.0f, 1.0f);
  }
  // The wheel's colour runs from green at full health to red when dying.
  glColor4f((kStartHealth - health_) / kStartHealth, health_ / kStartHealth, 0.0f, 1.0f);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
  glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_INTERPOLATE);
  glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB, GL_TEXTURE);
  glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB, GL_SRC_COLOR);
  glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB, GL_PRIMARY_COLOR);
  glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_RGB, GL_SRC_COLOR);
  glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE2_RGB, GL_TEXTURE);
  glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND2_RGB, GL_SRC_ALPHA);
  glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_ALPHA, GL_REPLACE);
  wheelSprite_.drawRect(Vec2(-0.325f, -0.325f), Vec2(0.325f, 0.325f), 0.0f);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  glPopMatrix();

  if (grapple_) grapple_->draw();
}
