#include "game/level.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "ferrox/grid.h"
#include "game/enemy.h"
#include "game/gorvex.h"
#include "game/prop.h"
#include "gl_window.h"
#include "kettar/platform/program_directory.h"
#include "support/file_size_limit.h"
#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;
using test_files::readAll;
using test_files::writeAll;

TEST(LevelParallax, QuadGeometry) {
  struct Row {
    const char* name;
    float w, h, depth, repeat;
    Level::ParallaxQuad q;
  } rows[] = {
      {"back of 40 by 20", 40, 20, Level::kBackDepth, 1, {78, 65, -80, 2, 1}},
      {"front of 40 by 20", 40, 20, Level::kFrontDepth, 1, {52, 39, -40, 2, 1}},
      {"tall level", 10, 30, Level::kBackDepth, 2, {58.5f, 71.5f, -80, 2, 6}},
      {"square", 20, 20, Level::kFrontDepth, 1.5f, {39, 39, -40, 1.5f, 1.5f}},
      {"no width", 0, 20, Level::kBackDepth, 1, {52, 65, -80, 1, 1}},
      {"no height", 40, 0, Level::kBackDepth, 3, {78, 52, -80, 3, 3}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Level::ParallaxQuad q = Level::parallaxQuad(row.w, row.h, row.depth, row.repeat);
    EXPECT_FLOAT_EQ(q.hx, row.q.hx);
    EXPECT_FLOAT_EQ(q.hy, row.q.hy);
    EXPECT_FLOAT_EQ(q.z, row.q.z);
    EXPECT_FLOAT_EQ(q.u, row.q.u);
    EXPECT_FLOAT_EQ(q.v, row.q.v);
  }
}

LevelFile::LevelRecord sampleLevel() {
  LevelFile::LevelRecord l;
  l.width = 40.0f;
  l.height = 20.0f;
  l.start = Vec2(-15.0f, -5.0f);
  l.exitA = Vec2(15.0f, -8.0f);
  l.exitB = Vec2(15.0f, -6.0f);
  l.backParallax = 1;
  l.frontParallax = 7;  // an empty entry
  l.backRepeat = 1.5f;
  l.frontRepeat = 2.0f;
  l.terrain.textureIndex = 2;
  l.terrain.borderTextureIndex = 1;
  l.terrain.textureScale = 0.25f;
  l.terrain.inverted = 1;
  l.terrain.polygons.push_back(LevelFile::polygonFromOutline(
      {Vec2(-19.0f, -9.5f), Vec2(19.0f, -9.5f), Vec2(19.0f, 9.5f), Vec2(-19.0f, 9.5f)}, 1));
  LevelFile::PolygonRecord island = LevelFile::polygonFromOutline({Vec2(0, 0), Vec2(3, 0), Vec2(1.5f, 2.0f)}, 0);
  island.deadlyEdges = {1};
  l.terrain.polygons.push_back(island);
  l.enemies = {{0, Vec2(1, 2)}, {2, Vec2(-3, 4)}};
  l.props = {{1, Vec2(5, 5)}};
  // Mirror flags beyond 1 (any nonzero byte mirrors) are written back as they were read.
  LevelFile::TurretRecord t;
  t.position = Vec2(7, -2);
  t.interval = 2.5f;
  t.flip = 2;
  l.turrets = {t};
  LevelFile::DecalRecord d;
  d.index = 17;
  d.flipX = 2;
  d.flipY = 3;
  l.decals = {d};
  return l;
}

class LevelTest : public GlWindowTest {
 protected:
  void TearDown() override {
    delete Level::current;
    Level::current = nullptr;
    GlWindowTest::TearDown();
  }

  std::string path(const std::string& name) const { return folder_.path(name); }
  std::string sampleFile(float bestTime = 30.0f) {
    const std::string p = path("sample.orl");
    EXPECT_TRUE(LevelFile::saveFile(p, bestTime, sampleLevel()));
    return p;
  }

  test_files::TempFolder folder_{"level_test"};
};

TEST_F(LevelTest, LoadBuildsTheLevelAndSavesItBackIdentical) {
  const std::string p = sampleFile(30.0f);
  ASSERT_TRUE(Level::load(p, true));
  Level* level = Level::current;
  ASSERT_NE(level, nullptr);
  EXPECT_TRUE(level->valid);
  EXPECT_EQ(Level::bestTime(), 30.0f);
  EXPECT_EQ(level->width, 40.0f);
  EXPECT_EQ(level->start, Vec2(-15.0f, -5.0f));
  EXPECT_EQ(Level::parallaxIndex(0), 1u);
  EXPECT_EQ(Level::parallaxIndex(1), 7u);
  EXPECT_EQ(Level::frontParallaxTexture, -1);  // the empty entry loads nothing
  EXPECT_EQ(Level::parallaxRepeat(0), 1.5f);
  ASSERT_NE(ferrox::world, nullptr);
  ASSERT_NE(level->terrain, nullptr);
  EXPECT_EQ(level->terrain->polygons.count, 2u);
  EXPECT_TRUE(level->terrain->hasEdgeType(1, 1, 2));
  EXPECT_NEAR(level->terrain->filledArea(), 800.0 - 722.0 + 3.0, 1e-6);
  EXPECT_EQ(level->enemies.count, 2u);
  EXPECT_EQ(level->gorvexes.count, 1u);
  EXPECT_EQ(level->decals.count, 1u);

  // The exit: two fixed quarks joined by a fixed link; its id names no slot.
  ASSERT_NE(level->exitBody, nullptr);
  EXPECT_EQ(level->exitBody->id, -1);
  ASSERT_EQ(level->exitBody->quarks.count, 2u);
  ASSERT_EQ(level->exitBody->links.count, 1u);
  EXPECT_EQ(level->exitBody->quarks[0]->kind(), ferrox::kFixed);
  EXPECT_EQ(level->exitBody->quarks[1]->position, Vec2(15.0f, -6.0f));
  EXPECT_EQ(level->exitBody->links[0]->kind(), ferrox::kFixed);

  ASSERT_TRUE(Level::saveAs(path("copy.orl")));
  EXPECT_EQ(level->path, path("copy.orl"));
  EXPECT_EQ(readAll(path("copy.orl")), readAll(p));

  // A second load replaces the level.
  ASSERT_TRUE(Level::load(path("copy.orl"), false));
  EXPECT_NE(Level::current, nullptr);
  EXPECT_EQ(Level::current->exitBody, nullptr);
}

TEST_F(LevelTest, BadFilesLeaveTheCurrentLevel) {
  const std::string good = sampleFile(30.0f);
  ASSERT_TRUE(Level::load(good, true));
  Level* before = Level::current;
  ferrox::Grid* world = ferrox::world;
  const std::vector<uint8_t> bytes = readAll(good);

  auto withWord = [&](size_t at, uint32_t v) {
    std::vector<uint8_t> b = bytes;
    std::memcpy(&b[at], &v, 4);
    return b;
  };
  LevelFile::LevelRecord hostile = sampleLevel();
  hostile.height = -20.0f;
  LevelFile::saveFile(path("negative.orl"), 1.0f, hostile);
  hostile = sampleLevel();
  hostile.decals[0].index = 480;
  LevelFile::saveFile(path("decal.orl"), 1.0f, hostile);

  struct Row {
    const char* name;
    std::vector<uint8_t> bytes;
    float bestTime;  // what the header gives; 555 when it is refused
  } rows[] = {
      {"first word", withWord(0, 0x67E87B94u), 555.0f},
      {"second word", withWord(4, 0u), 555.0f},
      {"version 8", withWord(8, 8u), 555.0f},
      {"version 10", withWord(8, 10u), 555.0f},
      {"truncated block", std::vector<uint8_t>(bytes.begin(), bytes.end() - 9), 30.0f},
      {"huge packed size", withWord(16, 0xFFFFFFF0u), 30.0f},
      {"negative height", readAll(path("negative.orl")), 1.0f},
      {"decal past the catalogue", readAll(path("decal.orl")), 1.0f},
      {"empty", {}, 555.0f},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Level::setBestTime(555.0f);
    const std::string p = path("bad.orl");
    writeAll(p, row.bytes);
    EXPECT_FALSE(Level::load(p, true));
    EXPECT_EQ(Level::current, before);
    EXPECT_EQ(ferrox::world, world);
    EXPECT_EQ(Level::current->terrain->polygons.count, 2u);
    EXPECT_EQ(Level::parallaxIndex(0), 1u);
    EXPECT_EQ(Level::bestTime(), row.bestTime);
  }
  EXPECT_FALSE(Level::load(path("missing.orl"), true));
  EXPECT_EQ(Level::current, before);
}

TEST_F(LevelTest, BestTimeIsRewrittenInPlace) {
  const std::string p = sampleFile(9999.0f);
  ASSERT_TRUE(Level::load(p, true));
  const std::vector<uint8_t> before = readAll(p);
  Level::setBestTime(12.5f);
  ASSERT_TRUE(Level::writeBestTime(Level::current));
  const std::vector<uint8_t> after = readAll(p);
  ASSERT_EQ(after.size(), before.size());
  float t = 0;
  std::memcpy(&t, &after[12], 4);
  EXPECT_EQ(t, 12.5f);
  EXPECT_TRUE(std::equal(after.begin() + 16, after.end(), before.begin() + 16));
  EXPECT_FALSE(Level::writeBestTime(nullptr));
  // A file that is gone is not made again.
  fs::remove(p);
  EXPECT_FALSE(Level::writeBestTime(Level::current));
  EXPECT_FALSE(fs::exists(p));
}

TEST_F(LevelTest, SaveFailuresKeepTheOldFileAndPath) {
  EXPECT_FALSE(Level::save());
  EXPECT_FALSE(Level::saveAs(path("x.orl")));
  const std::string p = sampleFile();
  ASSERT_TRUE(Level::load(p, true));
  const std::vector<uint8_t> before = readAll(p);
  Level::current->start = Vec2(1, 1);
  bool saved = true;
  ASSERT_TRUE(test_support::withFileSizeLimit(20, [&] { saved = Level::save(); }));
  EXPECT_FALSE(saved);
  EXPECT_EQ(readAll(p), before);
  EXPECT_FALSE(Level::saveAs(path("no/folder/x.orl")));
  EXPECT_EQ(Level::current->path, p);
}

TEST_F(LevelTest, NewLevelAndEditing) {
  ASSERT_TRUE(Level::createNew(true, 40.0f, 20.0f));
  Level* level = Level::current;
  EXPECT_EQ(level->path, Kettar::executableDirectory + "data/levels/untitled.orl");
  EXPECT_EQ(level->exitBody, nullptr);
  EXPECT_NEAR(level->terrain->filledArea(), 78.0, 1e-6);
  Level::addTerrainRectangle(level, Vec2(0, 0), Vec2(2, 2));
  EXPECT_NEAR(level->terrain->filledArea(), 82.0, 1e-6);
  EXPECT_FALSE(Level::createNew(false, 0.0f, 20.0f));

  ASSERT_TRUE(Level::createNew(false, 40.0f, 20.0f));
  level = Level::current;
  struct Row {
    int32_t code;
    uint32_t enemies, props, turrets, kind;
  } rows[] = {{0, 1, 0, 0, 0}, {1, 2, 0, 0, 1}, {6, 3, 0, 0, 2}, {2, 3, 1, 0, 0},
              {3, 3, 2, 0, 1}, {5, 3, 3, 0, 2}, {4, 3, 3, 1, 0}, {9, 3, 3, 1, 0}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.code);
    Level::addObject(level, row.code, Vec2(float(row.code), 1.0f));
    EXPECT_EQ(level->enemies.count, row.enemies);
    EXPECT_EQ(level->props.count, row.props);
    EXPECT_EQ(level->gorvexes.count, row.turrets);
    if (row.code == 0 || row.code == 1 || row.code == 6) {
      EXPECT_EQ(level->enemies[row.enemies - 1]->kind(), row.kind);
    }
    if (row.code == 2 || row.code == 3 || row.code == 5) {
      EXPECT_EQ(level->props[row.props - 1]->kind(), row.kind);
    }
  }
  EXPECT_EQ(level->gorvexes[0]->interval(), 1.0f);
  EXPECT_EQ(level->gorvexes[0]->phase(), 100.0f);
  Level::removeObject(level, 1, 0);  // the last enemy moves into slot 0
  EXPECT_EQ(level->enemies.count, 2u);
  EXPECT_EQ(level->enemies[0]->kind(), 2u);
  Level::removeObject(level, 4, 5);  // past the count: nothing
  EXPECT_EQ(level->gorvexes.count, 1u);

  for (uint32_t i = 0; i < 4; ++i) Level::addDecal(level, i, Vec2(0, 0));
  // Each new decal goes first: 3, 2, 1, 0.
  Level::removeDecal(level, &level->decals[1]);
  std::vector<uint32_t> order;
  for (const Decal& d : level->decals) order.push_back(d.index);
  EXPECT_EQ(order, std::vector<uint32_t>({3, 1, 0}));
  const Decal stranger(Vec2(0, 0), 5);
  Level::removeDecal(level, &stranger);
  EXPECT_EQ(level->decals.count, 3u);

  // What was edited is what is saved.
  ASSERT_TRUE(Level::saveAs(path("edited.orl")));
  LevelFile::LevelRecord r;
  float best = 0;
  bool header = false;
  ASSERT_TRUE(LevelFile::readFile(path("edited.orl"), r, best, header));
  EXPECT_EQ(r.enemies.size(), 2u);
  EXPECT_EQ(r.decals.size(), 3u);
  EXPECT_EQ(r.decals[0].index, 3u);
}

