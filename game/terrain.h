#pragma once
// The solid ground of a level: the level rectangle (centred on the origin)
// combined with the terrain polygons by the odd rule, so a point is solid when
// it lies inside an odd number of contours. The fill is tessellated once into
// a display list, textured by texture generation from object coordinates; each
// polygon adds its border strip. Collisions come only from the polygons' bodies.

#include <GL/glew.h>
#include <GL/glu.h>

#include <cstdint>
#include <deque>

#include "ferrox/indexed_list.h"
#include "ferrox/vec2.h"
#include "game/level_file.h"
#include "game/terrain_polygon.h"

namespace Kettar {
class ByteBuffer;
}

class Terrain {
 public:
  // Paths below the program directory; "" marks an empty entry, which loads
  // nothing.
  static const char* const kTerrainTextures[LevelFile::kTableEntries];
  static const char* const kBorderTextures[LevelFile::kTableEntries];

  // Shared by every terrain: a terrain read overwrites them, a write stores them.
  static uint32_t textureIndex;
  static int32_t texture;  // -1 when none is loaded
  static uint32_t borderTextureIndex;
  static int32_t borderTexture;  // -1 when none is loaded
  static float textureScale;

  float width;
  float height;
  // Owned; the list writes each polygon's slot into its index and body id.
  ferrox::IndexedList<TerrainPolygon*> polygons;
  uint8_t inverted;

  // A checked terrain record for a level of that size. Polygons the memory
  // cannot hold throw std::bad_alloc, and nothing of the terrain stays.
  Terrain(const LevelFile::TerrainRecord& record, float width, float height);
  Terrain(bool inverted, float width, float height);
  Terrain(const Terrain& other);
  Terrain& operator=(const Terrain& other);
  ~Terrain();

  LevelFile::TerrainRecord record() const;
  void write(Kettar::ByteBuffer& buffer) const;

  void draw() const;
  // Tessellates the fill again into the display list. False when the
  // tessellator reported an error; crossing or touching contours are logged.
  bool rebuild();

  static void selectTexture(uint32_t index);
  static void selectBorderTexture(uint32_t index);
  static void setTextureScale(float scale);

  // False unless the polygon index names a polygon; else that polygon's answer.
  bool hasEdgeType(int32_t polygon, uint32_t edge, int32_t type) const;
  // The same for a body that touched something: false unless the body is one
  // of the terrain's polygons (another object's body id is a slot in its own
  // list, which must not pick up a polygon's edge types).
  bool hasEdgeType(const ferrox::Skeleton* body, uint32_t edge, int32_t type) const;
  // Bounds included.
  bool containsPoint(Vec2 point) const;
  uint32_t vertexCount() const;

  void addRectangle(Vec2 centre, Vec2 size);
  void removePolygon(uint32_t index);
  // Polygon indices past the count change nothing.
  void setEdgeType(uint32_t polygon, uint32_t edge, int32_t type);
  void flipPolygon(uint32_t polygon);
  // Each finds the polygon by the body id of the quark's owner (of a link's
  // first quark); false, changing nothing, when it is not one of this terrain's.
  bool removeVertex(ferrox::Quark* quark);
  bool insertVertex(ferrox::Link* edge, Vec2 point);
  bool moveVertex(ferrox::Quark* quark, Vec2 position);
  // Splices the polygon of vertex q into the polygon of edge l through a slit
  // at the point; the first polygon is then gone. Room the second polygon's
  // lists cannot be given throws std::bad_alloc before anything changes.
  bool cutAt(ferrox::Quark* q, ferrox::Link* l, Vec2 point);
  void refreshGrid();

  // What the last rebuild filled, summed over its triangles, and whether it
  // had to join crossing or touching contours.
  double filledArea() const { return filledArea_; }
  bool contoursCrossed() const { return contoursCrossed_; }

 private:
  void initTessellator();
  // Loads the textures of the shared selection again; a record brings its own.
  static void reloadTextures();
  void copyFrom(const Terrain& other);
  // The polygon that owns a body, found by the body id; null when none does.
  TerrainPolygon* polygonOf(const ferrox::Skeleton* body) const;
  static void loadTexture(const char* entry, int32_t& into);
  static void setObjectPlanes();

  static void GLAPIENTRY onBegin(GLenum type, void* self);
  static void GLAPIENTRY onVertex(void* vertex, void* self);
  static void GLAPIENTRY onEnd(void* self);
  static void GLAPIENTRY onEdgeFlag(GLboolean flag, void* self);
  static void GLAPIENTRY onCombine(GLdouble coords[3], void* data[4], GLfloat weight[4],
                                   void** out, void* self);
  static void GLAPIENTRY onError(GLenum error, void* self);

  // The tessellator and the display list that holds the fill, made by every
  // constructor first. Freed with the terrain, and with a terrain whose
  // constructor stopped half way, whose destructor does not run.
  struct GlObjects {
    GLUtesselator* tessellator = nullptr;
    GLuint displayList = 0;
    GlObjects() = default;
    GlObjects(const GlObjects&) = delete;
    GlObjects& operator=(const GlObjects&) = delete;
    ~GlObjects();
  };
  GlObjects gl_;
  // The level rectangle's contour, in the tessellator's form.
  TerrainVertex corners_[4];
  // Vertices the tessellator made where contours cross; live through a rebuild.
  std::deque<TerrainVertex> combined_;
  TerrainVertex triangle_[3];
  uint32_t triangleVertices_ = 0;
  double filledArea_ = 0.0;
  bool contoursCrossed_ = false;
  GLenum tessError_ = 0;
};
