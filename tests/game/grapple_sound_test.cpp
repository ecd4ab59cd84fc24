// The rope's three sound groups with a real mixer on SDL's dummy audio driver.

#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <string>

#include "grapple_fixture.h"
#include "hero_fixture.h"
#include "objects_fixture.h"

namespace {

using ropetest::RopeWorld;

class RopeSound : public RopeWorld {
 public:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(mixer_.start());
    RopeWorld::SetUp();
  }
  void TearDown() override {
    RopeWorld::TearDown();
    mixer_.stop();
  }
  // Channels playing now; then all halted.
  int playingThenHalt() {
    const int n = Mix_Playing(-1);
    Mix_HaltChannel(-1);
    return n;
  }

  objectstest::DummyMixer mixer_;
  herotest::DataRoot root;
};

// One run, since every rope shares the groups for the whole process.
TEST_F(RopeSound, ThrowHookAndReleaseOnlyWhenTheyShould) {
  for (const char* group : {"lancio", "aggancio", "sgancio"}) {
    for (int i = 1; i <= 7; ++i) {
      root.writeFile(std::string("data/audio/sounds/") + group + "/0" + std::to_string(i) + ".wav",
                     herotest::wavBytes(44100));
    }
  }
  Grapple::loadSounds(root.path());
  Mix_HaltChannel(-1);

  fire(Vec2(0.0f, 1.0f));
  EXPECT_EQ(playingThenHalt(), 1) << "thrown";
  int steps = 0;
  while (playStep()) ++steps;
  EXPECT_GT(steps, 100);
  EXPECT_EQ(playingThenHalt(), 0) << "dropped at the quark limit, silently";

  fire(Vec2(0.0f, 1.0f));
  playingThenHalt();
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(playStep());
  Grapple::release(std::move(rope));
  notifier.rope = nullptr;
  EXPECT_EQ(playingThenHalt(), 0) << "a flying rope lets go silently";

  addStiffBox(Vec2(-6.0f, 2.5f), 0.5f);
  fire(Vec2(0.0f, 1.0f));
  playingThenHalt();
  ASSERT_TRUE(playUntilSettled());
  ASSERT_TRUE(rope && rope->hooked());
  EXPECT_EQ(playingThenHalt(), 1) << "hooked";
  for (int i = 0; i < 10; ++i) ASSERT_TRUE(playStep());
  EXPECT_EQ(playingThenHalt(), 0);
  Grapple::release(std::move(rope));
  notifier.rope = nullptr;
  EXPECT_EQ(playingThenHalt(), 1) << "released";
}

}  // namespace
