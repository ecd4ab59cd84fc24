// The hero drawn in a real OpenGL window: body (mirrored when facing left),
// arm and the wheel tinted by health.

#include <gtest/gtest.h>

#include <vector>

#include "ferrox/contact_pair.h"
#include "ferrox/grid.h"
#include "ferrox/skeleton_cache.h"
#include "game/hero.h"
#include "game/level.h"
#include "game/level_file.h"
#include "hero_fixture.h"
#include "image_window.h"
#include "kettar/platform/texture_extension.h"

namespace {

using namespace image_test;

// A strip of frames of 16 x 16, the left half of each frame in one colour
// and the right half in another, in the form the game names.
std::string halvesStrip(int32_t frames, Rgba left, Rgba right) {
  std::vector<Rgba> image;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16 * frames; ++x) image.push_back(x % 16 < 8 ? left : right);
  }
  return gameTexture(16 * frames, 16, image);
}

class HeroDraw : public ImageWindow {
 protected:
  void SetUp() override {
    herotest::startVideoWhenDisplayed();
    ImageWindow::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    // The body's frames are blue on the left and cyan on the right; the
    // wheel's texture alpha is 0, so it shows its tint alone.
    root.writeFile("data/sprites/body" KETTAR_TEXTURE_EXTENSION, halvesStrip(8, kBlue, kCyan));
    root.writeFile("data/sprites/arm" KETTAR_TEXTURE_EXTENSION, halvesStrip(16, kWhite, kWhite));
    const Rgba clear{255, 255, 255, 0};
    root.writeFile("data/sprites/wheel" KETTAR_TEXTURE_EXTENSION, halvesStrip(16, clear, clear));
    root.writeHeroSkeleton(*herotest::heroSkeleton());
    ASSERT_TRUE(ferrox::createWorld(20, 20, 0.2f));
    hero = Hero::create(Vec2(0.0f, 0.0f), root.path());
    ASSERT_NE(hero, nullptr);
    ferrox::clearContacts();
    hero->preStep();
    ASSERT_TRUE(hero->step(0.002f));
  }
  void TearDown() override {
    hero.reset();
    delete Level::current;
    Level::current = nullptr;
    ferrox::SkeletonCache::clear();
    ImageWindow::TearDown();
  }

  // The window pixel at a point of the plane of play.
  static Rgba at(Vec2 p) { return pixel((p.x + 1.0f) * 0.5f, (p.y + 1.0f) * 0.5f); }

  void drawFrame() {
    glClear(GL_COLOR_BUFFER_BIT);
    hero->draw();
  }

  herotest::DataRoot root;
  std::unique_ptr<Hero> hero;
};

TEST_F(HeroDraw, BodyArmAndWheel) {
  GLint depth = 0;
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
  drawFrame();
  const Vec2 c = hero->centre();
  // Upright and facing right: the body's left half is the strip's left half.
  EXPECT_TRUE(near(at(c + Vec2(-0.25f, 0.25f)), kBlue));
  EXPECT_TRUE(near(at(c + Vec2(0.25f, 0.25f)), kCyan));
  // The arm points right from the hinge; the wheel is green at full health.
  EXPECT_TRUE(near(at(hero->hingeQuark()->position + Vec2(0.5f, 0.0f)), kWhite));
  EXPECT_TRUE(near(at(c + Vec2(-0.05f, -0.25f)), kGreen));
  EXPECT_TRUE(near(at(Vec2(0.9f, -0.9f)), kBlack));

  // The draw leaves the matrix stack and the texture mode as it found them.
  GLint after = 0;
  glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &after);
  EXPECT_EQ(after, depth);
  GLint mode = 0;
  glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &mode);
  EXPECT_EQ(mode, GL_REPLACE);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

  // Facing left, the body is mirrored and the arm points left.
  hero->keyLeft(0.002f);
  drawFrame();
  EXPECT_TRUE(near(at(c + Vec2(-0.25f, 0.25f)), kCyan));
  EXPECT_TRUE(near(at(c + Vec2(0.25f, 0.25f)), kBlue));
  EXPECT_TRUE(near(at(hero->hingeQuark()->position + Vec2(-0.5f, 0.0f)), kWhite));
}

// Dead, the hero is drawn as its falling pieces, the wheel tinted red.
TEST_F(HeroDraw, PiecesAfterDeath) {
  LevelFile::LevelRecord record;
  record.width = 20.0f;
  record.height = 20.0f;
  LevelFile::PolygonRecord block = LevelFile::polygonFromOutline(
      {Vec2(-5.0f, -3.0f), Vec2(5.0f, -3.0f), Vec2(5.0f, -1.0f), Vec2(-5.0f, -1.0f)}, 1);
  block.deadlyEdges.push_back(2);
  record.terrain.polygons.push_back(block);
  hero.reset();
  Level::current = new Level(root.path() + "block.orl", record, false);
  ASSERT_TRUE(Level::current->valid);
  hero = Hero::create(Vec2(0.0f, 0.0f), root.path());
  ASSERT_NE(hero, nullptr);
  herotest::RecordingNotifier notifier;
  notifier.hero = hero.get();
  ferrox::notifier = &notifier;
  bool alive = true;
  for (int i = 0; i < 1000 && alive; ++i) {
    ferrox::clearContacts();
    hero->preStep();
    alive = hero->step(0.002f);
    ferrox::resolveContacts();
  }
  ferrox::notifier = nullptr;
  ASSERT_FALSE(alive);

  const Hero::Piece& wheel = hero->piece(Hero::kWheelPiece);
  glTranslatef(-wheel.position.x, -wheel.position.y, 0.0f);
  drawFrame();
  EXPECT_TRUE(near(at(Vec2(0.0f, 0.0f)), kRed));
  // Nothing is drawn where the living hero would stand apart from the pieces.
  EXPECT_TRUE(near(at(Vec2(0.9f, 0.9f)), kBlack));
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
