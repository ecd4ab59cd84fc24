#pragma once
// Closest points of two segments, the narrow phase of contacts and ray casts.

#include "ferrox/vec2.h"

namespace ferrox {

// Values above 0 limited to 1; values <= 0 give 0; NaN passes through.
float clamp01(float v);

// Segments P (p1 -> p2) and Q (q1 -> q2): s and t are the parameters of the
// closest points on P and Q, written with the points themselves; the result is
// their squared distance. Parallel segments take s = 0 unless an end clamp moves
// it. A segment shorter than about 1e-6 counts as the point at its first end.
float closestPoints(Vec2 p1, Vec2 p2, Vec2 q1, Vec2 q2, float& s, float& t, Vec2& onP, Vec2& onQ);

}  // namespace ferrox
