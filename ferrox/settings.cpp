#include "ferrox/settings.h"

#include <cmath>

namespace ferrox {

Vec2 gravity(0.0f, -9.81f);
float dampingScale = 1.0f;
float frictionScale = 1.0f;
uint8_t internalCollisions = 0;
float sleepSmoothing = 0.998f;
float sleepThreshold = 0.1f;

void setGravity(float magnitude, float degrees) {
  const double radians = degrees / 57.295779513082;
  // The down vector (0, -1) turned by the angle.
  Vec2 g(static_cast<float>(std::sin(radians)), -static_cast<float>(std::cos(radians)));
  g.setLength(magnitude);
  gravity = g;
}

void setDampingScale(float scale) { dampingScale = scale; }

void setFrictionScale(float scale) { frictionScale = scale; }

void enableInternalCollisions() { internalCollisions = 1; }

}  // namespace ferrox
