#include "kettar/camera.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>

namespace Kettar {

namespace {

constexpr double kDegreesPerRadian = 180.0 / M_PI;

// Angle and dot products of unit quaternions may stray past ±1 by rounding.
float clampUnit(float c) { return std::max(-1.0f, std::min(1.0f, c)); }

Vec3 unit(Vec3 v) {
  v.setLength(1.0f);
  return v;
}

}  // namespace

void Camera::init(const Vec3& position_, const Vec3& lookAtPoint_, const Vec3& offset_,
                  float rollDegrees, float positionSmoothing, float rotationSmoothing) {
  position = Vec3();
  startPosition = position_;
  targetPosition = position_;
  offset = Vec3();
  initialOffset = offset_;
  orientation = Quaternion();
  initialOrientation = Quaternion();
  targetOrientation = Quaternion();
  followed = nullptr;
  maximumDistance = 0.0f;
  changed = false;

  lookAt(unit(lookAtPoint_ - targetPosition));
  setRoll(rollDegrees);
  initialOrientation = orientation;
  setSmoothing(positionSmoothing, rotationSmoothing);
  snap();
}

void Camera::setSmoothing(float positionSmoothing, float rotationSmoothing) {
  snapPosition = !(positionSmoothing >= 0.0f && positionSmoothing < 1.0f);
  if (!snapPosition) positionRate = positionSmoothing * 20.0f;
  snapRotation = !(rotationSmoothing >= 0.0f && rotationSmoothing < 1.0f);
  if (!snapRotation) rotationRate = rotationSmoothing * 20.0f;
}

void Camera::snap() {
  offset = initialOffset;
  if (followed != nullptr) {
    position = targetPosition + offset;
  } else {
    targetPosition = startPosition;
    position = startPosition;
  }
  targetOrientation = initialOrientation;
  orientation = initialOrientation;
  changed = false;
}

void Camera::update(float dt) {
  if (followed != nullptr) targetPosition = *followed;
  changed = false;

  const Vec3 d = targetPosition + offset - position;
  if (d.dot(d) > 0.001f) {
    const float k = snapPosition ? 1.0f : std::min(1.0f, positionRate * dt);
    position += d * k;
    changed = true;
  }

  const float k = snapRotation ? 1.0f : rotationRate * dt;
  // q and -q are the same orientation, so the angle between them is measured on |q·t|.
  const float c0 = clampUnit(orientation.dot(targetOrientation));
  const double angle = 2.0 * std::acos(std::fabs(c0)) * kDegreesPerRadian;
  if (std::fabs(angle) <= 0.1) return;

  if (k > 0.0f) {
    if (k >= 1.0f) {
      orientation = targetOrientation;
    } else {
      Quaternion target = targetOrientation;
      float c = c0;
      if (c < 0.0f) {
        target = -target;
        c = -c;
      }
      if (c >= 0.999f) {
        orientation = orientation + (target - orientation) * k;
      } else {
        const float theta = std::acos(c);
        orientation = (orientation * std::sin((1.0f - k) * theta) + target * std::sin(k * theta)) *
                      (1.0f / std::sin(theta));
      }
      orientation.normalize();
    }
  }
  changed = true;
}

Vec3 Camera::forward() const { return orientation.rotate(-kAxisZ); }

Vec3 Camera::up() const { return orientation.rotate(kAxisY); }

void Camera::apply() const {
  Vec3 f = forward();
  f.setLength(100.0f);
  const Vec3 u = up();
  const Vec3 centre = position + f;
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  gluLookAt(position.x, position.y, position.z, centre.x, centre.y, centre.z, u.x, u.y, u.z);
}

void Camera::lookAt(Vec3 direction) {
  if (direction.dot(direction) == 0.0f || !std::isfinite(direction.dot(direction))) return;
  direction.setLength(1.0f);
  const Vec3 f = unit(targetOrientation.rotate(-kAxisZ));
  Vec3 axis = unit(f.cross(direction));
  if (axis.x == 0.0f && axis.y == 0.0f && axis.z == 0.0f) axis = targetOrientation.rotate(kAxisY);

  const float c = f.dot(direction);
  float cosHalf;
  float sinHalf;
  if (c < -1.0f) {
    cosHalf = -4.371139e-8f;
    sinHalf = 1.0f;
  } else if (c > 1.0f) {
    cosHalf = 1.0f;
    sinHalf = 0.0f;
  } else {
    const float degrees = static_cast<float>(std::acos(c) * kDegreesPerRadian);
    const float half = static_cast<float>((degrees / 2.0f) / kDegreesPerRadian);
    cosHalf = std::cos(half);
    sinHalf = std::sin(half);
  }
  targetOrientation = Quaternion::fromHalfAngle(cosHalf, sinHalf, axis) * targetOrientation;
  targetOrientation.normalize();
  orientation = targetOrientation;
}

void Camera::lookAtPoint(const Vec3& point) { lookAt(unit(point - targetPosition)); }

void Camera::setRoll(float degrees) {
  const Vec3 f = unit(targetOrientation.rotate(-kAxisZ));
  targetOrientation = Quaternion();
  lookAt(f);
  targetOrientation = Quaternion::fromAxisDegrees(f, degrees) * targetOrientation;
  targetOrientation.normalize();
  orientation = targetOrientation;
}

void Camera::rotate(bool worldAxis, Vec3 axis, float degrees) {
  if (!worldAxis) axis = targetOrientation.rotate(axis);
  targetOrientation = Quaternion::fromAxisDegrees(axis, degrees) * targetOrientation;
  targetOrientation.normalize();
}

void Camera::rotateAbout(const Vec3& pivot, bool worldAxis, Vec3 axis, float degrees) {
  if (!worldAxis) axis = targetOrientation.rotate(axis);
  Vec3 turn = unit(axis);
  targetPosition = pivot + Quaternion::fromAxisDegrees(turn, degrees).rotate(targetPosition - pivot);
  rotate(true, axis, degrees);
}

Vec3 Camera::move(bool worldDirection, Vec3 direction, float distance) {
  if (!worldDirection) direction = orientation.rotate(direction);
  const Vec3 before = targetPosition;
  targetPosition += direction * distance;
  if (maximumDistance != 0.0f && targetPosition.length() > maximumDistance) targetPosition = before;
  return targetPosition;
}

Vec3 Camera::unproject(int windowX, int windowY, float distance) const {
  GLdouble modelView[16];
  GLdouble projection[16];
  GLint viewport[4];
  glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  glGetIntegerv(GL_VIEWPORT, viewport);
  GLdouble wx = 0.0;
  GLdouble wy = 0.0;
  GLdouble wz = 0.0;
  gluUnProject(windowX, viewport[3] - 1 - windowY, 1.0, modelView, projection, viewport, &wx, &wy, &wz);
  Vec3 d = Vec3(static_cast<float>(wx), static_cast<float>(wy), static_cast<float>(wz)) - position;
  if (distance != 0.0f) {
    d.setLength(distance);
    return position + d;
  }
  d.setLength(0.1f);
  Vec3 p = position;
  for (int i = 0; i < 10000; ++i) {
    p += d;
    if (p.z <= 0.0f) break;
  }
  return p;
}

}  // namespace Kettar
