// Reads the skeleton files the builder wrote through the game's template cache
// and checks the content rules the game relies on.

#include <gtest/gtest.h>

#include <cmath>

#include "ferrox/link.h"
#include "ferrox/quark.h"
#include "ferrox/skeleton.h"
#include "ferrox/skeleton_cache.h"

namespace {

const ferrox::Skeleton& skeleton(const std::string& name) {
  return ferrox::SkeletonCache::get(std::string(OMBREL_BUILD_DIR) + "/data/skeletons/" + name + ".fsk");
}

// No stiff link on a soft quark: the link's correction moves a soft quark
// without its velocity, and it keeps gaining speed. A stiff quark takes both
// kinds: a soft link pulls on it with forces, a stiff one moves it and its
// velocity together.
void expectNoSoftQuarkOnAStiffLink(const ferrox::Skeleton& body) {
  for (const ferrox::Link* l : body.links) {
    if (l->kind() != ferrox::kStiff) continue;
    for (const ferrox::Quark* q : {l->a, l->b}) EXPECT_NE(q->kind(), ferrox::kSoft) << "link " << l->index;
  }
}

TEST(SkeletonFiles, EveryTemplateIsCentredOnItsCentroidWithNoSoftQuarkOnAStiffLink) {
  for (const char* name : {"brannic", "blob-01", "blob-02", "skarnox", "gorvex", "aliencrate", "barrel", "bar"}) {
    SCOPED_TRACE(name);
    const ferrox::Skeleton& body = skeleton(name);
    ASSERT_GT(body.quarks.count, 0u) << "the file did not load";
    const Vec2 c = body.centroid();
    EXPECT_NEAR(c.x, 0.0f, 1e-5f);
    EXPECT_NEAR(c.y, 0.0f, 1e-5f);
    expectNoSoftQuarkOnAStiffLink(body);
  }
}

// The hinge is stiff: the arm's stiff link moves it, and a rope on the arm
// holds the hero up only when that move carries the hinge's velocity too.
TEST(SkeletonFiles, HeroHasAStiffHingeStraightAboveTheCentroidAndNoFixedQuark) {
  const ferrox::Skeleton& hero = skeleton("brannic");
  ASSERT_GE(hero.quarks.count, 8u);
  EXPECT_EQ(hero.quarks[7]->kind(), ferrox::kStiff);
  const Vec2 c = hero.centroid();
  const Vec2 hinge = hero.quarks[7]->position;
  EXPECT_NEAR(hinge.x, c.x, 1e-5f);
  EXPECT_GT(hinge.y, c.y + 0.4f);
  float minX = 1e9f, maxX = -1e9f, minY = 1e9f, maxY = -1e9f;
  for (const ferrox::Quark* q : hero.quarks) {
    EXPECT_NE(q->kind(), ferrox::kFixed);
    minX = std::min(minX, q->position.x), maxX = std::max(maxX, q->position.x);
    minY = std::min(minY, q->position.y), maxY = std::max(maxY, q->position.y);
  }
  EXPECT_NEAR(maxX - minX, 0.7f, 0.1f);
  EXPECT_NEAR(maxY - minY, 1.1f, 0.1f);
}

// The enemy's sprite corners: each of quarks 0-3 is pushed 0.2 away from the
// bisector the game computes; only a clockwise order makes that outward.
TEST(SkeletonFiles, EnemyCornersRunClockwiseSoTheSpriteCornersLieOutside) {
  for (const char* name : {"blob-01", "blob-02", "skarnox"}) {
    SCOPED_TRACE(name);
    const ferrox::Skeleton& body = skeleton(name);
    ASSERT_GE(body.quarks.count, 4u);
    const Vec2 c = body.centroid();
    float area = 0.0f;
    for (int i = 0; i < 4; ++i) {
      const Vec2 q = body.quarks[i]->position;
      const Vec2 p = body.quarks[(i + 3) % 4]->position;
      const Vec2 n = body.quarks[(i + 1) % 4]->position;
      area += q.cross(n);
      Vec2 u = p - q, w = n - q;
      u.setLength(1.0f);
      w.setLength(1.0f);
      const float h = std::acos(std::max(-1.0f, std::min(1.0f, u.dot(w)))) * 0.5f;
      Vec2 v(std::cos(h) * u.x - std::sin(h) * u.y, std::sin(h) * u.x + std::cos(h) * u.y);
      v.setLength(0.2f);
      const Vec2 corner = q - v;
      EXPECT_NEAR((corner - c).length(), (q - c).length() + 0.2f, 0.02f) << "corner " << i;
    }
    EXPECT_LT(area, 0.0f) << "corners 0-3 are not clockwise";
    for (const ferrox::Link* l : body.links)
      if (!l->internal) {
        EXPECT_NE(dynamic_cast<const ferrox::LinkSoft*>(l), nullptr) << "surface link " << l->index;
      }
  }
}

TEST(SkeletonFiles, TurretBarrelTipIsQuarkTwelveTheOutermostPointTowardPlusX) {
  const ferrox::Skeleton& turret = skeleton("gorvex");
  ASSERT_GE(turret.quarks.count, 13u);
  const Vec2 tip = turret.quarks[12]->position;
  EXPECT_LE(tip.x, 0.75f);
  EXPECT_NEAR(tip.y, 0.0f, 0.05f);
  for (const ferrox::Quark* q : turret.quarks) {
    if (q != turret.quarks[12]) {
      EXPECT_LT(q->position.x, tip.x);
    }
    EXPECT_LE(std::fabs(q->position.x), 0.75f);
    EXPECT_LE(std::fabs(q->position.y), 0.75f);
  }
  // A laser starts 0.2 beyond the tip: no turret link reaches it.
  for (const ferrox::Link* l : turret.links) {
    EXPECT_EQ(dynamic_cast<const ferrox::LinkFixed*>(l), nullptr) << "link " << l->index;
    EXPECT_LT(l->radius + 0.03f, 0.2f);
  }
}

TEST(SkeletonFiles, PropsHaveStiffSurfaceLinksAndQuarkZeroOffTheCentroid) {
  for (const char* name : {"aliencrate", "barrel", "bar"}) {
    SCOPED_TRACE(name);
    const ferrox::Skeleton& prop = skeleton(name);
    ASSERT_GT(prop.quarks.count, 2u);
    EXPECT_GT((prop.quarks[0]->position - prop.centroid()).length(), 0.1f);
    for (const ferrox::Link* l : prop.links)
      if (!l->internal) {
        EXPECT_NE(dynamic_cast<const ferrox::LinkStiff*>(l), nullptr) << "surface link " << l->index;
      }
  }
}

}  // namespace
