#include "game/terrain_polygon.h"

#include <GL/glew.h>

#include <cmath>
#include <cstring>

#include "kettar/byte_buffer.h"

namespace {

bool contains(const ferrox::IndexedList<uint32_t>& ids, uint32_t id) {
  for (uint32_t v : ids)
    if (v == id) return true;
  return false;
}

void removeId(ferrox::IndexedList<uint32_t>& ids, uint32_t id) {
  for (uint32_t s = 0; s < ids.count; ++s)
    if (ids[s] == id) {
      ids.removeAt(s);
      return;
    }
}

// Appends every item of [first, last), with room made for all of them first.
template <typename T, typename It>
void appendAll(ferrox::IndexedList<T>& to, It first, It last) {
  ferrox::reserve(to, to.count + uint64_t(last - first));
  for (; first != last; ++first) to.pushBack(*first);
}

template <typename T>
void eraseKeepingOrder(ferrox::IndexedList<T>& list, uint32_t slot) {
  std::memmove(static_cast<void*>(list.items + slot), static_cast<const void*>(list.items + slot + 1),
               sizeof(T) * (list.count - slot - 1));
  --list.count;
}

// The border lies in the plane of the fill and is pulled in front of it by one
// step of a 24-bit depth buffer. A deeper buffer (software GL gives 32 bits,
// with depths interpolated in single precision) needs as many of its own,
// finer steps, or the fill keeps hiding the band.
float borderOffsetUnits() {
  GLint bits = 24;
  glGetIntegerv(GL_DEPTH_BITS, &bits);
  return -std::ldexp(1.0f, bits > 24 ? bits - 24 : 0);
}

void unit(double& x, double& y) {
  const double l = std::sqrt(x * x + y * y);
  if (l > 0.0) {
    x /= l;
    y /= l;
  }
}

}  // namespace

TerrainPolygon::TerrainPolygon(bool orient) : body(true), orientation(orient ? 1 : 0) {}

TerrainPolygon::TerrainPolygon(const LevelFile::PolygonRecord& record)
    : body(true), orientation(record.orientation) {
  // The physics library builds the body from the checked records, as it builds
  // one it reads, so that a polygon read here is the body the library would read.
  body.build(record.body, false);
  appendAll(noHookEdges, record.noHookEdges.begin(), record.noHookEdges.end());
  appendAll(deadlyEdges, record.deadlyEdges.begin(), record.deadlyEdges.end());
  rebuildOutline();
  computeBorder();
}

TerrainPolygon::TerrainPolygon(const TerrainPolygon& other)
    : body(other.body), orientation(other.orientation) {
  appendAll(outline, other.outline.begin(), other.outline.end());
  appendAll(border, other.border.begin(), other.border.end());
  appendAll(noHookEdges, other.noHookEdges.begin(), other.noHookEdges.end());
  appendAll(deadlyEdges, other.deadlyEdges.begin(), other.deadlyEdges.end());
}

TerrainPolygon* TerrainPolygon::read(Kettar::ByteBuffer& buffer) {
  LevelFile::PolygonRecord record;
  if (!LevelFile::readPolygon(buffer, record)) return nullptr;
  return new TerrainPolygon(record);
}

LevelFile::PolygonRecord TerrainPolygon::record() const {
  LevelFile::PolygonRecord r;
  r.orientation = orientation;
  r.noHookEdges.assign(noHookEdges.begin(), noHookEdges.end());
  r.deadlyEdges.assign(deadlyEdges.begin(), deadlyEdges.end());
  Kettar::ByteBuffer block;
  body.serialize(block);
  ferrox::readBodyBlock(block, r.body);
  return r;
}

void TerrainPolygon::write(Kettar::ByteBuffer& buffer) const { LevelFile::writePolygon(buffer, record()); }

void TerrainPolygon::rebuildOutline() {
  outline.count = 0;
  ferrox::reserve(outline, body.quarks.count);
  for (const ferrox::Quark* q : body.quarks)
    outline.pushBack(TerrainVertex{double(q->position.x), double(q->position.y), 0.0});
}

int32_t TerrainPolygon::addVertex(float x, float y) {
  // The outline's room first and its entry last: a refusal leaves both as they were.
  ferrox::reserve(outline, outline.count + 1);
  body.addQuark(ferrox::kFixed, Vec2(x, y), kVertexMass, kVertexDamping);
  outline.pushBack(TerrainVertex{double(x), double(y), 0.0});
  return static_cast<int32_t>(body.quarks.count) - 1;
}

ferrox::Link* TerrainPolygon::addEdgeLink(uint32_t i, uint32_t j) {
  return body.addLink(ferrox::kFixed, i, j, 0.0f, 0.0f, LevelFile::kEdgeRadius, LevelFile::kEdgeFriction);
}

