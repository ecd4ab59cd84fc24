#include "game/terrain_polygon.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <new>
#include <vector>

#include "ferrox/grid.h"
#include "kettar/byte_buffer.h"
#include "support/little_memory.h"

namespace {

class TerrainPolygonTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(ferrox::createWorld(20, 20, 0.2f)); }
  void TearDown() override {
    polygon.reset();
    ferrox::destroyWorld();
  }

  // A polygon made as the terrain makes one: vertices, then edges i -> i + 1.
  TerrainPolygon& make(const std::vector<Vec2>& points, bool orientation) {
    polygon = std::make_unique<TerrainPolygon>(orientation);
    for (const Vec2& p : points) polygon->addVertex(p.x, p.y);
    const uint32_t n = static_cast<uint32_t>(points.size());
    for (uint32_t i = 0; i < n; ++i) polygon->addEdgeLink(i, (i + 1) % n);
    polygon->computeBorder();
    return *polygon;
  }

  static std::vector<uint32_t> ids(const ferrox::IndexedList<uint32_t>& list) {
    return std::vector<uint32_t>(list.begin(), list.end());
  }

  // Each edge's link must join outline neighbours, in outline direction.
  static void expectEdgesFollowOutline(const TerrainPolygon& p) {
    const uint32_t n = p.body.quarks.count;
    ASSERT_EQ(p.outline.count, n);
    ASSERT_EQ(p.border.count, n);
    ASSERT_EQ(p.body.links.count, n);
    for (uint32_t i = 0; i < n; ++i) {
      EXPECT_EQ(p.body.quarks[i]->index, i);
      EXPECT_EQ(p.outline[i].x, p.body.quarks[i]->position.x);
      EXPECT_EQ(p.outline[i].y, p.body.quarks[i]->position.y);
    }
    std::vector<int> outgoing(n, 0);
    for (uint32_t s = 0; s < n; ++s) {
      const ferrox::Link* l = p.body.links[s];
      EXPECT_EQ(l->index, s);
      EXPECT_EQ((l->a->index + 1) % n, l->b->index) << "link " << s;
      ++outgoing[l->a->index];
    }
    for (uint32_t i = 0; i < n; ++i) EXPECT_EQ(outgoing[i], 1) << "vertex " << i;
  }

  std::unique_ptr<TerrainPolygon> polygon;
};

const std::vector<Vec2> kUnitSquare = {Vec2(0, 0), Vec2(1, 0), Vec2(1, 1), Vec2(0, 1)};

TEST_F(TerrainPolygonTest, BorderTable) {
  const double r = std::sqrt(0.5);
  struct Row {
    const char* name;
    std::vector<Vec2> points;
    bool orientation;
    uint32_t vertex;
    double x, y;
  } rows[] = {
      // Counter-clockwise with the flag set: outside, along the corner's bisector.
      {"square set, corner 0", kUnitSquare, true, 0, -r, -r},
      {"square set, corner 2", kUnitSquare, true, 2, 1 + r, 1 + r},
      {"square clear, corner 0", kUnitSquare, false, 0, r, r},
      {"square clear, corner 3", kUnitSquare, false, 3, r, 1 - r},
      // A straight vertex: the left normal of the edge, or the right one.
      {"collinear clear", {Vec2(0, 0), Vec2(1, 0), Vec2(2, 0), Vec2(2, 1), Vec2(0, 1)}, false, 1, 1, 1},
      {"collinear set", {Vec2(0, 0), Vec2(1, 0), Vec2(2, 0), Vec2(2, 1), Vec2(0, 1)}, true, 1, 1, -1},
      // A reflex corner of an L shape, clockwise travel turning right.
      {"reflex clear", {Vec2(0, 0), Vec2(2, 0), Vec2(2, 1), Vec2(1, 1), Vec2(1, 2), Vec2(0, 2)}, false, 3,
       1 - r, 1 - r},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TerrainPolygon& p = make(row.points, row.orientation);
    ASSERT_EQ(p.border.count, row.points.size());
    EXPECT_NEAR(p.border[row.vertex].x, row.x, 1e-9);
    EXPECT_NEAR(p.border[row.vertex].y, row.y, 1e-9);
    EXPECT_EQ(p.border[row.vertex].z, 0.0);
  }
}

TEST_F(TerrainPolygonTest, FlipMovesTheBandToTheOtherSide) {
  TerrainPolygon& p = make(kUnitSquare, true);
  const double outside = p.border[0].x;
  p.flip();
  EXPECT_EQ(p.orientation, 0);
  EXPECT_NEAR(p.border[0].x, -outside, 1e-9);
  p.flip();
  EXPECT_NEAR(p.border[0].x, outside, 1e-9);
}

