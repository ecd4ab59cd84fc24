#include "ferrox/skeleton.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "body_test_support.h"
#include "ferrox/grid.h"
#include "ferrox/settings.h"

namespace {

using namespace ferrox;
using bodytest::cellEntries;

using SkeletonTest = bodytest::SettingsFixture;
using SkeletonGridTest = bodytest::WorldFixture;

// A unit square of stiff quarks, its four sides stiff surface links.
void buildSquare(Skeleton& body, Vec2 at = Vec2(0.0f, 0.0f)) {
  body.addQuark(kStiff, at + Vec2(0.0f, 0.0f), 1.0f, 0.0f);
  body.addQuark(kStiff, at + Vec2(1.0f, 0.0f), 1.0f, 0.0f);
  body.addQuark(kStiff, at + Vec2(1.0f, 1.0f), 1.0f, 0.0f);
  body.addQuark(kStiff, at + Vec2(0.0f, 1.0f), 1.0f, 0.0f);
  for (uint32_t i = 0; i < 4; ++i) body.addLink(kStiff, i, (i + 1) % 4, 0.0f, 0.0f, 0.0f, 0.5f);
}

void expectSlotsMatch(const Skeleton& body) {
  for (uint32_t i = 0; i < body.quarks.count; ++i) EXPECT_EQ(body.quarks[i]->index, i);
  for (uint32_t i = 0; i < body.links.count; ++i) EXPECT_EQ(body.links[i]->index, i);
}

TEST_F(SkeletonTest, EmptyBodyDefaults) {
  Skeleton body;
  EXPECT_EQ(body.id, 0);
  EXPECT_EQ(body.canSleep, 1);
  EXPECT_EQ(body.hookQuark, -1);
  EXPECT_EQ(body.lastOwnLink, nullptr);
  EXPECT_EQ(Skeleton(false).canSleep, 0);
}

TEST_F(SkeletonTest, AddQuarkByKind) {
  Skeleton body;
  EXPECT_EQ(body.addQuark(7, Vec2(0.0f, 0.0f), 1.0f, 0.0f), nullptr) << "empty body: none";
  Quark* fixed = body.addQuark(kFixed, 1.0f, 2.0f, 1.0f, 0.3f);
  EXPECT_EQ(fixed->mass, 999999.0f);
  EXPECT_EQ(fixed->asleep, 1);
  EXPECT_EQ(fixed->position, Vec2(1.0f, 2.0f));
  Quark* stiff = body.addQuark(kStiff, Vec2(0.0f, 0.0f), 2.0f, 0.3f);
  EXPECT_EQ(stiff->kind(), kStiff);
  EXPECT_EQ(stiff->owner, &body);
  EXPECT_EQ(body.addQuark(-1, Vec2(5.0f, 5.0f), 1.0f, 0.0f), stiff) << "another kind: the last";
  EXPECT_EQ(body.quarks.count, 2u);
  expectSlotsMatch(body);
}

TEST_F(SkeletonTest, AddLinkDefaults) {
  Skeleton body;
  body.addQuark(kSoft, Vec2(0.0f, 0.0f), 1.0f, 0.0f);
  body.addQuark(kSoft, Vec2(0.0f, 2.5f), 1.0f, 0.0f);
  Link* stiff = body.addLink(kStiff, 0, 1, 0.0f, 0.0f, 0.0f, 0.5f);
  EXPECT_EQ(stiff->radius, 0.03f);
  EXPECT_EQ(stiff->rest, 2.5f);
  EXPECT_EQ(stiff->friction, 0.5f);
  EXPECT_EQ(stiff->internal, 0);
  Link* fixed = body.addLink(kFixed, 0, 1, 0.7f, 0.0f, 0.0f, 0.1f);
  EXPECT_EQ(fixed->radius, 0.05f);
  EXPECT_EQ(fixed->stiffness, 0.0f);
  EXPECT_EQ(fixed->fixedKind, 1);
  Link* soft = body.addLink(kSoft, 1, 0, 0.2f, 40.0f, 0.1f, 0.0f);
  EXPECT_EQ(static_cast<LinkSoft*>(soft)->springConstant, 40.0f);
  EXPECT_EQ(soft->radius, 0.1f);
  EXPECT_EQ(body.addLink(3, 0, 1, 0.0f, 0.0f, 0.0f, 0.0f), nullptr);

  Link* internal = body.addInternalLink(kSoft, 0, 1, 0.4f, 9.0f);
  EXPECT_EQ(internal->internal, 1);
  EXPECT_EQ(internal->radius, 0.03f);
  EXPECT_EQ(internal->friction, 0.2f);
  EXPECT_EQ(body.addInternalLink(kFixed, 0, 1, 0.0f, 0.0f), nullptr);
  EXPECT_EQ(body.addLink(kStiff, 0, 2, 0.0f, 0.0f, 0.0f, 0.0f), nullptr) << "no quark 2";
  EXPECT_EQ(body.addInternalLink(kStiff, 2, 0, 0.0f, 0.0f), nullptr);
  EXPECT_EQ(body.links.count, 4u);
  expectSlotsMatch(body);
}

TEST_F(SkeletonTest, RemovingTheOnlyLinkRemovesItsBareQuarks) {
  Skeleton body;
  buildSquare(body);
  body.addQuark(kSoft, Vec2(5.0f, 0.0f), 1.0f, 0.0f);  // 4
  body.addQuark(kSoft, Vec2(6.0f, 0.0f), 1.0f, 0.0f);  // 5
  body.addQuark(kSoft, Vec2(7.0f, 0.0f), 1.0f, 0.0f);  // 6, has no link and stays
  Quark* keep = body.quarks[6];
  body.addLink(kStiff, 4, 5, 0.0f, 0.0f, 0.0f, 0.0f);
  body.removeLink(4);
  EXPECT_EQ(body.quarks.count, 5u);
  EXPECT_EQ(body.links.count, 4u);
  expectSlotsMatch(body);
  EXPECT_EQ(body.quarks[keep->index], keep);
  for (const Link* l : body.links) {
    EXPECT_EQ(body.quarks[l->a->index], l->a);
    EXPECT_EQ(body.quarks[l->b->index], l->b);
  }
}

// A link whose two ends are one quark sits twice in the quark's link array. Removed by its
// slot or with its quark, it and the quark are deleted once (the sanitizer build catches a
// read of the link after its first removal deleted it).
TEST_F(SkeletonTest, ASelfLinkIsRemovedOnce) {
  struct Row {
    const char* name;
    std::function<void(Skeleton&)> remove;
  } rows[] = {
      {"removeLink", [](Skeleton& b) { b.removeLink(4); }},
      {"removeQuark", [](Skeleton& b) { b.removeQuark(4); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Skeleton body;
    buildSquare(body);
    body.addQuark(kSoft, Vec2(3.0f, 3.0f), 1.0f, 0.0f);
    body.addLink(kStiff, 4, 4, 0.0f, 0.0f, 0.1f, 0.0f);
    ASSERT_EQ(body.quarks[4]->links.count, 2u);
    row.remove(body);
    EXPECT_EQ(body.quarks.count, 4u);
    EXPECT_EQ(body.links.count, 4u);
    expectSlotsMatch(body);
  }
}

TEST_F(SkeletonTest, RemoveQuarkTakesItsLinksAndTheQuarksLeftBare) {
  Skeleton body;
  // A path 0 - 1 - 2: removing the middle quark removes all three.
  for (int i = 0; i < 3; ++i) body.addQuark(kSoft, Vec2(static_cast<float>(i), 0.0f), 1.0f, 0.0f);
  body.addQuark(kSoft, Vec2(9.0f, 0.0f), 1.0f, 0.0f);  // 3, unlinked
  body.addLink(kStiff, 0, 1, 0.0f, 0.0f, 0.0f, 0.0f);
  body.addLink(kStiff, 1, 2, 0.0f, 0.0f, 0.0f, 0.0f);
  body.removeQuark(1);
  EXPECT_EQ(body.links.count, 0u);
  ASSERT_EQ(body.quarks.count, 1u);
  EXPECT_EQ(body.quarks[0]->position, Vec2(9.0f, 0.0f));
  body.removeQuark(0);  // without links it stays
  EXPECT_EQ(body.quarks.count, 1u);
}

TEST_F(SkeletonTest, InsertShiftsLaterSlots) {
  Skeleton body;
  buildSquare(body);
  Quark* q = body.insertQuark(1, kSoft, Vec2(0.5f, -1.0f), 1.0f, 0.0f);
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(q->index, 1u);
  EXPECT_EQ(body.quarks[2]->position, Vec2(1.0f, 0.0f));
  EXPECT_EQ(body.insertQuark(9, kSoft, Vec2(), 1.0f, 0.0f), nullptr);
  EXPECT_EQ(body.insertQuark(0, 5, Vec2(), 1.0f, 0.0f), nullptr);
  Link* l = body.insertLink(0, kSoft, 0, 1, 0.0f, 3.0f, 0.0f, 0.0f);
  ASSERT_NE(l, nullptr);
  EXPECT_EQ(body.links[0], l);
  EXPECT_EQ(body.insertLink(7, kSoft, 0, 1, 0.0f, 3.0f, 0.0f, 0.0f), nullptr);
  EXPECT_EQ(body.quarks.count, 5u);
  EXPECT_EQ(body.links.count, 5u);
  expectSlotsMatch(body);
}

TEST_F(SkeletonTest, StepIntegratesThenSolves) {
  Skeleton body(false);
  body.addQuark(kFixed, Vec2(0.0f, 0.0f), 1.0f, 0.0f);
  body.addQuark(kSoft, Vec2(1.0f, 0.0f), 1.0f, 0.0f);
  body.addLink(kStiff, 0, 1, 0.0f, 0.0f, 0.0f, 0.0f);
  body.step(0.002f);
  // Gravity moved the quark down, the rod put it back at length 1.
  EXPECT_NEAR(body.links[0]->length(), 1.0f, 1e-6f);
  EXPECT_LT(body.quarks[1]->position.y, 0.0f);
}

TEST_F(SkeletonTest, TrySleepNeedsPermissionAndStillQuarks) {
  for (bool allowed : {false, true}) {
    SCOPED_TRACE(allowed ? "allowed" : "not allowed");
    Skeleton body(allowed);
    buildSquare(body);
    body.quarks[1]->setVelocity(Vec2(0.5f, 0.0f));
    for (Quark* q : body.quarks) q->sleepEnergy = 0.05f;
    body.trySleep();
    for (const Quark* q : body.quarks) {
      EXPECT_EQ(q->asleep, allowed ? 1 : 0);
      EXPECT_FLOAT_EQ(q->sleepEnergy, allowed ? 0.0f : 0.05f);
    }
    EXPECT_NEAR(body.quarks[1]->velocity().x, 0.5f, 1e-5f) << "sleep keeps velocities";
  }
  // One quark at the threshold (0.1) or above keeps the whole body awake,
  // whichever slot it holds, the last one too.
  for (float energy : {0.1f, 0.5f}) {
    for (uint32_t slot = 0; slot < 4; ++slot) {
      SCOPED_TRACE(::testing::Message() << "quark " << slot << " at " << energy);
      Skeleton oneAwake;
      buildSquare(oneAwake);
      for (Quark* q : oneAwake.quarks) q->sleepEnergy = 0.05f;
      oneAwake.quarks[slot]->sleepEnergy = energy;
      oneAwake.trySleep();
      for (const Quark* q : oneAwake.quarks) EXPECT_EQ(q->asleep, 0);
      EXPECT_FLOAT_EQ(oneAwake.quarks[slot]->sleepEnergy, energy);
    }
  }
}

TEST_F(SkeletonTest, BodyWithAFixedQuarkNeverSleepsOnItsOwn) {
  Skeleton body;
  body.addQuark(kFixed, Vec2(0.0f, 0.0f), 1.0f, 0.0f);
  body.addQuark(kSoft, Vec2(1.0f, 0.0f), 1.0f, 0.0f);
  body.quarks[1]->sleepEnergy = 0.0f;
  body.trySleep();
  EXPECT_EQ(body.quarks[1]->asleep, 0);
}

TEST_F(SkeletonTest, HookAndUnhookRestoreTheBody) {
  for (bool canSleep : {true, false}) {
    SCOPED_TRACE(canSleep ? "canSleep on" : "canSleep off");
    Skeleton body(canSleep);
    buildSquare(body);
    for (Quark* q : body.quarks) q->asleep = 1;
    Link* side = body.links[0];
    Quark* h = body.hook(side, Vec2(0.5f, 0.0f));
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->index, 4u);
    EXPECT_EQ(body.hookQuark, 4);
    EXPECT_EQ(h->kind(), kStiff);
    EXPECT_EQ(h->mass, 0.01f);
    EXPECT_EQ(h->inverseMass, 100.0f);
    EXPECT_EQ(h->damping, 0.01f);
    EXPECT_EQ(body.quarks.count, 5u);
    ASSERT_EQ(body.links.count, 6u);
    EXPECT_EQ(body.links[4]->a, side->a);
    EXPECT_EQ(body.links[4]->b, h);
    EXPECT_EQ(body.links[5]->a, h);
    EXPECT_EQ(body.links[5]->b, side->b);
    EXPECT_EQ(body.links[4]->internal, 1);
    for (const Quark* q : body.quarks) EXPECT_EQ(q->asleep, 0);
    EXPECT_EQ(body.canSleep, 0);
    EXPECT_EQ(body.centroid(), Vec2(0.5f, 0.5f)) << "the hook quark is left out";

    body.unhook();
    EXPECT_EQ(body.quarks.count, 4u);
    EXPECT_EQ(body.links.count, 4u);
    EXPECT_EQ(body.canSleep, canSleep ? 1 : 0);
    EXPECT_EQ(body.sleepSuspended, 0);
    EXPECT_EQ(body.hookQuark, -1);
    for (const Quark* q : body.quarks) EXPECT_EQ(q->links.count, 2u);
    expectSlotsMatch(body);
    body.unhook();  // not hooked: nothing
    EXPECT_EQ(body.quarks.count, 4u);
  }
}

TEST_F(SkeletonTest, HookByLinkKind) {
  Skeleton body;
  body.addQuark(kFixed, Vec2(0.0f, 0.0f), 1.0f, 0.0f);
  body.addQuark(kFixed, Vec2(2.0f, 0.0f), 1.0f, 0.0f);
  body.addQuark(kSoft, Vec2(0.0f, 1.0f), 1.0f, 0.0f);
  body.addQuark(kSoft, Vec2(2.0f, 1.0f), 1.0f, 0.0f);
  Link* ground = body.addLink(kFixed, 0, 1, 0.0f, 0.0f, 0.0f, 0.0f);
  Link* spring = body.addLink(kSoft, 2, 3, 0.3f, 25.0f, 0.0f, 0.0f);
  Link* inside = body.addInternalLink(kStiff, 0, 2, 0.0f, 0.0f);

  EXPECT_EQ(body.hook(inside, Vec2(0.0f, 0.5f)), nullptr);
  Skeleton other;
  buildSquare(other);
  EXPECT_EQ(body.hook(other.links[0], Vec2(0.5f, 0.0f)), nullptr) << "another body's link";
  EXPECT_EQ(body.quarks.count, 4u);
  EXPECT_EQ(body.hookQuark, -1);

  Quark* onGround = body.hook(ground, Vec2(1.0f, 0.0f));
  EXPECT_EQ(onGround->kind(), kFixed);
  EXPECT_EQ(body.links.count, 3u) << "a fixed link gets no hook links";
  body.unhook();
  EXPECT_EQ(body.quarks.count, 4u);

  Quark* onSpring = body.hook(spring, Vec2(1.0f, 1.0f));
  EXPECT_EQ(onSpring->kind(), kSoft);
  ASSERT_EQ(body.links.count, 5u);
  EXPECT_EQ(static_cast<LinkSoft*>(body.links[3])->springConstant, 25.0f);
  EXPECT_EQ(body.links[4]->stiffness, 0.3f);
  body.unhook();
  EXPECT_EQ(body.quarks.count, 4u);
  EXPECT_EQ(body.links.count, 3u);
  expectSlotsMatch(body);
}

// The rope lets go by removing its own link to the hook quark, then unhooking.
TEST_F(SkeletonTest, UnhookAfterTheRopeLetGo) {
  Skeleton body;
  buildSquare(body);
  Skeleton rope;
  rope.addQuark(kStiff, Vec2(0.5f, -2.0f), 1.0f, 0.0f);
  Quark* h = body.hook(body.links[0], Vec2(0.5f, 0.0f));
  rope.links.pushBack(new LinkStiff(rope.quarks[0], h, false, true, 0.0f, 0.03f, 0.0f, 0.0f));
  EXPECT_EQ(h->links.count, 3u);
  rope.links.removeAt(0);
  body.unhook();
  EXPECT_EQ(body.quarks.count, 4u);
  EXPECT_EQ(body.links.count, 4u);
  EXPECT_EQ(rope.quarks[0]->links.count, 0u);
}

// Quark removals move the last quark into the hole: the hook slot follows.
TEST_F(SkeletonTest, HookSlotFollowsQuarkRemovalsAndInserts) {
  Skeleton body;
  buildSquare(body);
  body.addQuark(kSoft, Vec2(5.0f, 0.0f), 1.0f, 0.0f);  // 4
  body.addQuark(kSoft, Vec2(6.0f, 0.0f), 1.0f, 0.0f);  // 5
  body.addLink(kStiff, 4, 5, 0.0f, 0.0f, 0.0f, 0.0f);
  Quark* h = body.hook(body.links[0], Vec2(0.5f, 0.0f));
  ASSERT_EQ(body.hookQuark, 6);
  body.removeLink(4);  // quarks 4 and 5 go; the hook quark moves down
  EXPECT_EQ(body.quarks[static_cast<uint32_t>(body.hookQuark)], h);
  body.insertQuark(0, kSoft, Vec2(-3.0f, 0.0f), 1.0f, 0.0f);
  EXPECT_EQ(body.quarks[static_cast<uint32_t>(body.hookQuark)], h);
  body.unhook();
  EXPECT_EQ(body.quarks.count, 5u);
  EXPECT_EQ(body.links.count, 4u);
  EXPECT_EQ(body.canSleep, 1);
  for (const Quark* q : body.quarks) EXPECT_NE(q, h);
}

TEST_F(SkeletonTest, MeansOfAnEmptyBodyAreZero) {
  const Skeleton body;
  for (const Vec2 v : {body.centroid(), body.centreOfMass(), body.meanVelocity()}) {
    EXPECT_EQ(v, Vec2(0.0f, 0.0f));
  }
}

TEST_F(SkeletonTest, CentroidCentreOfMassAndMeanVelocity) {
  Skeleton body;
  body.addQuark(kSoft, Vec2(0.0f, 0.0f), 1.0f, 0.0f);
  body.addQuark(kSoft, Vec2(4.0f, 0.0f), 3.0f, 0.0f);
  body.quarks[0]->setVelocity(Vec2(2.0f, 0.0f));
  body.quarks[1]->setVelocity(Vec2(0.0f, 6.0f));
  EXPECT_EQ(body.centroid(), Vec2(2.0f, 0.0f));
  EXPECT_EQ(body.centreOfMass(), Vec2(3.0f, 0.0f));
  EXPECT_EQ(body.meanVelocity(), Vec2(1.0f, 3.0f));
}

TEST_F(SkeletonTest, RotateAndMirrorAboutTheCentroid) {
  struct Row {
    const char* name;
    bool mirror;
    float degrees;
    Vec2 offset;  // of the quark that started at centroid + (1, 0)
  } rows[] = {
      {"rotate 90: counter-clockwise", false, 90.0f, {0.0f, 1.0f}},
      {"rotate -90", false, -90.0f, {0.0f, -1.0f}},
      {"mirror 0: left-right", true, 0.0f, {-1.0f, 0.0f}},
      {"mirror 90: up-down keeps a horizontal offset", true, 90.0f, {1.0f, 0.0f}},
      {"mirror 45: about the line at -45", true, 45.0f, {0.0f, -1.0f}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Skeleton body;
    const Vec2 c(2.0f, 3.0f);
    body.addQuark(kSoft, c + Vec2(1.0f, 0.0f), 1.0f, 0.0f);
    body.addQuark(kSoft, c - Vec2(1.0f, 0.0f), 1.0f, 0.0f);
    if (row.mirror)
      body.mirror(row.degrees);
    else
      body.rotate(row.degrees);
    // cos 90° in single precision is about 4e-8 away from 0.
    EXPECT_NEAR(body.quarks[0]->position.x, c.x + row.offset.x, 1e-6f);
    EXPECT_NEAR(body.quarks[0]->position.y, c.y + row.offset.y, 1e-6f);
    EXPECT_NEAR(body.quarks[1]->position.x, c.x - row.offset.x, 1e-6f);
    EXPECT_NEAR(body.quarks[1]->position.y, c.y - row.offset.y, 1e-6f);
  }
}

TEST_F(SkeletonGridTest, RotateReEntersTheGridAtTheNewPlace) {
  Skeleton body;
  buildSquare(body);
  Link* bottom = body.links[0];
  body.rotate(90.0f);
  EXPECT_EQ(bottom->cachedA, bottom->a->position);
  EXPECT_GT(cellEntries(bottom), 0u);
  body.leaveGrid(true);
  for (const Link* l : body.links) EXPECT_EQ(cellEntries(l), 0u);
}

TEST_F(SkeletonGridTest, TemplateCopyAtAnOffsetEntersTheGrid) {
  Skeleton tmpl;
  tmpl.id = 7;
  tmpl.addQuark(kSoft, Vec2(-3.0f, 0.0f), 2.0f, 0.1f);
  tmpl.addQuark(kStiff, Vec2(-2.0f, 0.0f), 3.0f, 0.2f);
  tmpl.addQuark(kFixed, Vec2(-2.0f, 1.0f), 1.0f, 0.0f);
  tmpl.addLink(kSoft, 0, 1, 0.4f, 30.0f, 0.02f, 0.6f);
  tmpl.addLink(kStiff, 1, 2, 0.5f, 0.0f, 0.0f, 0.7f);
  tmpl.addLink(kFixed, 2, 0, 0.0f, 0.0f, 0.08f, 0.9f);
  tmpl.leaveGrid(true);

  Skeleton copy(tmpl, Vec2(5.0f, 0.0f), false);
  EXPECT_EQ(copy.id, 7);
  EXPECT_EQ(copy.canSleep, 0);
  ASSERT_EQ(copy.quarks.count, 3u);
  ASSERT_EQ(copy.links.count, 3u);
  for (uint32_t i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    const Quark* q = copy.quarks[i];
    const Quark* t = tmpl.quarks[i];
    EXPECT_EQ(q->kind(), t->kind());
    EXPECT_EQ(q->position, t->position + Vec2(5.0f, 0.0f));
    EXPECT_EQ(q->mass, t->mass);
    EXPECT_EQ(q->damping, t->damping);
    EXPECT_EQ(q->owner, &copy);
    const Link* l = copy.links[i];
    const Link* s = tmpl.links[i];
    EXPECT_EQ(l->kind(), s->kind());
    EXPECT_EQ(l->a->index, s->a->index);
    EXPECT_EQ(l->b->index, s->b->index);
    EXPECT_EQ(l->rest, s->rest);
    EXPECT_EQ(l->radius, s->radius);
    EXPECT_EQ(l->stiffness, s->stiffness);
    EXPECT_EQ(l->friction, s->friction);
    EXPECT_GT(cellEntries(l), 0u);
    EXPECT_EQ(cellEntries(s), 0u);
  }
  EXPECT_EQ(static_cast<const LinkSoft*>(copy.links[0])->springConstant, 30.0f);
  EXPECT_EQ(copy.quarks[2]->asleep, 1);
}

// A copy keeps what its soft and stiff links hold, but builds a fixed link
// afresh from its radius and friction: not internal, rest the current distance
// (3 here), stiffness 0. The template's fields are set so that a kept value shows.
TEST_F(SkeletonGridTest, TemplateCopyRebuildsFixedLinksFromRadiusAndFriction) {
  Skeleton tmpl;
  tmpl.addQuark(kFixed, Vec2(0.0f, 0.0f), 1.0f, 0.0f);
  tmpl.addQuark(kFixed, Vec2(3.0f, 0.0f), 1.0f, 0.0f);
  tmpl.addQuark(kStiff, Vec2(0.0f, 4.0f), 1.0f, 0.0f);
  Link* fixed = tmpl.addLink(kFixed, 0, 1, 0.0f, 0.0f, 0.08f, 0.9f);
  Link* stiff = tmpl.addInternalLink(kStiff, 1, 2, 0.25f, 0.0f);
  Link* soft = tmpl.addLink(kSoft, 0, 2, 0.4f, 30.0f, 0.02f, 0.6f);
  tmpl.leaveGrid(true);
  fixed->rest = 5.0f;
  fixed->stiffness = 0.3f;
  fixed->internal = 1;
  stiff->rest = 4.5f;
  soft->rest = 3.5f;

  struct Row {
    const char* name;
    Kind kind;
    uint8_t internal;
    float rest, stiffness, radius, friction;
  } rows[] = {
      {"fixed: radius and friction only", kFixed, 0, 3.0f, 0.0f, 0.08f, 0.9f},
      {"stiff internal: all kept", kStiff, 1, 4.5f, 0.25f, 0.03f, 0.2f},
      {"soft: all kept", kSoft, 0, 3.5f, 0.4f, 0.02f, 0.6f},
  };
  Skeleton copy(tmpl, Vec2(-2.0f, -1.0f), true);
  ASSERT_EQ(copy.links.count, 3u);
  for (uint32_t i = 0; i < 3; ++i) {
    const Row& row = rows[i];
    SCOPED_TRACE(row.name);
    const Link* l = copy.links[i];
    EXPECT_EQ(l->kind(), row.kind);
    EXPECT_EQ(l->fixedKind, row.kind == kFixed ? 1 : 0);
    EXPECT_EQ(l->internal, row.internal);
    EXPECT_FLOAT_EQ(l->rest, row.rest);
    EXPECT_FLOAT_EQ(l->stiffness, row.stiffness);
    EXPECT_FLOAT_EQ(l->radius, row.radius);
    EXPECT_FLOAT_EQ(l->friction, row.friction);
  }
  // Not internal, the fixed copy is a surface: it stands in the grid.
  EXPECT_GT(cellEntries(copy.links[0]), 0u);
}

TEST_F(SkeletonGridTest, CopyConstructorStaysOutOfTheGrid) {
  Skeleton source(false);
  source.id = 3;
  buildSquare(source);
  Skeleton copy(source);
  EXPECT_EQ(copy.id, 3);
  EXPECT_EQ(copy.canSleep, 0);
  EXPECT_EQ(copy.hookQuark, -1);
  ASSERT_EQ(copy.links.count, 4u);
  for (uint32_t i = 0; i < 4; ++i) {
    EXPECT_EQ(copy.quarks[i]->position, source.quarks[i]->position);
    EXPECT_EQ(cellEntries(copy.links[i]), 0u);
  }
}

TEST_F(SkeletonGridTest, SleepingBodyIsInTheGridWhereItCameToRest) {
  Skeleton body;
  buildSquare(body);
  body.leaveGrid(false);
  body.translate(Vec2(1.0f, 1.0f));  // moved while out of the grid
  for (Quark* q : body.quarks) q->sleepEnergy = 0.0f;
  body.trySleep();
  for (const Link* l : body.links) {
    EXPECT_EQ(l->cachedA, l->a->position);
    EXPECT_GT(cellEntries(l), 0u);
  }
}

}  // namespace
