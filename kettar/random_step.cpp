#include "kettar/random_step.h"

#include <cstdint>
#include <cstdlib>

namespace Kettar {

namespace {

float randomComponent(float min, float max, float step) {
  const float range = max - min;
  // Also keeps a NaN range from reaching the integer conversion below.
  if (!(step <= range)) return min;
  // rand() never reaches more steps than RAND_MAX + 1; the cap keeps huge ranges
  // from overflowing the conversion.
  const float steps = range / step;
  const int64_t n = steps >= static_cast<float>(RAND_MAX) ? int64_t{RAND_MAX} + 1
                                                          : static_cast<int64_t>(steps);
  return min + static_cast<float>(std::rand() % n) * step;
}

}  // namespace

Vec3 randomStep(const Vec3& min, const Vec3& max, float step) {
  if (step <= 0.0f) return min;
  Vec3 v;
  v.z = randomComponent(min.z, max.z, step);
  v.y = randomComponent(min.y, max.y, step);
  v.x = randomComponent(min.x, max.x, step);
  return v;
}

Vec4 randomStep(const Vec4& min, const Vec4& max, float step) {
  if (step <= 0.0f) return min;
  Vec4 v;
  v.w = randomComponent(min.w, max.w, step);
  v.z = randomComponent(min.z, max.z, step);
  v.y = randomComponent(min.y, max.y, step);
  v.x = randomComponent(min.x, max.x, step);
  return v;
}

}  // namespace Kettar
