#include "hero_fixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "ferrox/contact_pair.h"
#include "ferrox/grid.h"
#include "ferrox/link.h"
#include "ferrox/skeleton_cache.h"
#include "kettar/particle_system.h"
#include "support/sdl_video.h"

namespace herotest {

DataRoot::DataRoot() {
  char pattern[] = "/tmp/ombrel-hero-XXXXXX";
  const char* made = mkdtemp(pattern);
  dir_ = made != nullptr ? std::string(made) + "/" : std::string();
}

DataRoot::~DataRoot() {
  if (!dir_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
  }
}

void DataRoot::writeFile(const std::string& relative, const std::string& bytes) const {
  const std::filesystem::path p = dir_ + relative;
  std::filesystem::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary);
  out << bytes;
}

void DataRoot::writeHeroSkeleton(const ferrox::Skeleton& body) const {
  const std::filesystem::path p = dir_ + Hero::kSkeletonPath;
  std::filesystem::create_directories(p.parent_path());
  ASSERT_TRUE(ferrox::SkeletonCache::save(p.string(), body));
}

std::unique_ptr<ferrox::Skeleton> heroSkeleton(uint32_t quarkCount) {
  static const Vec2 kOutline[10] = {
      {-0.3125f, 0.3125f}, {-0.375f, 0.0f},  {-0.3125f, -0.375f}, {-0.125f, -0.5f},
      {0.125f, -0.5f},     {0.3125f, -0.375f}, {0.375f, 0.0f},    {0.0f, 0.5f},
      {0.3125f, 0.3125f},  {0.0f, 0.0f}};
  static const uint32_t kSurface[9][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 5},
                                          {5, 6}, {6, 8}, {8, 7}, {7, 0}};
  static const uint32_t kBraces[5][2] = {{0, 5}, {8, 2}, {3, 7}, {4, 7}, {1, 6}};
  auto body = std::make_unique<ferrox::Skeleton>();
  for (uint32_t i = 0; i < quarkCount && i < 10; ++i) {
    // The hinge is stiff, as in the game's skeleton: the arm's rod moves it.
    body->addQuark(i == Hero::kHingeQuark ? ferrox::kStiff : ferrox::kSoft, kOutline[i],
                   i == 9 ? 0.25f : 0.1875f, 0.02f);
  }
  const uint32_t n = body->quarks.count;
  for (const auto& l : kSurface) {
    if (l[0] < n && l[1] < n) body->addLink(ferrox::kSoft, l[0], l[1], 3.0f, 600.0f, 0.05f, 0.5f);
  }
  for (uint32_t i = 0; i + 1 < n && n == 10; ++i) {
    body->addInternalLink(ferrox::kSoft, 9, i, 3.0f, 500.0f);
  }
  for (const auto& l : kBraces) {
    if (l[0] < n && l[1] < n) body->addInternalLink(ferrox::kSoft, l[0], l[1], 2.0f, 300.0f);
  }
  return body;
}

void startVideoWhenDisplayed() {
  if (test_support::haveDisplay()) test_support::startSdlVideo();
}

std::string wavBytes(uint32_t samples) {
  auto u32 = [](uint32_t v) {
    return std::string{static_cast<char>(v & 0xff), static_cast<char>((v >> 8) & 0xff),
                       static_cast<char>((v >> 16) & 0xff), static_cast<char>((v >> 24) & 0xff)};
  };
  auto u16 = [](uint16_t v) {
    return std::string{static_cast<char>(v & 0xff), static_cast<char>((v >> 8) & 0xff)};
  };
  const uint32_t dataBytes = samples * 2;
  std::string w = "RIFF" + u32(36 + dataBytes) + "WAVE";
  w += "fmt " + u32(16) + u16(1) + u16(1) + u32(22050) + u32(44100) + u16(2) + u16(16);
  w += "data" + u32(dataBytes);
  for (uint32_t i = 0; i < samples; ++i) w += u16(static_cast<uint16_t>((i % 50) * 400));
  return w;
}

bool RecordingNotifier::onContact(ferrox::ContactPair* pair) {
  ferrox::Skeleton* p = pair->first->a->owner;
  ferrox::Skeleton* q = pair->second->a->owner;
  if (hero != nullptr) {
    const ferrox::Skeleton* h = hero->body();
    const ferrox::Skeleton* arm = hero->armBody();
    if ((p == h && q == arm) || (q == h && p == arm)) return false;
  }
  p->lastOwnLink = pair->first;
  p->lastOtherLink = pair->second;
  q->lastOwnLink = pair->second;
  q->lastOtherLink = pair->first;
  return true;
}

void recordContact(Hero& hero, ferrox::Link* other) {
  hero.body()->lastOwnLink = hero.body()->links[0];
  hero.body()->lastOtherLink = other;
}

void expectEvery(const std::vector<Vec2>& push, Vec2 expected) {
  for (size_t i = 0; i < push.size(); ++i) {
    SCOPED_TRACE("quark " + std::to_string(i));
    EXPECT_NEAR(push[i].x, expected.x, 1e-2f);
    EXPECT_NEAR(push[i].y, expected.y, 1e-2f);
  }
}

void HeroWorld::SetUp() {
  ASSERT_FALSE(root.path().empty());
  ASSERT_TRUE(ferrox::createWorld(20, 20, 0.2f));
  root.writeHeroSkeleton(*heroSkeleton());
  ferrox::notifier = &notifier;
}

void HeroWorld::TearDown() {
  hero.reset();
  ground.reset();
  ferrox::notifier = nullptr;
  ferrox::destroyWorld();
  ferrox::SkeletonCache::clear();
  Kettar::clearParticles();
}

Hero& HeroWorld::makeHero(Vec2 start) {
  hero = Hero::create(start, root.path());
  EXPECT_NE(hero, nullptr);
  notifier.hero = hero.get();
  return *hero;
}

ferrox::Skeleton* HeroWorld::addGround(Vec2 a, Vec2 b) {
  ground = std::make_unique<ferrox::Skeleton>(false);
  ground->addQuark(ferrox::kFixed, a, 0.0f, 0.0f);
  ground->addQuark(ferrox::kFixed, b, 0.0f, 0.0f);
  ground->addLink(ferrox::kFixed, 0, 1, 0.0f, 0.0f, 0.06f, 2.0f);
  return ground.get();
}

bool HeroWorld::playStep(float dt) {
  ferrox::clearContacts();
  hero->preStep();
  const bool alive = hero->step(dt);
  ferrox::resolveContacts();
  return alive;
}

bool HeroWorld::settle(int maxSteps) {
  for (int i = 0; i < maxSteps; ++i) {
    playStep();
    if (hero->onGround() && hero->body()->meanVelocity().length() < 0.05f && i > 200) return true;
  }
  return false;
}

}  // namespace herotest
