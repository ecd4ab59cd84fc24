#include "ferrox/skeleton.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "ferrox/body_block.h"
#include "ferrox/contact_record.h"
#include "ferrox/settings.h"
#include "kettar/byte_buffer.h"

namespace ferrox {

namespace {

struct Turn {
  float cosine;
  float sine;
  Vec2 apply(Vec2 d) const {
    return Vec2(cosine * d.x - sine * d.y, sine * d.x + cosine * d.y);
  }
};

Turn turnOf(float degrees) {
  const double radians = degrees / 57.295779513082;
  return Turn{static_cast<float>(std::cos(radians)), static_cast<float>(std::sin(radians))};
}

// Moves every quark to centroid + map(its offset from the centroid), out of the
// grid while it happens.
void moveAboutCentroid(Skeleton& body, const std::function<Vec2(Vec2)>& map) {
  body.leaveGrid(true);
  const Vec2 c = body.centroid();
  for (Quark* q : body.quarks) q->setPosition(c + map(q->position - c));
  body.enterGrid();
}

}  // namespace

Skeleton::Skeleton(bool canSleep_) : canSleep(canSleep_ ? 1 : 0) {}

Skeleton::Skeleton(const Skeleton& tmpl, Vec2 offset, bool canSleep_)
    : id(tmpl.id), canSleep(canSleep_ ? 1 : 0) {
  copyFrom(tmpl, offset, false);
}

Skeleton::Skeleton(Kettar::ByteBuffer& buffer, bool noGrid) { deserialize(buffer, noGrid); }

Skeleton::Skeleton(const Skeleton& other) : id(other.id), canSleep(other.canSleep) {
  copyFrom(other, Vec2(), true);
}

Skeleton::~Skeleton() {
  // Links first: each leaves its quarks' arrays and the grid.
  links.destroy();
  quarks.destroy();
  forgetBody(this);
}

void Skeleton::copyFrom(const Skeleton& source, Vec2 offset, bool noGrid) {
  for (const Quark* q : source.quarks) {
    const Vec2 p = q->position + offset;
    switch (q->kind()) {
      case kSoft: keep(quarks, new QuarkSoft(this, p, q->mass, q->damping)); break;
      case kStiff: keep(quarks, new QuarkStiff(this, p, q->mass, q->damping)); break;
      default: keep(quarks, new QuarkFixed(this, p)); break;
    }
  }
  for (const Link* l : source.links) {
    // A link that ends on another body (a rope's hook link) has no copy here.
    if (l->a->owner != &source || l->b->owner != &source) continue;
    Quark* a = quarks[l->a->index];
    Quark* b = quarks[l->b->index];
    Link* copy = nullptr;
    switch (l->kind()) {
      case kSoft:
        copy = new LinkSoft(a, b, l->internal, noGrid, l->rest, l->radius, l->stiffness,
                            l->friction, static_cast<const LinkSoft*>(l)->springConstant);
        break;
      case kStiff:
        copy = new LinkStiff(a, b, l->internal, noGrid, l->rest, l->radius, l->stiffness,
                             l->friction);
        break;
      default:
        copy = new LinkFixed(a, b, false, noGrid, 0.0f, l->radius, 0.0f, l->friction);
        break;
    }
    keep(links, copy);
  }
}

void Skeleton::step(float dt) {
  for (uint32_t i = 0; i < quarks.count; ++i) quarks[i]->integrate(dt);
  for (uint32_t i = 0; i < links.count; ++i) links[i]->solve();
}

void Skeleton::translate(Vec2 d) {
  for (Quark* q : quarks) q->translate(d);
}

void Skeleton::addForce(Vec2 acceleration) {
  for (uint32_t i = 0; i < quarks.count; ++i) quarks[i]->addForce(acceleration);
}

void Skeleton::leaveGrid(bool force) {
  for (Link* l : links) l->leaveGrid(force);
}

void Skeleton::enterGrid() {
  for (Link* l : links) l->enterGrid();
}

void Skeleton::serialize(Kettar::ByteBuffer& buffer) const {
  buffer.put(quarks.count);
  for (const Quark* q : quarks) q->serialize(buffer);
  buffer.put(links.count);
  for (const Link* l : links) l->serialize(buffer);
}

bool Skeleton::deserialize(Kettar::ByteBuffer& buffer, bool noGrid) {
  BodyBlock block;
  const bool sound = readBodyBlock(buffer, block);
  // Nothing is built from a damaged block: the body is left empty.
  if (!sound) block = BodyBlock();
  build(block, noGrid);
  return sound;
}

void Skeleton::build(const BodyBlock& block, bool noGrid) {
  links.empty();
  quarks.empty();
  endHook();
  for (const QuarkRecord& r : block.quarks) {
    switch (r.kind) {
      case kBlockSoft: keep(quarks, new QuarkSoft(this, r.position, r.mass, r.damping)); break;
      case kBlockStiff:
        keep(quarks, new QuarkStiff(this, r.position, r.mass, r.damping));
        break;
      default: keep(quarks, new QuarkFixed(this, r.position)); break;
    }
  }
  // Every record was checked, so the links are built outside the grid and
  // enter it afterwards, in the same order as if each had entered when built.
  for (const LinkRecord& r : block.links) {
    Quark* a = quarks[r.a];
    Quark* b = quarks[r.b];
    switch (r.kind) {
      case kBlockSoft:
        keep(links, new LinkSoft(a, b, r.internal != 0, true, r.rest, r.radius, r.stiffness,
                                 r.friction, r.springConstant));
        break;
      case kBlockStiff:
        keep(links,
             new LinkStiff(a, b, r.internal != 0, true, r.rest, r.radius, r.stiffness, r.friction));
        break;
      default:
        keep(links, new LinkFixed(a, b, false, true, 0.0f, r.radius, 0.0f, r.friction));
        break;
    }
  }
  if (!noGrid) enterGrid();
}

Quark* Skeleton::makeQuark(int32_t kind, Vec2 position, float mass, float damping) {
  switch (kind) {
    case kFixed: return new QuarkFixed(this, position);
    case kStiff: return new QuarkStiff(this, position, mass, damping);
    case kSoft: return new QuarkSoft(this, position, mass, damping);
    default: return nullptr;
  }
}

Quark* Skeleton::addQuark(int32_t kind, Vec2 position, float mass, float damping) {
  if (Quark* q = makeQuark(kind, position, mass, damping)) keep(quarks, q);
  return quarks.count == 0 ? nullptr : quarks[quarks.count - 1];
}

Quark* Skeleton::addQuark(int32_t kind, float x, float y, float mass, float damping) {
  return addQuark(kind, Vec2(x, y), mass, damping);
}

Quark* Skeleton::insertQuark(uint32_t index, int32_t kind, Vec2 position, float mass,
                             float damping) {
  if (index > quarks.count) return nullptr;
  Quark* q = makeQuark(kind, position, mass, damping);
  if (q == nullptr) return nullptr;
  keepAt(quarks, q, index);
  if (hookQuark >= static_cast<int32_t>(index)) ++hookQuark;
  return q;
}

void Skeleton::removeQuark(uint32_t index) {
  if (index >= quarks.count) return;
  Quark* q = quarks[index];
  // Removing a link edits the quark's array (and may delete the quark itself).
  const std::vector<Link*> own(q->links.items, q->links.items + q->links.count);
  for (auto it = own.begin(); it != own.end(); ++it) {
    // A link from the quark to itself is in the array twice and already gone the second time.
    if (std::find(own.begin(), it, *it) != it) continue;
    Link* l = *it;
    if (l->index < links.count && links[l->index] == l) removeLink(l->index);
  }
}

Link* Skeleton::makeLink(int32_t kind, uint32_t i, uint32_t j, float stiffness,
                         float springConstant, float radius, float friction) {
  if (i >= quarks.count || j >= quarks.count) return nullptr;
  Quark* a = quarks[i];
  Quark* b = quarks[j];
  switch (kind) {
    case kFixed:
      return new LinkFixed(a, b, false, false, 0.0f,
                           radius == 0.0f ? kDefaultFixedLinkRadius : radius, 0.0f, friction);
    case kStiff:
      return new LinkStiff(a, b, false, false, 0.0f, radius == 0.0f ? kDefaultLinkRadius : radius,
                           stiffness, friction);
    case kSoft:
      return new LinkSoft(a, b, false, false, 0.0f, radius == 0.0f ? kDefaultLinkRadius : radius,
                          stiffness, friction, springConstant);
    default: return nullptr;
  }
}

Link* Skeleton::addLink(int32_t kind, uint32_t i, uint32_t j, float stiffness,
                        float springConstant, float radius, float friction) {
  Link* l = makeLink(kind, i, j, stiffness, springConstant, radius, friction);
  if (l != nullptr) keep(links, l);
  return l;
}

Link* Skeleton::addInternalLink(int32_t kind, uint32_t i, uint32_t j, float stiffness,
                                float springConstant) {
  if (i >= quarks.count || j >= quarks.count) return nullptr;
  Link* l = nullptr;
  if (kind == kStiff)
    l = new LinkStiff(quarks[i], quarks[j], true, false, 0.0f, kInternalLinkRadius, stiffness,
                      kInternalLinkFriction);
  else if (kind == kSoft)
    l = new LinkSoft(quarks[i], quarks[j], true, false, 0.0f, kInternalLinkRadius, stiffness,
                     kInternalLinkFriction, springConstant);
  if (l != nullptr) keep(links, l);
  return l;
}

Link* Skeleton::insertLink(uint32_t index, int32_t kind, uint32_t i, uint32_t j, float stiffness,
                           float springConstant, float radius, float friction) {
  if (index > links.count) return nullptr;
  Link* l = makeLink(kind, i, j, stiffness, springConstant, radius, friction);
  if (l != nullptr) keepAt(links, l, index);
  return l;
}

void Skeleton::removeLink(uint32_t index) {
  if (index >= links.count) return;
  Quark* qa = links[index]->a;
  Quark* qb = links[index]->b;
  links.removeAt(index);
  removeIfBare(qa);
  // A link from a quark to itself: the first removal may have deleted it.
  if (qb != qa) removeIfBare(qb);
}

void Skeleton::removeIfBare(Quark* q) {
  if (q->owner != this || q->links.count != 0) return;
  if (q->index < quarks.count && quarks[q->index] == q) removeQuarkAt(q->index);
}

void Skeleton::removeQuarkAt(uint32_t slot) {
  const int32_t last = static_cast<int32_t>(quarks.count) - 1;
  const bool wasHook = hookQuark == static_cast<int32_t>(slot);
  quarks.removeAt(slot);
  if (wasHook)
    endHook();
  else if (hookQuark == last)
    hookQuark = static_cast<int32_t>(slot);
}

void Skeleton::trySleep() {
  if (!canSleep) return;
  for (const Quark* q : quarks)
    if (!(q->sleepEnergy < sleepThreshold)) return;
  for (Quark* q : quarks) {
    q->asleep = 1;
    q->sleepEnergy = 0.0f;
  }
  // In the grid exactly where it comes to rest.
  for (Link* l : links) {
    l->leaveGrid(true);
    l->enterGrid();
  }
}

Quark* Skeleton::hook(Link* link, Vec2 point) {
  // The hook links join the link's ends by their slots in this body.
  if (link->internal || link->a->owner != this || link->b->owner != this) return nullptr;
  const Kind kind = link->kind();
  Quark* h = nullptr;
  switch (kind) {
    case kStiff: h = new QuarkStiff(this, point, kHookMass, kHookDamping); break;
    case kSoft: h = new QuarkSoft(this, point, kHookMass, kHookDamping); break;
    default: h = new QuarkFixed(this, point); break;
  }
  keep(quarks, h);
  hookQuark = static_cast<int32_t>(h->index);
  if (kind != kFixed) {
    const float k = kind == kSoft ? static_cast<LinkSoft*>(link)->springConstant : 0.0f;
    addInternalLink(kind, link->a->index, h->index, link->stiffness, k);
    addInternalLink(kind, h->index, link->b->index, link->stiffness, k);
  }
  for (Quark* q : quarks) q->wake();
  if (canSleep) {
    canSleep = 0;
    sleepSuspended = 1;
  }
  return h;
}

void Skeleton::unhook() {
  if (hookQuark < 0 || static_cast<uint32_t>(hookQuark) >= quarks.count) return;
  Quark* h = quarks[static_cast<uint32_t>(hookQuark)];
  // The hook's own links are the first two of the hook quark's array; a hook
  // on a fixed link has none, and a link of another body is not ours to remove.
  Link* made[2] = {nullptr, nullptr};
  for (uint32_t k = 0; k < 2 && k < h->links.count; ++k) {
    Link* l = h->links.items[k];
    if (l->index < links.count && links[l->index] == l) made[k] = l;
  }
  // Plain list removals: the links' other ends stay, and the hook quark goes
  // exactly once, below.
  for (Link* l : made)
    if (l != nullptr) links.removeAt(l->index);
  removeQuarkAt(h->index);
}

void Skeleton::endHook() {
  if (sleepSuspended) {
    canSleep = 1;
    sleepSuspended = 0;
  }
  hookQuark = -1;
}

Vec2 Skeleton::centroid() const {
  Vec2 sum;
  uint32_t n = 0;
  for (uint32_t i = 0; i < quarks.count; ++i) {
    if (static_cast<int32_t>(i) == hookQuark) continue;
    sum += quarks[i]->position;
    ++n;
  }
  if (n == 0) return Vec2();
  return Vec2(sum.x / static_cast<float>(n), sum.y / static_cast<float>(n));
}

Vec2 Skeleton::centreOfMass() const {
  Vec2 sum;
  float mass = 0.0f;
  for (const Quark* q : quarks) {
    sum += q->position * q->mass;
    mass += q->mass;
  }
  if (mass == 0.0f) return Vec2();
  return Vec2(sum.x / mass, sum.y / mass);
}

Vec2 Skeleton::meanVelocity() const {
  if (quarks.count == 0) return Vec2();
  Vec2 sum;
  for (const Quark* q : quarks) sum += q->velocity();
  const float n = static_cast<float>(quarks.count);
  return Vec2(sum.x / n, sum.y / n);
}

void Skeleton::rotate(float degrees) {
  const Turn turn = turnOf(degrees);
  moveAboutCentroid(*this, [&](Vec2 d) { return turn.apply(d); });
}

void Skeleton::mirror(float degrees) {
  const Turn back = turnOf(-degrees);
  const Turn forth = turnOf(degrees);
  moveAboutCentroid(*this, [&](Vec2 d) {
    Vec2 m = back.apply(d);
    m.x = -m.x;
    return forth.apply(m);
  });
}

}  // namespace ferrox
