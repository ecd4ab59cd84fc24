#include "ferrox/indexed_list.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "ferrox/vec2.h"
#include "support/little_memory.h"

namespace {

// An item that knows its slot and reports its own deletion.
struct Item {
  std::string name;
  uint32_t slot = 999;
  std::vector<std::string>* deleted = nullptr;
  void setListIndex(uint32_t s) { slot = s; }
  ~Item() {
    if (deleted) deleted->push_back(name);
  }
};

struct ListFixture : ::testing::Test {
  std::vector<std::string> deleted;
  Item* make(const char* name) { return new Item{name, 999, &deleted}; }
  static std::string names(const ferrox::IndexedList<Item*>& list) {
    std::string s;
    for (const Item* it : list) s += it->name;
    return s;
  }
  static void expectSlots(const ferrox::IndexedList<Item*>& list) {
    for (uint32_t i = 0; i < list.count; ++i) EXPECT_EQ(list.items[i]->slot, i) << list.items[i]->name;
  }
};

TEST(Vec2Test, SetLength) {
  struct Row {
    const char* name;
    Vec2 in;
    float len;
    Vec2 out;
  } rows[] = {
      {"zero stays zero", {0.0f, 0.0f}, 2.0f, {0.0f, 0.0f}},
      {"unit kept", {1.0f, 0.0f}, 1.0f, {1.0f, 0.0f}},
      {"3-4-5", {3.0f, 4.0f}, 1.0f, {0.6f, 0.8f}},
      {"negative length flips", {0.0f, 2.0f}, -3.0f, {0.0f, -3.0f}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Vec2 v = row.in;
    v.setLength(row.len);
    EXPECT_FLOAT_EQ(v.x, row.out.x);
    EXPECT_FLOAT_EQ(v.y, row.out.y);
  }
}

TEST(Vec2Test, FromIntegersAndOperators) {
  const Vec2 a(int32_t{3}, int32_t{-2});
  EXPECT_EQ(a, Vec2(3.0f, -2.0f));
  EXPECT_EQ(a + Vec2(1.0f, 1.0f), Vec2(4.0f, -1.0f));
  EXPECT_EQ(a - Vec2(1.0f, 1.0f), Vec2(2.0f, -3.0f));
  EXPECT_EQ(-a, Vec2(-3.0f, 2.0f));
  EXPECT_EQ(a * 2.0f, Vec2(6.0f, -4.0f));
  EXPECT_FLOAT_EQ(Vec2(1.0f, 0.0f).cross(Vec2(0.0f, 1.0f)), 1.0f);
}

TEST_F(ListFixture, CapacityDoublesFromOneAndSlotsAreWritten) {
  ferrox::IndexedList<Item*> list;
  std::vector<uint32_t> capacities;
  for (const char* n : {"a", "b", "c", "d", "e"}) {
    list.pushBack(make(n));
    capacities.push_back(list.capacity);
  }
  EXPECT_EQ(capacities, (std::vector<uint32_t>{1, 2, 4, 4, 8}));
  expectSlots(list);
}

TEST_F(ListFixture, RemoveMovesTheLastIn) {
  ferrox::IndexedList<Item*> list;
  for (const char* n : {"a", "b", "c"}) list.pushBack(make(n));
  list.removeAt(1);
  EXPECT_EQ(names(list), "ac");
  EXPECT_EQ(deleted, std::vector<std::string>{"b"});
  expectSlots(list);
  list.removeAt(2);  // == count: nothing
  list.removeAt(1);  // the last: nothing moves
  EXPECT_EQ(names(list), "a");
  EXPECT_EQ(list.items[0]->slot, 0u);
}

TEST_F(ListFixture, InsertAndRemoveFirstKeepOrder) {
  ferrox::IndexedList<Item*> list;
  list.pushBack(make("a"));
  list.pushBack(make("b"));
  Item* x = make("x");
  ASSERT_TRUE(list.insertAt(x, 0));
  EXPECT_EQ(names(list), "xab");
  expectSlots(list);
  list.removeFirst();
  EXPECT_EQ(names(list), "ab");
  expectSlots(list);
  EXPECT_EQ(deleted, std::vector<std::string>{"x"});
}

TEST_F(ListFixture, InsertOutsideTheItemsIsRefused) {
  ferrox::IndexedList<Item*> list;
  list.pushBack(make("a"));
  list.grow(8);
  Item* y = make("y");
  for (int32_t at : {-1, 2, 8, 9}) {
    SCOPED_TRACE(at);
    EXPECT_FALSE(list.insertAt(y, at));
  }
  EXPECT_EQ(names(list), "a");
  EXPECT_TRUE(list.insertAt(y, 1));  // at count: appended
  EXPECT_EQ(names(list), "ay");
}

TEST_F(ListFixture, FlagsLeaveItemsAlone) {
  Item a{"a"}, b{"b"};
  {
    ferrox::IndexedList<Item*> list;
    list.notOwner = 1;
    list.noIndexWriteBack = 1;
    list.pushBack(&a);
    list.pushBack(&b);
    list.removeAt(0);
    EXPECT_EQ(list.items[0], &b);
  }
  EXPECT_EQ(a.slot, 999u);
  EXPECT_EQ(b.slot, 999u);
  EXPECT_TRUE(deleted.empty());
}

TEST_F(ListFixture, EmptyKeepsStorageAndDestroyDeletesAll) {
  auto* list = new ferrox::IndexedList<Item*>;
  for (const char* n : {"a", "b", "c"}) list->pushBack(make(n));
  list->empty();
  EXPECT_EQ(list->count, 0u);
  EXPECT_EQ(list->capacity, 4u);
  uint32_t* storage = reinterpret_cast<uint32_t*>(list->items);
  list->pushBack(make("d"));
  EXPECT_EQ(reinterpret_cast<uint32_t*>(list->items), storage);
  delete list;
  EXPECT_EQ(deleted, (std::vector<std::string>{"a", "b", "c", "d"}));
}

TEST(IndexedListValues, ValueListsOnlyFreeStorage) {
  ferrox::IndexedList<uint32_t> list;
  for (uint32_t v : {5u, 6u, 7u}) list.pushBack(v);
  list.removeAt(0);
  EXPECT_EQ(list.items[0], 7u);
  EXPECT_EQ(list.items[1], 6u);
  ferrox::IndexedList<uint32_t> moved(std::move(list));
  EXPECT_EQ(moved.count, 2u);
  EXPECT_EQ(list.count, 0u);
  EXPECT_EQ(list.items, nullptr);
}

// Storage the system refuses: the list keeps its storage, its items and its counts, and the
// call says it failed. The child's result has one bit per broken promise.
TEST(IndexedListGrowth, StorageThatCannotBeHadLeavesTheListWhole) {
  constexpr std::size_t kHeadroom = std::size_t(256) << 20;
  const int broken = test_support::runWithLittleMemory(kHeadroom, [](bool limited) {
    int bits = 0;
    // 4 GiB of bytes: more than a 32-bit process can map, past the limit elsewhere.
    ferrox::IndexedList<uint8_t> bytes;
    for (uint8_t v : {1, 2, 3}) bytes.pushBack(v);
    // Addresses as numbers: a pointer that a successful realloc freed may not even be compared.
    std::uintptr_t storage = reinterpret_cast<std::uintptr_t>(bytes.items);
    if (bytes.grow(UINT32_MAX)) bits |= 1;
    if (reinterpret_cast<std::uintptr_t>(bytes.items) != storage || bytes.capacity != 4 || bytes.count != 3 || bytes.items[2] != 3) bits |= 2;
    // 2^29 + 1 words: 4 GiB and 8 bytes, which a 32-bit size_t counts as 8.
    ferrox::IndexedList<uint64_t> words;
    words.pushBack(7);
    if (words.grow((1u << 29) + 1)) bits |= 4;
    if (words.capacity != 1 || words.count != 1 || words.items[0] != 7) bits |= 8;
    if (!limited) return bits;
    // A full list the system will not double: nothing is stored, by either way in.
    ferrox::IndexedList<uint8_t> full;
    if (!full.grow(uint32_t(kHeadroom * 5 / 8))) return bits | 16;
    full.count = full.capacity;
    full.items[full.count - 1] = 9;
    storage = reinterpret_cast<std::uintptr_t>(full.items);
    if (full.pushBack(1) || full.insertAt(1, 0)) bits |= 32;
    if (reinterpret_cast<std::uintptr_t>(full.items) != storage || full.count != full.capacity ||
        full.capacity != uint32_t(kHeadroom * 5 / 8) || reinterpret_cast<const uint8_t*>(storage)[full.count - 1] != 9)
      bits |= 64;
    return bits;
  });
  if (broken == test_support::kNoChildHere) GTEST_SKIP() << "no process of limited memory here";
  EXPECT_EQ(broken, 0) << "1, 2: the 4 GiB grow; 4, 8: the grow past 4 GiB in words; 16: no room for the full list; "
                          "32, 64: the full list's push and insert";
}

// An owned item a full list cannot take: keep and keepAt delete it and throw, and the list keeps
// what it held. Bits in the child's result: 1, 2 keep; 4, 8 keepAt; 16 the list changed.
TEST(IndexedListGrowth, KeepDeletesAnItemTheListCannotHoldAndThrows) {
  constexpr std::size_t kHeadroom = std::size_t(256) << 20;
  const int broken = test_support::runWithLittleMemory(kHeadroom, [](bool limited) {
    if (!limited) return test_support::kNotLimitedThere;
    std::vector<std::string> deleted;
    ferrox::IndexedList<Item*> full;
    const uint32_t slots = uint32_t(kHeadroom * 5 / 8 / sizeof(Item*));
    if (!full.grow(slots)) return 64;
    full.count = slots;
    std::memset(static_cast<void*>(full.items), 0, sizeof(Item*) * slots);
    int bits = 0;
    try {
      ferrox::keep(full, new Item{"a", 999, &deleted});
      bits |= 1;
    } catch (const std::bad_alloc&) {
    }
    if (deleted != std::vector<std::string>{"a"}) bits |= 2;
    try {
      ferrox::keepAt(full, new Item{"b", 999, &deleted}, 0);
      bits |= 4;
    } catch (const std::bad_alloc&) {
    }
    if (deleted != std::vector<std::string>{"a", "b"}) bits |= 8;
    if (full.count != slots || full.capacity != slots || full.items[0] != nullptr) bits |= 16;
    return bits;
  });
  if (broken == test_support::kNoChildHere || broken == test_support::kNotLimitedThere)
    GTEST_SKIP() << "no process of limited memory here";
  EXPECT_EQ(broken, 0) << "1, 2: keep; 4, 8: keepAt; 16: the list changed; 64: no room for the full list";
}

// Room made for a list that must not run short: the storage grows to at least the count asked
// for (doubling as pushBack does, so one more at a time stays cheap), a list with the room is
// left alone, and a list that cannot grow throws as new would and keeps what it held.
TEST(IndexedListGrowth, ReserveMakesRoomOrThrowsLeavingTheList) {
  ferrox::IndexedList<uint32_t> list;
  for (uint32_t v : {1u, 2u, 3u}) list.pushBack(v);
  ASSERT_EQ(list.capacity, 4u);
  const uint32_t* storage = list.items;
  ferrox::reserve(list, 4);
  EXPECT_EQ(list.items, storage);
  EXPECT_EQ(list.capacity, 4u);
  ferrox::reserve(list, 5);
  EXPECT_EQ(list.capacity, 8u);
  ferrox::reserve(list, 100);
  EXPECT_EQ(list.capacity, 100u);
  EXPECT_EQ(list.count, 3u);
  EXPECT_EQ(list.items[2], 3u);
  EXPECT_THROW(ferrox::reserve(list, uint64_t(UINT32_MAX) + 1), std::bad_alloc);
  EXPECT_EQ(list.capacity, 100u);

  constexpr std::size_t kHeadroom = std::size_t(256) << 20;
  const int broken = test_support::runWithLittleMemory(kHeadroom, [](bool limited) {
    if (!limited) return test_support::kNotLimitedThere;
    ferrox::IndexedList<uint8_t> full;
    if (!full.grow(uint32_t(kHeadroom * 5 / 8))) return 64;
    full.count = full.capacity;
    full.items[full.count - 1] = 9;
    const std::uintptr_t storage = reinterpret_cast<std::uintptr_t>(full.items);
    try {
      ferrox::reserve(full, uint64_t(full.count) + 1);
      return 1;
    } catch (const std::bad_alloc&) {
    }
    const bool whole = reinterpret_cast<std::uintptr_t>(full.items) == storage && full.count == full.capacity &&
                       full.capacity == uint32_t(kHeadroom * 5 / 8) && full.items[full.count - 1] == 9;
    return whole ? 0 : 2;
  });
  if (broken == test_support::kNoChildHere || broken == test_support::kNotLimitedThere)
    GTEST_SKIP() << "no process of limited memory here";
  EXPECT_EQ(broken, 0) << "1: grew; 2: the list changed; 64: no room for the full list";
}

}  // namespace
