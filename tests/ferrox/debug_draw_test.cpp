// The grid's debug drawing, caught with OpenGL feedback in a real window
// (skipped without a display).

#include "ferrox/debug_draw.h"

#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>
#include <vector>

#include "body_test_support.h"
#include "ferrox/grid.h"
#include "ferrox/skeleton.h"
#include "support/sdl_video.h"

namespace {

// Window coordinates are (x + 6, y + 5) x 100, so level units read back exactly.
class DebugDrawTest : public bodytest::WorldFixture {
 protected:
  void SetUp() override {
    if (!test_support::haveDisplay()) GTEST_SKIP() << "no display for an OpenGL window";
    ASSERT_EQ(test_support::startSdlVideo(), 0) << SDL_GetError();
    ASSERT_NE(SDL_SetVideoMode(64, 64, 32, SDL_OPENGL), nullptr) << SDL_GetError();
    open_ = true;
    glViewport(0, 0, 1200, 1000);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-6, 6, -5, 5, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    bodytest::WorldFixture::SetUp();
  }
  void TearDown() override {
    bodytest::WorldFixture::TearDown();
    if (open_) SDL_Quit();
  }

  struct Polygon {
    std::vector<Vec2> corners;  // in level units
  };
  // Runs draw in feedback mode and returns the polygons and line segments it made.
  template <typename Draw>
  std::vector<Polygon> feedback(Draw draw, int* lines = nullptr) {
    std::vector<GLfloat> buffer(1 << 16);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_2D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);
    std::vector<Polygon> polygons;
    int lineCount = 0;
    auto point = [&](GLint at) { return Vec2(buffer[at] / 100.0f - 6.0f, buffer[at + 1] / 100.0f - 5.0f); };
    for (GLint i = 0; i < used;) {
      const GLint token = static_cast<GLint>(buffer[i++]);
      if (token == GL_POLYGON_TOKEN) {
        const GLint n = static_cast<GLint>(buffer[i++]);
        Polygon p;
        for (GLint k = 0; k < n; ++k, i += 2) p.corners.push_back(point(i));
        polygons.push_back(p);
      } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
        Polygon p;
        p.corners = {point(i), point(i + 2)};
        polygons.push_back(p);
        i += 4;
        ++lineCount;
      } else {
        ADD_FAILURE() << "unexpected feedback token " << token;
        break;
      }
    }
    if (lines) *lines = lineCount;
    return polygons;
  }

  bool open_ = false;
};

TEST_F(DebugDrawTest, CellQuadsFollowTheWalk) {
  const Vec2 a(0.05f, 0.05f), b(0.5f, 0.3f);
  std::vector<std::pair<int32_t, int32_t>> visits;
  ferrox::world->walkCells(a, b, 0.05f, [&](int32_t c, int32_t r) { visits.emplace_back(c, r); });
  ASSERT_FALSE(visits.empty());
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  const auto polygons = feedback([&] {
    glBegin(GL_QUADS);
    ferrox::world->drawCells(a, b, 0.05f);
    glEnd();
  });
  // One quad per visit (Mesa feeds it back as two triangles): together they
  // make the four corners of the visited cell, half a cell from its centre.
  ASSERT_TRUE(polygons.size() == visits.size() || polygons.size() == 2 * visits.size())
      << polygons.size() << " polygons for " << visits.size() << " cells";
  const size_t perVisit = polygons.size() / visits.size();
  for (size_t v = 0; v < visits.size(); ++v) {
    const float cx = visits[v].first * 0.2f - 5.0f, cy = visits[v].second * 0.2f - 4.0f;
    std::set<std::pair<int, int>> distinct;
    for (size_t k = 0; k < perVisit; ++k) {
      for (const Vec2& corner : polygons[v * perVisit + k].corners) {
        EXPECT_NEAR(std::fabs(corner.x - cx), 0.1f, 1e-3f);
        EXPECT_NEAR(std::fabs(corner.y - cy), 0.1f, 1e-3f);
        distinct.emplace(corner.x > cx, corner.y > cy);
      }
    }
    EXPECT_EQ(distinct.size(), 4u) << "cell " << visits[v].first << ", " << visits[v].second;
  }
}

TEST_F(DebugDrawTest, WorldBoundsAreAWhiteOutline) {
  int lines = 0;
  const auto edges = feedback([] { ferrox::drawWorldBounds(); }, &lines);
  EXPECT_EQ(lines, 4);
  for (const Polygon& e : edges) {
    for (const Vec2& p : e.corners) {
      EXPECT_NEAR(std::fabs(p.x), 5.0f, 1e-3f);
      EXPECT_NEAR(std::fabs(p.y), 4.0f, 1e-3f);
    }
  }
  GLint mode[2] = {0, 0};
  glGetIntegerv(GL_POLYGON_MODE, mode);
  EXPECT_EQ(mode[0], GL_LINE);
  GLfloat width = 0, colour[4] = {0, 0, 0, 0};
  glGetFloatv(GL_LINE_WIDTH, &width);
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_EQ(width, 2.0f);
  EXPECT_NEAR(colour[0], 1.0f, 1e-6f);
  EXPECT_NEAR(colour[3], 0.25f, 1e-6f);
}

TEST_F(DebugDrawTest, SkeletonCellsLeaveOutInternalLinks) {
  ferrox::Skeleton body;
  body.addQuark(1, Vec2(0.0f, 0.0f), 1.0f, 0.0f);
  body.addQuark(1, Vec2(0.6f, 0.0f), 1.0f, 0.0f);
  body.addQuark(1, Vec2(0.6f, 0.6f), 1.0f, 0.0f);
  body.addLink(1, 0, 1, 0.0f, 0.0f, 0.03f, 0.5f);
  body.addInternalLink(1, 0, 2, 0.0f, 0.0f);
  size_t surfaceVisits = 0;
  ferrox::world->walkCells(Vec2(0.0f, 0.0f), Vec2(0.6f, 0.0f), 0.03f,
                           [&](int32_t, int32_t) { ++surfaceVisits; });
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  const size_t polygons = feedback([&] { ferrox::drawSkeletonCells(body); }).size();
  EXPECT_TRUE(polygons == surfaceVisits || polygons == 2 * surfaceVisits) << polygons;
  GLfloat colour[4] = {0, 0, 0, 0};
  glGetFloatv(GL_CURRENT_COLOR, colour);
  EXPECT_NEAR(colour[1], 1.0f, 1e-6f);
  EXPECT_NEAR(colour[3], 0.1f, 1e-6f);
}

}  // namespace
