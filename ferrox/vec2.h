#pragma once
// Small float vectors shared by the physics library, the framework and the game.
// Header-only so the framework can use them without linking the physics library.

#include <cmath>
#include <cstdint>

struct Vec2 {
  float x = 0.0f;
  float y = 0.0f;

  Vec2() = default;
  Vec2(float x_, float y_) : x(x_), y(y_) {}
  Vec2(int32_t x_, int32_t y_) : x(static_cast<float>(x_)), y(static_cast<float>(y_)) {}

  Vec2 operator+(const Vec2& b) const { return Vec2(x + b.x, y + b.y); }
  Vec2 operator-(const Vec2& b) const { return Vec2(x - b.x, y - b.y); }
  Vec2 operator-() const { return Vec2(-x, -y); }
  Vec2 operator*(float s) const { return Vec2(x * s, y * s); }
  Vec2& operator+=(const Vec2& b) { x += b.x; y += b.y; return *this; }
  Vec2& operator-=(const Vec2& b) { x -= b.x; y -= b.y; return *this; }
  Vec2& operator*=(float s) { x *= s; y *= s; return *this; }
  bool operator==(const Vec2& b) const { return x == b.x && y == b.y; }
  bool operator!=(const Vec2& b) const { return !(*this == b); }

  float dot(const Vec2& b) const { return x * b.x + y * b.y; }
  // z of the 3D cross product: positive when b lies counter-clockwise of this.
  float cross(const Vec2& b) const { return x * b.y - y * b.x; }
  float lengthSquared() const { return x * x + y * y; }
  float length() const { return std::sqrt(lengthSquared()); }

  // Scales in place to length len; a zero vector has no direction and stays zero.
  void setLength(float len) {
    const float s = x * x + y * y;
    if (s == 0.0f) return;
    if (len == 1.0f && s == 1.0f) return;
    const float f = len / std::sqrt(s);
    x *= f;
    y *= f;
  }
};

inline Vec2 operator*(float s, const Vec2& v) { return v * s; }

struct Vec3 {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;

  Vec3() = default;
  Vec3(float x_, float y_, float z_) : x(x_), y(y_), z(z_) {}

  Vec3 operator+(const Vec3& b) const { return Vec3(x + b.x, y + b.y, z + b.z); }
  Vec3 operator-(const Vec3& b) const { return Vec3(x - b.x, y - b.y, z - b.z); }
  Vec3 operator-() const { return Vec3(-x, -y, -z); }
  Vec3 operator*(float s) const { return Vec3(x * s, y * s, z * s); }
  Vec3& operator+=(const Vec3& b) { x += b.x; y += b.y; z += b.z; return *this; }
  Vec3& operator-=(const Vec3& b) { x -= b.x; y -= b.y; z -= b.z; return *this; }
  bool operator==(const Vec3& b) const { return x == b.x && y == b.y && z == b.z; }

  float dot(const Vec3& b) const { return x * b.x + y * b.y + z * b.z; }
  Vec3 cross(const Vec3& b) const {
    return Vec3(y * b.z - z * b.y, z * b.x - x * b.z, x * b.y - y * b.x);
  }
  float length() const { return std::sqrt(dot(*this)); }

  // Scales in place to length len; a zero vector has no direction and stays zero.
  void setLength(float len) {
    const float s = x * x + y * y + z * z;
    if (s == 0.0f) return;
    if (len == 1.0f && s == 1.0f) return;
    const float f = len / std::sqrt(s);
    x *= f;
    y *= f;
    z *= f;
  }
};

struct Vec4 {
  float x = 0.0f;
  float y = 0.0f;
  float z = 0.0f;
  float w = 0.0f;

  Vec4() = default;
  Vec4(float x_, float y_, float z_, float w_) : x(x_), y(y_), z(z_), w(w_) {}

  Vec4 operator+(const Vec4& b) const { return Vec4(x + b.x, y + b.y, z + b.z, w + b.w); }
  Vec4 operator-(const Vec4& b) const { return Vec4(x - b.x, y - b.y, z - b.z, w - b.w); }
  Vec4 operator*(float s) const { return Vec4(x * s, y * s, z * s, w * s); }
  bool operator==(const Vec4& b) const { return x == b.x && y == b.y && z == b.z && w == b.w; }
};

// The unit axes; each compilation unit has its own copies.
namespace {
const Vec3 kAxisX(1.0f, 0.0f, 0.0f);
const Vec3 kAxisY(0.0f, 1.0f, 0.0f);
const Vec3 kAxisZ(0.0f, 0.0f, 1.0f);
}  // namespace
