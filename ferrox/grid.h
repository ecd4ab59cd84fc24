#pragma once
// The broadphase: one uniform grid over the level's rectangle, centred on the
// origin. Every link that may collide sits in each cell its thickened segment
// covers; a link entering the grid is paired with the links it meets there,
// which makes the candidate contact pairs of the step.

#include <cstdint>

#include "ferrox/contact_pair.h"
#include "ferrox/grid_cell.h"
#include "ferrox/indexed_list.h"
#include "ferrox/vec2.h"

namespace ferrox {

class Link;

class Grid {
 public:
  ~Grid();
  Grid(const Grid&) = delete;
  Grid& operator=(const Grid&) = delete;

  // Thick insertion; pairs the link with every link it meets (first = the one
  // already in the cell). For every link that is not internal. A pair or a
  // cell the memory cannot hold throws std::bad_alloc; the link may then stand
  // in some of its cells, which its removal walks as always.
  void insertLink(Vec2 a, Vec2 b, Link* link, float radius);
  // Half-width 0.01, no pairs; a link may stand in a cell once per visit.
  void insertLinkThin(Vec2 a, Vec2 b, Link* link);
  // Undo the insertions above; pass the same ends and radius as when entering.
  void removeLink(Vec2 a, Vec2 b, Link* link, float radius);
  void removeLinkThin(Vec2 a, Vec2 b, Link* link);
  // Appends the links of every cell walked (duplicates included) to out.
  void query(Vec2 a, Vec2 b, GridCell& out, float radius);
  // One GL quad per cell walked; the caller has opened glBegin(GL_QUADS).
  void drawCells(Vec2 a, Vec2 b, float radius);

  // Drops every pending pair that names the link, keeping the order of the rest.
  // A link calls it when it is destroyed, so no pair outlives its links.
  void removePairsOf(const Link* link);

  // Cell of a point; false (and the outputs untouched) outside the grid.
  bool cellOf(Vec2 p, int32_t& column, int32_t& row) const;

  // Calls visit(column, row) for each cell of the segment a -> b thickened by
  // radius, in walk order; a cell may come more than once. Walks the edge
  // a + n -> b + n, then a - n -> b - n (n the normal at length radius); when
  // an end of an edge leaves the inner cells (1 .. cols - 2, 1 .. rows - 2)
  // the whole walk stops there. Integers only after the four end cells.
  template <typename Visit>
  void walkCells(Vec2 a, Vec2 b, float radius, Visit&& visit) const;
  GridCell& cell(int32_t column, int32_t row) { return columns[column][row]; }

  int32_t width = 0;      // whole level units
  int32_t height = 0;
  float cellSize = 0.0f;  // side of a square cell
  int32_t cols = 0;       // width / cellSize, truncated
  int32_t rows = 0;       // height / cellSize, truncated
  IndexedList<ContactPair> pairs;  // filled by thick insertion, emptied by clearContacts
  GridCell** columns = nullptr;    // columns[c] is the first cell of column c

 private:
  // Only createWorld builds grids, after it has checked the size.
  friend bool createWorld(int32_t width, int32_t height, float cellSize);
  Grid(int32_t width, int32_t height, float cellSize);

  struct PartnerMemory;
  void addToCell(GridCell& cell, Link* link, PartnerMemory& memory);

  template <typename Visit>
  bool walkEdge(Vec2 start, Vec2 end, Visit& visit) const;
  // Column (or row) of a coordinate when it lies in the inner cells; NaN and
  // far-off values are refused before they are truncated.
  static bool innerIndex(float f, int32_t n, int32_t& index) {
    if (!(f >= 1.0f && f < static_cast<float>(n - 1))) return false;
    index = static_cast<int32_t>(f);
    return true;
  }
  float columnCoordinate(float x) const {
    return (x + static_cast<float>(width) * 0.5f) / cellSize + 0.5f;
  }
  float rowCoordinate(float y) const {
    return (y + static_cast<float>(height) * 0.5f) / cellSize + 0.5f;
  }

