#include "grapple_fixture.h"

#include "ferrox/contact_pair.h"
#include "ferrox/contact_record.h"
#include "ferrox/grid.h"
#include "ferrox/link.h"
#include "game/level.h"

namespace ropetest {

bool RopeNotifier::onContact(ferrox::ContactPair* pair) {
  const ferrox::Skeleton* p = pair->first->a->owner;
  const ferrox::Skeleton* q = pair->second->a->owner;
  auto heroOwn = [&](const ferrox::Skeleton* b) { return b == armBody || (b == rope && rope); };
  if ((p == heroBody && heroOwn(q)) || (q == heroBody && heroOwn(p))) return false;
  ferrox::recordContact(pair->first, pair->second);
  ferrox::recordContact(pair->second, pair->first);
  const Level* level = Level::current;
  return level == nullptr || (!level->isLaserBody(p) && !level->isLaserBody(q));
}

void RopeWorld::SetUp() {
  ASSERT_TRUE(Level::createNew(false, 20.0f, 20.0f));
  ASSERT_NE(ferrox::world, nullptr);
  arm = std::make_unique<ferrox::Skeleton>(false);
  armQuark = arm->addQuark(ferrox::kFixed, kArmAt, 0.0f, 0.0f);
  // Across the rope's way: the tip passes through the hero's own body.
  heroBody = std::make_unique<ferrox::Skeleton>(false);
  heroBody->addQuark(ferrox::kFixed, Vec2(-5.0f, -1.0f), 0.0f, 0.0f);
  heroBody->addQuark(ferrox::kFixed, Vec2(-5.0f, 1.0f), 0.0f, 0.0f);
  heroBody->addLink(ferrox::kFixed, 0, 1, 0.0f, 0.0f, 0.05f, 0.5f);
  notifier.heroBody = heroBody.get();
  notifier.armBody = arm.get();
  ferrox::notifier = &notifier;
}

void RopeWorld::TearDown() {
  rope.reset();
  bodies.clear();
  heroBody.reset();
  arm.reset();
  ferrox::notifier = nullptr;
  delete Level::current;
  Level::current = nullptr;
  ferrox::destroyWorld();
}

Grapple& RopeWorld::fire(Vec2 direction, Vec2 armVelocity) {
  rope = std::make_unique<Grapple>(heroBody.get(), armQuark, direction, armVelocity);
  notifier.rope = rope.get();
  return *rope;
}

bool RopeWorld::playStep(float dt) {
  ferrox::clearContacts();
  if (rope) rope->preStep();
  for (ferrox::Skeleton* b : moving_) b->leaveGrid(false);
  for (ferrox::Skeleton* b : moving_) b->step(dt);
  const bool kept = rope && rope->step(dt);
  if (rope && !kept) {
    rope.reset();
    notifier.rope = nullptr;
  }
  ferrox::resolveContacts();
  return kept;
}

bool RopeWorld::playUntilSettled(int maxSteps) {
  for (int i = 0; i < maxSteps; ++i) {
    if (!playStep()) return true;
    if (rope->hooked()) return true;
  }
  return false;
}

ferrox::Skeleton* RopeWorld::addFixedSegment(Vec2 a, Vec2 b) {
  bodies.push_back(std::make_unique<ferrox::Skeleton>(false));
  ferrox::Skeleton* s = bodies.back().get();
  s->addQuark(ferrox::kFixed, a, 0.0f, 0.0f);
  s->addQuark(ferrox::kFixed, b, 0.0f, 0.0f);
  s->addLink(ferrox::kFixed, 0, 1, 0.0f, 0.0f, 0.06f, 2.0f);
  return s;
}

namespace {

ferrox::Skeleton* fillBox(ferrox::Skeleton* s, int32_t kind, Vec2 c, float h) {
  const Vec2 corners[4] = {{c.x - h, c.y - h}, {c.x + h, c.y - h}, {c.x + h, c.y + h},
                           {c.x - h, c.y + h}};
  for (const Vec2& p : corners) s->addQuark(kind, p, 0.1f, 0.01f);
  for (uint32_t i = 0; i < 4; ++i) s->addLink(kind, i, (i + 1) % 4, 0.5f, 300.0f, 0.05f, 0.5f);
  s->addInternalLink(kind, 0, 2, 0.5f, 300.0f);
  s->addInternalLink(kind, 1, 3, 0.5f, 300.0f);
  return s;
}

}  // namespace

ferrox::Skeleton* RopeWorld::addStiffBox(Vec2 centre, float half) {
  bodies.push_back(std::make_unique<ferrox::Skeleton>(true));
  return fillBox(bodies.back().get(), ferrox::kStiff, centre, half);
}

ferrox::Skeleton* RopeWorld::addSoftBox(Vec2 centre, float half) {
  bodies.push_back(std::make_unique<ferrox::Skeleton>(true));
  return fillBox(bodies.back().get(), ferrox::kSoft, centre, half);
}

int32_t RopeWorld::addTerrainBox(Vec2 centre, Vec2 size) {
  Level::addTerrainRectangle(Level::current, centre, size);
  return static_cast<int32_t>(Level::current->terrain->polygons.count) - 1;
}

}  // namespace ropetest
