#include "kettar/camera.h"

#include <gtest/gtest.h>

#include <cmath>

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
