#include "kettar/camera.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "kettar/viewport.h"

namespace {

void expectVec(const Vec3& v, float x, float y, float z, float tolerance = 1e-5f) {
  EXPECT_NEAR(v.x, x, tolerance);
  EXPECT_NEAR(v.y, y, tolerance);
  EXPECT_NEAR(v.z, z, tolerance);
}

bool finite(const Kettar::Quaternion& q) {
  return std::isfinite(q.w) && std::isfinite(q.x) && std::isfinite(q.y) && std::isfinite(q.z);
}

// The game's camera: eye at z 20 looking at the origin, 10 units of offset, rates 15/s and 10/s.
Kettar::Camera gameCamera() {
  Kettar::Camera camera;
  camera.init(Vec3(0, 0, 20), Vec3(0, 0, 0), Vec3(0, 0, 10), 0.0f, 0.75f, 0.5f);
  return camera;
}

TEST(Quaternion, RotatesAndComposesLikeTurns) {
  const Kettar::Quaternion quarterZ = Kettar::Quaternion::fromAxisDegrees(kAxisZ, 90.0f);
  expectVec(quarterZ.rotate(kAxisX), 0, 1, 0);
  const Kettar::Quaternion quarterX = Kettar::Quaternion::fromAxisDegrees(kAxisX, 90.0f);
  // X after Z: x → y → z.
  expectVec((quarterX * quarterZ).rotate(kAxisX), 0, 0, 1);
  Kettar::Quaternion zero(0, 0, 0, 0);
  zero.normalize();
  EXPECT_EQ(zero, Kettar::Quaternion());
  Kettar::Quaternion twice(2, 0, 0, 0);
  twice.normalize();
  EXPECT_EQ(twice, Kettar::Quaternion());
}

TEST(Camera, GameSetUpSnapsToTheStartAndEasesThreePercentPerStep) {
  Kettar::Camera camera = gameCamera();
  EXPECT_FLOAT_EQ(camera.positionRate, 15.0f);
  EXPECT_FLOAT_EQ(camera.rotationRate, 10.0f);
  EXPECT_FALSE(camera.snapPosition);
  EXPECT_FALSE(camera.snapRotation);
  expectVec(camera.position, 0, 0, 20);  // snapped without a followed position: no offset
  expectVec(camera.offset, 0, 0, 10);
  EXPECT_EQ(camera.orientation, Kettar::Quaternion());
  expectVec(camera.forward(), 0, 0, -1);
  EXPECT_FALSE(camera.changed);

  int n = 0;
  for (;;) {
    const float before = camera.position.z;
    camera.update(0.002f);
    if (camera.position.z == before) break;
    ++n;
    ASSERT_NEAR(camera.position.z, 30.0 - 10.0 * std::pow(0.97, n), 2e-4) << "step " << n;
    ASSERT_TRUE(camera.changed);
  }
  // Within √0.001 of the goal the eye stays where it is.
  EXPECT_LE(30.0f - camera.position.z, std::sqrt(0.001f));
  EXPECT_LT(30.0 - 10.0 * std::pow(0.97, n - 1), 30.0 - std::sqrt(0.001));
  EXPECT_FALSE(camera.changed);
  expectVec(camera.position, 0, 0, 30.0f - 10.0f * static_cast<float>(std::pow(0.97, n)), 2e-4f);
}

TEST(Camera, SmoothingOutsideTheUnitRangeJumpsInOneUpdate) {
  for (float smoothing : {1.0f, -0.5f, 3.0f}) {
    SCOPED_TRACE(smoothing);
    Kettar::Camera camera;
    camera.init(Vec3(0, 0, 20), Vec3(0, 0, 0), Vec3(0, 0, 10), 0.0f, smoothing, smoothing);
    EXPECT_TRUE(camera.snapPosition);
    EXPECT_TRUE(camera.snapRotation);
    camera.update(0.002f);
    expectVec(camera.position, 0, 0, 30);
    camera.rotate(true, kAxisY, 40.0f);
    camera.update(0.002f);
    EXPECT_EQ(camera.orientation, camera.targetOrientation);
  }
}

TEST(Camera, SnapWithAFollowedPositionKeepsTheOffset) {
  Kettar::Camera camera = gameCamera();
  const Vec3 hero(3, 4, 0);
  camera.followed = &hero;
  camera.update(0.002f);
  expectVec(camera.targetPosition, 3, 4, 0);
  camera.offset = Vec3(0, 0, 25);
  camera.snap();
  expectVec(camera.offset, 0, 0, 10);
  expectVec(camera.position, 3, 4, 10);
}

TEST(Camera, LookAtTurnsTheShortWayAndHalfATurnWhenOpposite) {
  Kettar::Camera camera = gameCamera();
  camera.lookAt(Vec3(1, 0, 0));
  expectVec(camera.forward(), 1, 0, 0);
  expectVec(camera.up(), 0, 1, 0);

  Kettar::Camera opposite = gameCamera();
  opposite.lookAt(Vec3(0, 0, 1));
  expectVec(opposite.forward(), 0, 0, 1);
  expectVec(opposite.up(), 0, 1, 0);  // about the up axis
}

TEST(Camera, LookingNowhereTurnsNothing) {
  Kettar::Camera camera = gameCamera();
  camera.lookAt(Vec3(1, 0, 0));
  const Kettar::Quaternion before = camera.targetOrientation;
  camera.lookAt(Vec3(0, 0, 0));
  EXPECT_EQ(camera.targetOrientation, before);
  camera.lookAtPoint(camera.targetPosition);
  EXPECT_EQ(camera.targetOrientation, before);
  EXPECT_TRUE(finite(camera.orientation));
}

TEST(Camera, OrientationsWithinATenthOfADegreeAreNotInterpolated) {
  Kettar::Camera camera = gameCamera();
  camera.position = Vec3(0, 0, 30);
  camera.rotate(true, kAxisY, 0.05f);
  const Kettar::Quaternion before = camera.orientation;
  camera.update(0.002f);
  EXPECT_EQ(camera.orientation, before);
  EXPECT_FALSE(camera.changed);
}

TEST(Camera, ATargetOnTheFarSideIsReachedTheShortWay) {
  Kettar::Camera camera = gameCamera();
  camera.position = Vec3(0, 0, 30);
  // The same turn of 90° about Y, written with the opposite sign.
  camera.targetOrientation = -Kettar::Quaternion::fromAxisDegrees(kAxisY, 90.0f);
  camera.update(0.05f);  // k = 0.5
  expectVec(camera.forward(), -std::sin(static_cast<float>(M_PI / 4)), 0, -std::cos(static_cast<float>(M_PI / 4)),
            1e-4f);
  EXPECT_TRUE(camera.changed);
}

TEST(Camera, AnOrientationAtItsTargetStaysFinite) {
  Kettar::Camera camera = gameCamera();
  camera.position = Vec3(0, 0, 30);
  for (float degrees : {13.0f, 77.7f, 123.4f, 179.9f, 271.0f}) {
    SCOPED_TRACE(degrees);
    Kettar::Quaternion q = Kettar::Quaternion::fromAxisDegrees(Vec3(0.48f, 0.6f, 0.64f), degrees);
    q.normalize();
    camera.orientation = q;
    camera.targetOrientation = q;
    camera.update(0.002f);
    EXPECT_TRUE(finite(camera.orientation));
    EXPECT_EQ(camera.orientation, q);
  }
}

TEST(Camera, MoveIsUndoneBeyondTheMaximumDistance) {
  Kettar::Camera camera = gameCamera();
  camera.maximumDistance = 25.0f;
  expectVec(camera.move(true, Vec3(1, 0, 0), 3.0f), 3, 0, 20);
  expectVec(camera.move(true, Vec3(1, 0, 0), 30.0f), 3, 0, 20);
  // In camera space the camera's forward (-Z) is world -Z for the game's camera.
  expectVec(camera.move(false, Vec3(0, 0, -1), 5.0f), 3, 0, 15);
}

// The game's camera rolled: looking down -z with its up turned about the view axis.
Kettar::Camera rolledCamera(float roll) {
  Kettar::Camera camera;
  camera.init(Vec3(0, 0, 20), Vec3(0, 0, 0), Vec3(0, 0, 10), roll, 0.75f, 0.5f);
  return camera;
}

TEST(Camera, RollTurnsUpAboutTheViewAxisFromNoRoll) {
  struct Row {
    const char* name;
    std::function<Kettar::Camera()> make;
    Vec3 forward, up;
  };
  const Row rows[] = {
      {"init with roll 30", [] { return rolledCamera(30.0f); }, Vec3(0, 0, -1), Vec3(0.5f, 0.866025f, 0)},
      {"roll -90 after 30 replaces it",
       [] {
         Kettar::Camera c = rolledCamera(30.0f);
         c.setRoll(-90.0f);
         return c;
       },
       Vec3(0, 0, -1), Vec3(-1, 0, 0)},
      {"looking along +x, roll 90",
       [] {
         Kettar::Camera c = gameCamera();
         c.lookAt(Vec3(1, 0, 0));
         c.setRoll(90.0f);
         return c;
       },
       Vec3(1, 0, 0), Vec3(0, 0, 1)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Kettar::Camera camera = row.make();
    // Not eased: the orientation is the target at once.
    EXPECT_EQ(camera.orientation, camera.targetOrientation);
    expectVec(camera.forward(), row.forward.x, row.forward.y, row.forward.z);
    expectVec(camera.up(), row.up.x, row.up.y, row.up.z);
  }
  // The roll given to init is part of the orientation that snap returns to.
  Kettar::Camera camera = rolledCamera(30.0f);
  camera.rotate(true, kAxisX, 50.0f);
  camera.update(1.0f);
  camera.snap();
  expectVec(camera.up(), 0.5f, 0.866025f, 0);
}

TEST(Camera, RotateTakesACameraSpaceAxisThroughTheTargetOrientation) {
  // Rolled 90°: the camera's up is world +x and its right world -y.
  struct Row {
    const char* name;
    bool worldAxis;
    Vec3 axis;
    Vec3 forward, up;  // of the target orientation after a turn of 90°
  };
  const Row rows[] = {
      {"about the camera's up", false, kAxisY, Vec3(0, 1, 0), Vec3(1, 0, 0)},
      {"about the camera's right", false, kAxisX, Vec3(1, 0, 0), Vec3(0, 0, 1)},
      {"about the world's y", true, kAxisY, Vec3(-1, 0, 0), Vec3(0, 0, -1)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Kettar::Camera camera = rolledCamera(90.0f);
    camera.rotate(row.worldAxis, row.axis, 90.0f);
    expectVec(camera.targetOrientation.rotate(-kAxisZ), row.forward.x, row.forward.y, row.forward.z);
    expectVec(camera.targetOrientation.rotate(kAxisY), row.up.x, row.up.y, row.up.z);
    // Only the target turns; update eases toward it.
    expectVec(camera.forward(), 0, 0, -1);
    expectVec(camera.up(), 1, 0, 0);
  }
}

TEST(Camera, RotateAboutTurnsTheTargetAroundThePivot) {
  Kettar::Camera camera = gameCamera();
  camera.rotateAbout(Vec3(0, 0, 0), true, kAxisY, 90.0f);
  expectVec(camera.targetPosition, 20, 0, 0, 1e-4f);
  camera.update(1.0f);  // k ≥ 1 copies the target
  expectVec(camera.forward(), -1, 0, 0, 1e-5f);
}

TEST(Viewport, FieldOfViewFollowsTheHeightUnlessStretched) {
  struct Row {
    int width, height;
    float fov, aspect;
  };
  const Row rows[] = {{800, 600, 27.4435f, 800.0f / 600.0f}, {1024, 768, 35.0803f, 1024.0f / 768.0f}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.height);
    Kettar::Viewport viewport;
    viewport.setSize(row.width, row.height);
    EXPECT_NEAR(viewport.fieldOfView, row.fov, 1e-4);
    EXPECT_FLOAT_EQ(viewport.aspect, row.aspect);
    EXPECT_EQ(viewport.width, row.width);
    EXPECT_EQ(viewport.height, row.height);
  }
  Kettar::Viewport stretched;
  stretched.stretch = true;
  stretched.aspect = 1.5f;
  stretched.setSize(1024, 768);
  EXPECT_FLOAT_EQ(stretched.fieldOfView, 45.0f);
  EXPECT_FLOAT_EQ(stretched.aspect, 1.5f);
  EXPECT_EQ(stretched.height, 768);
}

TEST(Viewport, ACollapsedWindowKeepsAUsableProjection) {
  for (int height : {0, -3}) {
    SCOPED_TRACE(height);
    Kettar::Viewport viewport;
    viewport.setSize(800, height);
    EXPECT_EQ(viewport.height, 1);
    EXPECT_TRUE(std::isfinite(viewport.aspect));
    EXPECT_GT(viewport.fieldOfView, 0.0f);
  }
  Kettar::Viewport viewport;
  viewport.setSize(0, 600);
  EXPECT_GT(viewport.aspect, 0.0f);
}

}  // namespace
