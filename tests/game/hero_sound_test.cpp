// The looping wheel sound with a real mixer on SDL's dummy audio driver.

#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include "ferrox/grid.h"
#include "ferrox/link.h"
#include "hero_fixture.h"
#include "kettar/mixer.h"
#include "objects_fixture.h"

namespace {

using herotest::HeroWorld;
using herotest::recordContact;
using herotest::wavBytes;

constexpr float kDt = 0.002f;

class HeroSound : public HeroWorld {
 protected:
  void SetUp() override {
    ASSERT_NO_FATAL_FAILURE(mixer_.start());
    HeroWorld::SetUp();
  }
  void TearDown() override {
    HeroWorld::TearDown();
    mixer_.stop();
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

  objectstest::DummyMixer mixer_;
};

// One run, since the heroes share their sound handles for the whole process.
TEST_F(HeroSound, JumpTouchAndWheel) {
  // Two seconds each, so nothing ends while the test looks.
  for (const char* group : {"salto", "tocco"}) {
    for (int i = 1; i <= 7; ++i) {
      root.writeFile(std::string("data/audio/sounds/") + group + "/0" + std::to_string(i) + ".wav",
                     wavBytes(44100));
    }
  }
  addGround(Vec2(-5.0f, -1.0f), Vec2(5.0f, -1.0f));

  struct Row {
    const char* name;
    bool grounded;  // a contact in the step before
    Vec2 landing;   // velocity of the touching quarks when the next contact comes
    bool jump;      // jump instead of landing
    int sounds;     // channels started
  };
  const Row rows[] = {
      {"jump on the ground", true, Vec2(), true, 1},
      {"jump in the air: no sound", false, Vec2(), true, 0},
      {"fast landing across the edge", false, Vec2(0.5f, -3.0f), false, 1},
      {"slow landing: no sound", false, Vec2(0.0f, -1.5f), false, 0},
      {"fast slide along the edge: no sound", false, Vec2(3.0f, -1.0f), false, 0},
      {"fast touch while on the ground: no sound", true, Vec2(0.0f, -3.0f), false, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Hero& h = makeHero();
    if (row.grounded) {
      recordContact(h, ground->links[0]);
      ASSERT_TRUE(playStep());
    }
    Mix_HaltChannel(-1);
    if (row.jump) {
      h.jump();
    } else {
      for (ferrox::Quark* q : h.body()->quarks) q->setVelocity(row.landing);
      recordContact(h, ground->links[0]);
      ASSERT_TRUE(playStep());
      EXPECT_TRUE(h.onGround());
    }
    EXPECT_EQ(Mix_Playing(-1), row.sounds);
    Mix_HaltChannel(-1);
    hero.reset();
  }

  root.writeFile("bystander.wav", wavBytes(2000));
  const int32_t other = mixer_.get()->loadSound((root.path() + "bystander.wav").c_str());
  ASSERT_GE(other, 0);
  const int bystander = mixer_.get()->playSound(other, true, 1.0f, 1.0f, 2.0f, 1.0f);
  ASSERT_GE(bystander, 0);

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
