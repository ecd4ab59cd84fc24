#pragma once
// A 3D camera that eases its eye position and orientation toward targets, may follow
// a moving position with a fixed offset, and loads the model-view matrix. It looks
// along its local -Z axis with +Y up.

#include "ferrox/vec2.h"
#include "kettar/quaternion.h"

namespace Kettar {

class Camera {
 public:
  // Sets every field; smoothing values in [0, 1) ease at 20 × value per second, any
  // other value makes that part jump to its goal.
  void init(const Vec3& position, const Vec3& lookAtPoint, const Vec3& offset, float rollDegrees,
            float positionSmoothing, float rotationSmoothing);
  void setSmoothing(float positionSmoothing, float rotationSmoothing);
  void update(float dt);
  // Loads the model-view matrix from the eye and the orientation.
  void apply() const;
  // Back to the initial offset and orientation, and to the start or followed position.
  void snap();
  // Turns the target orientation (and the orientation with it) to look along the
  // direction; a zero direction turns nothing.
  void lookAt(Vec3 direction);
  void lookAtPoint(const Vec3& point);
  void setRoll(float degrees);
  // Without the world flag the axis is in camera space.
  void rotate(bool worldAxis, Vec3 axis, float degrees);
  void rotateAbout(const Vec3& pivot, bool worldAxis, Vec3 axis, float degrees);
  // Moves the target position; undone when it would leave maximumDistance. Returns it.
  Vec3 move(bool worldDirection, Vec3 direction, float distance);
  // The world point under a window pixel at the given distance from the eye, or where
  // the ray meets the plane z = 0 when the distance is 0 (uses the current GL matrices).
  Vec3 unproject(int windowX, int windowY, float distance) const;

  // -Z and +Y turned by the orientation.
  Vec3 forward() const;
  Vec3 up() const;

  Vec3 position;
  Vec3 startPosition;
  Vec3 targetPosition;        // where the eye heads, before the offset
  Vec3 offset;                // added to the target position; the game changes it to zoom
  Vec3 initialOffset;
  Quaternion orientation;
  Quaternion initialOrientation;
  Quaternion targetOrientation;
  const Vec3* followed = nullptr;  // not owned; copied into the target position by every update
  bool changed = false;             // the last update moved the position or the orientation
  bool snapPosition = false;
  bool snapRotation = false;
  float positionRate = 0.0f;        // 1/s, used unless snapPosition
  float rotationRate = 0.0f;        // 1/s, used unless snapRotation
  float maximumDistance = 0.0f;     // limit of the target position's distance from the origin; 0 for none
};

}  // namespace Kettar