TEST_F(LevelTest, DrawShowsParallaxAndTerrain) {
  const std::string p = sampleFile();
  ASSERT_TRUE(Level::load(p, true));
  setUpScene(60.0f);
  Level::current->draw();
  Level::drawEditor(Level::current);
  const std::vector<uint8_t> pixels = readPixels();
  size_t lit = 0;
  for (uint8_t v : pixels) lit += v != 0;
  EXPECT_GT(lit, pixels.size() / 20);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

// The back layer as GL receives it: corners and texture coordinates through
// the feedback buffer, with a projection that keeps object coordinates.
TEST_F(LevelTest, ParallaxQuadReachesGl) {
  ASSERT_TRUE(Level::createNew(false, 40.0f, 20.0f));
  GLuint texture = 0;
  const uint8_t texel[4] = {255, 255, 255, 255};
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, texel);
  Level::backParallaxTexture = static_cast<int32_t>(texture);
  Level::frontParallaxTexture = -1;
  Level::setParallaxRepeat(0, 1.0f);
  glViewport(0, 0, 200, 200);  // window x = object x + 100
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(-100, 100, -100, 100, -100, 100);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glEnable(GL_TEXTURE_2D);
  std::vector<GLfloat> feedback(1024);
  glFeedbackBuffer(static_cast<GLsizei>(feedback.size()), GL_3D_COLOR_TEXTURE, feedback.data());
  glRenderMode(GL_FEEDBACK);
  Level::current->drawParallax();
  const GLint n = glRenderMode(GL_RENDER);
  Level::backParallaxTexture = -1;
  glDeleteTextures(1, &texture);
  // Each vertex: x, y, z, 4 colour values, 4 texture values.
  float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f, maxU = 0, maxV = 0;
  int vertices = 0;
  for (GLint i = 0; i < n;) {
    if (feedback[i] != GL_POLYGON_TOKEN) {
      ++i;
      continue;
    }
    const int count = static_cast<int>(feedback[i + 1]);
    for (int v = 0; v < count; ++v, ++vertices) {
      const GLfloat* f = &feedback[i + 2 + v * 11];
      minX = std::min(minX, f[0] - 100);
      maxX = std::max(maxX, f[0] - 100);
      minY = std::min(minY, f[1] - 100);
      maxY = std::max(maxY, f[1] - 100);
      maxU = std::max(maxU, f[7]);
      maxV = std::max(maxV, f[8]);
    }
    i += 2 + count * 11;
  }
  ASSERT_GE(vertices, 4);
  EXPECT_NEAR(minX, -78, 1e-3);
  EXPECT_NEAR(maxX, 78, 1e-3);
  EXPECT_NEAR(minY, -65, 1e-3);
  EXPECT_NEAR(maxY, 65, 1e-3);
  EXPECT_NEAR(maxU, 2, 1e-6);
  EXPECT_NEAR(maxV, 1, 1e-6);
}

// Every level the data builder made loads, draws and saves back byte for byte.
TEST_F(LevelTest, DataBuilderLevelsRoundTrip) {
  const fs::path levels = fs::path(OMBREL_BUILD_DIR) / "data" / "levels";
  std::vector<fs::path> files;
  if (fs::exists(levels))
    for (const auto& e : fs::recursive_directory_iterator(levels))
      if (e.path().extension() == ".orl") files.push_back(e.path());
  if (files.empty()) GTEST_SKIP() << "no levels under " << levels;
  for (const fs::path& f : files) {
    SCOPED_TRACE(f.string());
    ASSERT_TRUE(Level::load(f.string(), true));
    setUpScene(60.0f);
    Level::current->draw();
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    EXPECT_FALSE(Level::current->terrain->contoursCrossed());
    const std::string copy = path("copy.orl");
    ASSERT_TRUE(Level::saveAs(copy));
    EXPECT_EQ(readAll(copy), readAll(f.string()));
  }
}

}  // namespace
