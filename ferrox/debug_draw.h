#pragma once
// Debug drawing of the broadphase: the world's bounds and the cells a body's
// links cover. The only OpenGL of the physics library; the game does not call it.

namespace ferrox {

class Skeleton;

// The world's rectangle as a white outline; leaves the polygon mode at lines.
void drawWorldBounds();
// The cells of every colliding link of the body, at the quarks' current positions.
void drawSkeletonCells(const Skeleton& body);

}  // namespace ferrox
