#include "game/terrain.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include "ferrox/grid.h"
#include "gl_window.h"
#include "kettar/byte_buffer.h"
#include "kettar/platform/texture_extension.h"

namespace {

class TerrainTest : public GlWindowTest {
 protected:
  void SetUp() override {
    GlWindowTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    ASSERT_TRUE(ferrox::createWorld(40, 20, 0.2f));
  }
  void TearDown() override {
    terrain.reset();
    GlWindowTest::TearDown();
  }

  std::unique_ptr<Terrain> terrain;
};

TEST_F(TerrainTest, TessellatedAreaFollowsTheOddRule) {
  struct Row {
    const char* name;
    bool inverted;
    std::function<void(Terrain&)> edit;
    double area;
    bool crossed;
  } rows[] = {
      {"plain", false, nullptr, 800.0, false},
      {"inverted: the 0.95 frame", true, nullptr, 78.0, false},
      {"inverted with an island", true, [](Terrain& t) { t.addRectangle(Vec2(0, 0), Vec2(4, 2)); }, 86.0,
       false},
      {"plain with a hole", false, [](Terrain& t) { t.addRectangle(Vec2(5, 5), Vec2(2, 3)); }, 794.0, false},
      {"two holes crossing", false,
       [](Terrain& t) {
         t.addRectangle(Vec2(2, 2), Vec2(4, 4));
         t.addRectangle(Vec2(4, 4), Vec2(4, 4));
       },
       776.0, true},
      {"hole removed", false,
       [](Terrain& t) {
         t.addRectangle(Vec2(2, 2), Vec2(4, 4));
         t.removePolygon(0);
         t.removePolygon(5);
       },
       800.0, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    terrain = std::make_unique<Terrain>(row.inverted, 40.0f, 20.0f);
    if (row.edit) row.edit(*terrain);
    EXPECT_TRUE(terrain->rebuild());
    EXPECT_NEAR(terrain->filledArea(), row.area, 1e-6);
    EXPECT_EQ(terrain->contoursCrossed(), row.crossed);
  }
}

TEST_F(TerrainTest, NewInvertedTerrainHasTheFrameRectangle) {
  terrain = std::make_unique<Terrain>(true, 40.0f, 20.0f);
  ASSERT_EQ(terrain->polygons.count, 1u);
  const TerrainPolygon& p = *terrain->polygons[0];
  EXPECT_EQ(p.orientation, 1);
  EXPECT_EQ(p.body.id, 0);
  const Vec2 corners[4] = {Vec2(-19.0f, -9.5f), Vec2(19.0f, -9.5f), Vec2(19.0f, 9.5f), Vec2(-19.0f, 9.5f)};
  for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(p.body.quarks[i]->position, corners[i]);
  terrain->addRectangle(Vec2(0, 0), Vec2(2, 2));
  EXPECT_EQ(terrain->polygons[1]->orientation, 0);  // an island's band lies inside it
  EXPECT_EQ(terrain->vertexCount(), 8u);
}

TEST_F(TerrainTest, RecordRoundTripKeepsIndicesScaleAndPolygons) {
  LevelFile::TerrainRecord in;
  in.textureIndex = 6;
  in.borderTextureIndex = 3;
  in.textureScale = 0.5f;
  in.inverted = 1;
  in.polygons.push_back(LevelFile::polygonFromOutline(
      {Vec2(-19.0f, -9.5f), Vec2(19.0f, -9.5f), Vec2(19.0f, 9.5f), Vec2(-19.0f, 9.5f)}, 1));
  LevelFile::PolygonRecord island =
      LevelFile::polygonFromOutline({Vec2(0, 0), Vec2(4, 0), Vec2(4, 3), Vec2(1, 3)}, 0);
  island.deadlyEdges = {1};
  island.noHookEdges = {3};
  in.polygons.push_back(island);
  terrain = std::make_unique<Terrain>(in, 40.0f, 20.0f);
  EXPECT_EQ(Terrain::textureIndex, 6u);
  EXPECT_EQ(Terrain::borderTextureIndex, 3u);
  EXPECT_EQ(Terrain::textureScale, 0.5f);
  GLfloat planeS[4] = {}, planeT[4] = {};
  glGetTexGenfv(GL_S, GL_OBJECT_PLANE, planeS);
  glGetTexGenfv(GL_T, GL_OBJECT_PLANE, planeT);
  EXPECT_EQ(std::vector<GLfloat>(planeS, planeS + 4), std::vector<GLfloat>({0.5f, 0, 0, 0}));
  EXPECT_EQ(std::vector<GLfloat>(planeT, planeT + 4), std::vector<GLfloat>({0, 0.5f, 0, 0}));
  EXPECT_NEAR(terrain->filledArea(), 800.0 - 722.0 + 10.5, 1e-6);
  Kettar::ByteBuffer a, b;
  LevelFile::writeTerrain(a, in);
  terrain->write(b);
  EXPECT_EQ(std::vector<uint8_t>(a.data(), a.data() + a.size()),
            std::vector<uint8_t>(b.data(), b.data() + b.size()));

  Terrain copy(*terrain);
  EXPECT_EQ(copy.polygons.count, 2u);
  EXPECT_TRUE(copy.polygons[1]->hasEdgeType(1, 2));
  EXPECT_NEAR(copy.filledArea(), terrain->filledArea(), 1e-9);
}

TEST_F(TerrainTest, ARecordLoadsOnlyTheTexturesItNames) {
  Terrain::selectTexture(0);
  Terrain::selectBorderTexture(0);
  LevelFile::TerrainRecord in;
  in.textureIndex = 2;
  in.borderTextureIndex = 1;
  in.textureScale = 0.3f;
  testing::internal::CaptureStdout();
  terrain = std::make_unique<Terrain>(in, 40.0f, 20.0f);
  const std::string log = testing::internal::GetCapturedStdout();
  EXPECT_EQ(log.find("terrain-01" KETTAR_TEXTURE_EXTENSION), std::string::npos) << log;
  EXPECT_EQ(log.find("border-01" KETTAR_TEXTURE_EXTENSION), std::string::npos) << log;
  EXPECT_NE(log.find("terrain-03" KETTAR_TEXTURE_EXTENSION), std::string::npos) << log;
  EXPECT_EQ(Terrain::textureIndex, 2u);
  EXPECT_EQ(Terrain::borderTextureIndex, 1u);
}

TEST_F(TerrainTest, EdgeTypesBelongToPolygonsOnly) {
  terrain = std::make_unique<Terrain>(false, 40.0f, 20.0f);
  terrain->addRectangle(Vec2(0, 0), Vec2(2, 2));
  terrain->setEdgeType(0, 3, 2);
  terrain->setEdgeType(7, 3, 2);  // no such polygon: nothing
  EXPECT_TRUE(terrain->hasEdgeType(0, 3, 2));
  EXPECT_FALSE(terrain->hasEdgeType(1, 3, 2));
  EXPECT_FALSE(terrain->hasEdgeType(-1, 3, 2));
  EXPECT_TRUE(terrain->hasEdgeType(&terrain->polygons[0]->body, 3, 2));
  // A turret in slot 0 of its own list has body id 0 too.
  ferrox::Skeleton turret;
  turret.id = 0;
  EXPECT_FALSE(terrain->hasEdgeType(&turret, 3, 2));
  EXPECT_FALSE(terrain->hasEdgeType(static_cast<const ferrox::Skeleton*>(nullptr), 3, 2));
}

TEST_F(TerrainTest, ContainsPointIncludesTheBorder) {
  terrain = std::make_unique<Terrain>(false, 40.0f, 20.0f);
  EXPECT_TRUE(terrain->containsPoint(Vec2(20.0f, 10.0f)));
  EXPECT_TRUE(terrain->containsPoint(Vec2(-20.0f, 0.0f)));
  EXPECT_FALSE(terrain->containsPoint(Vec2(20.001f, 0.0f)));
  EXPECT_FALSE(terrain->containsPoint(Vec2(0.0f, -10.01f)));
}

TEST_F(TerrainTest, VertexEditsFindThePolygonByItsBody) {
  terrain = std::make_unique<Terrain>(false, 40.0f, 20.0f);
  terrain->addRectangle(Vec2(-5, 0), Vec2(2, 2));
  terrain->addRectangle(Vec2(5, 0), Vec2(2, 2));
  TerrainPolygon& second = *terrain->polygons[1];
  ASSERT_TRUE(terrain->insertVertex(second.body.links[0], Vec2(5, -2)));
  EXPECT_EQ(second.outline.count, 5u);
  EXPECT_NEAR(terrain->filledArea(), 800.0 - 4.0 - 5.0, 1e-6);
  ASSERT_TRUE(terrain->moveVertex(second.body.quarks[1], Vec2(5, -3)));
  EXPECT_NEAR(terrain->filledArea(), 800.0 - 4.0 - 6.0, 1e-6);
  ASSERT_TRUE(terrain->removeVertex(second.body.quarks[1]));
  EXPECT_NEAR(terrain->filledArea(), 800.0 - 8.0, 1e-6);
  ferrox::Skeleton loose;
  ferrox::Quark* q = loose.addQuark(ferrox::kFixed, Vec2(0, 0), 1, 0);
  EXPECT_FALSE(terrain->removeVertex(q));
}

TEST_F(TerrainTest, CutJoinsTwoPolygonsThroughASlit) {
  terrain = std::make_unique<Terrain>(false, 40.0f, 20.0f);
  terrain->addRectangle(Vec2(0, 0), Vec2(10, 10));   // A: (-5,-5) .. (5,5)
  terrain->addRectangle(Vec2(10, 0), Vec2(4, 4));    // B: (8,-2) .. (12,2)
  TerrainPolygon* a = terrain->polygons[0];
  a->setEdgeType(1, 2);  // the edge that is cut
  a->setEdgeType(2, 1);  // the top edge, one above it
  ferrox::Quark* q = terrain->polygons[1]->body.quarks[0];
  ASSERT_TRUE(terrain->cutAt(q, a->body.links[1], Vec2(5, 0)));
  ASSERT_EQ(terrain->polygons.count, 1u);
  ASSERT_EQ(terrain->polygons[0], a);
  const Vec2 expected[9] = {Vec2(-5, -5), Vec2(5, -5),     Vec2(5.0f, -0.25f), Vec2(12, -2), Vec2(12, 2),
                            Vec2(8, 2),   Vec2(5.0f, 0.25f), Vec2(5, 5),      Vec2(-5, 5)};
  ASSERT_EQ(a->body.quarks.count, 9u);
  for (uint32_t i = 0; i < 9; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(a->body.quarks[i]->position, expected[i]);
    EXPECT_EQ(a->body.quarks[i]->index, i);
    EXPECT_EQ(a->body.quarks[i]->owner, &a->body);
    EXPECT_EQ(a->outline[i].x, expected[i].x);
    EXPECT_EQ(a->body.quarks[i]->links.count, 2u);
  }
  EXPECT_EQ(a->body.links.count, 9u);
  EXPECT_TRUE(std::vector<uint32_t>(a->deadlyEdges.begin(), a->deadlyEdges.end()).empty());
  EXPECT_EQ(std::vector<uint32_t>(a->noHookEdges.begin(), a->noHookEdges.end()), std::vector<uint32_t>({1}));
  EXPECT_FALSE(terrain->contoursCrossed());
  // The hole is A's square, the slit and B without its cut-off corner.
  double shoelace = 0.0;
  for (uint32_t i = 0; i < 9; ++i) {
    const Vec2 p = expected[i], n = expected[(i + 1) % 9];
    shoelace += double(p.x) * n.y - double(n.x) * p.y;
  }
  EXPECT_NEAR(terrain->filledArea(), 800.0 - shoelace / 2.0, 1e-4);
}

TEST_F(TerrainTest, DrawsTheFillAndTheBorders) {
  terrain = std::make_unique<Terrain>(true, 40.0f, 20.0f);
  // No fill texture (white) and a red border texture.
  GLuint red = 0;
  const uint8_t texel[4] = {255, 0, 0, 255};
  glGenTextures(1, &red);
  glBindTexture(GL_TEXTURE_2D, red);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
  Terrain::texture = -1;
  Terrain::borderTexture = static_cast<int32_t>(red);
  setUpScene(60.0f);  // the window then spans x from -20 to 20, 4 pixels a unit
  terrain->draw();
  const std::vector<uint8_t> pixels = readPixels();
  auto at = [&](int x, int y, int c) { return pixels[(y * kWidth + x) * 3 + c]; };
  const int y = kHeight / 2;
  // The hollow is empty; the frame (x -20 .. -19) is filled, and its inner
  // 0.7 units carry the border band, in front of the fill in the same plane.
  EXPECT_EQ(at(kWidth / 2, y, 0), 0);
  EXPECT_EQ(at(0, y, 1), 255);
  EXPECT_EQ(at(3, y, 0), 255);
  EXPECT_EQ(at(3, y, 1), 0);
  EXPECT_EQ(at(5, y, 0), 0);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  Terrain::borderTexture = -1;
  glDeleteTextures(1, &red);
}

}  // namespace