void TerrainPolygon::computeBorder() {
  const uint32_t n = outline.count;
  ferrox::reserve(border, n);
  border.count = 0;
  for (uint32_t i = 0; i < n; ++i) {
    const TerrainVertex& v = outline[i];
    const TerrainVertex& p = outline[(i + n - 1) % n];
    const TerrainVertex& nx = outline[(i + 1) % n];
    double ax = nx.x - v.x, ay = nx.y - v.y;
    double bx = p.x - v.x, by = p.y - v.y;
    unit(ax, ay);
    unit(bx, by);
    const double dot = std::fmax(-1.0, std::fmin(1.0, ax * bx + ay * by));
    const double k = ax * by - ay * bx;
    // a turned toward b by half the angle between them; with a and b opposite
    // (k = 0) that is the left normal.
    const double half = 0.5 * std::acos(dot) * (k >= 0.0 ? 1.0 : -1.0);
    double mx = ax * std::cos(half) - ay * std::sin(half);
    double my = ax * std::sin(half) + ay * std::cos(half);
    if (k < 0.0) {
      mx = -mx;
      my = -my;
    }
    if (orientation) {
      mx = -mx;
      my = -my;
    }
    border.pushBack(TerrainVertex{v.x + mx * kBorderWidth, v.y + my * kBorderWidth, v.z});
  }
}

void TerrainPolygon::flip() {
  orientation = orientation ? 0 : 1;
  computeBorder();
}

ferrox::IndexedList<uint32_t>* TerrainPolygon::edgeList(int32_t type) {
  return type == 1 ? &noHookEdges : type == 2 ? &deadlyEdges : nullptr;
}

const ferrox::IndexedList<uint32_t>* TerrainPolygon::edgeList(int32_t type) const {
  return type == 1 ? &noHookEdges : type == 2 ? &deadlyEdges : nullptr;
}

void TerrainPolygon::setEdgeType(uint32_t edge, int32_t type) {
  if (type == 0) {
    removeId(noHookEdges, edge);
    removeId(deadlyEdges, edge);
  } else if (type == 1 || type == 2) {
    // Room in the new list before the edge leaves the other: a refusal keeps its old type.
    ferrox::reserve(*edgeList(type), edgeList(type)->count + 1);
    removeId(*edgeList(3 - type), edge);
    addEdgeId(edge, type);
  }
}

bool TerrainPolygon::hasEdgeType(uint32_t edge, int32_t type) const {
  const ferrox::IndexedList<uint32_t>* ids = edgeList(type);
  return ids && contains(*ids, edge);
}

void TerrainPolygon::removeEdgeType(uint32_t edge, int32_t type) {
  if (ferrox::IndexedList<uint32_t>* ids = edgeList(type)) removeId(*ids, edge);
}

void TerrainPolygon::removeEdge(uint32_t edge) {
  removeId(noHookEdges, edge);
  removeId(deadlyEdges, edge);
  for (ferrox::IndexedList<uint32_t>* ids : {&noHookEdges, &deadlyEdges})
    for (uint32_t& id : *ids)
      if (id > edge) --id;
}

void TerrainPolygon::addEdgeId(uint32_t edge, int32_t type) {
  ferrox::IndexedList<uint32_t>* ids = edgeList(type);
  if (!ids || contains(*ids, edge)) return;
  ferrox::reserve(*ids, ids->count + 1);
  ids->pushBack(edge);
}

bool TerrainPolygon::ownsQuark(const ferrox::Quark* q) const {
  return q && q->index < body.quarks.count && body.quarks[q->index] == q;
}

bool TerrainPolygon::ownsLink(const ferrox::Link* l) const {
  return l && l->index < body.links.count && body.links[l->index] == l;
}

void TerrainPolygon::deleteEdge(uint32_t edge) {
  // The link's destructor takes it out of its quarks and the grid; later
  // links keep their order so that the edge ids above it only drop by one.
  delete body.links[edge];
  eraseKeepingOrder(body.links, edge);
  for (uint32_t s = edge; s < body.links.count; ++s) body.links[s]->index = s;
  removeEdge(edge);
}

bool TerrainPolygon::moveVertex(ferrox::Quark* quark, Vec2 position) {
  if (!ownsQuark(quark)) return false;
  quark->setPosition(position);
  outline[quark->index] = TerrainVertex{double(position.x), double(position.y), 0.0};
  computeBorder();
  for (uint32_t s = 0; s < quark->links.count && s < 2; ++s) {
    quark->links.items[s]->leaveGrid(true);
    quark->links.items[s]->enterGrid();
  }
  return true;
}

