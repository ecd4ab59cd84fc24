// The game application without a window: its pure numbers, the forced
// settings, the collision notifier's decisions, the contact records' lifetime,
// the keys of play, the death timer on simulated time and the level road.

#include "game/ombrel.h"

#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <sstream>
#include <vector>

#include "ferrox/contact_pair.h"
#include "ferrox/grid.h"
#include "ferrox/link.h"
#include "ferrox/skeleton.h"
#include "game/hero.h"
#include "game/laser.h"
#include "game/level.h"
#include "game/level_file.h"
#include "game/screen_test_support.h"
#include "game/terrain.h"
#include "game/terrain_polygon.h"
#include "game/version.h"
#include "kettar/simulated_clock.h"

namespace {

namespace fs = std::filesystem;

const std::string kBuildRoot = std::string(OMBREL_BUILD_DIR) + "/";
constexpr float kDt = 1.0f / 500.0f;

TEST(OmbrelTimeLine, TwoDecimalsEachJoinedBySlash) {
  const struct {
    double elapsed;
    float record;
    const char* line;
  } cases[] = {
      {12.5, 9999.0f, "12.50 / 9999.00"},
      {0.0, 9999.0f, "0.00 / 9999.00"},
      {61.004, 35.5f, "61.00 / 35.50"},
      {7.996, 8.125f, "8.00 / 8.12"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    EXPECT_EQ(timeLine(c.elapsed, c.record), c.line);
  }
}

TEST(OmbrelCameraSpeed, FilterCapAndNoNaN) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const struct {
    float speed;
    Vec2 velocity;
    float expected;
  } cases[] = {
      {0.0f, Vec2(0.0f, 0.0f), 0.0f},
      {0.0f, Vec2(3.0f, 4.0f), 0.0125f},
      {2.0f, Vec2(0.0f, 0.0f), 1.995f},
      {4.99f, Vec2(1000.0f, 0.0f), 5.0f},
      {2.0f, Vec2(nan, 0.0f), 2.0f},
      {2.0f, Vec2(inf, 1.0f), 2.0f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.speed << " " << c.velocity.x << " " << c.velocity.y);
    EXPECT_NEAR(filteredCameraSpeed(c.speed, c.velocity), c.expected, 1e-6);
  }
}

TEST(OmbrelConfig, ForcedValuesAreWhatTheFileReceives) {
  Ombrel game(kGameTitle);
  game.restoreDefaults();
  game.appConfig.dualThread = true;
  game.appConfig.fps = 600;
  game.audioConfig.cycle = true;
  game.forceConfig();
  std::ostringstream out;
  game.writeConfig(out);
  const std::string text = out.str();
  for (const char* line : {"  dualThread = false\n", "  pps = 500\n", "  minWidth = 800\n",
                           "  minHeight = 600\n", "  fade = true\n", "  cycle = false\n",
                           "  fps = 600\n"}) {
    SCOPED_TRACE(line);
    EXPECT_NE(text.find(line), std::string::npos);
  }
}

// A game with a loaded level, stepped on simulated time.
class OmbrelLevel : public ::testing::Test {
 protected:
  void SetUp() override {
    Ombrel::cameraSpeed = 0.0f;
    game.dataRoot = kBuildRoot;
    game.forceConfig();
    game.sceneCamera = Ombrel::makeCamera();
  }
  void TearDown() override {
    other.reset();
    game.leaveLevel();
  }

  void load(const std::string& level) {
    game.loadLevel(level);
    ASSERT_EQ(game.screen, Ombrel::Screen::kPlay);
    ASSERT_NE(game.hero, nullptr);
  }

  void step() {
    game.step(keys, &mouse, kDt);
    clock.advance(kDt);
  }

  // Holds Right until the hero has died; false when it never did.
  bool driveToDeath(uint32_t maxSteps) {
    keys[SDLK_RIGHT] = 1;
    for (uint32_t i = 0; i < maxSteps && game.heroHealth() > 0.0f; ++i) step();
    keys[SDLK_RIGHT] = 0;
    return game.heroHealth() <= 0.0f;
  }

