#include "ferrox/raycast.h"

#include "ferrox/closest_points.h"
#include "ferrox/grid.h"
#include "ferrox/grid_cell.h"
#include "ferrox/link.h"

namespace ferrox {

namespace {
constexpr float kRayHalfWidth = 0.01f;
// Squared distance from the midpoint beyond which no hit is taken.
constexpr float kFarthest = 100.0f;

// A query's links; storage it took past the first 8 slots goes however the cast ends, also when
// the memory cannot hold every candidate and the query throws.
struct Candidates : GridCell {
  Link* firstSlots[8];
  Candidates() { lend(firstSlots); }
  Candidates(const Candidates&) = delete;
  Candidates& operator=(const Candidates&) = delete;
  ~Candidates() { release(); }
};
}  // namespace

bool raycast(Link*& link, Quark*& quark, Vec2& hit, Vec2 from, Vec2 to) {
  if (world == nullptr) return false;
  // The first 8 candidates need no allocation.
  Candidates candidates;
  world->query(from, to, candidates, kRayHalfWidth);

  const Vec2 middle = from * 0.5f + to * 0.5f;
  float best = kFarthest;
  bool found = false;
  for (uint32_t i = 0; i < candidates.count; ++i) {
    Link* l = candidates.links[i];
    float s, t;
    Vec2 onRay, onLink;
    const float d2 = closestPoints(from, to, l->a->position, l->b->position, s, t, onRay, onLink);
    const float reach = kRayHalfWidth + l->radius;
    if (!(d2 < reach * reach)) continue;
    const Vec2 offset = onRay - middle;
    const float away = offset.dot(offset);
    if (!(away < best)) continue;
    link = l;
    quark = t <= 0.5f ? l->a : l->b;
    hit = onRay;
    best = away;
    found = true;
  }
  return found;
}

bool raycast(Link*& link, Quark*& quark, Vec2 from, Vec2 to) {
  Vec2 hit;
  return raycast(link, quark, hit, from, to);
}

}  // namespace ferrox
