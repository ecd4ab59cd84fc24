#include "ferrox/grid.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <new>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "support/little_memory.h"

namespace {

using ferrox::ContactPair;
using ferrox::Grid;
using ferrox::GridCell;
using ferrox::Link;

// The grid never looks inside a link: distinct addresses stand in for links.
struct LinkTokens {
  std::vector<double> storage;
  explicit LinkTokens(size_t n) : storage(n) {}
  Link* operator[](size_t i) { return reinterpret_cast<Link*>(&storage[i]); }
};

// A 10 x 8 world with 0.2 cells: 50 columns, 40 rows, (0, 0) in cell (25, 20).
struct GridFixture : ::testing::Test {
  LinkTokens links{64};
  void SetUp() override { ASSERT_TRUE(ferrox::createWorld(10, 8, 0.2f)); }
  void TearDown() override { ferrox::destroyWorld(); }
  Grid& grid() { return *ferrox::world; }

  using Cells = std::vector<std::pair<int32_t, int32_t>>;
  Cells walked(Vec2 a, Vec2 b, float radius) {
    Cells cells;
    grid().walkCells(a, b, radius, [&](int32_t c, int32_t r) { cells.emplace_back(c, r); });
    return cells;
  }
  std::set<std::pair<int32_t, int32_t>> cellsHolding(Link* link) {
    std::set<std::pair<int32_t, int32_t>> found;
    for (int32_t c = 0; c < grid().cols; ++c) {
      for (int32_t r = 0; r < grid().rows; ++r) {
        const GridCell& cell = grid().cell(c, r);
        for (uint32_t i = 0; i < cell.count; ++i) {
          if (cell.links[i] == link) found.emplace(c, r);
        }
      }
    }
    return found;
  }
  uint32_t totalEntries() {
    uint32_t n = 0;
    for (int32_t c = 0; c < grid().cols; ++c) {
      for (int32_t r = 0; r < grid().rows; ++r) n += grid().cell(c, r).count;
    }
    return n;
  }
};

TEST_F(GridFixture, SizeAndCellOfAPoint) {
  EXPECT_EQ(grid().cols, 50);
  EXPECT_EQ(grid().rows, 40);
  EXPECT_EQ(grid().pairs.count, 0u);
  EXPECT_EQ(grid().pairs.capacity, 0u);
  struct Row {
    const char* name;
    Vec2 p;
    bool inside;
    int32_t column, row;
  } rows[] = {
      {"origin", Vec2(0.0f, 0.0f), true, 25, 20},
      {"lower-left corner is the centre of cell (0, 0)", Vec2(-5.0f, -4.0f), true, 0, 0},
      {"just below half a cell right", Vec2(-4.91f, -3.91f), true, 0, 0},
      {"half a cell right", Vec2(-4.89f, -3.89f), true, 1, 1},
      {"last cell", Vec2(4.89f, 3.89f), true, 49, 39},
      {"beyond the last cell's centre by half a cell", Vec2(4.91f, 0.0f), false, 0, 0},
      {"outside left", Vec2(-5.2f, 0.0f), false, 0, 0},
      {"outside top", Vec2(0.0f, 4.2f), false, 0, 0},
      {"NaN", Vec2(std::nanf(""), 0.0f), false, 0, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    int32_t c = -7, r = -7;
    ASSERT_EQ(grid().cellOf(row.p, c, r), row.inside);
    if (row.inside) {
      EXPECT_EQ(c, row.column);
      EXPECT_EQ(r, row.row);
    } else {
      EXPECT_EQ(c, -7);
    }
  }
  // Every cell of a column sits in the one block, column after column.
  EXPECT_EQ(&grid().cell(1, 0), &grid().cell(0, 39) + 1);
  EXPECT_EQ(grid().cell(3, 4).capacity, 8u);
  EXPECT_EQ(grid().cell(3, 4).count, 0u);
}

TEST(CreateWorldTest, RefusesUnsoundSizes) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  struct Row {
    const char* name;
    int32_t width, height;
    float cellSize;
  } rows[] = {
      {"zero width", 0, 8, 0.2f},
      {"negative height", 10, -8, 0.2f},
      {"zero cell size", 10, 8, 0.0f},
      {"negative cell size", 10, 8, -0.2f},
      {"NaN cell size", 10, 8, nan},
      {"infinite cell size", 10, 8, inf},
      {"cell larger than the world", 10, 8, 20.0f},
      {"cell size so small the quotient overflows", 10, 8, 1e-30f},
      {"columns times rows overflow", std::numeric_limits<int32_t>::max(),
       std::numeric_limits<int32_t>::max(), 0.2f},
      {"more cells than a level can need", 2000, 2000, 0.2f},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ASSERT_TRUE(ferrox::createWorld(10, 8, 0.2f));
    EXPECT_FALSE(ferrox::createWorld(row.width, row.height, row.cellSize));
    // The old world is gone all the same: a level never runs on the last one's grid.
    EXPECT_EQ(ferrox::world, nullptr);
    EXPECT_EQ(ferrox::pairCount(), 0u);
    ferrox::clearContacts();
  }

  struct FloatRow {
    const char* name;
    Vec2 size;
  } floatRows[] = {
      {"NaN width", Vec2(nan, 8.0f)},
      {"NaN height", Vec2(10.0f, nan)},
      {"infinite width", Vec2(inf, 8.0f)},
      {"negative width", Vec2(-10.0f, 8.0f)},
      {"below one unit", Vec2(0.5f, 8.0f)},
      {"beyond any i32", Vec2(1e12f, 8.0f)},
  };
  for (const FloatRow& row : floatRows) {
    SCOPED_TRACE(row.name);
    EXPECT_FALSE(ferrox::createWorld(row.size, 0.2f));
    EXPECT_EQ(ferrox::world, nullptr);
  }

  ASSERT_TRUE(ferrox::createWorld(Vec2(10.9f, 8.5f), 0.2f));
  EXPECT_EQ(ferrox::world->width, 10);
  EXPECT_EQ(ferrox::world->height, 8);
  EXPECT_EQ(ferrox::world->cols, 50);
  ASSERT_TRUE(ferrox::createWorld(200, 100, 0.2f));
  EXPECT_EQ(ferrox::world->cols, 1000);
  EXPECT_EQ(ferrox::world->rows, 500);
  ferrox::destroyWorld();
  EXPECT_EQ(ferrox::world, nullptr);
  ferrox::destroyWorld();
}

TEST_F(GridFixture, WalkStaysInRangeAndCoversItsEnds) {
  std::mt19937 rng(12345);
  std::uniform_real_distribution<float> x(-5.5f, 5.5f), y(-4.5f, 4.5f), radius(0.0f, 0.3f);
  std::uniform_real_distribution<float> shortStep(-0.6f, 0.6f);
  int walkedSegments = 0;
  for (int i = 0; i < 20000; ++i) {
    const Vec2 a(x(rng), y(rng));
    // Half of them short, as links are; half across the world.
    const Vec2 b = (i % 2 == 0) ? a + Vec2(shortStep(rng), shortStep(rng)) : Vec2(x(rng), y(rng));
    const float r = radius(rng);
    const Cells cells = walked(a, b, r);
    if (!cells.empty()) ++walkedSegments;
    for (const auto& [c, row] : cells) {
      ASSERT_GE(c, 0);
      ASSERT_LT(c, grid().cols);
      ASSERT_GE(row, 0);
      ASSERT_LT(row, grid().rows);
    }
    // A walked edge visits the cells of both its ends.
    if (!cells.empty()) {
      Vec2 n(b.y - a.y, -(b.x - a.x));
      n.setLength(r);
      const std::set<std::pair<int32_t, int32_t>> seen(cells.begin(), cells.end());
      for (const Vec2& end : {a + n, b + n}) {
        int32_t c, row;
        ASSERT_TRUE(grid().cellOf(end, c, row));
        EXPECT_TRUE(seen.count({c, row})) << "end (" << end.x << ", " << end.y << ")";
      }
    }
  }
  EXPECT_GT(walkedSegments, 5000);
}

TEST_F(GridFixture, WalkEdgeCases) {
  // Both shifted ends in one cell: that cell once per edge.
  EXPECT_EQ(walked(Vec2(0.01f, 0.01f), Vec2(0.02f, 0.02f), 0.01f),
            (Cells{{25, 20}, {25, 20}}));
  // A zero-length segment walks its cell twice.
  EXPECT_EQ(walked(Vec2(0.0f, 0.0f), Vec2(0.0f, 0.0f), 0.05f), (Cells{{25, 20}, {25, 20}}));
  // Horizontal (x = 0.5 is the centre of column 28): along the columns, one row,
  // in increasing order after the swap.
  EXPECT_EQ(walked(Vec2(0.5f, 0.0f), Vec2(0.0f, 0.0f), 0.01f),
            (Cells{{25, 20}, {26, 20}, {27, 20}, {28, 20}, {25, 20}, {26, 20}, {27, 20}, {28, 20}}));
  // Vertical: along the rows.
  EXPECT_EQ(walked(Vec2(0.0f, 0.0f), Vec2(0.0f, 0.3f), 0.01f),
            (Cells{{25, 20}, {25, 21}, {25, 22}, {25, 20}, {25, 21}, {25, 22}}));
  // A diagonal step covers the four cells around each corner; the last step
  // reaches one cell beyond the ends.
  const Cells diagonal = walked(Vec2(0.05f, 0.05f), Vec2(0.15f, 0.15f), 0.0f);
  const Cells onePass{{25, 20}, {26, 20}, {25, 21}, {26, 21}, {27, 21}, {26, 22}};
  ASSERT_EQ(diagonal.size(), 12u);
  EXPECT_EQ(Cells(diagonal.begin(), diagonal.begin() + 6), onePass);
  // An end in the outer ring (column 0) or outside: nothing at all.
  EXPECT_TRUE(walked(Vec2(-4.95f, 0.0f), Vec2(0.0f, 0.0f), 0.01f).empty());
  EXPECT_TRUE(walked(Vec2(0.0f, 0.0f), Vec2(0.0f, 3.95f), 0.01f).empty());
  EXPECT_TRUE(walked(Vec2(0.0f, 0.0f), Vec2(9.0f, 0.0f), 0.01f).empty());
  // A quark blown to NaN or far away is refused before its coordinate is truncated.
  EXPECT_TRUE(walked(Vec2(std::nanf(""), 0.0f), Vec2(0.0f, 0.0f), 0.01f).empty());
  EXPECT_TRUE(walked(Vec2(0.0f, 0.0f), Vec2(0.0f, 1e30f), 0.01f).empty());
  EXPECT_TRUE(walked(Vec2(-3e9f, 0.0f), Vec2(0.0f, 0.0f), 0.01f).empty());
  // Only the second edge leaves the inner cells: the first edge alone is walked.
  // Segment going +x has normal (0, -len): the first edge is below, the second above.
  const float topInner = 3.7f;  // row 38 (the last inner row) spans y in [3.5, 3.7)
  const Cells firstOnly = walked(Vec2(0.0f, topInner - 0.02f), Vec2(0.1f, topInner - 0.02f), 0.05f);
  EXPECT_EQ(firstOnly, (Cells{{25, 38}, {26, 38}}));
}

// Diagonal walks whose ends sit at different heights in their cells on the
// minor axis (radius 0: both edges are the segment itself). Each end's minor
// fraction is given; frac is their mean, 0.62 (or 0.38 going down), over five
// major steps. Upward the error starts at trunc((1 - 0.62) · 5) = 1, downward at
// trunc(5 · 0.38) = 1: the one minor step comes at the second major cell. The
// fraction of the first major end alone (0.9 or 0.1) would start it at 0, that
// of the last end alone (0.34 or 0.66) or 1 - frac at 3. Every row is walked
// from either end.
TEST_F(GridFixture, WalkErrorStartsFromTheMeanFracOfBothEnds) {
  struct Row {
    const char* name;
    Vec2 a, b;
    Cells onePass;
  } rows[] = {
      // columns 23.5 -> 28.5; rows 20.9 -> 21.34
      {"columns major, rows going up", Vec2(-0.4f, 0.08f), Vec2(0.6f, 0.168f),
       {{23, 20}, {24, 20}, {25, 20}, {24, 21}, {25, 21}, {26, 21}, {27, 21}, {28, 21}}},
      // columns 23.5 -> 28.5; rows 21.1 -> 20.66
      {"columns major, rows going down", Vec2(-0.4f, 0.12f), Vec2(0.6f, 0.032f),
       {{23, 21}, {24, 21}, {25, 21}, {24, 20}, {25, 20}, {26, 20}, {27, 20}, {28, 20}}},
      // rows 18.5 -> 23.5; columns 24.9 -> 25.34
      {"rows major, columns going up", Vec2(-0.12f, -0.4f), Vec2(-0.032f, 0.6f),
       {{24, 18}, {24, 19}, {24, 20}, {25, 19}, {25, 20}, {25, 21}, {25, 22}, {25, 23}}},
      // rows 18.5 -> 23.5; columns 25.1 -> 24.66
      {"rows major, columns going down", Vec2(-0.08f, -0.4f), Vec2(-0.168f, 0.6f),
       {{25, 18}, {25, 19}, {25, 20}, {24, 19}, {24, 20}, {24, 21}, {24, 22}, {24, 23}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Cells both = row.onePass;
    both.insert(both.end(), row.onePass.begin(), row.onePass.end());
    EXPECT_EQ(walked(row.a, row.b, 0.0f), both) << "from a";
    EXPECT_EQ(walked(row.b, row.a, 0.0f), both) << "from b";
  }
}

// The second edge starts at (a + n) - (n + n), which in float is not a - n.
// Half-width 0.01 across x = 0.11 - 3.3e-7: the first edge stands at x = 0.12
// (column 26.1), the second at 0.0999996662 (column 25.999996); a - n would
// give 0.0999996737, exactly column 26.
TEST_F(GridFixture, SecondEdgeIsTheFirstLessTwiceTheNormal) {
  const float x = 0x1.c28f04p-4f;  // 0.10999967
  EXPECT_EQ(walked(Vec2(x, 0.0f), Vec2(x, 0.25f), 0.01f),
            (Cells{{26, 20}, {26, 21}, {25, 20}, {25, 21}}));
}

TEST_F(GridFixture, ThickInsertionAddsEachLinkOnceAndPairsOlderWithNewer) {
  const Vec2 a(0.0f, 0.0f), b(1.8f, 0.0f);  // ten columns, one row
  grid().insertLink(a, b, links[0], 0.05f);
  EXPECT_EQ(cellsHolding(links[0]).size(), 10u);
  EXPECT_EQ(totalEntries(), 10u);
  // Entering again where it already stands adds nothing and pairs nothing.
  grid().insertLink(a, b, links[0], 0.05f);
  EXPECT_EQ(totalEntries(), 10u);
  EXPECT_EQ(ferrox::pairCount(), 0u);

  grid().insertLink(a, b, links[1], 0.05f);
  EXPECT_EQ(totalEntries(), 20u);
  ASSERT_EQ(ferrox::pairCount(), 1u);
  EXPECT_EQ(grid().pairs.items[0].first, links[0]);
  EXPECT_EQ(grid().pairs.items[0].second, links[1]);

  ferrox::clearContacts();
  EXPECT_EQ(ferrox::pairCount(), 0u);
  EXPECT_GE(grid().pairs.capacity, 1u);
}

TEST_F(GridFixture, PartnerMemoryHoldsEightLinks) {
  // Nine links in one cell; a tenth entering it twice (both edges) meets all
  // nine twice: the first eight are remembered, the ninth pairs again.
  const Vec2 p(0.05f, 0.05f), q(0.06f, 0.06f);
  for (int i = 0; i < 9; ++i) grid().insertLink(p, q, links[i], 0.01f);
  ASSERT_EQ(grid().cell(25, 20).count, 9u);
  ferrox::clearContacts();
  grid().insertLink(p, q, links[9], 0.01f);
  ASSERT_EQ(ferrox::pairCount(), 10u);
  for (uint32_t i = 0; i < 9; ++i) EXPECT_EQ(grid().pairs.items[i].first, links[i]);
  EXPECT_EQ(grid().pairs.items[9].first, links[8]);
  for (const ContactPair& pair : grid().pairs) EXPECT_EQ(pair.second, links[9]);
  // The cell grew by 8 past its first slots.
  EXPECT_EQ(grid().cell(25, 20).capacity, 16u);
}

// A link met again still takes an entry of the partner memory. The inserted
// link meets link 0 in ten cells (one pair, nine repeats: the memory is full of
// link 0 after eight), then link 1 in two cells on each edge: not remembered,
// link 1 pairs at all four meetings.
TEST_F(GridFixture, RepeatsFillThePartnerMemoryToo) {
  grid().insertLink(Vec2(0.0f, 0.0f), Vec2(1.8f, 0.0f), links[0], 0.01f);  // columns 25-34
  grid().insertLink(Vec2(2.0f, 0.0f), Vec2(2.2f, 0.0f), links[1], 0.01f);  // columns 35-36
  ASSERT_EQ(ferrox::pairCount(), 0u);
  grid().insertLink(Vec2(0.0f, 0.0f), Vec2(2.2f, 0.0f), links[2], 0.01f);
  const Link* firsts[] = {links[0], links[1], links[1], links[1], links[1]};
  ASSERT_EQ(ferrox::pairCount(), 5u);
  for (uint32_t i = 0; i < 5; ++i) {
    EXPECT_EQ(grid().pairs.items[i].first, firsts[i]);
    EXPECT_EQ(grid().pairs.items[i].second, links[2]);
  }
}

TEST_F(GridFixture, ThinLinksStandOncePerVisitAndMakeNoPairs) {
  const Vec2 p(0.05f, 0.05f), q(0.06f, 0.06f);
  grid().insertLinkThin(p, q, links[0]);
  grid().insertLinkThin(p, q, links[1]);
  EXPECT_EQ(grid().cell(25, 20).count, 4u);
  EXPECT_EQ(ferrox::pairCount(), 0u);
  grid().removeLinkThin(p, q, links[0]);
  EXPECT_EQ(grid().cell(25, 20).count, 2u);
  EXPECT_TRUE(cellsHolding(links[0]).empty());
}

TEST_F(GridFixture, RemovalMovesTheLastLinkIn) {
  const Vec2 p(0.05f, 0.05f), q(0.06f, 0.06f);
  for (int i = 0; i < 3; ++i) grid().insertLink(p, q, links[i], 0.01f);
  GridCell& cell = grid().cell(25, 20);
  ASSERT_EQ(cell.count, 3u);
  grid().removeLink(p, q, links[0], 0.01f);
  ASSERT_EQ(cell.count, 2u);
  EXPECT_EQ(cell.links[0], links[2]);
  EXPECT_EQ(cell.links[1], links[1]);
  // A link that is not there: nothing.
  grid().removeLink(p, q, links[5], 0.01f);
  EXPECT_EQ(cell.count, 2u);
}

TEST_F(GridFixture, QueryListsDuplicatesAndGrows) {
  const Vec2 p(0.05f, 0.05f), q(0.06f, 0.06f);
  for (int i = 0; i < 6; ++i) grid().insertLinkThin(p, q, links[i]);  // 12 entries
  Link* firstSlots[8];
  GridCell out;
  out.lend(firstSlots);
  grid().query(p, q, out, 0.01f);  // the cell twice: 24 entries
  ASSERT_EQ(out.count, 24u);
  EXPECT_EQ(out.capacity, 24u);
  EXPECT_EQ(out.links[0], links[0]);
  EXPECT_EQ(out.links[1], links[0]);
  out.release();
  EXPECT_EQ(out.links, nullptr);
}

// Cells the heap will not let grow, on lent slots or on storage of their own: the append says so
// as new would, and the cell keeps its storage and its links. Two bits per cell in the child's
// result: 1 it grew, 2 it changed.
TEST(GridCellMemory, ACellThatCannotGrowThrowsAndKeepsItsLinks) {
  constexpr std::size_t kHeadroom = std::size_t(16) << 20;
  const int broken = test_support::runWithLittleMemory(kHeadroom, [](bool) {
    LinkTokens links{17};
    Link* lentSlots[8];
    Link* ownSlots[8];
    GridCell lent;
    GridCell own;
    lent.lend(lentSlots);
    own.lend(ownSlots);
    for (size_t i = 0; i < 8; ++i) lent.append(links[i]);
    for (size_t i = 0; i < 16; ++i) own.append(links[i]);
    struct Row {
      GridCell* cell;
      uint32_t full;
    } rows[] = {{&lent, 8}, {&own, 16}};
    std::uintptr_t storage[2];
    for (int k = 0; k < 2; ++k) storage[k] = reinterpret_cast<std::uintptr_t>(rows[k].cell->links);
    if (!test_support::useUpMemory()) return test_support::kNotLimitedThere;
    int bits = 0;
    for (int k = 0; k < 2; ++k) {
      GridCell& cell = *rows[k].cell;
      try {
        cell.append(links[16]);
        bits |= 1 << (2 * k);
      } catch (const std::bad_alloc&) {
      }
      if (reinterpret_cast<std::uintptr_t>(cell.links) != storage[k] || cell.count != rows[k].full ||
          cell.capacity != rows[k].full || cell.links[rows[k].full - 1] != links[rows[k].full - 1])
        bits |= 2 << (2 * k);
    }
    return bits;
  });
  if (broken == test_support::kNoChildHere || broken == test_support::kNotLimitedThere)
    GTEST_SKIP() << "no process of limited memory here";
  EXPECT_EQ(broken, 0) << "1, 2: the cell on lent slots; 4, 8: the cell on its own storage; -1: the child crashed";
}

// A pair the heap will not let the pair list hold would be a contact never resolved: the
// insertion throws as new does instead of dropping it, and the list keeps what it held.
TEST_F(GridFixture, APairTheListCannotHoldThrows) {
  if (!test_support::kNewThrowsWhenMemoryRunsOut) GTEST_SKIP() << "memory that runs out ends this build";
  constexpr std::size_t kHeadroom = std::size_t(256) << 20;
  const int broken = test_support::runWithLittleMemory(kHeadroom, [this](bool limited) {
    if (!limited) return test_support::kNotLimitedThere;
    const Vec2 p(0.05f, 0.05f), q(0.06f, 0.06f);
    grid().insertLink(p, q, links[0], 0.01f);
    // A full list of 160 MB, which cannot double.
    const uint32_t full = uint32_t(kHeadroom * 5 / 8 / sizeof(ContactPair));
    if (!grid().pairs.grow(full)) return 64;
    grid().pairs.count = full;
    grid().pairs.items[full - 1] = ContactPair{links[2], links[3]};
    int bits = 0;
    try {
      grid().insertLink(p, q, links[1], 0.01f);
      bits |= 1;
    } catch (const std::bad_alloc&) {
    }
    const ContactPair& last = grid().pairs.items[full - 1];
    if (grid().pairs.count != full || grid().pairs.capacity != full || last.first != links[2] ||
        last.second != links[3])
      bits |= 2;
    return bits;
  });
  if (broken == test_support::kNoChildHere || broken == test_support::kNotLimitedThere)
    GTEST_SKIP() << "no process of limited memory here";
  EXPECT_EQ(broken, 0) << "1: the pair was dropped without a word; 2: the list changed; 64: no room "
                          "for the full list; -1: the child crashed";
}

// A world the memory cannot hold: making it throws as new does, and nothing of the grid stays,
// though the grid stopped half way (its destructor does not run). 1000 x 40 units are 5000 x 200
// cells: 16 MB of cells, then 64 MB of first slots, which a headroom of 48 MB refuses.
TEST(GridMemory, AWorldTheMemoryCannotHoldLeavesNothing) {
  if (!test_support::kNewThrowsWhenMemoryRunsOut) GTEST_SKIP() << "memory that runs out ends this build";
  const int broken = test_support::runWithLittleMemory(std::size_t(48) << 20, [](bool limited) {
    if (!limited) return test_support::kNotLimitedThere;
    ferrox::destroyWorld();
    const std::size_t before = test_support::heapInUse();
    try {
      ferrox::createWorld(1000, 40, 0.2f);
      return 1;
    } catch (const std::bad_alloc&) {
    }
    // The heap's own bookkeeping may keep a few fences of 32 bytes; the cells alone are 16 MB.
    return (ferrox::world != nullptr ? 2 : 0) | (test_support::heapInUse() > before + 1024 ? 4 : 0);
  });
  if (broken == test_support::kNoChildHere || broken == test_support::kNotLimitedThere)
    GTEST_SKIP() << "no process of limited memory here";
  EXPECT_EQ(broken, 0) << "1: made; 2: a world left; 4: memory left; -1: the child crashed";
}

TEST_F(GridFixture, RemovingPairsOfALinkKeepsTheOrderOfTheRest) {
  const Vec2 p(0.05f, 0.05f), q(0.06f, 0.06f);
  grid().insertLinkThin(p, q, links[0]);
  grid().insertLinkThin(p, q, links[1]);
  grid().insertLink(p, q, links[2], 0.01f);  // {0,2}, {1,2}
  grid().insertLink(p, q, links[3], 0.01f);  // {0,3}, {1,3}, {2,3}
  ASSERT_EQ(ferrox::pairCount(), 5u);
  grid().removePairsOf(links[1]);
  ASSERT_EQ(ferrox::pairCount(), 3u);
  const std::pair<Link*, Link*> expected[] = {{links[0], links[2]}, {links[0], links[3]}, {links[2], links[3]}};
  for (uint32_t i = 0; i < 3; ++i) {
    EXPECT_EQ(grid().pairs.items[i].first, expected[i].first);
    EXPECT_EQ(grid().pairs.items[i].second, expected[i].second);
  }
}

TEST_F(GridFixture, RandomEnterAndLeaveCyclesLeaveEveryCellEmpty) {
  std::mt19937 rng(777);
  std::uniform_real_distribution<float> x(-4.8f, 4.8f), y(-3.8f, 3.8f), step(-0.4f, 0.4f);
  std::uniform_real_distribution<float> radius(0.01f, 0.2f);
  struct Entry {
    Vec2 a, b;
    float radius;
    bool thin;
    bool in;
  };
  std::vector<Entry> entries(links.storage.size());
  for (int round = 0; round < 4000; ++round) {
    const size_t i = rng() % entries.size();
    Entry& e = entries[i];
    if (e.in) {
      if (e.thin) {
        grid().removeLinkThin(e.a, e.b, links[i]);
      } else {
        grid().removeLink(e.a, e.b, links[i], e.radius);
      }
      e.in = false;
    } else {
      e.a = Vec2(x(rng), y(rng));
      e.b = e.a + Vec2(step(rng), step(rng));
      e.radius = radius(rng);
      e.thin = rng() % 3 == 0;
      if (e.thin) {
        grid().insertLinkThin(e.a, e.b, links[i]);
      } else {
        grid().insertLink(e.a, e.b, links[i], e.radius);
      }
      e.in = true;
    }
    if (round % 50 == 0) ferrox::clearContacts();
  }
  for (size_t i = 0; i < entries.size(); ++i) {
    Entry& e = entries[i];
    if (!e.in) continue;
    if (e.thin) {
      grid().removeLinkThin(e.a, e.b, links[i]);
    } else {
      grid().removeLink(e.a, e.b, links[i], e.radius);
    }
  }
  EXPECT_EQ(totalEntries(), 0u);
}

}  // namespace
