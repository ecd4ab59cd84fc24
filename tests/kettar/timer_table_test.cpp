#include "kettar/timer_table.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <limits>
#include <thread>

#include "support/little_memory.h"

namespace {

constexpr uint32_t kNever = 600000;  // ms: a timer that does not fire during a test

bool waitFor(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

std::atomic<int>& counter(void* data) { return *static_cast<std::atomic<int>*>(data); }

uint32_t countOnce(uint32_t, void* data) {
  ++counter(data);
  return 0;
}

uint32_t countAndRepeat(uint32_t interval, void* data) {
  ++counter(data);
  return interval;
}

uint32_t neverCalled(uint32_t, void*) {
  ADD_FAILURE() << "a timer that should not fire did";
  return 0;
}

class TimerTableTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(SDL_Init(SDL_INIT_TIMER), 0) << SDL_GetError(); }
  void TearDown() override {
    table.removeAll();
    SDL_Quit();
  }

  Kettar::TimerTable table;
};

TEST_F(TimerTableTest, FiredOneShotSlotIsReusedFirst) {
  std::atomic<int> fired{0};
  EXPECT_EQ(table.add(1, countOnce, &fired), 0);
  EXPECT_EQ(table.add(kNever, neverCalled, nullptr), 1);
  EXPECT_EQ(table.add(kNever, neverCalled, nullptr), 2);
  ASSERT_TRUE(waitFor([&] { return table.hasFinished(0); }));
  EXPECT_EQ(fired.load(), 1);
  EXPECT_FALSE(table.hasFinished(1));

  std::atomic<int> again{0};
  EXPECT_EQ(table.add(1, countOnce, &again), 0);
  EXPECT_EQ(table.count(), 3u);
  ASSERT_TRUE(waitFor([&] { return table.hasFinished(0); }));
  EXPECT_EQ(again.load(), 1);
  EXPECT_EQ(fired.load(), 1) << "the first one-shot ran again";
}

TEST_F(TimerTableTest, ThirtyFourthRunningTimerDoublesTheTable) {
  EXPECT_EQ(table.capacity(), 33u);
  EXPECT_EQ(table.count(), 0u);
  for (int32_t i = 0; i < 33; ++i) ASSERT_EQ(table.add(kNever, neverCalled, nullptr), i);
  EXPECT_EQ(table.capacity(), 33u);
  EXPECT_EQ(table.add(kNever, neverCalled, nullptr), 33);
  EXPECT_EQ(table.capacity(), 66u);
  EXPECT_EQ(table.count(), 34u);
}

TEST_F(TimerTableTest, RemovedSlotIsReusedAndTheOthersKeepRunning) {
  std::atomic<int> ticks{0};
  EXPECT_EQ(table.add(kNever, neverCalled, nullptr), 0);
  EXPECT_EQ(table.add(1, countAndRepeat, &ticks), 1);
  table.remove(0);
  EXPECT_EQ(table.add(kNever, neverCalled, nullptr), 0);
  const int before = ticks.load();
  EXPECT_TRUE(waitFor([&] { return ticks.load() > before + 2; })) << "the repeating timer stopped";
}

TEST_F(TimerTableTest, RemovingAFiredOneShotFreesItsSlot) {
  std::atomic<int> fired{0};
  EXPECT_EQ(table.add(kNever, neverCalled, nullptr), 0);
  EXPECT_EQ(table.add(1, countOnce, &fired), 1);
  ASSERT_TRUE(waitFor([&] { return table.hasFinished(1); }));
  table.remove(1);
  EXPECT_FALSE(table.hasFinished(1));
  EXPECT_EQ(table.add(kNever, neverCalled, nullptr), 1);
  EXPECT_EQ(fired.load(), 1);
}

TEST_F(TimerTableTest, HandlesOutsideTheTableAreIgnored) {
  std::atomic<int> ticks{0};
  ASSERT_EQ(table.add(1, countAndRepeat, &ticks), 0);
  ASSERT_EQ(table.add(kNever, neverCalled, nullptr), 1);
  const struct {
    const char* name;
    int32_t handle;
  } rows[] = {
      {"no timer", -1},          {"very negative", INT32_MIN}, {"the count", 2},
      {"inside the capacity", 32}, {"past the capacity", 1000},  {"largest", INT32_MAX},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    table.remove(row.handle);
    EXPECT_EQ(table.count(), 2u);
    EXPECT_FALSE(table.hasFinished(row.handle));
  }
  const int before = ticks.load();
  EXPECT_TRUE(waitFor([&] { return ticks.load() > before + 2; })) << "a stray remove stopped a timer";
  EXPECT_EQ(table.add(kNever, neverCalled, nullptr), 2);
}

// A callback that is slow, so the main thread removes its timer while it runs.
struct SlowCallback {
  std::atomic<bool> entered{false};
  std::atomic<bool> done{false};
  std::atomic<int> calls{0};

  static uint32_t run(uint32_t interval, void* data) {
    auto* self = static_cast<SlowCallback*>(data);
    self->entered = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ++self->calls;
    self->done = true;
    return interval;
  }
};

