#include "kettar/quaternion.h"

#include <cmath>

namespace Kettar {

Quaternion Quaternion::fromHalfAngle(float cosHalf, float sinHalf, const Vec3& axis) {
  return Quaternion(cosHalf, axis.x * sinHalf, axis.y * sinHalf, axis.z * sinHalf);
}

Quaternion Quaternion::fromAxisDegrees(const Vec3& axis, float degrees) {
  const float half = degrees * static_cast<float>(M_PI / 360.0);
  return fromHalfAngle(std::cos(half), std::sin(half), axis);
}

Quaternion Quaternion::operator*(const Quaternion& b) const {
  return Quaternion(w * b.w - x * b.x - y * b.y - z * b.z,
                    w * b.x + x * b.w + y * b.z - z * b.y,
                    w * b.y - x * b.z + y * b.w + z * b.x,
                    w * b.z + x * b.y - y * b.x + z * b.w);
}

Vec3 Quaternion::rotate(const Vec3& v) const {
  const Quaternion r = *this * Quaternion(0.0f, v.x, v.y, v.z) * conjugate();
  return Vec3(r.x, r.y, r.z);
}

void Quaternion::normalize() {
  const float s = dot(*this);
  if (s == 1.0f) return;
  if (s == 0.0f) {
    w = 1.0f;
    return;
  }
  const float len = std::sqrt(s);
  w /= len;
  x /= len;
  y /= len;
  z /= len;
}

}  // namespace Kettar
