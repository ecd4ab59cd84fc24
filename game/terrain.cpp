#include "game/terrain.h"

#include <GL/glew.h>

#include <cmath>
#include <iostream>
#include <memory>
#include <new>

#include "ferrox/skeleton.h"
#include "kettar/byte_buffer.h"
#include "kettar/platform/program_directory.h"
#include "kettar/platform/texture_extension.h"
#include "kettar/texture_manager.h"

const char* const Terrain::kTerrainTextures[LevelFile::kTableEntries] = {
    "data/textures/terrain-01" KETTAR_TEXTURE_EXTENSION, "data/textures/terrain-02" KETTAR_TEXTURE_EXTENSION,
    "data/textures/terrain-03" KETTAR_TEXTURE_EXTENSION, "data/textures/terrain-04" KETTAR_TEXTURE_EXTENSION,
    "data/textures/terrain-05" KETTAR_TEXTURE_EXTENSION, "data/textures/terrain-06" KETTAR_TEXTURE_EXTENSION,
    "data/textures/terrain-07" KETTAR_TEXTURE_EXTENSION, "", "", ""};
const char* const Terrain::kBorderTextures[LevelFile::kTableEntries] = {
    "data/textures/border-01" KETTAR_TEXTURE_EXTENSION, "data/textures/border-02" KETTAR_TEXTURE_EXTENSION,
    "data/textures/border-03" KETTAR_TEXTURE_EXTENSION, "data/textures/border-04" KETTAR_TEXTURE_EXTENSION,
    "", "", "", "", "", ""};

uint32_t Terrain::textureIndex = 0;
int32_t Terrain::texture = -1;
uint32_t Terrain::borderTextureIndex = 0;
int32_t Terrain::borderTexture = -1;
float Terrain::textureScale = 0.3f;

namespace {

// Trilinear filtering.
constexpr int32_t kTextureMode = 3;
// A new inverted terrain hollows out this share of the level.
constexpr float kInvertedShare = 0.95f;
// Half the width of the slit a cut leaves.
constexpr float kCutHalfWidth = 0.25f;

GLuint boundId(int32_t texture) { return texture < 0 ? 0 : static_cast<GLuint>(texture); }

}  // namespace

Terrain::Terrain(const LevelFile::TerrainRecord& record, float w, float h)
    : width(w), height(h), inverted(record.inverted) {
  initTessellator();
  selectTexture(record.textureIndex);
  selectBorderTexture(record.borderTextureIndex);
  textureScale = record.textureScale;
  setObjectPlanes();
  for (const LevelFile::PolygonRecord& p : record.polygons) ferrox::keep(polygons, new TerrainPolygon(p));
  rebuild();
}

Terrain::Terrain(bool inv, float w, float h) : width(w), height(h), inverted(inv ? 1 : 0) {
  initTessellator();
  reloadTextures();
  if (inverted)
    addRectangle(Vec2(0.0f, 0.0f), Vec2(kInvertedShare * width, kInvertedShare * height));
  else
    rebuild();
}

Terrain::Terrain(const Terrain& other) : width(other.width), height(other.height), inverted(other.inverted) {
  initTessellator();
  reloadTextures();
  copyFrom(other);
  rebuild();
}

Terrain& Terrain::operator=(const Terrain& other) {
  if (this != &other) {
    copyFrom(other);
    rebuild();
  }
  return *this;
}

Terrain::~Terrain() { polygons.destroy(); }

Terrain::GlObjects::~GlObjects() {
  if (tessellator) gluDeleteTess(tessellator);
  if (displayList) glDeleteLists(displayList, 1);
}