TEST_F(TerrainPolygonTest, BorderRepeatsOncePerHalfUnitRoundedUp) {
  TerrainPolygon& p = make(kUnitSquare, true);
  struct Row {
    double length;
    int32_t repeats;
  } rows[] = {{1.3, 3}, {1.0, 2}, {0.5, 1}, {0.01, 1}, {2.2, 5}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.length);
    p.border[0] = TerrainVertex{0.0, 0.0, 0.0};
    p.border[1] = TerrainVertex{0.0, row.length, 0.0};
    EXPECT_EQ(p.borderRepeat(0), row.repeats);
  }
}

TEST_F(TerrainPolygonTest, EdgeTypeTable) {
  TerrainPolygon& p = make(kUnitSquare, false);
  struct Step {
    const char* name;
    uint32_t edge;
    int32_t type;
    std::vector<uint32_t> noHook, deadly;
  } steps[] = {
      {"type 2", 1, 2, {}, {1}},
      {"type 1 moves it", 1, 1, {1}, {}},
      {"type 1 again keeps one", 1, 1, {1}, {}},
      {"another deadly", 3, 2, {1}, {3}},
      {"unknown type does nothing", 3, 7, {1}, {3}},
      {"type 0 clears", 1, 0, {}, {3}},
  };
  for (const Step& s : steps) {
    SCOPED_TRACE(s.name);
    p.setEdgeType(s.edge, s.type);
    EXPECT_EQ(ids(p.noHookEdges), s.noHook);
    EXPECT_EQ(ids(p.deadlyEdges), s.deadly);
  }
  EXPECT_TRUE(p.hasEdgeType(3, 2));
  EXPECT_FALSE(p.hasEdgeType(3, 1));
  EXPECT_FALSE(p.hasEdgeType(3, 0));
  p.addEdgeId(2, 1);
  p.addEdgeId(2, 1);
  EXPECT_EQ(ids(p.noHookEdges), std::vector<uint32_t>({2}));
  p.removeEdge(0);  // every id above 0 drops by one
  EXPECT_EQ(ids(p.noHookEdges), std::vector<uint32_t>({1}));
  EXPECT_EQ(ids(p.deadlyEdges), std::vector<uint32_t>({2}));
  p.removeEdgeType(2, 2);
  EXPECT_TRUE(ids(p.deadlyEdges).empty());
}

TEST_F(TerrainPolygonTest, InsertVertexSplitsATypedEdge) {
  TerrainPolygon& p = make(kUnitSquare, false);
  p.setEdgeType(1, 2);  // (1,0) -> (1,1)
  p.setEdgeType(3, 1);  // (0,1) -> (0,0)
  ASSERT_TRUE(p.insertVertex(p.body.links[1], Vec2(1.2f, 0.5f)));
  expectEdgesFollowOutline(p);
  ASSERT_EQ(p.body.quarks.count, 5u);
  EXPECT_EQ(p.body.quarks[2]->position, Vec2(1.2f, 0.5f));
  // Link 1 went; 2 and 3 moved down to 1 and 2; the two new ones are 3 and 4.
  EXPECT_EQ(ids(p.noHookEdges), std::vector<uint32_t>({2}));
  EXPECT_EQ(ids(p.deadlyEdges), std::vector<uint32_t>({3, 4}));
  EXPECT_EQ(p.body.links[3]->a->position, Vec2(1, 0));
  EXPECT_EQ(p.body.links[4]->b->position, Vec2(1, 1));

  // The closing edge, from the last vertex back to vertex 0.
  ASSERT_TRUE(p.insertVertex(p.body.links[2], Vec2(-0.5f, 0.5f)));
  expectEdgesFollowOutline(p);
  EXPECT_EQ(ids(p.noHookEdges), std::vector<uint32_t>({4, 5}));
  EXPECT_EQ(ids(p.deadlyEdges), std::vector<uint32_t>({2, 3}));

  // A link of another body is refused.
  TerrainPolygon other(false);
  other.addVertex(0, 0);
  other.addVertex(1, 1);
  ferrox::Link* foreign = other.addEdgeLink(0, 1);
  EXPECT_FALSE(p.insertVertex(foreign, Vec2(3, 3)));
  EXPECT_EQ(p.body.quarks.count, 6u);
}