TEST_F(TimerTableTest, RemoveWaitsForTheRunningCallbackAndNothingRunsAfterIt) {
  auto* slow = new SlowCallback();
  const int32_t handle = table.add(1, SlowCallback::run, slow);
  ASSERT_TRUE(waitFor([&] { return slow->entered.load(); }));
  table.remove(handle);
  EXPECT_TRUE(slow->done.load()) << "remove returned while the callback was still running";
  const int calls = slow->calls.load();
  // The user data is gone at once, as a holder would free it; ASan sees any later use.
  delete slow;
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_GE(calls, 1);
  EXPECT_EQ(table.add(kNever, neverCalled, nullptr), handle);
}

// A repeating callback that stops its own timer on its first call.
struct SelfRemover {
  Kettar::TimerTable* table = nullptr;
  std::atomic<int32_t> handle{-1};
  std::atomic<int> calls{0};

  static uint32_t run(uint32_t interval, void* data) {
    auto* self = static_cast<SelfRemover*>(data);
    ++self->calls;
    self->table->remove(self->handle);
    self->handle = -1;
    return interval;
  }
};

TEST_F(TimerTableTest, CallbackMayRemoveItsOwnTimer) {
  SelfRemover remover;
  remover.table = &table;
  // The first call waits until add has returned, but the handle must be known before.
  remover.handle = 0;
  ASSERT_EQ(table.add(1, SelfRemover::run, &remover), 0);
  ASSERT_TRUE(waitFor([&] { return remover.calls.load() > 0; }));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(remover.calls.load(), 1);
  EXPECT_EQ(remover.handle, -1);
  EXPECT_EQ(table.add(kNever, neverCalled, nullptr), 0);
}

TEST_F(TimerTableTest, RemoveAllStopsEveryTimer) {
  std::atomic<int> ticks{0};
  for (int i = 0; i < 5; ++i) table.add(1, countAndRepeat, &ticks);
  auto* slow = new SlowCallback();
  table.add(1, SlowCallback::run, slow);
  ASSERT_TRUE(waitFor([&] { return slow->entered.load() && ticks.load() > 5; }));
  table.removeAll();
  EXPECT_EQ(table.count(), 0u);
  EXPECT_EQ(table.capacity(), 33u);
  delete slow;
  const int after = ticks.load();
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(ticks.load(), after);
  EXPECT_EQ(table.add(kNever, neverCalled, nullptr), 0);
}

TEST(TimerTableTrampoline, TokenOfNoTimerEndsTheCall) {
  // Tokens count up from 1; the largest value is never reached.
  const uintptr_t neverIssued = std::numeric_limits<uintptr_t>::max();
  EXPECT_EQ(Kettar::TimerTable::trampoline(10, reinterpret_cast<void*>(neverIssued)), 0u);
}

TEST(TimerTableWithoutSdl, EntriesAreFreedWithoutTouchingSdl) {
  // What the process-wide table meets at exit after SDL_Quit.
  Kettar::TimerTable table;
  EXPECT_EQ(table.add(kNever, neverCalled, nullptr), 0);
  EXPECT_EQ(table.add(kNever, neverCalled, nullptr), 1);
  table.remove(0);
  EXPECT_EQ(table.add(kNever, neverCalled, nullptr), 0);
}

// A timer whose slot the table cannot grow for: no timer starts, -1 says so, and the table is
// as it was. The table is full at 8448 slots (33 doubled eight times), 66 KB that would have to
// grow to 132 KB; the entry, its token and SDL's own record still find room in the 16 KB left.
TEST(TimerTableMemory, ATimerTheTableCannotHoldNeverRuns) {
  if (!test_support::kNewThrowsWhenMemoryRunsOut) GTEST_SKIP() << "memory that runs out ends this build";
  constexpr int32_t kFull = 33 << 8;
  const int broken = test_support::runWithLittleMemory(std::size_t(64) << 20, [](bool limited) {
    if (!limited) return test_support::kNotLimitedThere;
    if (SDL_Init(SDL_INIT_TIMER) != 0) return 64;
    Kettar::TimerTable table;
    for (int32_t i = 0; i < kFull; ++i)
      if (table.add(kNever, neverCalled, nullptr) != i) return 64;
    if (table.capacity() != uint32_t(kFull)) return 64;
    std::atomic<int> fired{0};
    if (!test_support::useUpMemory(16 << 10)) return test_support::kNotLimitedThere;
    int bits = table.add(1, countOnce, &fired) == -1 ? 0 : 1;
    if (table.count() != uint32_t(kFull) || table.capacity() != uint32_t(kFull)) bits |= 2;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    if (fired.load() != 0) bits |= 4;
    return bits;
  });
  if (broken == test_support::kNoChildHere || broken == test_support::kNotLimitedThere)
    GTEST_SKIP() << "no process of limited memory here";
  EXPECT_EQ(broken, 0) << "1: a handle; 2: the table changed; 4: the timer ran; 64: no full table; "
                          "-1: the child crashed";
}

}  // namespace
