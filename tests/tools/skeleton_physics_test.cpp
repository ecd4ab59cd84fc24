// Drops the built templates on flat ground in a small world and steps them the
// way play does, to show that their physical design holds: nothing falls
// through the ground, flies apart or collapses.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "ferrox/contact_pair.h"
#include "ferrox/grid.h"
#include "ferrox/link.h"
#include "ferrox/quark.h"
#include "ferrox/skeleton.h"
#include "ferrox/skeleton_cache.h"

namespace {

constexpr float kDt = 1.0f / 500.0f;
constexpr float kGroundTop = -1.0f;

class SkeletonPhysics : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ferrox::createWorld(60, 30, 0.2f));
    // Ground as a terrain polygon is made: fixed quarks, fixed edges of radius
    // 0.06 and friction 2.
    ground_ = std::make_unique<ferrox::Skeleton>();
    const Vec2 corners[] = {Vec2(-28.0f, -12.0f), Vec2(28.0f, -12.0f), Vec2(28.0f, kGroundTop), Vec2(-28.0f, kGroundTop)};
    for (const Vec2& c : corners) ground_->addQuark(0, c, 0.1f, 0.01f);
    for (uint32_t i = 0; i < 4; ++i) ground_->addLink(0, i, (i + 1) % 4, 0, 0, 0.06f, 2.0f);
  }
  void TearDown() override {
    ground_.reset();
    ferrox::SkeletonCache::clear();
    ferrox::destroyWorld();
  }

  static const ferrox::Skeleton& tmpl(const std::string& name) {
    return ferrox::SkeletonCache::get(std::string(OMBREL_BUILD_DIR) + "/data/skeletons/" + name + ".fsk");
  }

  static float spread(const ferrox::Skeleton& body) {
    float r = 0.0f;
    for (const ferrox::Quark* q : body.quarks) r = std::max(r, (q->position - body.centroid()).length());
    return r;
  }

  std::unique_ptr<ferrox::Skeleton> ground_;
};

TEST_F(SkeletonPhysics, EveryTemplateSettlesOnTheGroundInOnePiece) {
  for (const char* name : {"brannic", "blob-01", "blob-02", "skarnox", "aliencrate", "barrel", "bar"}) {
    SCOPED_TRACE(name);
    const ferrox::Skeleton& t = tmpl(name);
    ASSERT_GT(t.quarks.count, 0u);
    const float size = spread(t);
    ferrox::Skeleton body(t, Vec2(0.0f, kGroundTop + size + 1.0f), true);
    for (int step = 0; step < 3 * 500; ++step) {
      ferrox::clearContacts();
      body.leaveGrid(false);
      body.step(kDt);
      ferrox::resolveContacts();
    }
    const Vec2 c = body.centroid();
    EXPECT_GT(c.y, kGroundTop) << "fell through the ground";
    EXPECT_LT(c.y, kGroundTop + size + 0.2f) << "did not come down";
    EXPECT_LT(spread(body), size * 1.3f) << "flew apart";
    EXPECT_GT(spread(body), size * 0.6f) << "collapsed";
  }
}

}  // namespace
