#pragma once
// The one degrees-per-radian factor of the game's objects. It is the rounded
// value the physics library turns its rotations with, so that angles the game
// works out agree with the bodies to the last bit.

constexpr double kDegreesPerRadian = 57.295779513082;
