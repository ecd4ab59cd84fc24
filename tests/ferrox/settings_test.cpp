#include "ferrox/settings.h"

#include <gtest/gtest.h>

#include "body_test_support.h"

namespace {

using namespace ferrox;

using SettingsTest = bodytest::SettingsFixture;

TEST_F(SettingsTest, Defaults) {
  EXPECT_EQ(gravity, Vec2(0.0f, -9.81f));
  EXPECT_EQ(dampingScale, 1.0f);
  EXPECT_EQ(frictionScale, 1.0f);
  EXPECT_EQ(internalCollisions, 0);
  EXPECT_EQ(sleepSmoothing, 0.998f);
  EXPECT_EQ(sleepThreshold, 0.1f);
}

TEST_F(SettingsTest, GravityFromMagnitudeAndAngle) {
  struct Row {
    const char* name;
    float magnitude;
    float degrees;
    Vec2 expected;
  } rows[] = {
      {"unit, straight down", 1.0f, 0.0f, {0.0f, -1.0f}},
      {"90 points along +x", 9.81f, 90.0f, {9.81f, 0.0f}},
      {"180 points up", 2.0f, 180.0f, {0.0f, 2.0f}},
      {"-90 points along -x", 3.0f, -90.0f, {-3.0f, 0.0f}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    setGravity(row.magnitude, row.degrees);
    // cos 90° in double is 6e-17, which survives as a tiny component.
    EXPECT_NEAR(gravity.x, row.expected.x, 1e-6f);
    EXPECT_NEAR(gravity.y, row.expected.y, 1e-6f);
  }
  setGravity(1.0f, 0.0f);
  EXPECT_EQ(gravity, Vec2(0.0f, -1.0f)) << "a unit vector is left exactly as it is";
}

TEST_F(SettingsTest, SettersStoreTheirValues) {
  setDampingScale(0.5f);
  setFrictionScale(2.0f);
  enableInternalCollisions();
  EXPECT_EQ(dampingScale, 0.5f);
  EXPECT_EQ(frictionScale, 2.0f);
  EXPECT_EQ(internalCollisions, 1);
}

}  // namespace
