#include "kettar/random_step.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

namespace {

TEST(RandomStep, TenthStepsOverTheUnitRangeGiveZeroToNineTenths) {
  std::srand(11);
  std::set<float> seen;
  for (int i = 0; i < 2000; ++i) {
    const Vec3 v = Kettar::randomStep(Vec3(0, 0, 0), Vec3(1, 1, 1), 0.1f);
    seen.insert(v.x);
    seen.insert(v.y);
    seen.insert(v.z);
  }
  std::set<float> expected;
  for (int k = 0; k < 10; ++k) expected.insert(static_cast<float>(k) * 0.1f);
  EXPECT_EQ(seen, expected);
}

TEST(RandomStep, ComponentsAreDrawnLastToFirst) {
  std::srand(5);
  const int first = std::rand(), second = std::rand(), third = std::rand(), fourth = std::rand();
  std::srand(5);
  const Vec4 v = Kettar::randomStep(Vec4(0, 10, 20, 30), Vec4(100, 110, 120, 130), 1.0f);
  EXPECT_EQ(v.w, 30.0f + static_cast<float>(first % 100));
  EXPECT_EQ(v.z, 20.0f + static_cast<float>(second % 100));
  EXPECT_EQ(v.y, 10.0f + static_cast<float>(third % 100));
  EXPECT_EQ(v.x, static_cast<float>(fourth % 100));
  std::srand(5);
  const Vec3 u = Kettar::randomStep(Vec3(0, 0, 0), Vec3(50, 50, 50), 0.5f);
  EXPECT_EQ(u.z, static_cast<float>(first % 100) * 0.5f);
  EXPECT_EQ(u.x, static_cast<float>(third % 100) * 0.5f);
}

TEST(RandomStep, RangeSmallerThanTheStepGivesTheMinimumWithoutDrawing) {
  std::srand(3);
  const int first = std::rand();
  std::srand(3);
  // Only y has room for a step; x and z keep their minimum and use no draw.
  const Vec3 v = Kettar::randomStep(Vec3(1, 0, -2), Vec3(1.5f, 10, -1.75f), 1.0f);
  EXPECT_EQ(v.x, 1.0f);
  EXPECT_EQ(v.z, -2.0f);
  EXPECT_EQ(v.y, static_cast<float>(first % 10));
}

TEST(RandomStep, DegenerateStepsAndRangesGiveTheMinimum) {
  const struct {
    const char* name;
    Vec4 min, max;
    float step;
  } rows[] = {
      {"zero step", Vec4(1, 2, 3, 4), Vec4(9, 9, 9, 9), 0.0f},
      {"negative step", Vec4(1, 2, 3, 4), Vec4(9, 9, 9, 9), -0.1f},
      {"max below min", Vec4(1, 2, 3, 4), Vec4(0, 0, 0, 0), 0.5f},
      {"empty range", Vec4(1, 2, 3, 4), Vec4(1, 2, 3, 4), 0.5f},
      {"NaN bound", Vec4(1, 2, 3, 4), Vec4(std::nanf(""), std::nanf(""), std::nanf(""), std::nanf("")), 0.5f},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Kettar::randomStep(row.min, row.max, row.step), row.min);
  }
}

TEST(RandomStep, HugeRangeStaysInsideIt) {
  std::srand(9);
  for (int i = 0; i < 100; ++i) {
    const Vec3 v = Kettar::randomStep(Vec3(0, 0, 0), Vec3(3e38f, 3e38f, 3e38f), 1e-30f);
    EXPECT_GE(v.x, 0.0f);
    EXPECT_LE(v.x, 3e38f);
  }
}

}  // namespace