void Terrain::initTessellator() {
  gl_.tessellator = gluNewTess();
  if (gl_.tessellator == nullptr) throw std::bad_alloc();
  using Callback = void(GLAPIENTRY*)();
  gluTessCallback(gl_.tessellator, GLU_TESS_BEGIN_DATA, reinterpret_cast<Callback>(&Terrain::onBegin));
  gluTessCallback(gl_.tessellator, GLU_TESS_VERTEX_DATA, reinterpret_cast<Callback>(&Terrain::onVertex));
  gluTessCallback(gl_.tessellator, GLU_TESS_END_DATA, reinterpret_cast<Callback>(&Terrain::onEnd));
  // With an edge-flag callback the tessellator gives plain triangles only,
  // which the area sum below relies on.
  gluTessCallback(gl_.tessellator, GLU_TESS_EDGE_FLAG_DATA, reinterpret_cast<Callback>(&Terrain::onEdgeFlag));
  // Crossing contours need new vertices; without this callback GLU would drop
  // the contour silently and fill the wrong area.
  gluTessCallback(gl_.tessellator, GLU_TESS_COMBINE_DATA, reinterpret_cast<Callback>(&Terrain::onCombine));
  gluTessCallback(gl_.tessellator, GLU_TESS_ERROR_DATA, reinterpret_cast<Callback>(&Terrain::onError));
  gluTessNormal(gl_.tessellator, 0.0, 0.0, 1.0);
  gl_.displayList = glGenLists(1);
}

void Terrain::reloadTextures() {
  selectTexture(textureIndex);
  selectBorderTexture(borderTextureIndex);
}

void Terrain::copyFrom(const Terrain& other) {
  width = other.width;
  height = other.height;
  inverted = other.inverted;
  polygons.empty();
  for (const TerrainPolygon* p : other.polygons) ferrox::keep(polygons, new TerrainPolygon(*p));
}

LevelFile::TerrainRecord Terrain::record() const {
  LevelFile::TerrainRecord r;
  r.textureIndex = textureIndex;
  r.borderTextureIndex = borderTextureIndex;
  r.textureScale = textureScale;
  r.inverted = inverted;
  for (const TerrainPolygon* p : polygons) r.polygons.push_back(p->record());
  return r;
}

void Terrain::write(Kettar::ByteBuffer& buffer) const { LevelFile::writeTerrain(buffer, record()); }

void Terrain::loadTexture(const char* entry, int32_t& into) {
  into = -1;
  if (entry[0] == '\0' || !Kettar::textureManager) return;
  into = Kettar::textureManager->load(Kettar::executableDirectory + entry, kTextureMode);
}

void Terrain::selectTexture(uint32_t index) {
  if (index >= LevelFile::kTableEntries) return;
  textureIndex = index;
  loadTexture(kTerrainTextures[index], texture);
}

void Terrain::selectBorderTexture(uint32_t index) {
  if (index >= LevelFile::kTableEntries) return;
  borderTextureIndex = index;
  loadTexture(kBorderTextures[index], borderTexture);
}

void Terrain::setTextureScale(float scale) {
  textureScale = scale;
  setObjectPlanes();
}

void Terrain::setObjectPlanes() {
  const GLfloat s[4] = {textureScale, 0.0f, 0.0f, 0.0f};
  const GLfloat t[4] = {0.0f, textureScale, 0.0f, 0.0f};
  glTexGenfv(GL_S, GL_OBJECT_PLANE, s);
  glTexGenfv(GL_T, GL_OBJECT_PLANE, t);
}

bool Terrain::rebuild() {
  const double w = width / 2.0, h = height / 2.0;
  corners_[0] = TerrainVertex{-w, -h, 0.0};
  corners_[1] = TerrainVertex{w, -h, 0.0};
  corners_[2] = TerrainVertex{w, h, 0.0};
  corners_[3] = TerrainVertex{-w, h, 0.0};
  filledArea_ = 0.0;
  contoursCrossed_ = false;
  tessError_ = 0;
  triangleVertices_ = 0;

  glNewList(gl_.displayList, GL_COMPILE);
  gluTessBeginPolygon(gl_.tessellator, this);
  gluTessBeginContour(gl_.tessellator);
  for (TerrainVertex& c : corners_) gluTessVertex(gl_.tessellator, &c.x, &c);
  gluTessEndContour(gl_.tessellator);
  for (TerrainPolygon* p : polygons) {
    gluTessBeginContour(gl_.tessellator);
    for (TerrainVertex& v : p->outline) gluTessVertex(gl_.tessellator, &v.x, &v);
    gluTessEndContour(gl_.tessellator);
  }
  gluTessEndPolygon(gl_.tessellator);
  glEndList();
  combined_.clear();

  if (contoursCrossed_) std::cout << "!![Ombrel] terrain contours cross or touch" << std::endl;
  if (tessError_ != 0) {
    std::cout << "!![Ombrel] cannot tessellate the terrain: "
              << reinterpret_cast<const char*>(gluErrorString(tessError_)) << std::endl;
    return false;
  }
  return true;
}

