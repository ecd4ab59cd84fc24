// Props: the signed angle the quad is drawn at, the record, and a prop whose
// files are missing.
#include "game/prop.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "kettar/byte_buffer.h"
#include "objects_fixture.h"

namespace {

using objectstest::floorBox;
using objectstest::ObjectsWorld;
using objectstest::openLevel;

TEST(PropAngle, SignedFromTheReferenceDirection) {
  const float h = std::sqrt(0.5f);
  struct Row {
    const char* name;
    Vec2 reference;
    Vec2 current;
    float angle;
  } rows[] = {
      {"unturned", Vec2(1, 0), Vec2(1, 0), 0.0f},
      {"a quarter counter-clockwise", Vec2(1, 0), Vec2(0, 1), 90.0f},
      {"a quarter clockwise", Vec2(1, 0), Vec2(0, -1), -90.0f},
      {"half a turn", Vec2(1, 0), Vec2(-1, 0), 180.0f},
      {"half a turn from a diagonal", Vec2(h, h), Vec2(-h, -h), 180.0f},
      {"an eighth", Vec2(0, 1), Vec2(-h, h), 45.0f},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_NEAR(Prop::signedAngle(row.reference, row.current), row.angle, 1e-3f);
  }
}

TEST(PropRecord, WritesTwelveBytes) {
  Prop p(Vec2(-1.0f, 0.5f), 1, "/nonexistent/");
  Kettar::ByteBuffer b;
  p.write(b);
  const std::vector<uint8_t> golden = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0xBF,
                                       0x00, 0x00, 0x00, 0x3F};
  ASSERT_EQ(b.size(), 12u);
  EXPECT_EQ(std::vector<uint8_t>(b.data(), b.data() + b.size()), golden);
}

TEST(PropMissing, AnEmptyBodyIsHarmless) {
  Prop p(Vec2(1.0f, 1.0f), 2, "/nonexistent/");
  EXPECT_EQ(p.body()->quarks.count, 0u);
  EXPECT_EQ(p.texture(), -1);
  EXPECT_EQ(p.aspect(), 1.0f);
  p.leaveGrid();
  p.update(0.002f);
  EXPECT_EQ(p.angle(), 0.0f);
  p.draw();  // nothing to draw, and no GL call
  Prop odd(Vec2(0.0f, 0.0f), 9, "/nonexistent/");
  EXPECT_EQ(odd.kind(), 0u);
}

class PropWorld : public ObjectsWorld {};

TEST_F(PropWorld, TurnedBodiesReadTheirAngle) {
  LevelFile::LevelRecord r = openLevel();
  r.props = {{0, Vec2(-5.0f, 0.0f)}, {1, Vec2(0.0f, 0.0f)}, {2, Vec2(8.0f, 0.0f)}};
  Level& level = makeLevel(r);
  for (Prop* p : level.props) {
    SCOPED_TRACE(p->kind());
    ASSERT_GT(p->body()->quarks.count, 0u);
    EXPECT_EQ(p->angle(), 0.0f);
    p->body()->rotate(90.0f);
    EXPECT_NEAR(p->angle(), 90.0f, 0.01f);
    p->body()->rotate(-180.0f);
    EXPECT_NEAR(p->angle(), -90.0f, 0.01f);
    p->body()->rotate(-90.0f);
    EXPECT_NEAR(std::fabs(p->angle()), 180.0f, 0.01f);
  }
}

TEST_F(PropWorld, ARollingPropIsSavedWhereItWasPlaced) {
  LevelFile::LevelRecord r = openLevel();
  r.terrain.polygons.push_back(floorBox(-15.0f, 15.0f, -3.0f));
  r.props = {{1, Vec2(2.0f, 0.0f)}, {0, Vec2(-2.0f, 1.0f)}};
  Level& level = makeLevel(r);
  const Vec2 start = level.props[0]->body()->centroid();
  for (int i = 0; i < 1000; ++i) playStep();
  // They fell onto the floor.
  EXPECT_LT(level.props[0]->body()->centroid().y, start.y - 2.0f);
  EXPECT_GT(level.props[0]->body()->centroid().y, -3.0f);
  const LevelFile::LevelRecord saved = level.record();
  ASSERT_EQ(saved.props.size(), 2u);
  EXPECT_EQ(saved.props[0].kind, 1u);
  EXPECT_EQ(saved.props[0].position, Vec2(2.0f, 0.0f));
  EXPECT_EQ(saved.props[1].position, Vec2(-2.0f, 1.0f));
}

}  // namespace
