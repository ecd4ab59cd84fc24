#pragma once
// A laser: a two-quark body that grows from its firing point to length 2 and
// then flies straight on at 30 units a second. Its positions are written
// directly; the body is never integrated, and no contact with it is ever
// resolved. It learns of a hit from its body's contact record: terrain (a
// fixed link), a prop or an enemy stops it; it stays one more update out of
// the grid's update and is removed on the next. A laser that misses flies on.

#include <cstdint>
#include <memory>

#include "ferrox/link.h"
#include "ferrox/quark.h"
#include "ferrox/skeleton.h"
#include "ferrox/vec2.h"

class Laser {
 public:
  static constexpr float kSpeed = 30.0f;
  // Full length; the head starts this far ahead of the tail.
  static constexpr float kLength = 2.0f;
  static constexpr float kStartLength = 0.1f;

  // Its link enters the grid at once. direction has length 1.
  Laser(Vec2 position, Vec2 direction);
  // The body goes, and its link with it out of the grid.
  ~Laser();
  Laser(const Laser&) = delete;
  Laser& operator=(const Laser&) = delete;

  // Unless dead, the body leaves the grid (not forced) before the level's update.
  void leaveGrid();
  // False once the laser is to be removed (the update after its hit). Reads
  // and clears the contact record; the current level tells props and enemies.
  bool update(float dt);
  void draw() const;

  // Slot in the level's list, written by the list into the laser and its body.
  void setListIndex(uint32_t slot);

  int32_t id() const { return id_; }
  Vec2 position() const { return position_; }
  Vec2 direction() const { return direction_; }
  ferrox::Quark* tail() const { return tail_; }
  ferrox::Quark* head() const { return head_; }
  ferrox::Link* link() const { return link_; }
  ferrox::Skeleton* body() const { return body_.get(); }
  bool dead() const { return dead_ != 0; }

 private:
  int32_t id_ = 0;       // slot in the level's laser list
  Vec2 position_;        // firing point
  Vec2 direction_;       // unit flight direction
  std::unique_ptr<ferrox::Skeleton> body_;  // freed also when the constructor stops half way
  ferrox::Quark* tail_;  // quark 0 of the body, at the firing point
  ferrox::Quark* head_;  // quark 1, ahead along the direction
  ferrox::Link* link_;   // the stiff link between them
  uint8_t dead_ = 0;     // it has hit something
};
