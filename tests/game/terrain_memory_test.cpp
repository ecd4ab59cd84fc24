// Edits of the terrain whose lists the heap will not let grow: each is refused
// as new would refuse (std::bad_alloc) before its first change, so the polygons
// stay as they were, every list in step with the body: no vertex in the body
// without its outline point, no edge lost, no edge without its type.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <functional>
#include <new>
#include <utility>
#include <vector>

#include "game/level_file.h"
#include "game/terrain.h"
#include "game/terrain_polygon.h"
#include "support/little_memory.h"

namespace {

// A polygon of this many vertices has lists of more than 128 KB each, which the
// heap maps on their own; a new vertex or edge takes some 100 bytes.
constexpr uint32_t kVertices = 20000;
// Left for small blocks once the memory is used up: enough for a vertex and its
// edges, far from enough for any of those lists to grow.
constexpr std::size_t kSmallBlocks = 16 << 10;

// Vertices on a circle far outside the 40 x 20 level, out of any grid.
LevelFile::PolygonRecord circle(Vec2 centre, float radius, uint32_t n) {
  std::vector<Vec2> points;
  for (uint32_t i = 0; i < n; ++i) {
    const double a = 6.283185307179586 * i / n;
    points.emplace_back(centre.x + radius * float(std::cos(a)), centre.y + radius * float(std::sin(a)));
  }
  return LevelFile::polygonFromOutline(points, 1);
}

// What a polygon is made of, taken before an edit and compared after it
// without asking the heap for anything.
struct Shape {
  std::vector<const ferrox::Quark*> quarks;
  std::vector<std::pair<const ferrox::Quark*, const ferrox::Quark*>> links;
  std::vector<std::pair<double, double>> outline;
  uint32_t border = 0;
  std::vector<uint32_t> noHook, deadly;

  explicit Shape(const TerrainPolygon& p)
      : noHook(p.noHookEdges.begin(), p.noHookEdges.end()),
        deadly(p.deadlyEdges.begin(), p.deadlyEdges.end()) {
    for (const ferrox::Quark* q : p.body.quarks) quarks.push_back(q);
    for (const ferrox::Link* l : p.body.links) links.emplace_back(l->a, l->b);
    for (const TerrainVertex& v : p.outline) outline.emplace_back(v.x, v.y);
    border = p.border.count;
  }

