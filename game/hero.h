#pragma once
// The player character: a soft body rolling on a drawn wheel, with an arm that
// points in eight directions (or turns freely). The game application builds it
// at the level's start, hands it the held keys each physics step, calls
// preStep and step once per physics step and draw once per frame, and deletes
// it when the level is left. Once its health reaches 0 it falls apart into
// three drawn pieces.

#include <cstdint>
#include <memory>
#include <string>

#include "ferrox/quark.h"
#include "ferrox/skeleton.h"
#include "ferrox/vec2.h"
#include "game/grapple.h"
#include "game/sprite.h"
#include "kettar/stopwatch.h"

class Hero {
 public:
  // Below the data root (the program directory in the game).
  static constexpr const char* kSkeletonPath = "data/skeletons/brannic.fsk";
  // The body quark the arm is fixed to; a hero skeleton needs more quarks than this.
  static constexpr uint32_t kHingeQuark = 7;
  static constexpr float kArmLength = 0.25f;
  // Shots closer together than this after the last one are ignored.
  static constexpr double kShotInterval = 0.3;

  // Builds the hero at the start position from the hero skeleton below the
  // data root (default: the program directory), with its sprites and sounds
  // from there too. Null, with nothing built or loaded, when the skeleton
  // cannot be read or has no hinge quark, and with nothing of the hero left
  // when the memory cannot hold it: the level cannot be played.
  static std::unique_ptr<Hero> create(Vec2 start);
  static std::unique_ptr<Hero> create(Vec2 start, const std::string& dataRoot);
  // The rope (no sound, no unhook), the arm body, then the body.
  ~Hero();
  Hero(const Hero&) = delete;
  Hero& operator=(const Hero&) = delete;

  // Before the level's objects step: the living body leaves the grid, and the
  // contact the last resolution recorded in it is taken (and cleared) while
  // every link it names still exists; the level's update may delete the
  // other body before step reads what touched the hero.
  void preStep();
  // One physics step; false exactly on the step in which the hero dies.
  bool step(float dt);
  void draw();

  // The held arrow keys of the engine's key-state array (C for free aiming),
  // only while the hero lives: Up wins over Down and Left over Right.
  void holdKeys(const uint8_t* keys, float dt);
  // The jump key: a push up and toward the arm's side, only on the ground.
  void jump();
  // The fire key: lets go of the rope when there is one, else fires one
  // along the arm (not within the shot interval of the last shot).
  void shoot();

  // Wakes the body and pushes it along x on the ground (amount ±dt).
  void drive(float amount);
  // Free aiming turns the arm at 400 degrees a second (a = ±dt: up, down).
  void aim(bool free, float a);
  void keyLeft(float dt);
  void keyRight(float dt);
  void keyUp(bool free, float dt);
  void keyDown(bool free, float dt);
  void keyUpLeft(bool free, float dt);
  void keyUpRight(bool free, float dt);
  void keyDownLeft(bool free, float dt);
  void keyDownRight(bool free, float dt);

  // A drawn piece after death.
  struct Piece {
    Vec2 position;
    Vec2 velocity;
    float spin = 0.0f;   // degrees per second
    float angle = 0.0f;  // degrees
  };
  enum PieceIndex { kBodyPiece = 0, kArmPiece = 1, kWheelPiece = 2 };

  // Stays valid while the hero lives: the camera follows it.
  const Vec3& position() const { return position_; }
  Vec2 centre() const { return centre_; }
  ferrox::Skeleton* body() const { return body_.get(); }
  ferrox::Skeleton* armBody() const { return armBody_.get(); }
  // Null when there is no rope.
  Grapple* grapple() const { return grapple_.get(); }
  ferrox::Quark* hingeQuark() const { return hinge_; }
  ferrox::Quark* armQuark() const { return armQuark_; }
  float groundLevel() const { return groundLevel_; }
  bool onGround() const { return onGround_ != 0; }
  float bodyAngle() const { return bodyAngle_; }
  float armAngle() const { return armAngle_; }
  float wheelAngle() const { return wheelAngle_; }
  float wheelSpin() const { return wheelSpin_; }
  bool facingRight() const { return facingRight_ != 0; }
  int32_t wheelChannel() const { return wheelChannel_; }
  bool wheelSoundOn() const { return wheelSoundOn_ != 0; }
  float health() const { return health_; }
  const Piece& piece(PieceIndex i) const { return pieces_[i]; }

 private:
  // What the last contact resolution recorded in the body, read in preStep.
  // Holds no pointer into another body, so nothing deleted later can dangle.
  struct Contact {
    bool touched = false;
    // First quark of the body's own touching link: the hero's, alive with it.
    ferrox::Quark* ownQuark = nullptr;
    int32_t enemyKind = -1;  // kind of the enemy touched; -1 for anything else
    bool laser = false;      // a laser's body
    bool terrain = false;    // the other link is a fixed link
    bool deadly = false;     // a terrain edge that kills the hero
    Vec2 edge;               // the other link's direction, length 1
  };

  Hero(const ferrox::Skeleton& skeleton, Vec2 start, const std::string& dataRoot);

  void takeContact();
  void die();
  void placeArm();
  // With a rope out the arm hangs free and its angle follows it.
  void hangArm(Vec2 up, float dt);
  // An acceleration on the body along (centroid - the rope's first quark).
  void pushFromRope(float length);
  void updateWheelSound();
  void haltWheelSound();
  void burst(int32_t kind);

  Vec3 position_;    // the body's centre of mass after each step; z 0
  Vec2 centre_;      // the body's centroid, refreshed at the start of each living step
  // Held so that a constructor stopped by a full heap frees what it had built.
  std::unique_ptr<ferrox::Skeleton> body_;
  // Owned: the arm quark and its link to the hinge. It never sleeps: its lone
  // quark would fall asleep mid-swing.
  std::unique_ptr<ferrox::Skeleton> armBody_;
  std::unique_ptr<Grapple> grapple_;  // null when there is no rope
  float groundLevel_ = 0.0f;   // 1 after every contact, decays each step
  uint8_t onGround_ = 0;       // while the ground level is at least 0.5
  Kettar::Stopwatch shotClock_;  // since the last shot (or the hero was built)
  float bodyAngle_ = 0.0f;     // degrees from straight up to the hinge, counter-clockwise
  float armAngle_ = -90.0f;    // degrees relative to the body's up direction
  float wheelAngle_ = 0.0f;    // degrees, drawn only
  float wheelSpin_ = 0.0f;     // degrees per second, set by driving
  ferrox::Quark* hinge_;       // body quark 7; not owned
  ferrox::Quark* armQuark_;    // the arm body's only quark; not owned
  uint8_t facingRight_ = 1;    // sign of the last drive
  Sprite bodySprite_;
  Sprite armSprite_;
  Sprite wheelSprite_;
  int32_t wheelChannel_ = -1;  // channel of the looping wheel sound; -1 while it is off
  uint8_t wheelSoundOn_ = 0;
  float health_ = 100.0f;      // 0 once dead
  Piece pieces_[3];            // zero until death
  Contact contact_;            // taken by preStep, used and emptied by step
};
