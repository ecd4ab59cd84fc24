#pragma once
// One closed outline of the terrain, and at once a physics body: its vertices
// are fixed quarks and its edges fixed links, so soft bodies collide with the
// ground along them. Each edge may carry a type (1 refuses the grapple, 2 kills
// the hero). Beside the body it keeps a double-precision outline for the
// tessellator and a border strip: a second polyline one unit off the outline,
// drawn as a textured band on the solid side.

#include <cstdint>

#include "ferrox/indexed_list.h"
#include "ferrox/skeleton.h"
#include "ferrox/vec2.h"
#include "game/level_file.h"

namespace Kettar {
class ByteBuffer;
}

// A tessellator vertex: GLU reads three doubles at its address.
struct TerrainVertex {
  double x = 0.0;
  double y = 0.0;
  double z = 0.0;
};

class TerrainPolygon {
 public:
  // Distance of the border strip from the outline, along each corner's bisector.
  static constexpr double kBorderWidth = 1.0;
  // Mass and damping asked for new vertices (fixed quarks ignore them).
  static constexpr float kVertexMass = 0.1f;
  static constexpr float kVertexDamping = 0.01f;

  // Vertices are fixed quarks, edges fixed links; the body id is the
  // polygon's slot in the terrain, written by the list with index.
  ferrox::Skeleton body;
  // One entry per quark, in quark order, z 0.
  ferrox::IndexedList<TerrainVertex> outline;
  // One point per outline vertex once computeBorder has run.
  ferrox::IndexedList<TerrainVertex> border;
  // Slot in the terrain's list; -1 until the terrain holds the polygon.
  int32_t index = -1;
  // Set: the border strip lies on the right of the outline's direction of travel.
  uint8_t orientation = 0;
  // Edge ids (link slots) of type 1 and of type 2; an edge is in at most one
  // list, at most once.
  ferrox::IndexedList<uint32_t> noHookEdges;
  ferrox::IndexedList<uint32_t> deadlyEdges;

  explicit TerrainPolygon(bool orientation);
  // Builds a checked record's polygon; its links enter the grid when a world
  // exists. A polygon the memory cannot hold throws std::bad_alloc.
  explicit TerrainPolygon(const LevelFile::PolygonRecord& record);
  // Same outline, border, flags and types; the body copy is not in the grid.
  TerrainPolygon(const TerrainPolygon& other);
  TerrainPolygon& operator=(const TerrainPolygon&) = delete;
  ~TerrainPolygon() = default;

  // Reads a polygon record; null for a damaged one (nothing is built then).
  static TerrainPolygon* read(Kettar::ByteBuffer& buffer);
  LevelFile::PolygonRecord record() const;
  void write(Kettar::ByteBuffer& buffer) const;

  // Appends a vertex and returns its quark slot.
  //
  // A list that cannot be given the room an edit needs throws std::bad_alloc
  // before the edit's first change, here and in the edits below: the polygon
  // stays as it was, every list in step with the body.
  int32_t addVertex(float x, float y);
  // Joins two vertices by an edge link.
  ferrox::Link* addEdgeLink(uint32_t i, uint32_t j);
  void computeBorder();
  void flip();

  void setEdgeType(uint32_t edge, int32_t type);
  bool hasEdgeType(uint32_t edge, int32_t type) const;
  void removeEdgeType(uint32_t edge, int32_t type);
  // Drops the edge's type and lowers every id above it, as after its link went.
  void removeEdge(uint32_t edge);
  // Deletes a link, the later ones moving down in order, and fixes the edge ids.
  void deleteEdge(uint32_t edge);
  void addEdgeId(uint32_t edge, int32_t type);

  // Each is false, changing nothing, for a quark or link of another body or
  // one that is not where an outline has it (see the source). A quark or link
  // the memory cannot make once the room is had throws with the edit begun.
  bool moveVertex(ferrox::Quark* quark, Vec2 position);
  bool insertVertex(ferrox::Link* edge, Vec2 point);
  bool removeVertex(ferrox::Quark* quark);

  // Repeats of the border texture along border segment i (to i + 1): one per
  // half unit, rounded up.
  int32_t borderRepeat(uint32_t i) const;
  void drawBorder(uint32_t texture) const;

  void setListIndex(uint32_t slot);

 private:
  ferrox::IndexedList<uint32_t>* edgeList(int32_t type);
  const ferrox::IndexedList<uint32_t>* edgeList(int32_t type) const;
  bool ownsQuark(const ferrox::Quark* q) const;
  bool ownsLink(const ferrox::Link* l) const;
  void rebuildOutline();
};
