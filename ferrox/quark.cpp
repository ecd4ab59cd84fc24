#include "ferrox/quark.h"

#include <cstdlib>
#include <new>

#include "ferrox/body_block.h"
#include "ferrox/settings.h"
#include "ferrox/skeleton.h"
#include "kettar/byte_buffer.h"

namespace ferrox {

namespace {
constexpr uint32_t kLinkArrayStep = 8;
}

Quark::Quark(Skeleton* owner_, Vec2 position_, float mass_, float damping_)
    : position(position_),
      mass(mass_),
      inverseMass(1.0f / mass_),
      damping(damping_),
      owner(owner_),
      sleepEnergy(2.0f * sleepThreshold) {
  links.items = static_cast<Link**>(std::malloc(sizeof(Link*) * kLinkArrayStep));
  if (links.items == nullptr) throw std::bad_alloc();
  links.capacity = kLinkArrayStep;
}

Quark::~Quark() { std::free(links.items); }

void Quark::wake() {
  if (!asleep) return;
  asleep = 0;
  sleepEnergy = 1.1f * sleepThreshold;
}

void Quark::addForce(Vec2 acceleration) {
  force += acceleration * mass;
  if (owner == nullptr) {
    wake();
    return;
  }
  for (Quark* q : owner->quarks) q->wake();
}

void Quark::addLink(Link* link) {
  if (links.count == links.capacity) {
    const uint32_t grown = links.capacity + kLinkArrayStep;
    void* const items = std::realloc(links.items, sizeof(Link*) * grown);
    if (items == nullptr) throw std::bad_alloc();
    links.items = static_cast<Link**>(items);
    links.capacity = grown;
  }
  links.items[links.count++] = link;
}

void Quark::removeLink(Link* link) {
  for (uint32_t i = 0; i < links.count; ++i) {
    if (links.items[i] != link) continue;
    links.items[i] = links.items[links.count - 1];
    --links.count;
    return;
  }
}

void Quark::serialize(Kettar::ByteBuffer& buffer) const {
  QuarkRecord record;
  const Kind k = kind();
  record.kind = k == kSoft ? kBlockSoft : k == kStiff ? kBlockStiff : kBlockFixed;
  record.position = position;
  record.mass = mass;
  record.damping = damping;
  writeQuarkRecord(buffer, record);
}

void Quark::sleepBookkeeping(Vec2 v) {
  sleepEnergy = (1.0f - sleepSmoothing) * v.lengthSquared() + sleepSmoothing * sleepEnergy;
  if (sleepEnergy < sleepThreshold) {
    if (owner != nullptr) owner->trySleep();
  } else if (sleepEnergy > 20.0f * sleepThreshold) {
    sleepEnergy = 20.0f * sleepThreshold;
  }
}

QuarkSoft::QuarkSoft(Skeleton* owner_, Vec2 position_, float mass_, float damping_)
    : Quark(owner_, position_, mass_, damping_) {}

void QuarkSoft::integrate(float dt) {
  if (asleep) return;
  const Vec2 f = force + gravity * mass;
  force = Vec2();
  vel = vel + (f - vel * damping * dampingScale) * inverseMass * dt;
  position = position + vel * dt;
  sleepBookkeeping(vel);
}

QuarkStiff::QuarkStiff(Skeleton* owner_, Vec2 position_, float mass_, float damping_)
    : Quark(owner_, position_, mass_, damping_), previousPosition(position_) {}

void QuarkStiff::integrate(float dt) {
  if (asleep) return;
  const Vec2 d = position - previousPosition;
  previousPosition = position;
  timeStep = dt;
  const Vec2 f = force + gravity * mass;
  force = Vec2();
  const Vec2 drag = d * damping * dampingScale;
  position = position + d + (f - Vec2(drag.x / dt, drag.y / dt)) * inverseMass * dt * dt;
  sleepBookkeeping(velocity());
}

Vec2 QuarkStiff::velocity() const {
  const Vec2 d = position - previousPosition;
  return Vec2(d.x / timeStep, d.y / timeStep);
}

QuarkFixed::QuarkFixed(Skeleton* owner_, Vec2 position_)
    : Quark(owner_, position_, kFixedMass, 0.0f) {
  asleep = 1;
}

}  // namespace ferrox