TEST_F(TerrainPolygonTest, RemoveVertexLeavesOneUntypedEdge) {
  TerrainPolygon& p = make({Vec2(0, 0), Vec2(2, 0), Vec2(2, 2), Vec2(1, 3), Vec2(0, 2)}, false);
  p.setEdgeType(1, 2);  // into vertex 2
  p.setEdgeType(2, 2);  // out of vertex 2
  p.setEdgeType(4, 1);
  ASSERT_TRUE(p.removeVertex(p.body.quarks[2]));
  expectEdgesFollowOutline(p);
  EXPECT_EQ(p.body.quarks[2]->position, Vec2(1, 3));
  EXPECT_TRUE(ids(p.deadlyEdges).empty());
  // Edge 4 lost two lower links: it is now 2.
  EXPECT_EQ(ids(p.noHookEdges), std::vector<uint32_t>({2}));
  // The new edge is the last link, from (2,0) to (1,3), untyped.
  const ferrox::Link* joined = p.body.links[3];
  EXPECT_EQ(joined->a->position, Vec2(2, 0));
  EXPECT_EQ(joined->b->position, Vec2(1, 3));
  EXPECT_FALSE(p.hasEdgeType(3, 1) || p.hasEdgeType(3, 2));

  // Vertex 0 and the last vertex wrap around.
  ASSERT_TRUE(p.removeVertex(p.body.quarks[0]));
  expectEdgesFollowOutline(p);
  EXPECT_EQ(p.body.quarks.count, 3u);
  EXPECT_FALSE(p.removeVertex(p.body.quarks[0]));  // three vertices stay
  EXPECT_EQ(p.body.quarks.count, 3u);
}

TEST_F(TerrainPolygonTest, MoveVertexMovesOutlineAndBorder) {
  TerrainPolygon& p = make(kUnitSquare, false);
  const double before = p.border[2].x;
  ASSERT_TRUE(p.moveVertex(p.body.quarks[2], Vec2(3, 1)));
  EXPECT_EQ(p.body.quarks[2]->position, Vec2(3, 1));
  EXPECT_EQ(p.outline[2].x, 3.0);
  EXPECT_NE(p.border[2].x, before);
  EXPECT_FALSE(p.moveVertex(nullptr, Vec2(0, 0)));
}

TEST_F(TerrainPolygonTest, RecordIsWhatTheRecordLayerMakes) {
  TerrainPolygon& p = make(kUnitSquare, true);
  Kettar::ByteBuffer game, layer;
  p.write(game);
  LevelFile::writePolygon(layer, LevelFile::polygonFromOutline(kUnitSquare, 1));
  ASSERT_EQ(game.size(), 157u);
  ASSERT_EQ(layer.size(), 157u);
  EXPECT_EQ(std::vector<uint8_t>(game.data(), game.data() + 157),
            std::vector<uint8_t>(layer.data(), layer.data() + 157));

  // Reading it back gives the same polygon, types and all.
  p.setEdgeType(0, 1);
  p.setEdgeType(2, 2);
  Kettar::ByteBuffer typed;
  p.write(typed);
  std::unique_ptr<TerrainPolygon> copy(TerrainPolygon::read(typed));
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->orientation, 1);
  EXPECT_EQ(ids(copy->noHookEdges), std::vector<uint32_t>({0}));
  EXPECT_EQ(ids(copy->deadlyEdges), std::vector<uint32_t>({2}));
  expectEdgesFollowOutline(*copy);
  for (uint32_t i = 0; i < 4; ++i) EXPECT_NEAR(copy->border[i].x, p.border[i].x, 1e-12);
  Kettar::ByteBuffer again;
  copy->write(again);
  EXPECT_EQ(std::vector<uint8_t>(again.data(), again.data() + again.size()),
            std::vector<uint8_t>(typed.data(), typed.data() + typed.size()));

  // A damaged record builds nothing.
  Kettar::ByteBuffer cut;
  cut.append(typed.data(), typed.size() - 3);
  EXPECT_EQ(TerrainPolygon::read(cut), nullptr);
}

// A checked record whose body the memory cannot hold: the polygon is refused (its constructor
// throws, as new does) rather than built without vertices, which a level would keep as read.
TEST_F(TerrainPolygonTest, ARecordWhoseBodyTheMemoryCannotHoldIsRefused) {
  if (!test_support::kNewThrowsWhenMemoryRunsOut) GTEST_SKIP() << "memory that runs out ends this build";
  const LevelFile::PolygonRecord record = LevelFile::polygonFromOutline(kUnitSquare, 1);
  const int broken = test_support::runWithLittleMemory(std::size_t(16) << 20, [&record](bool) {
    if (!test_support::useUpMemory()) return test_support::kNotLimitedThere;
    try {
      const TerrainPolygon built(record);
      return built.body.quarks.count == 0 ? 1 : 2;
    } catch (const std::bad_alloc&) {
      return 0;
    }
  });
  if (broken == test_support::kNoChildHere || broken == test_support::kNotLimitedThere)
    GTEST_SKIP() << "no process of limited memory here";
  EXPECT_EQ(broken, 0) << "1: built without vertices; 2: built whole; -1: the child crashed";
}

TEST_F(TerrainPolygonTest, ListSlotIsAlsoTheBodyId) {
  ferrox::IndexedList<TerrainPolygon*> list;
  list.pushBack(new TerrainPolygon(false));
  list.pushBack(new TerrainPolygon(false));
  list.pushBack(new TerrainPolygon(false));
  TerrainPolygon* last = list[2];
  list.removeAt(0);
  EXPECT_EQ(last->index, 0);
  EXPECT_EQ(last->body.id, 0);
}

}  // namespace
