// Contact records are cleared when a link they name is destroyed: a record read
// a step later never names a freed link (ASan would report the read).

#include <gtest/gtest.h>

#include <memory>

#include "body_test_support.h"
#include "ferrox/contact_record.h"
#include "ferrox/skeleton.h"

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

}  // namespace
