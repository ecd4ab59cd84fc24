// What the level objects hand to OpenGL, caught in feedback mode in a real
// window: the size and place of each quad and line, with real textures from
// the built data and with missing ones.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "ferrox/skeleton_cache.h"
#include "game/decal.h"
#include "game/enemy.h"
#include "game/gorvex.h"
#include "game/laser.h"
#include "game/prop.h"
#include "gl_window.h"
#include "kettar/texture_manager.h"
#include "objects_fixture.h"

namespace {

struct Box {
  float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f;
  int vertices = 0;
  void add(float x, float y) {
    minX = std::min(minX, x);
    maxX = std::max(maxX, x);
    minY = std::min(minY, y);
    maxY = std::max(maxY, y);
    ++vertices;
  }
};

class ObjectsDraw : public GlWindowTest {
 protected:
  void SetUp() override {
    GlWindowTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    root_ = objectstest::builtDataRoot();
    ASSERT_TRUE(std::filesystem::exists(root_ + Hero::kSkeletonPath)) << "no built data below " << root_;
  }
  void TearDown() override {
    ferrox::SkeletonCache::clear();
    GlWindowTest::TearDown();
  }

  // Object coordinates in level units over everything drawn: a 200 x 200
  // viewport shows -10 .. 10 both ways.
  template <typename Draw>
  Box drawn(Draw draw) {
    glViewport(0, 0, 200, 200);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-10, 10, -10, 10, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    std::vector<GLfloat> buffer(4096);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_2D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint n = glRenderMode(GL_RENDER);
    Box box;
    auto vertex = [&](GLint at) { box.add(buffer[at] / 10.0f - 10.0f, buffer[at + 1] / 10.0f - 10.0f); };
    for (GLint i = 0; i < n;) {
      const GLint token = static_cast<GLint>(buffer[i]);
      if (token == GL_POLYGON_TOKEN) {
        const GLint count = static_cast<GLint>(buffer[i + 1]);
        for (GLint v = 0; v < count; ++v) vertex(i + 2 + 2 * v);
        i += 2 + 2 * count;
      } else if (token == GL_LINE_TOKEN || token == GL_LINE_RESET_TOKEN) {
        vertex(i + 1);
        vertex(i + 3);
        i += 5;
      } else if (token == GL_POINT_TOKEN) {
        vertex(i + 1);
        i += 3;
      } else {
        i += 2;  // a pass-through value
      }
    }
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    return box;
  }

  static void expectBox(const Box& b, float cx, float cy, float hx, float hy) {
    ASSERT_GE(b.vertices, 2);
    EXPECT_NEAR(b.minX, cx - hx, 1e-3f);
    EXPECT_NEAR(b.maxX, cx + hx, 1e-3f);
    EXPECT_NEAR(b.minY, cy - hy, 1e-3f);
    EXPECT_NEAR(b.maxY, cy + hy, 1e-3f);
  }

  std::string root_;
};

TEST_F(ObjectsDraw, DecalsCountTheirScaleTwice) {
  for (float scale : {1.0f, 2.0f, 0.5f}) {
    SCOPED_TRACE(scale);
    LevelFile::DecalRecord r;
    r.index = 16;
    r.position = Vec2(1.0f, -2.0f);
    r.scale = scale;
    const Decal d(r, root_);
    ASSERT_GE(d.texture, 0);
    const Box b = drawn([&] { d.draw(); });
    expectBox(b, 1.0f, -2.0f, scale * scale, scale * scale * d.aspect);
  }
}

TEST_F(ObjectsDraw, PropQuadsSitBelowTheCentroid) {
  for (uint32_t kind = 0; kind < Prop::kKinds; ++kind) {
    SCOPED_TRACE(kind);
    const Prop p(Vec2(0.5f, 1.0f), kind, root_);
    ASSERT_GE(p.texture(), 0);
    const float s = Prop::kPropAssets[kind].halfSize;
    const Vec2 c = p.body()->centroid();
    expectBox(drawn([&] { p.draw(); }), c.x, c.y - 0.1f, s, s * p.aspect());
  }
}

TEST_F(ObjectsDraw, TurretsAndEnemiesAndLasers) {
  Gorvex g(LevelFile::TurretRecord{Vec2(-2.0f, 3.0f), 0.0f, 1.0f, 100.0f, 1}, root_);
  expectBox(drawn([&] { g.draw(); }), -2.0f, 3.0f, 0.75f, 0.75f);

  Enemy e(2, Vec2(3.0f, -1.0f), root_);
  Vec2 c[4];
  ASSERT_TRUE(e.spriteCorners(c));
  Box corners;
  for (const Vec2& v : c) corners.add(v.x, v.y);
  expectBox(drawn([&] { e.draw(); }), (corners.minX + corners.maxX) * 0.5f,
            (corners.minY + corners.maxY) * 0.5f, (corners.maxX - corners.minX) * 0.5f,
            (corners.maxY - corners.minY) * 0.5f);

  const Laser l(Vec2(-1.0f, 0.5f), Vec2(0.0f, 1.0f));
  expectBox(drawn([&] { l.draw(); }), -1.0f, 0.55f, 0.0f, 0.05f);
}

TEST_F(ObjectsDraw, MissingTexturesDrawNothingAndKeepAnAspectOfOne) {
  const Prop p(Vec2(0.0f, 0.0f), 0, "/nonexistent/");
  EXPECT_EQ(p.texture(), -1);
  EXPECT_EQ(p.aspect(), 1.0f);
  const Decal d(Vec2(0.0f, 0.0f), 7, "/nonexistent/");
  EXPECT_EQ(d.texture, -1);
  EXPECT_EQ(d.aspect, 1.0f);
  EXPECT_EQ(drawn([&] {
              p.draw();
              d.draw();
            }).vertices,
            0);
}

}  // namespace
