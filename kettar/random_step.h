#pragma once
// Random vectors between two bounds in whole steps, for the particle systems.
// Each component is min + k × step with k drawn from 0..n−1, n the whole number
// of steps in max − min (so max itself is never reached when the range is a
// whole multiple of the step); a component whose range is smaller than the step
// is min and draws nothing. Components are drawn last to first with rand().
// A step of 0 or less gives min.

#include "ferrox/vec2.h"

namespace Kettar {

Vec3 randomStep(const Vec3& min, const Vec3& max, float step);
Vec4 randomStep(const Vec4& min, const Vec4& max, float step);

}  // namespace Kettar
