#include "game/grapple.h"

#include <GL/glew.h>

#include <utility>

#include "ferrox/raycast.h"
#include "game/enemy.h"
#include "game/level.h"
#include "game/terrain.h"
#include "kettar/sound_group.h"

namespace {

// Shared by every rope and filled once.
Kettar::SoundGroup throwSounds;
Kettar::SoundGroup hookSounds;
Kettar::SoundGroup releaseSounds;

void fillGroup(Kettar::SoundGroup& group, const std::string& folder) {
  if (!group.handles().empty()) return;
  for (int i = 1; i <= 7; ++i) group.add(folder + "0" + std::to_string(i) + ".wav");
}

// Every rope sound plays at full volume.
void playGroup(Kettar::SoundGroup& group) { group.playRandom(1.0f, 1.0f, 2.0f, 1.0f); }

bool isExitBody(const ferrox::Skeleton* body) {
  return Level::current != nullptr && Level::current->exitBody == body;
}

// Only the level's terrain polygons carry edge types.
bool refusesRope(const ferrox::Skeleton* body, uint32_t edge) {
  const Level* level = Level::current;
  return level != nullptr && level->terrain != nullptr &&
         level->terrain->hasEdgeType(body, edge, Grapple::kRefusingEdge);
}

bool isLaser(const ferrox::Skeleton* body) {
  return Level::current != nullptr && Level::current->isLaserBody(body);
}

Enemy* findEnemy(const ferrox::Skeleton* body) {
  return Level::current != nullptr ? Level::current->findEnemy(body) : nullptr;
}

}  // namespace

Grapple::Grapple(ferrox::Skeleton* heroBody, ferrox::Quark* armQuark, Vec2 direction,
                 Vec2 armVelocity)
    : ferrox::Skeleton(false),
      heroBody_(heroBody),
      armQuark_(armQuark),
      heroSideLink_(nullptr),
      direction_(direction),
      throwVelocity_(armVelocity + direction * kThrowSpeed) {
  ferrox::Quark* first =
      addQuark(ferrox::kStiff, armQuark_->position + direction_ * kSegmentLength, kQuarkMass,
               kQuarkDamping);
  first->setVelocity(throwVelocity_);
  heroSideLink_ = makeSegment(armQuark_, first, false);
  ferrox::keep(links, heroSideLink_);
  playGroup(throwSounds);
}

Grapple::~Grapple() = default;

void Grapple::loadSounds(const std::string& root) {
  fillGroup(throwSounds, root + "data/audio/sounds/lancio/");
  fillGroup(hookSounds, root + "data/audio/sounds/aggancio/");
  fillGroup(releaseSounds, root + "data/audio/sounds/sgancio/");
}

ferrox::LinkStiff* Grapple::makeSegment(ferrox::Quark* a, ferrox::Quark* b, bool internal) const {
  return new ferrox::LinkStiff(a, b, internal, false, kSegmentLength, kLinkRadius, kLinkStiffness,
                               kLinkFriction);
}

void Grapple::preStep() {
  removeMarked();
  leaveGrid(false);
}

void Grapple::removeMarked() {
  ferrox::Link* l = linkToRemove_;
  if (l == nullptr) return;
  linkToRemove_ = nullptr;
  if (l == heroSideLink_) heroSideLink_ = nullptr;
  if (l == hookLink_) hookLink_ = nullptr;
  removeLink(l->index);
}

bool Grapple::step(float dt) {
  // Taken every step, flying or not, so an old contact never cuts the rope
  // later. Records of a destroyed link are cleared with it.
  ferrox::Link* touched = lastOwnLink;
  ferrox::Link* other = lastOtherLink;
  lastOwnLink = nullptr;
  lastOtherLink = nullptr;

  if (hooked_) {
    if (touched != nullptr && other != nullptr && !cut_ && touched->a->owner == this &&
        isLaser(other->a->owner)) {
      linkToRemove_ = touched;
      cut_ = 1;
    }
    Skeleton::step(dt);
    return true;
  }

  if (quarks.count >= kQuarkLimit) return false;
  growthClock_ += dt;
  if (growthClock_ > kSegmentInterval) {
    growthClock_ -= kSegmentInterval;
    if (!advanceTip()) return false;
    leaveGrid(false);
  }
  Skeleton::step(dt);
  return true;
}

