// Drops the built templates on flat ground in a small world and steps them the
// way play does, to show that their physical design holds: the hero drives
// when Right is held, and nothing falls through the ground or flies apart.

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "ferrox/collision_notifier.h"
#include "ferrox/contact_pair.h"
#include "ferrox/grid.h"
#include "ferrox/link.h"
#include "ferrox/quark.h"
#include "ferrox/skeleton.h"
#include "ferrox/skeleton_cache.h"

namespace {

constexpr float kDt = 1.0f / 500.0f;
constexpr float kGroundTop = -1.0f;

// Remembers whether a body touched anything in the last contact pass, as the
// game's notifier records each body's last contact.
class Touches : public ferrox::CollisionNotifier {
 public:
  explicit Touches(const ferrox::Skeleton* watched) : watched_(watched) {}
  bool onContact(ferrox::ContactPair* pair) override {
    if (pair->first->a->owner == watched_ || pair->second->a->owner == watched_) touched = true;
    return true;
  }
  bool touched = false;

 private:
  const ferrox::Skeleton* watched_;
};

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
    ferrox::notifier = nullptr;
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

// Right held: the hero's drive while on the ground (Hero::drive), with its
// ground level set by each contact and decaying each step (Hero::step).
TEST_F(SkeletonPhysics, HeroDrivesRightOnFlatGroundAndStaysUpright) {
  const ferrox::Skeleton& hero = tmpl("brannic");
  ASSERT_GE(hero.quarks.count, 8u);
  ferrox::Skeleton body(hero, Vec2(-20.0f, kGroundTop + 0.65f), false);
  Touches touches(&body);
  ferrox::notifier = &touches;
  const float startX = body.centroid().x;
  float groundLevel = 0.0f;
  bool onGround = false;
  for (int step = 0; step < 4 * 500; ++step) {
    for (ferrox::Quark* q : body.quarks) q->wake();
    if (onGround && body.meanVelocity().length() < 7.0f) body.addForce(Vec2(kDt * 12000.0f, 0.0f));
    ferrox::clearContacts();
    body.leaveGrid(false);
    groundLevel *= 0.9f * (1.0f - kDt);
    if (groundLevel < 0.5f) onGround = false;
    body.step(kDt);
    if (touches.touched) onGround = true, groundLevel = 1.0f;
    touches.touched = false;
    ferrox::resolveContacts();
  }
  const Vec2 c = body.centroid();
  EXPECT_GT(c.x - startX, 8.0f) << "the hero did not drive";
  EXPECT_GT(c.y, kGroundTop) << "the hero fell through the ground";
  Vec2 up = body.quarks[7]->position - c;
  up.setLength(1.0f);
  EXPECT_GT(up.y, 0.7f) << "the hero tipped over";
  EXPECT_LT(spread(body), 0.9f) << "the body lost its shape";
}

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
