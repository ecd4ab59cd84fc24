#include "ferrox/link.h"

#include <new>

#include "ferrox/body_block.h"
#include "ferrox/contact_record.h"
#include "ferrox/grid.h"
#include "ferrox/settings.h"
#include "kettar/byte_buffer.h"

namespace ferrox {

Link::Link(Quark* a_, Quark* b_, bool internal_, bool noGrid, float rest_, float radius_,
           float stiffness_, float friction_)
    : a(a_),
      b(b_),
      rest(rest_),
      radius(radius_),
      stiffness(stiffness_),
      friction(friction_),
      internal(internal_ ? 1 : 0) {
  if (rest == 0.0f) rest = length();
  try {
    a->addLink(this);
    b->addLink(this);
    if (!noGrid) enterGrid();
  } catch (const std::bad_alloc&) {
    // No quark array or grid cell may keep a link that never came to be.
    detach();
    throw;
  }
}

Link::~Link() { detach(); }

void Link::detach() {
  a->removeLink(this);
  b->removeLink(this);
  removeFromGrid();
  // Pairs gathered this step may still name the link.
  if (world != nullptr) world->removePairsOf(this);
  // So do the contact records of the bodies it touched.
  forgetLink(this);
}

float Link::length() const { return (b->position - a->position).length(); }

void Link::leaveGrid(bool force) {
  if (!force && (fixedKind || (a->asleep && b->asleep))) return;
  removeFromGrid();
}

void Link::removeFromGrid() {
  if (!inGrid) return;
  inGrid = 0;
  if (world == nullptr) return;
  if (internal)
    world->removeLinkThin(cachedA, cachedB, this);
  else
    world->removeLink(cachedA, cachedB, this, radius);
}

void Link::enterGrid() {
  if (world == nullptr) return;
  // A link still standing where it entered before (its body slept through the
  // last leave) must not stay in those cells as well.
  removeFromGrid();
  if (internal && !internalCollisions) return;
  // Marked before the cells take it, so an entry cut short by a full heap still leaves them all.
  cachedA = a->position;
  cachedB = b->position;
  inGrid = 1;
  if (internal)
    world->insertLinkThin(cachedA, cachedB, this);
  else
    world->insertLink(cachedA, cachedB, this, radius);
}

void Link::setRadius(float r) {
  leaveGrid(true);
  radius = r;
  enterGrid();
}

LinkRecord Link::record() const {
  LinkRecord r;
  r.a = a->index;
  r.b = b->index;
  r.rest = rest;
  r.radius = radius;
  r.stiffness = stiffness;
  r.friction = friction;
  r.internal = internal;
  return r;
}

LinkFixed::LinkFixed(Quark* a_, Quark* b_, bool internal_, bool noGrid, float rest_,
                     float radius_, float stiffness_, float friction_)
    : Link(a_, b_, internal_, noGrid, rest_, radius_, stiffness_, friction_) {
  fixedKind = 1;
}

void LinkFixed::serialize(Kettar::ByteBuffer& buffer) const {
  LinkRecord r = record();
  r.kind = kBlockFixed;
  writeLinkRecord(buffer, r);
}

void LinkStiff::solve() {
  if (a->asleep && b->asleep) return;
  const Vec2 d = b->position - a->position;
  const float e = d.length() - rest;
  Vec2 n = d;
  n.setLength(1.0f);
  const float k = 1.0f - stiffness;
  const float w = 1.0f / (a->mass + b->mass);
  // Positions are written directly: a stiff end changes its implied velocity,
  // a soft end keeps its velocity.
  a->position += n * b->mass * w * e * k;
  b->position -= n * a->mass * w * e * k;
  enterGrid();
}

void LinkStiff::serialize(Kettar::ByteBuffer& buffer) const {
  LinkRecord r = record();
  r.kind = kBlockStiff;
  writeLinkRecord(buffer, r);
}

LinkSoft::LinkSoft(Quark* a_, Quark* b_, bool internal_, bool noGrid, float rest_,
                   float radius_, float stiffness_, float friction_, float springConstant_)
    : Link(a_, b_, internal_, noGrid, rest_, radius_, stiffness_, friction_),
      springConstant(springConstant_) {}

void LinkSoft::solve() {
  if (a->asleep && b->asleep) return;
  const Vec2 d = b->position - a->position;
  const float f = (d.length() - rest) * springConstant;
  Vec2 u = d;
  u.setLength(f);
  const Vec2 r = b->velocity() - a->velocity();
  const Vec2 w = -u - r * stiffness;
  a->force -= w;
  b->force += w;
  enterGrid();
}

void LinkSoft::serialize(Kettar::ByteBuffer& buffer) const {
  LinkRecord r = record();
  r.kind = kBlockSoft;
  r.springConstant = springConstant;
  writeLinkRecord(buffer, r);
}

}  // namespace ferrox
