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
  // Refuses sizes that createWorld refuses; callers go through createWorld.
  Grid(int32_t width, int32_t height, float cellSize);
  ~Grid();
  Grid(const Grid&) = delete;
  Grid& operator=(const Grid&) = delete;

  // Thick insertion; pairs the link with every link it meets (first = the one
  // already in the cell). For every link that is not internal.
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
  GridCell& cell(int32_t column, int32_t row) { return columns[column][row]; }

  int32_t width = 0;      // whole level units
  int32_t height = 0;
  float cellSize = 0.0f;  // side of a square cell
  int32_t cols = 0;       // width / cellSize, truncated
  int32_t rows = 0;       // height / cellSize, truncated
  IndexedList<ContactPair> pairs;  // filled by thick insertion, emptied by clearContacts
  GridCell** columns = nullptr;    // columns[c] is the first cell of column c

 private:
  struct PartnerMemory;
  void addToCell(GridCell& cell, Link* link, PartnerMemory& memory);

  GridCell* cells_ = nullptr;   // cols x rows cells, column after column
  Link** firstSlots_ = nullptr; // 8 lent slots per cell, one block
};

// The current grid; null before the first level and after destroyWorld.
extern Grid* world;

// The most cells a world may have (about 170 MB of cells and first slots).
constexpr int64_t kMaxWorldCells = int64_t{1} << 21;

// Replaces the world by a new grid of width x height level units. Sizes that are
// not positive, a cell size that is not a positive finite number, a grid of no
// cells or of more than kMaxWorldCells are refused: the old world is deleted
// all the same and the result is false with world null.
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
