#include "play_harness.h"

#include "ferrox/contact_pair.h"
#include "ferrox/grid.h"
#include "ferrox/link.h"
#include "ferrox/quark.h"
#include "ferrox/skeleton_cache.h"
#include "kettar/byte_buffer.h"

namespace datatest {

PlayHarness::PlayHarness(int width, int height) {
  ferrox::createWorld(width, height, 0.2f);
  ferrox::notifier = this;
}

PlayHarness::~PlayHarness() {
  ferrox::notifier = nullptr;
  hero_.reset();
  exit_.reset();
  ground_.clear();
  ferrox::SkeletonCache::clear();
  ferrox::destroyWorld();
}

void PlayHarness::addLevel(const LevelFile::LevelRecord& level) {
  for (const LevelFile::PolygonRecord& p : level.terrain.polygons) {
    Kettar::ByteBuffer buffer;
    ferrox::writeBodyBlock(buffer, p.body);
    auto body = std::make_unique<ferrox::Skeleton>(buffer, false);
    body->id = int32_t(ground_.size());
    for (uint32_t e : p.deadlyEdges) deadly_.insert({body->id, e});
    ground_.push_back(std::move(body));
  }
  exit_ = std::make_unique<ferrox::Skeleton>();
  exit_->addQuark(0, level.exitA, 0.1f, 0.01f);
  exit_->addQuark(0, level.exitB, 0.1f, 0.01f);
  exit_->addLink(0, 0, 1, 0.2f, 100.0f, 0.0f, 0.2f);
}

void PlayHarness::addGround(const std::vector<Vec2>& outline) {
  auto body = std::make_unique<ferrox::Skeleton>();
  for (const Vec2& p : outline) body->addQuark(0, p, 0.1f, 0.01f);
  for (uint32_t i = 0; i < outline.size(); ++i)
    body->addLink(0, i, (i + 1) % uint32_t(outline.size()), 0.0f, 0.0f, 0.06f, 2.0f);
  body->id = int32_t(ground_.size());
  ground_.push_back(std::move(body));
}

void PlayHarness::addHero(const std::string& skeletonPath, Vec2 start) {
  hero_ = std::make_unique<ferrox::Skeleton>(ferrox::SkeletonCache::get(skeletonPath), start, false);
}

void PlayHarness::step(bool right, bool jump) {
  // The held key (Hero::keyRight, Hero::drive) and the jump key (Hero::jump).
  if (right) {
    for (ferrox::Quark* q : hero_->quarks) q->wake();
    if (onGround_ && hero_->meanVelocity().length() < 7.0f) hero_->addForce(Vec2(kStep * 12000.0f, 0.0f));
  }
  if (jump && onGround_) hero_->addForce(Vec2(750.0f, 3000.0f));
  ferrox::clearContacts();
  hero_->leaveGrid(false);
  // Hero::step: the ground level decays, the body steps, the last contact counts.
  groundLevel_ *= 0.9f * (1.0f - kStep);
  if (groundLevel_ < 0.5f) onGround_ = false;
  hero_->step(kStep);
  if (touched_) {
    onGround_ = true;
    groundLevel_ = 1.0f;
  }
  touched_ = false;
  ferrox::resolveContacts();
}

bool PlayHarness::onContact(ferrox::ContactPair* pair) {
  ferrox::Link* own = pair->first;
  ferrox::Link* other = pair->second;
  if (other->a->owner == hero_.get()) std::swap(own, other);
  if (own->a->owner != hero_.get()) return true;
  const ferrox::Skeleton* body = other->a->owner;
  if (body == exit_.get()) {
    reachedExit_ = true;
    return false;
  }
  if (deadly_.count({body->id, other->index}) != 0) touchedDeadly_ = true;
  touched_ = true;
  return true;
}

}  // namespace datatest