void GLAPIENTRY Terrain::onBegin(GLenum type, void* self) {
  static_cast<Terrain*>(self)->triangleVertices_ = 0;
  glBegin(type);
}

void GLAPIENTRY Terrain::onVertex(void* vertex, void* self) {
  Terrain* t = static_cast<Terrain*>(self);
  const TerrainVertex* v = static_cast<const TerrainVertex*>(vertex);
  glVertex3dv(&v->x);
  t->triangle_[t->triangleVertices_++] = *v;
  if (t->triangleVertices_ == 3) {
    const TerrainVertex& a = t->triangle_[0];
    const TerrainVertex& b = t->triangle_[1];
    const TerrainVertex& c = t->triangle_[2];
    t->filledArea_ += 0.5 * std::fabs((b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x));
    t->triangleVertices_ = 0;
  }
}

void GLAPIENTRY Terrain::onEnd(void*) { glEnd(); }

void GLAPIENTRY Terrain::onEdgeFlag(GLboolean, void*) {}

void GLAPIENTRY Terrain::onCombine(GLdouble coords[3], void*[4], GLfloat[4], void** out, void* self) {
  Terrain* t = static_cast<Terrain*>(self);
  t->contoursCrossed_ = true;
  t->combined_.push_back(TerrainVertex{coords[0], coords[1], coords[2]});
  *out = &t->combined_.back();
}

void GLAPIENTRY Terrain::onError(GLenum error, void* self) { static_cast<Terrain*>(self)->tessError_ = error; }

void Terrain::draw() const {
  glPolygonOffset(0.0f, 0.0f);
  glBindTexture(GL_TEXTURE_2D, boundId(texture));
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  glEnable(GL_TEXTURE_GEN_S);
  glEnable(GL_TEXTURE_GEN_T);
  glCallList(gl_.displayList);
  glDisable(GL_TEXTURE_GEN_S);
  glDisable(GL_TEXTURE_GEN_T);
  glBindTexture(GL_TEXTURE_2D, 0);
  for (const TerrainPolygon* p : polygons) p->drawBorder(boundId(borderTexture));
}

bool Terrain::hasEdgeType(int32_t polygon, uint32_t edge, int32_t type) const {
  if (polygon < 0 || static_cast<uint32_t>(polygon) >= polygons.count) return false;
  return polygons[static_cast<uint32_t>(polygon)]->hasEdgeType(edge, type);
}

bool Terrain::hasEdgeType(const ferrox::Skeleton* body, uint32_t edge, int32_t type) const {
  const TerrainPolygon* p = polygonOf(body);
  return p && p->hasEdgeType(edge, type);
}

bool Terrain::containsPoint(Vec2 p) const {
  return -width / 2 <= p.x && p.x <= width / 2 && -height / 2 <= p.y && p.y <= height / 2;
}

uint32_t Terrain::vertexCount() const {
  uint32_t n = 0;
  for (const TerrainPolygon* p : polygons) n += p->outline.count;
  return n;
}

void Terrain::addRectangle(Vec2 centre, Vec2 size) {
  // The border lies on the solid side: outside a hole of a plain terrain and
  // of an inverted terrain's hollow, inside an island within the hollow.
  const bool orientation = !inverted || polygons.count == 0;
  // Made whole before the list takes it: a refusal adds no part of a rectangle.
  std::unique_ptr<TerrainPolygon> p = std::make_unique<TerrainPolygon>(orientation);
  const float hx = size.x / 2, hy = size.y / 2;
  p->addVertex(centre.x - hx, centre.y - hy);
  p->addVertex(centre.x + hx, centre.y - hy);
  p->addVertex(centre.x + hx, centre.y + hy);
  p->addVertex(centre.x - hx, centre.y + hy);
  for (uint32_t i = 0; i < 4; ++i) p->addEdgeLink(i, (i + 1) % 4);
  p->computeBorder();
  ferrox::keep(polygons, p.release());
  rebuild();
}

