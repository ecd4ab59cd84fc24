// The looping wheel sound with a real mixer on SDL's dummy audio driver.

#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <cstdlib>

#include "ferrox/grid.h"
#include "hero_fixture.h"
#include "kettar/app_config.h"
#include "kettar/mixer.h"

namespace {

using herotest::HeroWorld;
using herotest::recordContact;
using herotest::wavBytes;

constexpr float kDt = 0.002f;

class HeroSound : public HeroWorld {
 protected:
  void SetUp() override {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_EQ(SDL_Init(SDL_INIT_TIMER), 0) << SDL_GetError();
    mixer_ = std::make_unique<Kettar::Mixer>(&settings_, nullptr);
    ASSERT_TRUE(mixer_->active());
    Kettar::mixer = mixer_.get();
    HeroWorld::SetUp();
  }
  void TearDown() override {
    HeroWorld::TearDown();
    Kettar::mixer = nullptr;
    mixer_.reset();
    SDL_Quit();
  }

  // Grounded by a contact, driving right: the wheel spins at 800 degrees/s.
  void driveOnGround(Hero& h) {
    recordContact(h, ground->links[0]);
    h.keyRight(kDt);
    ASSERT_TRUE(playStep());
    ASSERT_TRUE(h.onGround());
  }
  // No more contacts: the ground state ends seven steps later.
  void leaveGround(Hero& h) {
    for (int i = 0; i < 8; ++i) ASSERT_TRUE(playStep());
    ASSERT_FALSE(h.onGround());
  }

  Kettar::AudioConfig settings_;
  std::unique_ptr<Kettar::Mixer> mixer_;
};

// One run, since the heroes share their sound handles for the whole process.
TEST_F(HeroSound, WheelSoundWithAndWithoutItsFile) {
  root.writeFile("bystander.wav", wavBytes(2000));
  const int32_t other = mixer_->loadSound((root.path() + "bystander.wav").c_str());
  ASSERT_GE(other, 0);
  const int bystander = mixer_->playSound(other, true, 1.0f, 1.0f, 2.0f, 1.0f);
  ASSERT_GE(bystander, 0);
  addGround(Vec2(-5.0f, -1.0f), Vec2(5.0f, -1.0f));

  {
    SCOPED_TRACE("no wheel.wav: the wheel never takes a channel, and stopping halts nothing");
    Hero& h = makeHero();
    driveOnGround(h);
    EXPECT_FALSE(h.wheelSoundOn());
    EXPECT_EQ(h.wheelChannel(), -1);
    leaveGround(h);
    EXPECT_EQ(Mix_Playing(bystander), 1);
    hero.reset();
  }
  {
    SCOPED_TRACE("the next hero finds the file: the wheel loops while driving on the ground");
    root.writeFile("data/audio/sounds/wheel.wav", wavBytes(2000));
    Hero& h = makeHero();
    driveOnGround(h);
    ASSERT_TRUE(h.wheelSoundOn());
    const int wheel = h.wheelChannel();
    ASSERT_GE(wheel, 0);
    EXPECT_NE(wheel, bystander);
    EXPECT_EQ(Mix_Playing(wheel), 1);
    leaveGround(h);
    EXPECT_FALSE(h.wheelSoundOn());
    EXPECT_EQ(h.wheelChannel(), -1);
    EXPECT_EQ(Mix_Playing(wheel), 0);
    EXPECT_EQ(Mix_Playing(bystander), 1);
  }
}

}  // namespace
