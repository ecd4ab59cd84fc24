// Contact records are cleared when a link they name is destroyed: a record read
// a step later never names a freed link (ASan would report the read).

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "body_test_support.h"
#include "ferrox/contact_record.h"
#include "ferrox/skeleton.h"
#include "ferrox/skeleton_cache.h"

namespace {

using bodytest::WorldFixture;

// A two-link stick of stiff quarks around x.
std::unique_ptr<ferrox::Skeleton> stick(float x) {
  auto body = std::make_unique<ferrox::Skeleton>();
  body->addQuark(ferrox::kStiff, x, 0.0f, 1.0f, 0.01f);
  body->addQuark(ferrox::kStiff, x + 0.5f, 0.0f, 1.0f, 0.01f);
  body->addQuark(ferrox::kStiff, x + 1.0f, 0.0f, 1.0f, 0.01f);
  body->addLink(ferrox::kStiff, 0, 1, 0.2f, 0.0f, 0.0f, 0.2f);
  body->addLink(ferrox::kStiff, 1, 2, 0.2f, 0.0f, 0.0f, 0.2f);
  return body;
}

// Both sides of a contact between link i of a and link j of b, as the game records it.
void touch(ferrox::Skeleton& a, uint32_t i, ferrox::Skeleton& b, uint32_t j) {
  ferrox::recordContact(a.links[i], b.links[j]);
  ferrox::recordContact(b.links[j], a.links[i]);
}

struct ContactRecords : WorldFixture {};

TEST_F(ContactRecords, RecordNamesOwnAndOtherLink) {
  auto a = stick(-2.0f);
  auto b = stick(1.0f);
  touch(*a, 1, *b, 0);
  EXPECT_EQ(a->lastOwnLink, a->links[1]);
  EXPECT_EQ(a->lastOtherLink, b->links[0]);
  EXPECT_EQ(b->lastOwnLink, b->links[0]);
  EXPECT_EQ(b->lastOtherLink, a->links[1]);
}

TEST_F(ContactRecords, DestroyedBodyLeavesNoRecordBehind) {
  auto a = stick(-2.0f);
  auto b = stick(1.0f);
  auto c = stick(-4.0f);
  touch(*a, 0, *b, 1);
  touch(*c, 0, *a, 1);  // a's record now names c; c's names a
  touch(*b, 0, *c, 1);  // b's record names c
  const unsigned holders = ferrox::recordHolderCount();
  c.reset();
  EXPECT_EQ(a->lastOwnLink, nullptr);
  EXPECT_EQ(a->lastOtherLink, nullptr);
  EXPECT_EQ(b->lastOwnLink, nullptr);
  EXPECT_EQ(b->lastOtherLink, nullptr);
  EXPECT_EQ(ferrox::recordHolderCount(), holders - 1);
}

TEST_F(ContactRecords, RemovedLinkClearsOnlyTheRecordsNamingIt) {
  auto a = stick(-2.0f);
  auto b = stick(1.0f);
  auto c = stick(-4.0f);
  touch(*a, 0, *b, 1);
  touch(*c, 1, *a, 1);  // a: own 1, other c1; c: own c1, other a1
  // Removing b's link 1 (as a rope link is removed) clears b's own record;
  // a's record, which now names c, stays.
  b->removeLink(1);
  EXPECT_EQ(b->lastOwnLink, nullptr);
  EXPECT_EQ(b->lastOtherLink, nullptr);
  EXPECT_EQ(a->lastOwnLink, a->links[1]);
  EXPECT_EQ(a->lastOtherLink, c->links[1]);
  a->removeLink(1);
  EXPECT_EQ(a->lastOwnLink, nullptr);
  EXPECT_EQ(c->lastOtherLink, nullptr);
}

TEST_F(ContactRecords, BodiesDestroyedInAnyOrderLeaveTheHoldersEmpty) {
  const unsigned before = ferrox::recordHolderCount();
  {
    auto a = stick(-2.0f);
    auto b = stick(1.0f);
    touch(*a, 0, *b, 0);
    EXPECT_EQ(ferrox::recordHolderCount(), before + 2);
    a.reset();
    // b's record named a's link and is cleared; reading it again is safe.
    EXPECT_EQ(b->lastOtherLink, nullptr);
  }
  EXPECT_EQ(ferrox::recordHolderCount(), before);
}

// At exit the template cache deletes its templates, and their links clear the records
// naming them, while a body still holds a record. The cache is made first here, so without a
// defined order the holder list would be destroyed before it (the sanitizer build reports the
// read). The death test runs in a fresh process, whose statics are made in this order.
TEST(ContactRecordsAtExit, ExitWithALiveRecordIsClean) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        ferrox::SkeletonCache::get("/nonexistent/skeleton.fsk");
        const std::string path =
            ::testing::TempDir() + "ombrel-exit-" + std::to_string(::getpid()) + ".fsk";
        {
          const std::unique_ptr<ferrox::Skeleton> shape = stick(0.0f);
          if (!ferrox::SkeletonCache::save(path, *shape)) std::exit(2);
        }
        const bool cached = ferrox::SkeletonCache::get(path).links.count == 2;
        std::remove(path.c_str());
        if (!cached) std::exit(3);
        // Alive until the process ends, each holding a record of the other.
        static ferrox::Skeleton* const a = stick(-2.0f).release();
        static ferrox::Skeleton* const b = stick(1.0f).release();
        touch(*a, 0, *b, 1);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
