#include "ferrox/closest_points.h"

namespace ferrox {

namespace {
// Squared length under which a segment is a point: a collapsed soft link or a
// duplicated vertex would otherwise divide by zero and write NaN into quarks.
constexpr float kPointLengthSquared = 1e-12f;
}  // namespace

float clamp01(float v) {
  if (v > 0.0f) return v > 1.0f ? 1.0f : v;
  if (v <= 0.0f) return 0.0f;
  return v;  // NaN
}

float closestPoints(Vec2 p1, Vec2 p2, Vec2 q1, Vec2 q2, float& s, float& t, Vec2& onP, Vec2& onQ) {
  const Vec2 d1 = p2 - p1;
  const Vec2 d2 = q2 - q1;
  const Vec2 w = p1 - q1;
  const float a = d1.dot(d1);
  const float e = d2.dot(d2);
  const float b = d1.dot(d2);
  const float c = d1.dot(w);
  const float f = d2.dot(w);
  const bool pPoint = !(a > kPointLengthSquared);
  const bool qPoint = !(e > kPointLengthSquared);
  if (pPoint && qPoint) {
    s = 0.0f;
    t = 0.0f;
  } else if (pPoint) {
    s = 0.0f;
    t = clamp01(f / e);
  } else if (qPoint) {
    t = 0.0f;
    s = clamp01(-c / a);
  } else {
    const float denom = a * e - b * b;
    s = denom != 0.0f ? clamp01((f * b - e * c) / denom) : 0.0f;
    t = (b * s + f) / e;
    if (t < 0.0f) {
      t = 0.0f;
      s = clamp01(-c / a);
    } else if (t > 1.0f) {
      t = 1.0f;
      s = clamp01((b - c) / a);
    }
  }
  onP = p1 + d1 * s;
  onQ = q1 + d2 * t;
  const Vec2 between = onP - onQ;
  return between.dot(between);
}

}  // namespace ferrox