bool Grapple::advanceTip() {
  const uint32_t n = quarks.count;
  // A detached rope that had one segment has no quark left.
  if (n == 0) return false;
  ferrox::Quark* tip = quarks[n - 1];
  const Vec2 target =
      armQuark_->position + direction_ * (kSegmentLength * static_cast<float>(n - 1));

  ferrox::Link* hit = nullptr;
  ferrox::Quark* nearEnd = nullptr;
  Vec2 point;
  const bool found = ferrox::raycast(hit, nearEnd, point, tip->position, target);
  ferrox::Skeleton* body = found ? hit->a->owner : nullptr;
  // The exit is looked at before any edge type: its body is not a polygon.
  if (body != nullptr && body != heroBody_ && !isExitBody(body)) {
    if (hit->kind() == ferrox::kFixed) {
      if (refusesRope(body, hit->index)) return false;
      ferrox::Quark* anchor = addQuark(ferrox::kFixed, point, kAnchorMass, kQuarkDamping);
      addInternalLink(ferrox::kStiff, anchor->index - 1, anchor->index, kLinkStiffness,
                      kAnchorSpring);
      hooked_ = 1;
      playGroup(hookSounds);
      return true;
    }
    if (hit->kind() == ferrox::kStiff && !isLaser(body)) {
      ferrox::Quark* hookQuark = body->hook(hit, point);
      if (hookQuark == nullptr) return false;
      hookedBody_ = body;
      hookLink_ = makeSegment(tip, hookQuark, true);
      ferrox::keep(links, hookLink_);
      hooked_ = 1;
      playGroup(hookSounds);
      return true;
    }
    Enemy* enemy = findEnemy(body);
    if (enemy == nullptr) return false;
    if (enemy->kind() == kHurtingEnemy) {
      enemy->kill();
      return false;
    }
    ferrox::Quark* pushed = hit->a;
    Vec2 push = pushed->position - armQuark_->position;
    if (push.lengthSquared() > 0.0f) {
      push.setLength(kPushForce);
      pushed->force += push;
    }
    return false;
  }

  ferrox::Quark* end = addQuark(ferrox::kStiff, target, kQuarkMass, kQuarkDamping);
  end->setVelocity(throwVelocity_);
  addLink(ferrox::kStiff, end->index - 1, end->index, kLinkStiffness, 0.0f, kLinkRadius,
          kLinkFriction);
  return true;
}

bool Grapple::reel(float amount) {
  if (!hooked_ || cut_ || heroSideLink_ == nullptr || linkToRemove_ != nullptr) return false;
  float r = heroSideLink_->rest;
  if (amount >= 0.0f) {
    if (quarks.count >= kQuarkLimit) return false;
    r += kReelRate * amount;
    if (r > 2.0f * kSegmentLength) {
      splitFirst();
    } else {
      heroSideLink_->rest = r;
    }
    return true;
  }
  if (quarks.count < 3) return false;
  r += kReelRate * amount;
  if (r < 0.001f) {
    // Merging drops a quark: never below 3.
    if (quarks.count <= 3) return false;
    mergeFirst();
  } else {
    heroSideLink_->rest = r;
  }
  return true;
}

void Grapple::splitFirst() {
  ferrox::Quark* oldFirst = quarks[0];
  links.removeFirst();
  ferrox::Quark* middle =
      insertQuark(0, ferrox::kStiff, (armQuark_->position + oldFirst->position) * 0.5f,
                  kQuarkMass, kQuarkDamping);
  heroSideLink_ = makeSegment(armQuark_, middle, false);
  ferrox::keepAt(links, heroSideLink_, 0);
  ferrox::keepAt(links, makeSegment(middle, oldFirst, false), 1);
}

void Grapple::mergeFirst() {
  links.removeFirst();
  links.removeFirst();
  quarks.removeFirst();
  heroSideLink_ = makeSegment(armQuark_, quarks[0], false);
  ferrox::keepAt(links, heroSideLink_, 0);
}

void Grapple::release(std::unique_ptr<Grapple> rope) {
  if (rope == nullptr) return;
  if (rope->hooked_) {
    playGroup(releaseSounds);
    ferrox::Skeleton* body = rope->hookedBody_;
    if (body != nullptr) {
      if (rope->hookLink_ != nullptr) {
        if (rope->linkToRemove_ == rope->hookLink_) rope->linkToRemove_ = nullptr;
        rope->removeLink(rope->hookLink_->index);
        rope->hookLink_ = nullptr;
      }
      body->unhook();
      rope->hookedBody_ = nullptr;
    }
  }
}

void Grapple::detach() {
  // A cut still waiting must not be forgotten.
  if (linkToRemove_ != nullptr && linkToRemove_ != heroSideLink_) removeMarked();
  linkToRemove_ = heroSideLink_;
}

void Grapple::draw() const {
  glPushAttrib(GL_ENABLE_BIT);
  glDisable(GL_TEXTURE_2D);
  glColor4ub(120, 230, 90, 200);
  glLineWidth(4.0f);
  glBegin(GL_LINES);
  for (const ferrox::Link* l : links) {
    glVertex3f(l->a->position.x, l->a->position.y, 0.0f);
    glVertex3f(l->b->position.x, l->b->position.y, 0.0f);
  }
  glEnd();
  glLineWidth(2.0f);
  glPopAttrib();
}
