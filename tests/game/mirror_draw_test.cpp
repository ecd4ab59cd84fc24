// Decals and turrets drawn in a real OpenGL window: their flips mirror the
// image, their rotations turn it counter-clockwise.

#include <gtest/gtest.h>

#include "ferrox/skeleton_cache.h"
#include "game/decal.h"
#include "game/gorvex.h"
#include "hero_fixture.h"
#include "image_window.h"
#include "kettar/simulated_clock.h"

namespace {

using namespace image_test;

constexpr Quadrants kMirrored{kGreen, kRed, kWhite, kBlue};
constexpr Quadrants kUpsideDown{kBlue, kWhite, kRed, kGreen};
constexpr Quadrants kHalfTurn{kWhite, kBlue, kGreen, kRed};
constexpr Quadrants kQuarterTurn{kGreen, kWhite, kRed, kBlue};

class MirrorDraw : public ImageWindow {
 protected:
  void TearDown() override {
    ferrox::SkeletonCache::clear();
    ImageWindow::TearDown();
  }
  herotest::DataRoot root;
};

// A decal of scale 1 on a square image spans -1 .. 1: the whole window.
TEST_F(MirrorDraw, DecalFlips) {
  root.writeFile(Decal::kDecalPaths[0], quadrantStrip(1));
  struct Row {
    const char* name;
    uint8_t flipX, flipY;
    Quadrants shown;
  } rows[] = {
      {"neither", 0, 0, kUpright},
      {"flipX", 1, 0, kMirrored},
      {"flipY", 0, 1, kUpsideDown},
      {"both", 1, 1, kHalfTurn},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    LevelFile::DecalRecord r;
    r.flipX = row.flipX;
    r.flipY = row.flipY;
    const Decal d(r, root.path());
    ASSERT_GE(d.texture, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    d.draw();
    expectQuadrants(row.shown);
  }
}

// Every frame of the idle strip is the quadrant image, so the random start
// frame shows the same; the turret's square spans -0.75 .. 0.75.
TEST_F(MirrorDraw, TurretFlipAndRotation) {
  root.writeFile(Gorvex::kIdleSpritePath, quadrantStrip(16));
  Kettar::SimulatedClock clock;
  struct Row {
    const char* name;
    float rotation;
    uint8_t flip;
    Quadrants shown;
  } rows[] = {
      {"plain", 0.0f, 0, kUpright},
      {"flipped", 0.0f, 1, kMirrored},
      {"turned a quarter", 90.0f, 0, kQuarterTurn},
      {"turned half and flipped", 180.0f, 1, kUpsideDown},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Gorvex g(LevelFile::TurretRecord{Vec2(0.0f, 0.0f), row.rotation, 1.0f, 100.0f, row.flip},
             root.path());
    ASSERT_FALSE(g.shooting());
    glClear(GL_COLOR_BUFFER_BIT);
    g.draw();
    expectQuadrants(row.shown);
  }
}

}  // namespace