void Terrain::removePolygon(uint32_t index) {
  polygons.removeAt(index);
  rebuild();
}

void Terrain::setEdgeType(uint32_t polygon, uint32_t edge, int32_t type) {
  if (polygon < polygons.count) polygons[polygon]->setEdgeType(edge, type);
}

void Terrain::flipPolygon(uint32_t polygon) {
  if (polygon < polygons.count) polygons[polygon]->flip();
}

TerrainPolygon* Terrain::polygonOf(const ferrox::Skeleton* body) const {
  if (!body || body->id < 0 || static_cast<uint32_t>(body->id) >= polygons.count) return nullptr;
  TerrainPolygon* p = polygons[static_cast<uint32_t>(body->id)];
  return &p->body == body ? p : nullptr;
}

bool Terrain::removeVertex(ferrox::Quark* quark) {
  TerrainPolygon* p = quark ? polygonOf(quark->owner) : nullptr;
  if (!p || !p->removeVertex(quark)) return false;
  rebuild();
  return true;
}

bool Terrain::insertVertex(ferrox::Link* edge, Vec2 point) {
  TerrainPolygon* p = edge ? polygonOf(edge->a->owner) : nullptr;
  if (!p || !p->insertVertex(edge, point)) return false;
  rebuild();
  return true;
}

bool Terrain::moveVertex(ferrox::Quark* quark, Vec2 position) {
  TerrainPolygon* p = quark ? polygonOf(quark->owner) : nullptr;
  if (!p || !p->moveVertex(quark, position)) return false;
  rebuild();
  return true;
}

bool Terrain::cutAt(ferrox::Quark* q, ferrox::Link* l, Vec2 point) {
  TerrainPolygon* b = q ? polygonOf(q->owner) : nullptr;
  TerrainPolygon* a = l ? polygonOf(l->a->owner) : nullptr;
  if (!a || !b || a == b || l->index >= a->body.links.count || a->body.links[l->index] != l ||
      q->index >= b->body.quarks.count || b->body.quarks[q->index] != q)
    return false;
  Vec2 d = l->b->position - l->a->position;
  d.setLength(kCutHalfWidth);
  ferrox::Quark* second = l->b;
  ferrox::Quark* previous = l->a;

  // a takes b's vertices but q, and the slit's two: their room, and that of the links joining
  // them, is made before the first change, so that a refusal leaves both polygons as they were.
  const uint32_t added = b->body.quarks.count + 1;
  ferrox::reserve(a->body.quarks, a->body.quarks.count + added);
  ferrox::reserve(a->outline, a->outline.count + added);
  ferrox::reserve(a->border, a->outline.count + added);
  ferrox::reserve(a->body.links, a->body.links.count + added + 1);

  // Each vertex goes in just before l's second quark, joined to the one before.
  auto place = [&](ferrox::Quark* moved, Vec2 at) {
    const uint32_t slot = second->index;
    if (moved) {
      moved->owner = &a->body;
      a->body.quarks.insertAt(moved, static_cast<int32_t>(slot));
    } else {
      moved = a->body.insertQuark(slot, ferrox::kFixed, at, TerrainPolygon::kVertexMass,
                                  TerrainPolygon::kVertexDamping);
    }
    a->outline.insertAt(TerrainVertex{double(moved->position.x), double(moved->position.y), 0.0},
                        static_cast<int32_t>(slot));
    a->addEdgeLink(previous->index, moved->index);
    previous = moved;
  };
  place(nullptr, point - d);
  const uint32_t n = b->body.quarks.count;
  for (uint32_t k = 1; k < n; ++k) place(b->body.quarks[(q->index + k) % n], Vec2());
  place(nullptr, point + d);
  a->addEdgeLink(previous->index, second->index);

  // The cut edge goes, keeping the order of the others and their types.
  a->deleteEdge(l->index);

  // b's remaining links join the moved quarks only; they go with b, and q with them.
  b->body.quarks.notOwner = 1;
  polygons.removeAt(static_cast<uint32_t>(b->index));
  delete q;
  a->computeBorder();
  rebuild();
  return true;
}

void Terrain::refreshGrid() {
  for (TerrainPolygon* p : polygons) p->body.enterGrid();
}