// The edge must join two vertices that follow each other in the outline; the
// new vertex goes between them.
bool TerrainPolygon::insertVertex(ferrox::Link* edge, Vec2 point) {
  if (!ownsLink(edge) || !ownsQuark(edge->a) || !ownsQuark(edge->b)) return false;
  const uint32_t n = body.quarks.count;
  ferrox::Quark* a = edge->a;
  ferrox::Quark* b = edge->b;
  if ((a->index + 1) % n != b->index) {
    if ((b->index + 1) % n != a->index) return false;
    std::swap(a, b);
  }
  const bool noHook = hasEdgeType(edge->index, 1);
  const bool deadly = hasEdgeType(edge->index, 2);
  // One vertex and, the edge gone, one link more; a typed edge leaves one id for two. All the
  // room is made before the first change, so that a refusal leaves the polygon as it was.
  ferrox::reserve(body.quarks, body.quarks.count + 1);
  ferrox::reserve(body.links, body.links.count + 1);
  ferrox::reserve(outline, outline.count + 1);
  ferrox::reserve(border, outline.count + 1);
  if (noHook || deadly) ferrox::reserve(*edgeList(noHook ? 1 : 2), edgeList(noHook ? 1 : 2)->count + 1);
  deleteEdge(edge->index);
  const uint32_t at = b->index;
  ferrox::Quark* q = body.insertQuark(at, ferrox::kFixed, point, kVertexMass, kVertexDamping);
  ferrox::Link* first = addEdgeLink(a->index, q->index);
  ferrox::Link* second = addEdgeLink(q->index, b->index);
  outline.insertAt(TerrainVertex{double(point.x), double(point.y), 0.0}, static_cast<int32_t>(at));
  computeBorder();
  if (noHook || deadly) {
    addEdgeId(first->index, noHook ? 1 : 2);
    addEdgeId(second->index, noHook ? 1 : 2);
  }
  return true;
}

// Only for a polygon of more than three vertices, and a quark whose two links
// are the edges to its outline neighbours.
bool TerrainPolygon::removeVertex(ferrox::Quark* quark) {
  const uint32_t n = body.quarks.count;
  if (n <= 3 || !ownsQuark(quark) || quark->links.count != 2) return false;
  const uint32_t i = quark->index;
  ferrox::Quark* before = body.quarks[(i + n - 1) % n];
  ferrox::Quark* after = body.quarks[(i + 1) % n];
  ferrox::Link* e1 = quark->links.items[0];
  ferrox::Link* e2 = quark->links.items[1];
  auto joins = [quark](const ferrox::Link* l, const ferrox::Quark* other) {
    return (l->a == quark && l->b == other) || (l->b == quark && l->a == other);
  };
  if (!ownsLink(e1) || !ownsLink(e2) ||
      !((joins(e1, before) && joins(e2, after)) || (joins(e1, after) && joins(e2, before))))
    return false;
  deleteEdge(e1->index);
  deleteEdge(e2->index);
  eraseKeepingOrder(outline, i);
  delete body.quarks[i];
  eraseKeepingOrder(body.quarks, i);
  for (uint32_t s = i; s < body.quarks.count; ++s) body.quarks[s]->index = s;
  addEdgeLink(before->index, after->index);
  computeBorder();
  return true;
}

int32_t TerrainPolygon::borderRepeat(uint32_t i) const {
  const TerrainVertex& p = border[i];
  const TerrainVertex& q = border[(i + 1) % border.count];
  return static_cast<int32_t>(std::ceil(2.0 * std::hypot(q.x - p.x, q.y - p.y)));
}

void TerrainPolygon::drawBorder(uint32_t texture) const {
  const uint32_t n = outline.count;
  if (n == 0 || border.count != n) return;
  glPolygonOffset(-1.0f, borderOffsetUnits());
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
  glBegin(GL_QUADS);
  for (uint32_t i = 0; i < n; ++i) {
    const uint32_t j = (i + 1) % n;
    const double u = borderRepeat(i);
    if (!orientation) {
      glTexCoord2d(0, 0);
      glVertex3dv(&outline[i].x);
      glTexCoord2d(u, 0);
      glVertex3dv(&outline[j].x);
      glTexCoord2d(u, 1);
      glVertex3dv(&border[j].x);
      glTexCoord2d(0, 1);
      glVertex3dv(&border[i].x);
    } else {
      glTexCoord2d(0, 1);
      glVertex3dv(&border[i].x);
      glTexCoord2d(u, 1);
      glVertex3dv(&border[j].x);
      glTexCoord2d(u, 0);
      glVertex3dv(&outline[j].x);
      glTexCoord2d(0, 0);
      glVertex3dv(&outline[i].x);
    }
  }
  glEnd();
  glBindTexture(GL_TEXTURE_2D, 0);
}

void TerrainPolygon::setListIndex(uint32_t slot) {
  index = static_cast<int32_t>(slot);
  body.id = static_cast<int32_t>(slot);
}
