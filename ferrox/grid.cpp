#include "ferrox/grid.h"

#include <cmath>
#include <new>

namespace ferrox {

Grid* world = nullptr;

namespace {
constexpr float kThinHalfWidth = 0.01f;
constexpr uint32_t kFirstSlots = 8;
}  // namespace

// The links met during one thick insertion, shared by both of its edges, so a
// link met in several cells pairs once. Eight entries: past that, links met
// again pair again.
struct Grid::PartnerMemory {
  Link* entries[8];
  uint32_t filled = 0;

  // Records the link (while there is room) and tells whether it was met before.
  bool meet(Link* link) {
    bool repeat = false;
    for (uint32_t i = 0; i < filled; ++i) {
      if (entries[i] == link) {
        repeat = true;
        break;
      }
    }
    if (filled < 8) entries[filled++] = link;
    return repeat;
  }
};

Grid::Grid(int32_t width_, int32_t height_, float cellSize_)
    : width(width_), height(height_), cellSize(cellSize_) {
  cols = static_cast<int32_t>(static_cast<float>(width) / cellSize);
  rows = static_cast<int32_t>(static_cast<float>(height) / cellSize);
  const size_t cellCount = static_cast<size_t>(cols) * static_cast<size_t>(rows);
  // Three allocations for the whole grid: a level of 100 x 50 has 125,000 cells.
  columns = new GridCell*[static_cast<size_t>(cols)];
  try {
    cells_ = new GridCell[cellCount];
    firstSlots_ = new Link*[cellCount * kFirstSlots];
  } catch (const std::bad_alloc&) {
    // The destructor does not run for a grid that was never built.
    delete[] cells_;
    delete[] columns;
    throw;
  }
  for (size_t i = 0; i < cellCount; ++i) cells_[i].lend(firstSlots_ + i * kFirstSlots);
  for (int32_t c = 0; c < cols; ++c) columns[c] = cells_ + static_cast<size_t>(c) * rows;
}

Grid::~Grid() {
  const size_t cellCount = static_cast<size_t>(cols) * static_cast<size_t>(rows);
  for (size_t i = 0; i < cellCount; ++i) cells_[i].release();
  delete[] firstSlots_;
  delete[] cells_;
  delete[] columns;
}

void Grid::addToCell(GridCell& cell, Link* link, PartnerMemory& memory) {
  for (uint32_t i = 0; i < cell.count; ++i) {
    Link* met = cell.links[i];
    if (met == link) return;  // already here: the pairs made so far stay
    if (memory.meet(met)) continue;
    // A pair dropped would be a contact never resolved: no room throws as new does.
    reserve(pairs, pairs.count + 1);
    pairs.pushBack(ContactPair{met, link});
  }
  cell.append(link);
}

void Grid::insertLink(Vec2 a, Vec2 b, Link* link, float radius) {
  PartnerMemory memory;
  walkCells(a, b, radius, [&](int32_t c, int32_t r) { addToCell(columns[c][r], link, memory); });
}

void Grid::insertLinkThin(Vec2 a, Vec2 b, Link* link) {
  walkCells(a, b, kThinHalfWidth, [&](int32_t c, int32_t r) { columns[c][r].append(link); });
}

void Grid::removeLink(Vec2 a, Vec2 b, Link* link, float radius) {
  walkCells(a, b, radius, [&](int32_t c, int32_t r) { columns[c][r].remove(link); });
}

void Grid::removeLinkThin(Vec2 a, Vec2 b, Link* link) {
  removeLink(a, b, link, kThinHalfWidth);
}

void Grid::query(Vec2 a, Vec2 b, GridCell& out, float radius) {
  walkCells(a, b, radius, [&](int32_t c, int32_t r) {
    const GridCell& cell = columns[c][r];
    for (uint32_t i = 0; i < cell.count; ++i) out.append(cell.links[i]);
  });
}

void Grid::removePairsOf(const Link* link) {
  uint32_t kept = 0;
  for (uint32_t i = 0; i < pairs.count; ++i) {
    const ContactPair& pair = pairs.items[i];
    if (pair.first != link && pair.second != link) pairs.items[kept++] = pair;
  }
  pairs.count = kept;
}

bool Grid::cellOf(Vec2 p, int32_t& column, int32_t& row) const {
  const float fc = columnCoordinate(p.x);
  const float fr = rowCoordinate(p.y);
  if (!(fc >= 0.0f && fc < static_cast<float>(cols))) return false;
  if (!(fr >= 0.0f && fr < static_cast<float>(rows))) return false;
  column = static_cast<int32_t>(fc);
  row = static_cast<int32_t>(fr);
  return true;
}

bool createWorld(int32_t width, int32_t height, float cellSize) {
  destroyWorld();
  if (width <= 0 || height <= 0) return false;
  if (!std::isfinite(cellSize) || !(cellSize > 0.0f)) return false;
  // The quotients are checked as floats before they are truncated.
  const float colsF = static_cast<float>(width) / cellSize;
  const float rowsF = static_cast<float>(height) / cellSize;
  const float limit = static_cast<float>(kMaxWorldCells);
  if (!(colsF >= 1.0f && colsF <= limit && rowsF >= 1.0f && rowsF <= limit)) return false;
  const int64_t cells = static_cast<int64_t>(colsF) * static_cast<int64_t>(rowsF);
  if (cells > kMaxWorldCells) return false;
  world = new Grid(width, height, cellSize);
  return true;
}

bool createWorld(Vec2 levelSize, float cellSize) {
  const float limit = static_cast<float>(kMaxWorldCells);
  if (!(levelSize.x >= 1.0f && levelSize.x <= limit && levelSize.y >= 1.0f &&
        levelSize.y <= limit)) {
    destroyWorld();
    return false;
  }
  return createWorld(static_cast<int32_t>(levelSize.x), static_cast<int32_t>(levelSize.y), cellSize);
}

void destroyWorld() {
  delete world;
  world = nullptr;
}

uint32_t pairCount() { return world != nullptr ? world->pairs.count : 0; }

void clearContacts() {
  if (world != nullptr) world->pairs.empty();
}

}  // namespace ferrox
