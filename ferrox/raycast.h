#pragma once
// What a segment hits in the world grid (the grapple's aim).

#include "ferrox/vec2.h"

namespace ferrox {

class Link;
class Quark;

// Casts from -> to against every link in the grid, of any body. The answer is
// the hit whose closest point on the cast segment lies nearest the segment's
// midpoint (never one 10 or more from it): the link, its end nearer the contact
// (a when the point on the link is in its first half, else b) and that point on
// the cast segment. False, with the outputs untouched, when nothing is hit or
// there is no world. Candidates the memory cannot hold throw std::bad_alloc.
bool raycast(Link*& link, Quark*& quark, Vec2& hit, Vec2 from, Vec2 to);
bool raycast(Link*& link, Quark*& quark, Vec2 from, Vec2 to);

}  // namespace ferrox