  GridCell* cells_ = nullptr;   // cols x rows cells, column after column
  Link** firstSlots_ = nullptr; // 8 lent slots per cell, one block
};

template <typename Visit>
void Grid::walkCells(Vec2 a, Vec2 b, float radius, Visit&& visit) const {
  Vec2 n(b.y - a.y, -(b.x - a.x));
  n.setLength(radius);  // a zero-length segment keeps n = (0, 0)
  const Vec2 a1 = a + n;
  const Vec2 b1 = b + n;
  if (!walkEdge(a1, b1, visit)) return;
  const Vec2 twice = n + n;
  walkEdge(a1 - twice, b1 - twice, visit);
}

template <typename Visit>
bool Grid::walkEdge(Vec2 start, Vec2 end, Visit& visit) const {
  const float fcStart = columnCoordinate(start.x);
  const float frStart = rowCoordinate(start.y);
  const float fcEnd = columnCoordinate(end.x);
  const float frEnd = rowCoordinate(end.y);
  int32_t cStart, rStart, cEnd, rEnd;
  if (!innerIndex(fcStart, cols, cStart) || !innerIndex(frStart, rows, rStart) ||
      !innerIndex(fcEnd, cols, cEnd) || !innerIndex(frEnd, rows, rEnd)) {
    return false;
  }
  const int32_t dc = cEnd > cStart ? cEnd - cStart : cStart - cEnd;
  const int32_t dr = rEnd > rStart ? rEnd - rStart : rStart - rEnd;
  const bool rowsMajor = dc < dr;
  // Mean fractional position across the minor axis: where the edge sits in its cells.
  const float frac = rowsMajor
      ? ((fcStart - static_cast<float>(cStart)) + (fcEnd - static_cast<float>(cEnd))) * 0.5f
      : ((frStart - static_cast<float>(rStart)) + (frEnd - static_cast<float>(rEnd))) * 0.5f;
  int32_t majorStart = rowsMajor ? rStart : cStart;
  int32_t majorEnd = rowsMajor ? rEnd : cEnd;
  int32_t minorStart = rowsMajor ? cStart : rStart;
  int32_t minorEnd = rowsMajor ? cEnd : rEnd;
  if (majorEnd < majorStart) {
    const int32_t m = majorStart;
    majorStart = majorEnd;
    majorEnd = m;
    const int32_t k = minorStart;
    minorStart = minorEnd;
    minorEnd = k;
  }
  const int32_t majorDelta = majorEnd - majorStart;
  const int32_t minorDelta = minorEnd > minorStart ? minorEnd - minorStart : minorStart - minorEnd;
  const bool upward = minorStart < minorEnd;
  const int32_t step = upward ? 1 : -1;
  int32_t error = upward ? static_cast<int32_t>((1.0f - frac) * static_cast<float>(majorDelta))
                         : static_cast<int32_t>(static_cast<float>(majorDelta) * frac);
  auto at = [&](int32_t major, int32_t minor) {
    if (rowsMajor) {
      visit(minor, major);
    } else {
      visit(major, minor);
    }
  };
  int32_t minor = minorStart;
  for (int32_t major = majorStart; major <= majorEnd; ++major) {
    at(major, minor);
    error -= minorDelta;
    if (error < 0) {
      // A minor step: the cells on all four sides of the corner are covered.
      at(major + 1, minor);
      minor += step;
      at(major, minor);
      error += majorDelta;
    }
  }
  return true;
}

// The current grid; null before the first level and after destroyWorld.
extern Grid* world;

// The most cells a world may have (about 170 MB of cells and first slots).
constexpr int64_t kMaxWorldCells = int64_t{1} << 21;

// Replaces the world by a new grid of width x height level units. Sizes that are
// not positive, a cell size that is not a positive finite number, a grid of no
// cells or of more than kMaxWorldCells are refused: the old world is deleted
// all the same and the result is false with world null. A grid the memory
// cannot hold throws std::bad_alloc, as new does, leaving world null and
// nothing of the grid.
bool createWorld(int32_t width, int32_t height, float cellSize);
// The same from a level's size in level units, each truncated to whole units
// after it is checked to be a finite number in range.
bool createWorld(Vec2 levelSize, float cellSize);
void destroyWorld();

// Count of the world's pair list (0 without a world).
uint32_t pairCount();
// Empties the world's pair list, keeping its storage.
void clearContacts();

}  // namespace ferrox
