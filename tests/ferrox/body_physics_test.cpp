// Bodies against closed-form answers at the game's step (dt 0.002, g (0, -9.81)).
// Tolerances come from the single-precision arithmetic of each scheme.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "body_test_support.h"
#include "ferrox/quark.h"
#include "ferrox/settings.h"
#include "ferrox/skeleton.h"

namespace {

using namespace ferrox;

constexpr float kDt = 0.002f;
constexpr double kPi = 3.14159265358979323846;

using BodyPhysicsTest = bodytest::SettingsFixture;

// Times at which x(t) - level crosses zero upward, linearly interpolated
// between steps.
struct CrossingClock {
  explicit CrossingClock(double level_) : level(level_) {}
  double level;
  double lastValue = 0.0;
  int step = 0;
  std::vector<double> times;

  void sample(double value) {
    const double v = value - level;
    if (step > 0 && lastValue < 0.0 && v >= 0.0) {
      const double f = -lastValue / (v - lastValue);
      times.push_back((step - 1 + f) * kDt);
    }
    lastValue = v;
    ++step;
  }
  double meanPeriod() const {
    return (times.back() - times.front()) / static_cast<double>(times.size() - 1);
  }
};

// Semi-implicit Euler from rest: v_n = -g·dt·n and y_n = -g·dt²·n(n+1)/2, which
// is -g·t²/2 plus the scheme's excess -g·dt·t/2 (0.00981 at 1 s).
TEST_F(BodyPhysicsTest, FreeFallOfASoftQuark) {
  QuarkSoft q(nullptr, Vec2(0.0f, 0.0f), 1.0f, 0.0f);
  const int n = 500;
  for (int i = 0; i < n; ++i) q.integrate(kDt);
  const double g = 9.81;
  const double dt = kDt;
  const double y = -g * dt * dt * n * (n + 1) / 2.0;
  EXPECT_NEAR(y, -4.91481, 1e-5);
  // Each of the 500 velocity sums rounds by at most half an ulp below 16
  // (4.8e-7): 2.4e-4. Each position sum rounds by half an ulp below 8
  // (2.4e-7): 1.2e-4, plus the velocity error carried over the 1 s: 2.4e-4.
  const double velocityTolerance = 500 * 4.8e-7;
  const double positionTolerance = 500 * 2.4e-7 + velocityTolerance;
  EXPECT_NEAR(q.velocity().y, -9.81, velocityTolerance);
  EXPECT_NEAR(q.position.y, y, positionTolerance);
  // The continuous answer is farther off than the scheme's excess allows.
  EXPECT_GT(std::fabs(q.position.y - (-g / 2.0)), 0.009);
}

// m v' = m g - c v with m = c = 0.01: per step v ← v(1 - c·dt/m) + g·dt, so
// v_n = -(m g / c)(1 - 0.998^n), tending to the terminal speed m g / c.
TEST_F(BodyPhysicsTest, DampedFallTendsToTheTerminalSpeed) {
  QuarkSoft q(nullptr, Vec2(0.0f, 0.0f), 0.01f, 0.01f);
  const double terminal = 9.81;
  // Before 1 s, 500 sums each round by at most half an ulp below 16 (4.8e-7).
  // Near the terminal speed the sum stops changing once the increment
  // (g - v·c/m)·dt is below that half ulp: within 4.8e-7 / (c·dt/m) = 2.4e-4.
  // The increment's own rounding adds well under 1e-5.
  const double tolerance = 2.5e-4;
  for (int i = 0; i < 500; ++i) q.integrate(kDt);
  const double after1s = -terminal * (1.0 - std::pow(0.998, 500));
  EXPECT_NEAR(after1s, -6.2047, 1e-4);
  EXPECT_NEAR(q.velocity().y, after1s, tolerance);
  for (int i = 0; i < 9500; ++i) q.integrate(kDt);  // 20 s: 0.998^10000 is 2e-9
  EXPECT_NEAR(q.velocity().y, -terminal, tolerance);
}

// A stiff bob on a rod of length 1 (stiffness 0) under a fixed pivot, released
// from 10°: T = 2π√(L/g)·(1 + θ²/16 + 11θ⁴/3072 + ...) = 2.0099 s.
TEST_F(BodyPhysicsTest, StiffPendulumPeriodAndLength) {
  Skeleton body(false);
  const double theta = 10.0 * kPi / 180.0;
  body.addQuark(kFixed, Vec2(0.0f, 0.0f), 1.0f, 0.0f);
  body.addQuark(kStiff, Vec2(static_cast<float>(std::sin(theta)), -static_cast<float>(std::cos(theta))),
                1.0f, 0.0f);
  Link* rod = body.addLink(kStiff, 0, 1, 0.0f, 0.0f, 0.0f, 0.0f);
  EXPECT_NEAR(rod->rest, 1.0f, 1e-6f);

  const double expected = 2.0 * kPi * std::sqrt(1.0 / 9.81) *
                          (1.0 + theta * theta / 16.0 + 11.0 * std::pow(theta, 4) / 3072.0);
  EXPECT_NEAR(expected, 2.0099, 1e-4);

  CrossingClock clock(0.0);
  double worstLength = 0.0;
  for (int i = 0; i < 6000; ++i) {  // 12 s, about six swings
    body.step(kDt);
    clock.sample(body.quarks[1]->position.x - body.quarks[0]->position.x);
    worstLength = std::fmax(worstLength, std::fabs(rod->length() - rod->rest));
  }
  ASSERT_GE(clock.times.size(), 5u);
  EXPECT_NEAR(clock.meanPeriod(), expected, 0.002 * expected);
  EXPECT_LT(worstLength, 1e-5);
}

// A soft quark of mass 1 on a spring of constant 100 (no damping, no gravity)
// to a fixed anchor: T = 2π√(m/k). Semi-implicit Euler shifts the period by
// (ω·dt)²/24 = 1.7e-5 of it; position rounding (ulp 1.2e-7 near 1, against an
// amplitude of 0.1) moves the phase by at most 6e-5 of the 10 measured periods.
TEST_F(BodyPhysicsTest, SoftSpringPeriod) {
  gravity = Vec2(0.0f, 0.0f);
  Skeleton body(false);
  body.addQuark(kFixed, Vec2(0.0f, 0.0f), 1.0f, 0.0f);
  body.addQuark(kSoft, Vec2(1.0f, 0.0f), 1.0f, 0.0f);
  Link* spring = body.addLink(kSoft, 0, 1, 0.0f, 100.0f, 0.0f, 0.0f);
  body.quarks[1]->setPosition(Vec2(1.1f, 0.0f));
  spring->solve();  // the first integration already feels the spring

  const double omega = 10.0;
  const double analytic = 2.0 * kPi / omega;
  CrossingClock clock(1.0);
  double lowest = 2.0;
  double highest = 0.0;
  for (int i = 0; i < 3300; ++i) {  // a little over ten periods
    body.step(kDt);
    const double x = body.quarks[1]->position.x;
    clock.sample(x);
    lowest = std::fmin(lowest, x);
    highest = std::fmax(highest, x);
  }
  ASSERT_GE(clock.times.size(), 10u);
  EXPECT_NEAR(clock.meanPeriod(), analytic, 1e-4 * analytic);
  // Undamped, the scheme keeps x's amplitude at A/√(1 - (ω·dt/2)²) = A·(1 + 5e-5),
  // and sampling on the step grid lowers a peak by at most A·(ω·dt)²/8 = 5e-6.
  EXPECT_NEAR(highest, 1.1, 1e-5);
  EXPECT_NEAR(lowest, 0.9, 1e-5);
}

// A damped spring loses amplitude by exp(-c·t/(2m)) per unit time.
TEST_F(BodyPhysicsTest, SoftSpringDampingDecaysTheSwing) {
  gravity = Vec2(0.0f, 0.0f);
  Skeleton body(false);
  body.addQuark(kFixed, Vec2(0.0f, 0.0f), 1.0f, 0.0f);
  body.addQuark(kSoft, Vec2(1.0f, 0.0f), 1.0f, 0.0f);
  Link* spring = body.addLink(kSoft, 0, 1, 0.4f, 100.0f, 0.0f, 0.0f);
  body.quarks[1]->setPosition(Vec2(1.1f, 0.0f));
  spring->solve();
  const int periodSteps = static_cast<int>(std::lround(2.0 * kPi / std::sqrt(100.0 - 0.04) / kDt));
  double peak = 0.0;
  for (int i = 0; i < 5 * periodSteps + periodSteps / 4; ++i) {
    body.step(kDt);
    if (i >= 5 * periodSteps - periodSteps / 4)
      peak = std::fmax(peak, body.quarks[1]->position.x - 1.0);
  }
  const double expected = 0.1 * std::exp(-0.4 / 2.0 * 5 * periodSteps * kDt);
  // The peak stands (γ/ω)² = 4e-4 off the envelope, sampling on the step grid
  // costs 5e-5, and the damping force, taken from the velocity after each
  // step, decays differently by order γ·dt per unit of γ·t (4e-4 here).
  EXPECT_NEAR(peak, expected, 2e-3 * expected);
}

}  // namespace
