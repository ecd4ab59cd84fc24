#pragma once
// Process-wide physics settings. They start at their defaults and live for the
// whole run; the game keeps the defaults.

#include <cstdint>

#include "ferrox/vec2.h"

namespace ferrox {

// Acceleration of every moving quark; (0, -9.81) by default.
extern Vec2 gravity;
// Factor on every quark's damping; 1 by default.
extern float dampingScale;
// Factor on the friction of every contact; 1 by default.
extern float frictionScale;
// 1 once internal links take part in the grid (thin); 0 by default.
extern uint8_t internalCollisions;
// Weight of the old value in a quark's smoothed sleep energy (0.998).
extern float sleepSmoothing;
// Sleep energy below which a quark counts as still (0.1).
extern float sleepThreshold;

// Gravity of the given magnitude at an angle from straight down: 0 points down,
// 90 along +x.
void setGravity(float magnitude, float degrees);
void setDampingScale(float scale);
void setFrictionScale(float scale);
// Internal links enter the grid from their next entry on; nothing clears it.
void enableInternalCollisions();

}  // namespace ferrox
