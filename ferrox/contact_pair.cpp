#include "ferrox/contact_pair.h"

#include <cmath>

#include "ferrox/closest_points.h"
#include "ferrox/collision_notifier.h"
#include "ferrox/grid.h"
#include "ferrox/link.h"
#include "ferrox/quark.h"
#include "ferrox/settings.h"
#include "ferrox/skeleton.h"

namespace ferrox {

namespace {
// Penetrations below this are left alone, so resting contacts do not jitter.
constexpr double kMinPenetration = 0.0002;
// Share of the relative normal velocity a contact between two segment ends removes.
constexpr float kVelocityLoss = 0.75f;

float signOf(float v) { return v > 0.0f ? 1.0f : (v < 0.0f ? -1.0f : 0.0f); }

void wakeBody(Skeleton* body) {
  if (body == nullptr) return;
  for (Quark* q : body->quarks) q->wake();
}
}  // namespace

bool ContactPair::resolve() {
  Link* A = first;
  Link* B = second;
  Quark* Aa = A->a;
  Quark* Ab = A->b;
  Quark* Ba = B->a;
  Quark* Bb = B->b;
  if (Aa == Ba || Aa == Bb || Ab == Ba || Ab == Bb) return false;
  if (Aa->asleep && Ba->asleep) return false;
  if (A->internal || B->internal) return false;

  float s, t;
  Vec2 onB, onA;
  const float d2 = closestPoints(Ba->position, Bb->position, Aa->position, Ab->position, s, t, onB, onA);
  const float r = A->radius + B->radius;
  if (r * r <= d2) return false;
  const float pen = static_cast<float>(static_cast<double>(r) - std::sqrt(static_cast<double>(d2)));
  if (static_cast<double>(pen) < kMinPenetration) return false;
  if (notifier != nullptr && !notifier->onContact(this)) return false;

  Vec2 n = onA - onB;  // from B toward A
  n.setLength(1.0f);
  const float mA = (1.0f - t) * Aa->mass + t * Ab->mass;
  const float mB = (1.0f - s) * Ba->mass + s * Bb->mass;
  const float k = 1.0f / (mA + mB);

  const Vec2 vBb = Bb->velocity();
  const Vec2 vBa = Ba->velocity();
  const Vec2 vAb = Ab->velocity();
  const Vec2 vAa = Aa->velocity();
  const Vec2 vrel = vAa * (1.0f - t) + vAb * t - vBa * (1.0f - s) - vBb * s;
  const float j = -vrel.dot(n) * kVelocityLoss;

  // Each side moves in proportion to the other side's mass.
  Aa->translate(n * (1.0f - t) * pen * mB * k);
  Ab->translate(n * t * pen * mB * k);
  Ba->translate(n * (s - 1.0f) * pen * mA * k);
  Bb->translate(n * (-s) * pen * mA * k);

  Aa->addVelocity(n * (1.0f - t) * j * mB * k);
  Ab->addVelocity(n * t * j * mB * k);
  Ba->addVelocity(n * (s - 1.0f) * j * mA * k);
  Bb->addVelocity(n * (-s) * j * mA * k);

  // Friction opposes each quark's own motion along the tangent, whatever the
  // masses and the penetration; the next integration consumes it.
  Vec2 T(n.y, -n.x);
  T.setLength((A->friction + B->friction) * frictionScale);
  const struct {
    Quark* quark;
    float weight;
  } ends[4] = {{Aa, 1.0f - t}, {Ab, t}, {Ba, 1.0f - s}, {Bb, s}};
  for (const auto& end : ends) {
    const float sigma = signOf(end.quark->velocity().dot(T));
    end.quark->force += (-T) * sigma * end.weight;
  }

  if ((Aa->asleep != 0) != (Ba->asleep != 0)) {
    wakeBody(Aa->owner);
    wakeBody(Ba->owner);
  }
  return true;
}

uint32_t resolveContacts() {
  if (world == nullptr) return 0;
  // Only the pairs gathered so far; the live count is checked too, so a list
  // shortened meanwhile (a link destroyed takes its pairs) is never read past its end.
  const uint32_t count = world->pairs.count;
  uint32_t applied = 0;
  for (uint32_t i = 0; i < count && i < world->pairs.count; ++i) {
    if (world->pairs.items[i].resolve()) ++applied;
  }
  return applied;
}

}  // namespace ferrox
