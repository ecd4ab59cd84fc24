#include "game/end.h"

#include <SDL_keysym.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "game/level_file.h"
#include "game/pause_state.h"
#include "screen_test_support.h"
#include "temp_folder.h"

namespace {

using screen_test::CoutCapture;
using screen_test::FakeHost;
using screen_test::TestEngine;
using screen_test::tap;

using test_files::readAll;

float bestTimeIn(const std::vector<uint8_t>& bytes) {
  float t = 0;
  std::memcpy(&t, &bytes[LevelFile::kBestTimeOffset], 4);
  return t;
}

// A level ended on the end screen; the level file is a header and a block of
// bytes that only the best-time write may leave alone or touch.
class EndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    engine_ = std::make_unique<TestEngine>();
    Kettar::engine = engine_.get();
    host.levelPath = folder_.path("level.orl");
    host.menu = &menuScreen_;
    end = std::make_unique<End>(&host);
  }
  void TearDown() override {
    Kettar::engine = nullptr;
  }

  void writeLevelFile(float best) {
    std::ostringstream out;
    LevelFile::writeHeader(out, best);
    std::string bytes = out.str();
    for (int i = 0; i < 40; ++i) bytes += static_cast<char>(i * 37 + 5);
    std::ofstream(host.levelPath, std::ios::binary) << bytes;
  }

  // The end screen shown with the game in this state.
  void endLevel(float health, float kept, float best) {
    host.health = health;
    host.kept = kept;
    host.best = best;
    host.calls.clear();
    engine_->current = end.get();
  }

  std::unique_ptr<TestEngine> engine_;
  screen_test::PlayScreen menuScreen_;
  FakeHost host;
  std::unique_ptr<End> end;
  test_files::TempFolder folder_{"end_test"};
};

TEST_F(EndTest, OutcomesAndWhatTheyStore) {
  struct Row {
    const char* name;
    float health;
    float kept;
    float best;
    EndOutcome outcome;
    const char* calls;
  } rows[] = {
      {"death stores nothing whatever the time", 0.0f, 3.0f, 9999.0f, EndOutcome::kDied,
       "leaveLevel"},
      {"below zero health is a death", -25.0f, 3.0f, 9999.0f, EndOutcome::kDied, "leaveLevel"},
      {"a level never finished: any time is a record", 100.0f, 12.5f, 9999.0f, EndOutcome::kRecord,
       "storeRecord, leaveLevel"},
      {"faster than the record", 40.0f, 19.75f, 20.0f, EndOutcome::kRecord,
       "storeRecord, leaveLevel"},
      {"an equal time is no record", 100.0f, 20.0f, 20.0f, EndOutcome::kNoRecord, "leaveLevel"},
      {"slower is no record", 100.0f, 31.0f, 20.0f, EndOutcome::kNoRecord, "leaveLevel"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    writeLevelFile(row.best);
    const std::vector<uint8_t> before = readAll(host.levelPath);
    endLevel(row.health, row.kept, row.best);
    EXPECT_EQ(end->outcome(), row.outcome);
    tap(*end, engine_->keys, 'q');
    EXPECT_EQ(host.joinedCalls(), row.calls);
    EXPECT_EQ(engine_->current, &menuScreen_);

    std::vector<uint8_t> after = readAll(host.levelPath);
    ASSERT_EQ(after.size(), before.size());
    if (row.outcome == EndOutcome::kRecord) {
      EXPECT_EQ(bestTimeIn(after), row.kept);
      EXPECT_EQ(host.best, row.kept);
      // Only bytes 12-15 changed.
      std::memcpy(&after[LevelFile::kBestTimeOffset], &before[LevelFile::kBestTimeOffset], 4);
    }
    EXPECT_EQ(after, before);
  }
}

TEST_F(EndTest, AFailedWriteIsReportedTheFileKeptAndTheMenuFollows) {
  // Too short for a level file: the write refuses it and leaves it alone.
  const std::string damaged = "not a level";
  std::ofstream(host.levelPath, std::ios::binary) << damaged;
  endLevel(100.0f, 12.5f, 9999.0f);
  CoutCapture log;
  tap(*end, engine_->keys, SDLK_RETURN);
  EXPECT_EQ(log.text(), "!![Ombrel] cannot write the best time into the level file\n");
  const std::vector<uint8_t> after = readAll(host.levelPath);
  EXPECT_EQ(std::string(after.begin(), after.end()), damaged);
  EXPECT_EQ(host.joinedCalls(), "storeRecord, leaveLevel");
  EXPECT_EQ(engine_->current, &menuScreen_);
}

TEST_F(EndTest, EveryPressLeavesAndNoReleaseActs) {
  const int32_t keys[] = {SDLK_LSHIFT, SDLK_RCTRL, SDLK_ESCAPE, SDLK_SPACE, SDLK_RETURN, 'z'};
  for (int32_t key : keys) {
    SCOPED_TRACE(key);
    endLevel(100.0f, 30.0f, 20.0f);
    engine_->keys[key] = 0;
    end->keyEvent(engine_->keys, key);
    EXPECT_EQ(host.joinedCalls(), "");
    engine_->keys[key] = 1;
    end->keyEvent(engine_->keys, key);
    engine_->keys[key] = 0;
    EXPECT_EQ(host.joinedCalls(), "leaveLevel");
  }
  // A key outside the key-state array is never a press.
  endLevel(100.0f, 30.0f, 20.0f);
  end->keyEvent(engine_->keys, Kettar::kKeyCount);
  end->keyEvent(engine_->keys, -1);
  EXPECT_EQ(host.joinedCalls(), "");
}

TEST_F(EndTest, PauseScreenKeys) {
  PauseState pause(&host);
  struct Row {
    const char* name;
    int32_t key;
    const char* calls;
  } rows[] = {
      {"Enter resumes the level", SDLK_RETURN, "resumeLevel"},
      {"Esc abandons it", SDLK_ESCAPE, "leaveLevel"},
      {"any other key does nothing", 'p', ""},
      {"nor does the keypad's Enter", SDLK_KP_ENTER, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    host.calls.clear();
    tap(pause, engine_->keys, row.key);
    EXPECT_EQ(host.joinedCalls(), row.calls);
  }
}

}  // namespace
