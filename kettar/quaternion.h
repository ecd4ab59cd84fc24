#pragma once
// Rotations of the camera: w, x, y, z; a vector v is rotated by q as q·(0, v)·q*,
// and applying a rotation r after q gives r·q.

#include "ferrox/vec2.h"

namespace Kettar {

struct Quaternion {
  float w = 1.0f;
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;

  Quaternion() = default;
  Quaternion(float w_, float x_, float y_, float z_) : w(w_), x(x_), y(y_), z(z_) {}
  // (cos h, axis × sin h): a turn by 2h about the axis.
  static Quaternion fromHalfAngle(float cosHalf, float sinHalf, const Vec3& axis);
  // A turn by the given degrees about the axis.
  static Quaternion fromAxisDegrees(const Vec3& axis, float degrees);

  Quaternion operator*(const Quaternion& b) const;  // Hamilton product
  Quaternion operator+(const Quaternion& b) const { return Quaternion(w + b.w, x + b.x, y + b.y, z + b.z); }
  Quaternion operator-(const Quaternion& b) const { return Quaternion(w - b.w, x - b.x, y - b.y, z - b.z); }
  Quaternion operator-() const { return Quaternion(-w, -x, -y, -z); }
  Quaternion operator*(float s) const { return Quaternion(w * s, x * s, y * s, z * s); }
  bool operator==(const Quaternion& b) const { return w == b.w && x == b.x && y == b.y && z == b.z; }

  Quaternion conjugate() const { return Quaternion(w, -x, -y, -z); }
  float dot(const Quaternion& b) const { return w * b.w + x * b.x + y * b.y + z * b.z; }
  Vec3 rotate(const Vec3& v) const;
  // Divides by the length unless the squared length is exactly 1; a zero quaternion becomes w = 1.
  void normalize();
};

}  // namespace Kettar
