#include "ferrox/link.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <new>
#include <type_traits>

#include "body_test_support.h"
#include "ferrox/grid.h"
#include "ferrox/settings.h"
#include "ferrox/skeleton.h"
#include "kettar/byte_buffer.h"
#include "support/little_memory.h"

namespace {

using namespace ferrox;
using bodytest::cellEntries;
using bodytest::pairsNaming;

static_assert(std::has_virtual_destructor_v<Link>);

using LinkTest = bodytest::SettingsFixture;
using LinkGridTest = bodytest::WorldFixture;

TEST_F(LinkTest, RestZeroTakesTheCurrentDistance) {
  Skeleton body;
  body.addQuark(kSoft, Vec2(0.0f, 0.0f), 1.0f, 0.0f);
  body.addQuark(kSoft, Vec2(3.0f, 0.0f), 1.0f, 0.0f);
  LinkStiff l(body.quarks[0], body.quarks[1], false, true, 0.0f, 0.03f, 0.0f, 0.0f);
  EXPECT_EQ(l.rest, 3.0f);
  EXPECT_EQ(l.length(), 3.0f);
  EXPECT_EQ(body.quarks[0]->links.count, 1u);
  EXPECT_EQ(body.quarks[1]->links.items[0], &l);
}

TEST_F(LinkTest, StiffRodProjection) {
  struct Row {
    const char* name;
    Kind kindA;
    float massA;
    float massB;
    float stiffness;
    float moveA;  // along +x
    float moveB;  // along -x
  } rows[] = {
      {"equal masses, stiffness 0: each end 1", kSoft, 1.0f, 1.0f, 0.0f, 1.0f, 1.0f},
      {"equal masses, stiffness 0.5: each end 0.5", kSoft, 1.0f, 1.0f, 0.5f, 0.5f, 0.5f},
      {"mass 1 against 3: the light end moves 3/4", kStiff, 1.0f, 3.0f, 0.0f, 1.5f, 0.5f},
      // 2 · 999999/1000000 and 2 · 1/1000000
      {"fixed end takes its tiny share", kFixed, 0.0f, 1.0f, 0.0f, 2e-6f, 1.999998f},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Skeleton body;
    body.addQuark(row.kindA, Vec2(0.0f, 0.0f), row.massA, 0.0f);
    body.addQuark(kSoft, Vec2(3.0f, 0.0f), row.massB, 0.0f);
    LinkStiff l(body.quarks[0], body.quarks[1], false, true, 1.0f, 0.03f, row.stiffness, 0.0f);
    l.solve();
    EXPECT_NEAR(body.quarks[0]->position.x, row.moveA, 2e-6f);
    EXPECT_NEAR(body.quarks[1]->position.x, 3.0f - row.moveB, 2e-6f);
    EXPECT_EQ(body.quarks[0]->position.y, 0.0f);
    // A soft end keeps its velocity under the projection.
    EXPECT_EQ(body.quarks[1]->velocity(), Vec2(0.0f, 0.0f));
  }
}

TEST_F(LinkTest, StiffProjectionChangesAStiffEndsVelocity) {
  Skeleton body;
  body.addQuark(kFixed, Vec2(0.0f, 0.0f), 1.0f, 0.0f);
  body.addQuark(kStiff, Vec2(2.0f, 0.0f), 1.0f, 0.0f);
  LinkStiff l(body.quarks[0], body.quarks[1], false, true, 1.0f, 0.03f, 0.0f, 0.0f);
  l.solve();
  // Moved about 1 unit toward the pivot within one 0.002 s step.
  EXPECT_NEAR(body.quarks[1]->velocity().x, -1.0f / 0.002f, 0.01f);
}

TEST_F(LinkTest, SoftSpringDamperForces) {
  struct Row {
    const char* name;
    float startB;
    Vec2 velocityB;
    float stiffness;
    Vec2 forceA;
  } rows[] = {
      {"at rest length and at rest: no force", 2.0f, {0.0f, 0.0f}, 0.5f, {0.0f, 0.0f}},
      // (3 - 2) · 10 pulls a toward b and b toward a
      {"stretched by 1, k 10", 3.0f, {0.0f, 0.0f}, 0.0f, {10.0f, 0.0f}},
      {"compressed by 1, k 10", 1.0f, {0.0f, 0.0f}, 0.0f, {-10.0f, 0.0f}},
      // relative velocity (0, 4) damped by 0.5
      {"damping only", 2.0f, {0.0f, 4.0f}, 0.5f, {0.0f, 2.0f}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Skeleton body;
    body.addQuark(kSoft, Vec2(0.0f, 0.0f), 1.0f, 0.0f);
    body.addQuark(kSoft, Vec2(row.startB, 0.0f), 1.0f, 0.0f);
    body.quarks[1]->setVelocity(row.velocityB);
    LinkSoft l(body.quarks[0], body.quarks[1], false, true, 2.0f, 0.03f, row.stiffness, 0.0f,
               10.0f);
    l.solve();
    EXPECT_FLOAT_EQ(body.quarks[0]->force.x, row.forceA.x);
    EXPECT_FLOAT_EQ(body.quarks[0]->force.y, row.forceA.y);
    EXPECT_FLOAT_EQ(body.quarks[1]->force.x, -row.forceA.x);
    EXPECT_FLOAT_EQ(body.quarks[1]->force.y, -row.forceA.y);
  }
}

TEST_F(LinkTest, CoincidentEndsGetNoDirection) {
  Skeleton body;
  body.addQuark(kSoft, Vec2(1.0f, 1.0f), 1.0f, 0.0f);
  body.addQuark(kSoft, Vec2(1.0f, 1.0f), 1.0f, 0.0f);
  LinkStiff rod(body.quarks[0], body.quarks[1], false, true, 1.0f, 0.03f, 0.0f, 0.0f);
  rod.solve();
  EXPECT_EQ(body.quarks[0]->position, Vec2(1.0f, 1.0f));
  EXPECT_EQ(body.quarks[1]->position, Vec2(1.0f, 1.0f));
}

TEST_F(LinkTest, RecordsAre18And26And30Bytes) {
  Skeleton body;
  body.addQuark(kSoft, Vec2(0.0f, 0.0f), 1.0f, 0.0f);
  body.addQuark(kSoft, Vec2(2.0f, 0.0f), 1.0f, 0.0f);
  Quark* a = body.quarks[0];
  Quark* b = body.quarks[1];
  struct Row {
    const char* name;
    Link* link;
    const char* bytes;
  } rows[] = {
      // code, a 0, b 1, radius 0.5, friction 0.25, internal 0
      {"fixed", new LinkFixed(a, b, false, true, 0.0f, 0.5f, 0.0f, 0.25f),
       "02 00 00 00 00 01 00 00 00 00 00 00 3f 00 00 80 3e 00"},
      // code, a, b, rest 2, radius 0.5, stiffness 0.75, friction 0.25, internal 1
      {"stiff", new LinkStiff(a, b, true, true, 0.0f, 0.5f, 0.75f, 0.25f),
       "01 00 00 00 00 01 00 00 00 00 00 00 40 00 00 00 3f 00 00 40 3f 00 00 80 3e 01"},
      // code, a, b, spring 8, rest 2, radius, stiffness, friction, internal 0
      {"soft", new LinkSoft(a, b, false, true, 0.0f, 0.5f, 0.75f, 0.25f, 8.0f),
       "00 00 00 00 00 01 00 00 00 00 00 00 41 00 00 00 40 00 00 00 3f 00 00 40 3f 00 00 80 3e "
       "00"},
  };
  const uint32_t sizes[] = {18, 26, 30};
  for (uint32_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(rows[i].name);
    Kettar::ByteBuffer buffer;
    rows[i].link->serialize(buffer);
    EXPECT_EQ(buffer.size(), sizes[i]);
    EXPECT_EQ(bodytest::hex(buffer), rows[i].bytes);
    delete rows[i].link;
  }
  EXPECT_EQ(a->links.count, 0u);
  EXPECT_EQ(b->links.count, 0u);
}

TEST_F(LinkTest, WithoutAWorldGridCallsDoNothing) {
  ASSERT_EQ(world, nullptr);
  Skeleton body;
  body.addQuark(kSoft, Vec2(0.0f, 0.0f), 1.0f, 0.0f);
  body.addQuark(kSoft, Vec2(1.0f, 0.0f), 1.0f, 0.0f);
  Link* l = body.addLink(kStiff, 0, 1, 0.0f, 0.0f, 0.0f, 0.0f);
  EXPECT_EQ(l->inGrid, 0);
  l->setRadius(0.1f);
  body.leaveGrid(true);
  body.step(0.002f);
  EXPECT_EQ(l->radius, 0.1f);
}

TEST_F(LinkGridTest, EntersAtConstructionAndLeavesAtItsCachedEnds) {
  Skeleton body;
  body.addQuark(kSoft, Vec2(0.0f, 0.0f), 1.0f, 0.0f);
  body.addQuark(kSoft, Vec2(1.0f, 0.0f), 1.0f, 0.0f);
  Link* l = body.addLink(kStiff, 0, 1, 0.0f, 0.0f, 0.0f, 0.0f);
  EXPECT_EQ(l->inGrid, 1);
  EXPECT_EQ(l->cachedA, Vec2(0.0f, 0.0f));
  EXPECT_EQ(l->cachedB, Vec2(1.0f, 0.0f));
  const uint32_t entries = cellEntries(l);
  EXPECT_GT(entries, 0u);
  // Moving the quarks does not move the entry; leaving uses the cached ends.
  body.translate(Vec2(2.0f, 1.0f));
  EXPECT_EQ(cellEntries(l), entries);
  l->leaveGrid(false);
  EXPECT_EQ(cellEntries(l), 0u);
  EXPECT_EQ(l->inGrid, 0);
}

TEST_F(LinkGridTest, FixedLinksAndSleepingPairsStayUnlessForced) {
  Skeleton body;
  body.addQuark(kFixed, Vec2(0.0f, 0.0f), 1.0f, 0.0f);
  body.addQuark(kFixed, Vec2(1.0f, 0.0f), 1.0f, 0.0f);
  body.addQuark(kSoft, Vec2(0.0f, 1.0f), 1.0f, 0.0f);
  body.addQuark(kSoft, Vec2(1.0f, 1.0f), 1.0f, 0.0f);
  body.addQuark(kSoft, Vec2(0.0f, 2.0f), 1.0f, 0.0f);
  body.addQuark(kSoft, Vec2(1.0f, 2.0f), 1.0f, 0.0f);
  Link* fixed = body.addLink(kFixed, 0, 1, 0.0f, 0.0f, 0.0f, 0.0f);
  Link* sleeping = body.addLink(kStiff, 2, 3, 0.0f, 0.0f, 0.0f, 0.0f);
  Link* sleepingSpring = body.addLink(kSoft, 4, 5, 0.5f, 10.0f, 0.0f, 0.0f);
  for (uint32_t i = 2; i < 6; ++i) body.quarks[i]->asleep = 1;
  const uint32_t fixedEntries = cellEntries(fixed);
  const uint32_t sleepingEntries = cellEntries(sleeping);
  const uint32_t springEntries = cellEntries(sleepingSpring);
  body.leaveGrid(false);
  EXPECT_EQ(cellEntries(fixed), fixedEntries);
  EXPECT_EQ(cellEntries(sleeping), sleepingEntries);
  EXPECT_EQ(cellEntries(sleepingSpring), springEntries);
  // Solving a sleeping pair changes nothing and keeps the old entry: the rod
  // does not pull its stretched end back, the stretched and moving spring
  // writes no force.
  body.quarks[3]->position = Vec2(3.0f, 1.0f);
  sleeping->solve();
  EXPECT_EQ(body.quarks[3]->position, Vec2(3.0f, 1.0f));
  EXPECT_EQ(sleeping->cachedB, Vec2(1.0f, 1.0f));
  body.quarks[5]->position = Vec2(3.0f, 2.0f);
  body.quarks[5]->setVelocity(Vec2(0.0f, 4.0f));
  sleepingSpring->solve();
  EXPECT_EQ(body.quarks[4]->force, Vec2(0.0f, 0.0f));
  EXPECT_EQ(body.quarks[5]->force, Vec2(0.0f, 0.0f));
  EXPECT_EQ(sleepingSpring->cachedB, Vec2(1.0f, 2.0f));
  EXPECT_EQ(cellEntries(sleepingSpring), springEntries);
  body.leaveGrid(true);
  EXPECT_EQ(cellEntries(fixed), 0u);
  EXPECT_EQ(cellEntries(sleeping), 0u);
  EXPECT_EQ(cellEntries(sleepingSpring), 0u);
}

// A body asleep when it leaves the grid stays in its cells; woken and moved
// before its step, its links re-enter elsewhere. The old entries must go.
TEST_F(LinkGridTest, ReEnteringLeavesNoStaleCells) {
  Skeleton body;
  body.addQuark(kSoft, Vec2(0.0f, 0.0f), 1.0f, 0.0f);
  body.addQuark(kSoft, Vec2(1.0f, 0.0f), 1.0f, 0.0f);
  Link* l = body.addLink(kStiff, 0, 1, 0.0f, 0.0f, 0.0f, 0.0f);
  const uint32_t entries = cellEntries(l);
  body.quarks[0]->asleep = body.quarks[1]->asleep = 1;
  body.leaveGrid(false);  // asleep: stays
  body.addForce(Vec2(0.0f, 0.0f));  // wakes
  body.translate(Vec2(0.0f, 2.0f));
  l->solve();
  EXPECT_EQ(cellEntries(l), entries);
  int32_t c = 0, r = 0;
  ASSERT_TRUE(world->cellOf(Vec2(0.5f, 0.0f), c, r));
  for (uint32_t i = 0; i < world->cell(c, r).count; ++i)
    EXPECT_NE(world->cell(c, r).links[i], l) << "stale entry at the old place";
  l->leaveGrid(true);
  EXPECT_EQ(cellEntries(l), 0u);
}

TEST_F(LinkGridTest, InternalLinksStayOutOfTheGridUntilEnabled) {
  Skeleton body;
  body.addQuark(kSoft, Vec2(0.0f, 0.0f), 1.0f, 0.0f);
  body.addQuark(kSoft, Vec2(1.0f, 0.0f), 1.0f, 0.0f);
  Link* internal = body.addInternalLink(kStiff, 0, 1, 0.0f, 0.0f);
  EXPECT_EQ(cellEntries(internal), 0u);
  internal->enterGrid();
  internal->leaveGrid(true);
  EXPECT_EQ(cellEntries(internal), 0u);
  EXPECT_EQ(internal->cachedA, Vec2(0.0f, 0.0f));
  EXPECT_EQ(internal->cachedB, Vec2(0.0f, 0.0f));

  enableInternalCollisions();
  EXPECT_EQ(internalCollisions, 1);
  internal->enterGrid();
  EXPECT_GT(cellEntries(internal), 0u);
  EXPECT_EQ(internal->cachedB, Vec2(1.0f, 0.0f));
  body.removeLink(internal->index);
  for (int32_t c = 0; c < world->cols; ++c)
    for (int32_t r = 0; r < world->rows; ++r) EXPECT_EQ(world->cell(c, r).count, 0u);
}

TEST_F(LinkGridTest, SetRadiusReEntersWithTheNewRadius) {
  Skeleton body;
  body.addQuark(kSoft, Vec2(0.0f, 0.0f), 1.0f, 0.0f);
  body.addQuark(kSoft, Vec2(1.0f, 0.0f), 1.0f, 0.0f);
  Link* l = body.addLink(kStiff, 0, 1, 0.0f, 0.0f, 0.0f, 0.0f);
  const uint32_t thin = cellEntries(l);
  l->setRadius(0.5f);
  EXPECT_GT(cellEntries(l), thin);
  l->setRadius(0.03f);
  EXPECT_EQ(cellEntries(l), thin);
}

TEST_F(LinkGridTest, DeletionLeavesNoCellEntryNorPair) {
  Skeleton body;
  body.addQuark(kSoft, Vec2(0.0f, 0.0f), 1.0f, 0.0f);
  body.addQuark(kSoft, Vec2(1.0f, 0.0f), 1.0f, 0.0f);
  body.addQuark(kSoft, Vec2(0.0f, 0.01f), 1.0f, 0.0f);
  body.addQuark(kSoft, Vec2(1.0f, 0.01f), 1.0f, 0.0f);
  Link* first = body.addLink(kStiff, 0, 1, 0.0f, 0.0f, 0.0f, 0.0f);
  Link* second = body.addLink(kStiff, 2, 3, 0.0f, 0.0f, 0.0f, 0.0f);
  ASSERT_GT(pairsNaming(second), 0u);
  body.removeLink(second->index);
  EXPECT_EQ(pairsNaming(second), 0u);
  EXPECT_EQ(cellEntries(second), 0u);
  EXPECT_GT(cellEntries(first), 0u);
}

// A link the heap cannot store on its way in, at a quark whose link array is full or at a full
// cell partway through its entry into the grid: no quark, cell or pair keeps it. The child's
// result has one bit per broken promise.
TEST_F(LinkGridTest, ALinkTheHeapCannotStoreLeavesNoTrace) {
  constexpr std::size_t kHeadroom = std::size_t(16) << 20;
  const int broken = test_support::runWithLittleMemory(kHeadroom, [](bool) {
    // The arrays and cells only hold the addresses: tokens stand in for other links.
    double tokens[8];
    Skeleton body;
    Quark* roomy = body.addQuark(kSoft, Vec2(0.0f, 1.0f), 1.0f, 0.0f);
    Quark* full = body.addQuark(kSoft, Vec2(1.0f, 1.0f), 1.0f, 0.0f);
    for (double& t : tokens) full->addLink(reinterpret_cast<Link*>(&t));
    // (0.05, 0.05) stands in cell (25, 20), (0.25, 0.05) in the next column, which is full.
    Quark* near = body.addQuark(kSoft, Vec2(0.05f, 0.05f), 1.0f, 0.0f);
    Quark* far = body.addQuark(kSoft, Vec2(0.25f, 0.05f), 1.0f, 0.0f);
    GridCell& first = world->cell(25, 20);
    GridCell& second = world->cell(26, 20);
    for (double& t : tokens) second.append(reinterpret_cast<Link*>(&t));
    alignas(LinkStiff) unsigned char space[sizeof(LinkStiff)];
    const Link* made = reinterpret_cast<const Link*>(space);
    if (!test_support::useUpMemory()) return test_support::kNotLimitedThere;
    int bits = 0;
    try {
      new (space) LinkStiff(roomy, full, false, true, 0.0f, 0.03f, 0.0f, 0.0f);
      bits |= 1;
    } catch (const std::bad_alloc&) {
    }
    if (roomy->links.count != 0 || full->links.count != 8) bits |= 2;
    try {
      new (space) LinkStiff(near, far, false, false, 0.0f, 0.01f, 0.0f, 0.0f);
      bits |= 4;
    } catch (const std::bad_alloc&) {
    }
    if (first.count != 0 || second.count != 8) bits |= 8;
    if (pairsNaming(made) != 0) bits |= 16;
    if (near->links.count != 0 || far->links.count != 0) bits |= 32;
    return bits;
  });
  if (broken == test_support::kNoChildHere || broken == test_support::kNotLimitedThere)
    GTEST_SKIP() << "no process of limited memory here";
  EXPECT_EQ(broken, 0) << "1, 2: the full quark's link; 4: the full cell's link was made; 8: a cell keeps it; "
                          "16: a pair names it; 32: a quark keeps it; -1: the child crashed";
}

TEST_F(LinkGridTest, LinksOutliveTheirWorldSafely) {
  Skeleton body;
  body.addQuark(kSoft, Vec2(0.0f, 0.0f), 1.0f, 0.0f);
  body.addQuark(kSoft, Vec2(1.0f, 0.0f), 1.0f, 0.0f);
  body.addLink(kStiff, 0, 1, 0.0f, 0.0f, 0.0f, 0.0f);
  destroyWorld();
  body.step(0.002f);
  body.removeLink(0);
  EXPECT_EQ(body.links.count, 0u);
}

}  // namespace