  // A loose two-link body away from the hero: an ordinary other body.
  ferrox::Skeleton& makeOther() {
    other = std::make_unique<ferrox::Skeleton>();
    other->addQuark(ferrox::kStiff, 5.0f, 2.0f, 1.0f, 0.01f);
    other->addQuark(ferrox::kStiff, 5.5f, 2.0f, 1.0f, 0.01f);
    other->addQuark(ferrox::kStiff, 6.0f, 2.0f, 1.0f, 0.01f);
    other->addLink(ferrox::kStiff, 0, 1, 0.2f, 0.0f, 0.0f, 0.2f);
    other->addLink(ferrox::kStiff, 1, 2, 0.2f, 0.0f, 0.0f, 0.2f);
    return *other;
  }

  Kettar::SimulatedClock clock;
  Ombrel game{kGameTitle};
  uint8_t keys[Kettar::kKeyCount] = {};
  Kettar::MouseState mouse{};
  std::unique_ptr<ferrox::Skeleton> other;
};

TEST_F(OmbrelLevel, LoadInstallsHeroNotifierClockAndFollowingCamera) {
  load("tutorial/01-move.orl");
  EXPECT_EQ(ferrox::notifier, game.notifier.get());
  ASSERT_NE(game.levelClock, nullptr);
  EXPECT_FALSE(game.levelClock->isPaused());
  EXPECT_EQ(game.sceneCamera->followed, &game.hero->position());
  EXPECT_GE(game.currentSong, 0);
  EXPECT_LE(game.currentSong, 5);
  EXPECT_EQ(game.record(), Level::bestTime());

  game.leaveLevel();
  EXPECT_EQ(game.screen, Ombrel::Screen::kMenu);
  EXPECT_EQ(game.hero, nullptr);
  EXPECT_EQ(Level::current, nullptr);
  EXPECT_EQ(ferrox::world, nullptr);
  EXPECT_EQ(ferrox::notifier, nullptr);
  EXPECT_EQ(game.levelClock, nullptr);
  EXPECT_EQ(game.sceneCamera->followed, nullptr);
  EXPECT_EQ(game.sceneCamera->targetPosition, Vec3(0.0f, 0.0f, 20.0f));
}

TEST_F(OmbrelLevel, MissingLevelKeepsTheMenu) {
  screen_test::CoutCapture log;
  game.loadLevel("tutorial/none.orl");
  EXPECT_NE(log.text().find("!![Ombrel] cannot find level file\n"), std::string::npos);
  EXPECT_EQ(game.screen, Ombrel::Screen::kMenu);
  EXPECT_EQ(game.hero, nullptr);
  EXPECT_EQ(ferrox::notifier, nullptr);
}

// Without a hero skeleton the level cannot be played: it goes again.
TEST_F(OmbrelLevel, MissingHeroSkeletonKeepsTheMenu) {
  const fs::path root = fs::temp_directory_path() / ("ombrel-noskel-" + std::to_string(getpid()));
  fs::create_directories(root / "data/levels/tutorial");
  fs::copy_file(kBuildRoot + "data/levels/tutorial/01-move.orl", root / "data/levels/tutorial/01-move.orl");
  game.dataRoot = root.string() + "/";
  screen_test::CoutCapture log;
  game.loadLevel("tutorial/01-move.orl");
  EXPECT_NE(log.text().find("!![Ombrel] cannot find level file\n"), std::string::npos);
  EXPECT_EQ(log.text().find("[Ombrel] level loaded"), std::string::npos);
  EXPECT_EQ(game.screen, Ombrel::Screen::kMenu);
  EXPECT_EQ(Level::current, nullptr);
  EXPECT_EQ(ferrox::world, nullptr);
  fs::remove_all(root);
}

TEST_F(OmbrelLevel, NotifierDecisionTable) {
  load("tutorial/01-move.orl");
  ferrox::Skeleton& body = makeOther();
  ferrox::Link* hero = game.hero->body()->links[0];
  // A surface link whose first quark is the arm's: a link of the arm body.
  ferrox::LinkStiff armLink(game.hero->armQuark(), game.hero->hingeQuark(), false, true, 0.0f,
                            0.03f, 0.2f, 0.2f);
  ferrox::Link* arm = &armLink;
  ferrox::Link* exit = Level::current->exitBody->links[0];
  ferrox::Link* ordinary = body.links[1];
  ferrox::Link* terrain = Level::current->terrain->polygons[0]->body.links[0];
  Level::current->addLaser(Vec2(3.0f, 2.0f), Vec2(1.0f, 0.0f));
  ferrox::Skeleton* laserBody = Level::current->lasers[0]->body();
  ferrox::Link* laser = laserBody->links[0];
  const struct {
    const char* name;
    ferrox::Link* a;
    ferrox::Link* b;
    bool resolved;
    bool finishes;
    bool recorded;
  } cases[] = {
      {"exit, hero", exit, hero, false, true, false},
      {"hero, exit", hero, exit, false, true, false},
      {"exit, other", exit, ordinary, false, false, false},
      {"other, exit", ordinary, exit, false, false, false},
      {"hero, arm", hero, arm, false, false, false},
      {"arm, hero", arm, hero, false, false, false},
      {"hero, other", hero, ordinary, true, false, true},
      {"other, hero", ordinary, hero, true, false, true},
      {"arm, terrain", arm, terrain, true, false, true},
      {"laser, hero", laser, hero, false, false, true},
      {"other, laser", ordinary, laser, false, false, true},
      {"laser, terrain", laser, terrain, false, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (ferrox::Skeleton* s : {game.hero->body(), game.hero->armBody(), &body, laserBody,
                                &Level::current->terrain->polygons[0]->body, Level::current->exitBody}) {
      s->lastOwnLink = nullptr;
      s->lastOtherLink = nullptr;
    }
    game.resumeLevel();
    ferrox::ContactPair pair{c.a, c.b};
    EXPECT_EQ(game.notifier->onContact(&pair), c.resolved);
    EXPECT_EQ(game.screen == Ombrel::Screen::kEnd, c.finishes);
    ferrox::Skeleton* p = c.a->a->owner;
    ferrox::Skeleton* q = c.b->a->owner;
    if (c.recorded) {
      EXPECT_EQ(p->lastOwnLink, c.a);
      EXPECT_EQ(p->lastOtherLink, c.b);
      EXPECT_EQ(q->lastOwnLink, c.b);
      EXPECT_EQ(q->lastOtherLink, c.a);
    } else {
      EXPECT_EQ(p->lastOwnLink, nullptr);
      EXPECT_EQ(q->lastOwnLink, nullptr);
    }
  }
}

TEST_F(OmbrelLevel, FinishKeepsTheClockReading) {
  load("tutorial/01-move.orl");
  for (int i = 0; i < 250; ++i) step();
  game.finishLevel();
  EXPECT_EQ(game.screen, Ombrel::Screen::kEnd);
  EXPECT_NEAR(game.keptTime(), 0.5f, 1e-6);
  clock.advance(3.0);
  EXPECT_NEAR(game.levelTime(), 0.5, 1e-6);
}

// The hero's record names a body that is destroyed before the hero reads it
// (as an object deleted by the level's update); the read must find nothing.
TEST_F(OmbrelLevel, ABodyDestroyedUnderARecordLeavesNothingToRead) {
  load("tutorial/01-move.orl");
  ferrox::Skeleton& body = makeOther();
  ferrox::ContactPair pair{body.links[0], game.hero->body()->links[0]};
  ASSERT_TRUE(game.notifier->onContact(&pair));
  ASSERT_EQ(game.hero->body()->lastOtherLink, body.links[0]);
  other.reset();
  EXPECT_EQ(game.hero->body()->lastOwnLink, nullptr);
  EXPECT_EQ(game.hero->body()->lastOtherLink, nullptr);
  game.hero->preStep();
  step();
  EXPECT_GT(game.heroHealth(), 0.0f);
}

TEST_F(OmbrelLevel, StepScalesTheCameraOffsetWithTheSpeed) {
  load("tutorial/01-move.orl");
  keys[SDLK_RIGHT] = 1;
  for (int i = 0; i < 500; ++i) step();
  EXPECT_GT(Ombrel::cameraSpeed, 0.0f);
  EXPECT_LE(Ombrel::cameraSpeed, 5.0f);
  EXPECT_NEAR(game.sceneCamera->offset.length(), Ombrel::cameraSpeed + 14.0f, 1e-4);
  // The speed is kept from level to level.
  const float speed = Ombrel::cameraSpeed;
  game.leaveLevel();
  load("tutorial/01-move.orl");
  EXPECT_EQ(Ombrel::cameraSpeed, speed);
}

TEST_F(OmbrelLevel, KeysActOnPressesOnly) {
  load("tutorial/01-move.orl");
  // A release does nothing.
  game.keyEvent(keys, Ombrel::kTab);
  EXPECT_FALSE(game.overlay);
  screen_test::tap(game, keys, Ombrel::kTab);
  EXPECT_TRUE(game.overlay);
  screen_test::tap(game, keys, Ombrel::kTab);
  EXPECT_FALSE(game.overlay);

  for (int i = 0; i < 100; ++i) step();
  screen_test::tap(game, keys, Ombrel::kEscape);
  EXPECT_EQ(game.screen, Ombrel::Screen::kPause);
  EXPECT_TRUE(game.levelClock->isPaused());
  // Paused, the game does not step.
  const Vec2 centre = game.hero->centre();
  clock.advance(1.0);
  game.step(keys, &mouse, kDt);
  EXPECT_EQ(game.hero->centre(), centre);
  game.resumeLevel();
  EXPECT_EQ(game.screen, Ombrel::Screen::kPlay);
  EXPECT_NEAR(game.levelTime(), 0.2, 1e-6);
  step();
  EXPECT_NEAR(game.levelTime(), 0.202, 1e-6);
}

TEST_F(OmbrelLevel, JumpKeyJumpsFromTheGround) {
  load("tutorial/01-move.orl");
  for (int i = 0; i < 500; ++i) step();
  ASSERT_TRUE(game.hero->onGround());
  const float y = game.hero->centre().y;
  screen_test::tap(game, keys, Ombrel::kKeyZ);
  for (int i = 0; i < 100; ++i) step();
  EXPECT_GT(game.hero->centre().y, y + 0.1f);
}

TEST_F(OmbrelLevel, DeadHeroGetsNoKeysAndTheEndComesTwoSecondsLater) {
  load("tutorial/07-swing.orl");
  ASSERT_TRUE(driveToDeath(20 * 500));
  EXPECT_TRUE(game.deathTimerPending());
  screen_test::tap(game, keys, Ombrel::kEscape);
  EXPECT_EQ(game.screen, Ombrel::Screen::kPlay);
  const double diedAt = game.levelTime();
  for (int i = 0; i < 999; ++i) step();
  EXPECT_EQ(game.screen, Ombrel::Screen::kPlay);
  step();
  step();
  EXPECT_EQ(game.screen, Ombrel::Screen::kEnd);
  EXPECT_FALSE(game.deathTimerPending());
  EXPECT_TRUE(game.levelClock->isPaused());
  EXPECT_NEAR(game.levelTime() - diedAt, 2.0, 0.005);
  EXPECT_EQ(game.keptTime(), 0.0f);
}

// A laser's touch kills the hero on its next step and leaves it standing on
// the ground with its shot interval long passed: alive, z would push it up
// and x would fire the rope.
TEST_F(OmbrelLevel, JumpAndFireKeysDoNothingForADeadHero) {
  load("tutorial/01-move.orl");
  for (int i = 0; i < 500; ++i) step();
  ASSERT_TRUE(game.hero->onGround());
  Level::current->addLaser(Vec2(5.0f, 5.0f), Vec2(1.0f, 0.0f));
  ferrox::ContactPair pair{Level::current->lasers[0]->link(), game.hero->body()->links[0]};
  game.notifier->onContact(&pair);
  step();
  ASSERT_EQ(game.heroHealth(), 0.0f);
  ASSERT_TRUE(game.hero->onGround());
  std::vector<Vec2> forces;
  for (const ferrox::Quark* q : game.hero->body()->quarks) forces.push_back(q->force);
  screen_test::tap(game, keys, Ombrel::kKeyZ);
  screen_test::tap(game, keys, Ombrel::kKeyX);
  for (uint32_t i = 0; i < game.hero->body()->quarks.count; ++i) {
    EXPECT_EQ(game.hero->body()->quarks[i]->force, forces[i]) << "quark " << i;
  }
  EXPECT_EQ(game.hero->grapple(), nullptr);
}

// A level left while the death timer is pending: the timer never acts on the
// next level.
TEST_F(OmbrelLevel, LeavingALevelDropsThePendingDeathTimer) {
  load("tutorial/07-swing.orl");
  ASSERT_TRUE(driveToDeath(20 * 500));
  ASSERT_TRUE(game.deathTimerPending());
  game.leaveLevel();
  EXPECT_FALSE(game.deathTimerPending());
  load("tutorial/01-move.orl");
  for (int i = 0; i < 1500; ++i) step();
  EXPECT_EQ(game.screen, Ombrel::Screen::kPlay);
}

TEST_F(OmbrelLevel, MusicRingWithoutAudio) {
  load("tutorial/01-move.orl");
  game.currentSong = 3;
  int seen[4];
  for (int& s : seen) {
    game.onUserEvent();
    s = game.currentSong;
  }
  EXPECT_EQ(seen[0], 4);
  EXPECT_EQ(seen[1], 5);
  EXPECT_EQ(seen[2], 0);
  EXPECT_EQ(seen[3], 1);
  game.leaveLevel();
  game.onUserEvent();
  EXPECT_EQ(game.currentSong, 1);
}

// A record goes into the level's own file; a file that cannot be rewritten
// leaves the best time as it was, in the file and in the game.
TEST_F(OmbrelLevel, StoredRecordIsCheckedAndKeptOnFailure) {
  const fs::path root = fs::temp_directory_path() / ("ombrel-record-" + std::to_string(getpid()));
  fs::create_directories(root / "data/levels/tutorial");
  fs::copy(kBuildRoot + "data/skeletons", root / "data/skeletons", fs::copy_options::recursive);
  const fs::path file = root / "data/levels/tutorial/01-move.orl";
  fs::copy_file(kBuildRoot + "data/levels/tutorial/01-move.orl", file);
  game.dataRoot = root.string() + "/";
  load("tutorial/01-move.orl");
  EXPECT_EQ(game.record(), LevelFile::kNoBestTime);

  EXPECT_TRUE(game.storeRecord(12.5f));
  EXPECT_EQ(game.record(), 12.5f);
  float stored = 0.0f;
  {
    std::ifstream in(file, std::ios::binary);
    in.seekg(12);
    in.read(reinterpret_cast<char*>(&stored), sizeof stored);
  }
  EXPECT_EQ(stored, 12.5f);

  fs::remove(file);
  EXPECT_FALSE(game.storeRecord(10.0f));
  EXPECT_EQ(game.record(), 12.5f);
  EXPECT_FALSE(fs::exists(file));
  game.leaveLevel();
  fs::remove_all(root);
}

}  // namespace