  // The same quarks, links, outline, border and edge types, each quark and
  // link knowing its slot and each quark its body.
  bool same(const TerrainPolygon& p) const {
    if (p.body.quarks.count != quarks.size() || p.body.links.count != links.size() ||
        p.outline.count != outline.size() || p.border.count != border ||
        p.noHookEdges.count != noHook.size() || p.deadlyEdges.count != deadly.size())
      return false;
    for (uint32_t i = 0; i < p.body.quarks.count; ++i) {
      const ferrox::Quark* q = p.body.quarks[i];
      if (q != quarks[i] || q->index != i || q->owner != &p.body) return false;
      if (p.outline[i].x != outline[i].first || p.outline[i].y != outline[i].second) return false;
    }
    for (uint32_t i = 0; i < p.body.links.count; ++i) {
      const ferrox::Link* l = p.body.links[i];
      if (l->index != i || l->a != links[i].first || l->b != links[i].second) return false;
    }
    for (uint32_t i = 0; i < noHook.size(); ++i)
      if (p.noHookEdges[i] != noHook[i]) return false;
    for (uint32_t i = 0; i < deadly.size(); ++i)
      if (p.deadlyEdges[i] != deadly[i]) return false;
    return true;
  }
};

// The polygon's growing lists, one of which a row leaves short of room.
enum class List { kQuarks, kLinks, kOutline, kBorder, kNoHook, kDeadly };

// Room for `extra` more items in the short list, for more than any edit here
// needs in the others.
void leaveRoom(TerrainPolygon& p, List shortList, uint32_t extra) {
  const struct {
    List list;
    uint32_t count;
    std::function<void(uint32_t)> grow;
  } lists[] = {
      {List::kQuarks, p.body.quarks.count, [&p](uint32_t n) { p.body.quarks.grow(n); }},
      {List::kLinks, p.body.links.count, [&p](uint32_t n) { p.body.links.grow(n); }},
      {List::kOutline, p.outline.count, [&p](uint32_t n) { p.outline.grow(n); }},
      {List::kBorder, p.border.count, [&p](uint32_t n) { p.border.grow(n); }},
      {List::kNoHook, p.noHookEdges.count, [&p](uint32_t n) { p.noHookEdges.grow(n); }},
      {List::kDeadly, p.deadlyEdges.count, [&p](uint32_t n) { p.deadlyEdges.grow(n); }},
  };
  for (const auto& l : lists) l.grow(l.count + (l.list == shortList ? extra : 64));
}

Vec2 middleOf(const ferrox::Link* l) { return (l->a->position + l->b->position) * 0.5f; }

TEST(TerrainEditMemory, AnEditThatCannotHaveItsRoomLeavesThePolygonsAsTheyWere) {
  if (!test_support::kNewThrowsWhenMemoryRunsOut) GTEST_SKIP() << "memory that runs out ends this build";
  using Edit = std::function<void(Terrain&, TerrainPolygon&)>;
  const Edit addVertex = [](Terrain&, TerrainPolygon& p) { p.addVertex(400.0f, 0.0f); };
  // The new vertex splits a deadly edge.
  const Edit insertVertex = [](Terrain& t, TerrainPolygon& p) {
    t.insertVertex(p.body.links[0], middleOf(p.body.links[0]));
  };
  // The triangle goes into the circle through a slit in edge 0.
  const Edit cut = [](Terrain& t, TerrainPolygon& p) {
    t.cutAt(t.polygons[1]->body.quarks[0], p.body.links[0], middleOf(p.body.links[0]));
  };
  const Edit makeNoHook = [](Terrain&, TerrainPolygon& p) { p.setEdgeType(0, 1); };
  const Edit border = [](Terrain&, TerrainPolygon& p) { p.computeBorder(); };
  const struct Row {
    const char* name;
    List shortList;
    uint32_t room;         // in the short list
    bool vertexAdded;      // a vertex was added, without its border point, before the edit
    std::size_t left;      // for small blocks once the memory is used up
    const Edit& edit;
  } rows[] = {
      {"a vertex added, the outline full", List::kOutline, 0, false, kSmallBlocks, addVertex},
      {"a vertex inserted, the quarks full", List::kQuarks, 0, false, kSmallBlocks, insertVertex},
      {"a vertex inserted, the links full", List::kLinks, 0, false, kSmallBlocks, insertVertex},
      {"a vertex inserted, the outline full", List::kOutline, 0, false, kSmallBlocks, insertVertex},
      {"a vertex inserted, the border full", List::kBorder, 0, false, kSmallBlocks, insertVertex},
      {"a vertex inserted, the deadly edges full", List::kDeadly, 0, false, kSmallBlocks, insertVertex},
      {"a cut, room for one quark", List::kQuarks, 1, false, kSmallBlocks, cut},
      {"a cut, room for one link", List::kLinks, 1, false, kSmallBlocks, cut},
      {"a cut, room for one outline point", List::kOutline, 1, false, kSmallBlocks, cut},
      {"a cut, room for one border point", List::kBorder, 1, false, kSmallBlocks, cut},
      {"a deadly edge made no-hook, the no-hook edges full", List::kNoHook, 0, false, 0, makeNoHook},
      {"the border of an outline one longer, the border full", List::kBorder, 0, true, kSmallBlocks, border},
  };
  LevelFile::TerrainRecord record;
  record.polygons.push_back(circle(Vec2(300.0f, 0.0f), 50.0f, kVertices));
  // Every edge of the circle is deadly: its list is as long as the others.
  for (uint32_t e = 0; e < kVertices; ++e) record.polygons[0].deadlyEdges.push_back(e);
  record.polygons.push_back(LevelFile::polygonFromOutline(
      {Vec2(-300.0f, 0.0f), Vec2(-290.0f, 0.0f), Vec2(-295.0f, 5.0f)}, 1));
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const int broken = test_support::runWithLittleMemory(std::size_t(64) << 20, [&](bool limited) {
      if (!limited) return test_support::kNotLimitedThere;
      Terrain terrain(record, 40.0f, 20.0f);
      TerrainPolygon& circle = *terrain.polygons[0];
      if (row.vertexAdded) {
        leaveRoom(circle, List::kOutline, 1);
        circle.addVertex(400.0f, 0.0f);
      }
      leaveRoom(circle, row.shortList, row.room);
      const Shape a(circle);
      const Shape b(*terrain.polygons[1]);
      if (!test_support::useUpMemory(row.left)) return test_support::kNotLimitedThere;
      try {
        row.edit(terrain, circle);
        return 1;
      } catch (const std::bad_alloc&) {
      }
      if (terrain.polygons.count != 2) return 8;
      return (a.same(*terrain.polygons[0]) ? 0 : 2) | (b.same(*terrain.polygons[1]) ? 0 : 4);
    });
    if (broken == test_support::kNoChildHere || broken == test_support::kNotLimitedThere)
      GTEST_SKIP() << "no process of limited memory here";
    EXPECT_EQ(broken, 0) << "1: done; 2: the circle changed; 4: the triangle; 8: a polygon went; "
                            "-1: the child crashed";
  }
}

}  // namespace
