// The arm's eight directions, free aiming and the held-key table.

#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

#include "ferrox/link.h"
#include "hero_fixture.h"
#include "kettar/callback_interface.h"

namespace {

using herotest::HeroWorld;

constexpr float kDt = 0.002f;

struct Direction {
  const char* name;
  std::function<void(Hero&)> press;
  float absolute;  // body angle + arm angle, degrees
};

const std::vector<Direction>& directions() {
  static const std::vector<Direction> table = {
      {"up", [](Hero& h) { h.keyUp(false, kDt); }, 0.0f},
      {"up-left", [](Hero& h) { h.keyUpLeft(false, kDt); }, 45.0f},
      {"left", [](Hero& h) { h.keyLeft(kDt); }, 90.0f},
      {"down-left", [](Hero& h) { h.keyDownLeft(false, kDt); }, 135.0f},
      {"down", [](Hero& h) { h.keyDown(false, kDt); }, 180.0f},
      {"down-right", [](Hero& h) { h.keyDownRight(false, kDt); }, -135.0f},
      {"right", [](Hero& h) { h.keyRight(kDt); }, -90.0f},
      {"up-right", [](Hero& h) { h.keyUpRight(false, kDt); }, -45.0f},
  };
  return table;
}

class HeroKeys : public HeroWorld {};

// Without C the keys point the arm absolutely, whatever the body's tilt; the
// next step puts the arm quark there, a quarter unit from the hinge.
TEST_F(HeroKeys, DirectionTableAtBodyAngles0And30) {
  for (float tilt : {0.0f, 30.0f}) {
    for (const Direction& d : directions()) {
      SCOPED_TRACE(std::string(d.name) + " at body angle " + std::to_string(tilt));
      Hero& h = makeHero();
      if (tilt != 0.0f) h.body()->rotate(tilt);
      ASSERT_TRUE(playStep());
      EXPECT_NEAR(h.bodyAngle(), tilt, 1e-3f);
      d.press(h);
      EXPECT_NEAR(h.bodyAngle() + h.armAngle(), d.absolute, 1e-3f);
      EXPECT_NEAR(h.armAngle(), d.absolute - tilt, 1e-3f);

      const Vec2 hinge = h.hingeQuark()->position;
      ASSERT_TRUE(playStep());
      // The arm was placed from the hinge before the body moved in this step.
      const float a = (h.bodyAngle() + h.armAngle()) * 3.14159265f / 180.0f;
      const Vec2 arm = h.armQuark()->position - hinge;
      EXPECT_NEAR(arm.x, -std::sin(a) * Hero::kArmLength, 2e-3f);
      EXPECT_NEAR(arm.y, std::cos(a) * Hero::kArmLength, 2e-3f);
      hero.reset();
    }
  }
}

TEST_F(HeroKeys, FreeAimTurnsPointEightDegreesAStep) {
  Hero& h = makeHero();
  ASSERT_EQ(h.armAngle(), -90.0f);
  h.keyUp(true, kDt);  // toward the body's up direction
  EXPECT_NEAR(h.armAngle(), -89.2f, 1e-4f);
  h.keyDown(true, kDt);
  h.keyDown(true, kDt);  // away from it
  EXPECT_NEAR(h.armAngle(), -90.8f, 1e-4f);

  // Held long enough, the arm stops within 4 degrees of up and 178 of it.
  for (int i = 0; i < 1000; ++i) h.keyUp(true, kDt);
  EXPECT_LE(std::fabs(h.armAngle()), 4.0f);
  EXPECT_GT(std::fabs(h.armAngle()), 3.0f);
  for (int i = 0; i < 1000; ++i) h.keyDown(true, kDt);
  EXPECT_GE(std::fabs(h.armAngle()), 178.0f);
  EXPECT_LT(std::fabs(h.armAngle()), 179.0f);

  // Straight up (an arm angle of exactly 0) has no side to turn toward.
  h.keyUp(false, kDt);
  ASSERT_EQ(h.armAngle(), 0.0f);
  h.keyDown(true, kDt);
  EXPECT_EQ(h.armAngle(), 0.0f);

  // Left and Right snap the arm even while C is held.
  h.keyLeft(kDt);
  EXPECT_EQ(h.armAngle(), 90.0f);
}

TEST_F(HeroKeys, HeldKeyPriority) {
  struct Row {
    const char* name;
    std::vector<int> keys;
    float armAngle;   // from the start at -90 with body angle 0
    float wheelSpin;  // 800 after a drive to the left, -800 to the right
  };
  const Row rows[] = {
      {"nothing held", {}, -90.0f, 0.0f},
      {"up", {SDLK_UP}, 0.0f, 0.0f},
      {"up wins over down", {SDLK_UP, SDLK_DOWN}, 0.0f, 0.0f},
      {"up, left and right: up-left", {SDLK_UP, SDLK_LEFT, SDLK_RIGHT}, 45.0f, 800.0f},
      {"up and right", {SDLK_UP, SDLK_RIGHT}, -45.0f, -800.0f},
      {"down", {SDLK_DOWN}, 180.0f, 0.0f},
      {"down and left", {SDLK_DOWN, SDLK_LEFT}, 135.0f, 800.0f},
      {"down and right", {SDLK_DOWN, SDLK_RIGHT}, -135.0f, -800.0f},
      {"down, left and right: down-left", {SDLK_DOWN, SDLK_LEFT, SDLK_RIGHT}, 135.0f, 800.0f},
      {"left wins over right", {SDLK_LEFT, SDLK_RIGHT}, 90.0f, 800.0f},
      {"right", {SDLK_RIGHT}, -90.0f, -800.0f},
      {"C and up: free aim up", {SDLK_c, SDLK_UP}, -89.2f, 0.0f},
      {"C and down-right: free aim down, drive right", {SDLK_c, SDLK_DOWN, SDLK_RIGHT}, -90.8f,
       -800.0f},
      {"C and left still snaps", {SDLK_c, SDLK_LEFT}, 90.0f, 800.0f},
      {"C alone", {SDLK_c}, -90.0f, 0.0f},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Hero& h = makeHero();
    uint8_t keys[Kettar::kKeyCount] = {};
    for (int k : row.keys) keys[k] = 1;
    h.holdKeys(keys, kDt);
    EXPECT_NEAR(h.armAngle(), row.armAngle, 1e-4f);
    EXPECT_EQ(h.wheelSpin(), row.wheelSpin);
    hero.reset();
  }
}

}  // namespace
