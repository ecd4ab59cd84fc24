#pragma once
// The rope the hero fires from its arm: a chain of light stiff quarks joined by
// stiff links, grown one segment at a time along the firing direction until
// its tip meets something. On terrain the tip is anchored by a fixed quark; on
// a body with stiff links it is tied in through the body's hook; enemies,
// lasers and edges that refuse the grapple drop it. While it holds, the hero
// reels it in and out and swings on it; a laser touching it cuts it once.
//
// The rope is a soft body like any other, so it steps, enters the grid and
// receives contact records as one. Only the hero creates, steps, draws and
// deletes ropes, and always through a Grapple pointer: the body's destructor
// is not virtual, so the rope is final and never deleted as a plain body.

#include <cstdint>
#include <memory>
#include <string>

#include "ferrox/link.h"
#include "ferrox/quark.h"
#include "ferrox/skeleton.h"
#include "ferrox/vec2.h"

class Grapple final : public ferrox::Skeleton {
 public:
  static constexpr uint32_t kQuarkLimit = 40;
  static constexpr float kSegmentLength = 0.2f;
  static constexpr float kQuarkMass = 0.01f;
  static constexpr float kQuarkDamping = 0.01f;
  static constexpr float kLinkRadius = 0.04f;
  static constexpr float kLinkStiffness = 0.2f;
  static constexpr float kLinkFriction = 0.2f;
  static constexpr float kSegmentInterval = 0.006f;  // seconds of step time a segment
  static constexpr float kReelRate = 4.0f;           // units a second
  static constexpr float kThrowSpeed = 10.0f;
  static constexpr float kAnchorMass = 0.1f;
  static constexpr float kAnchorSpring = 100.0f;
  static constexpr float kPushForce = 3000.0f;  // on an enemy the tip bounces off
  // Edges of this terrain type refuse the rope.
  static constexpr int32_t kRefusingEdge = 1;
  static constexpr int32_t kHurtingEnemy = 2;

  // Fires a rope from the arm quark: quark 0 a segment ahead along the unit
  // direction, tied to the arm by the hero-side link; plays the throw sound.
  Grapple(ferrox::Skeleton* heroBody, ferrox::Quark* armQuark, Vec2 direction, Vec2 armVelocity);
  // Every rope link and quark; no sound, and a hooked body keeps its hook (the
  // level goes right after the hero).
  ~Grapple();
  Grapple(const Grapple&) = delete;
  Grapple& operator=(const Grapple&) = delete;

  // Fills the throw, hook and release sound groups once, from below the data root.
  static void loadSounds(const std::string& dataRoot);

  // Before the physics step: removes the link marked for removal, then leaves the grid.
  void preStep();
  // One physics step; false means the rope is dropped (the hero deletes it
  // without a sound). A hooked rope is never dropped.
  bool step(float dt);
  // Positive lengthens, negative shortens (by the reel rate times the amount),
  // splitting or merging the segment at the hero. False, changing nothing, when
  // the rope is not hooked, has been cut or detached, would pass the quark
  // limit, or would keep fewer than 3 quarks.
  bool reel(float amount);
  // The fire key with a rope out: a hooked rope plays the release sound and
  // gives back the hooked body's hook; then the rope is deleted.
  static void release(std::unique_ptr<Grapple> rope);
  // The hero died: the hero-side link goes at the next pre-step and the rope
  // lives on without the hero. Nothing when that link is already gone.
  void detach();
  void draw() const;
  // One segment of growth: false when what the tip reached drops the rope.
  bool advanceTip();

  bool hooked() const { return hooked_ != 0; }
  bool cut() const { return cut_ != 0; }
  ferrox::Skeleton* hookedBody() const { return hookedBody_; }
  ferrox::Link* heroSideLink() const { return heroSideLink_; }
  ferrox::Link* linkToRemove() const { return linkToRemove_; }
  Vec2 direction() const { return direction_; }
  Vec2 throwVelocity() const { return throwVelocity_; }

 private:
  ferrox::LinkStiff* makeSegment(ferrox::Quark* a, ferrox::Quark* b, bool internal) const;
  void splitFirst();
  void mergeFirst();
  // Deletes the marked link through the body (a quark it leaves bare goes too)
  // and forgets every pointer that named it.
  void removeMarked();

  ferrox::Skeleton* heroBody_;           // not owned; the tip passes through it
  ferrox::Skeleton* hookedBody_ = nullptr;  // not owned; null when flying or on terrain
  ferrox::Quark* armQuark_;              // not owned; first end of the hero-side link
  ferrox::Link* heroSideLink_;           // in the rope's links; null once removed
  ferrox::Link* hookLink_ = nullptr;     // in the rope's links, to the hook quark; null when none
  ferrox::Link* linkToRemove_ = nullptr; // in the rope's links; removed by the next pre-step
  Vec2 direction_;                       // unit firing direction
  Vec2 throwVelocity_;                   // given to every quark added while flying
  float growthClock_ = 0.0f;             // step time gathered toward the next segment
  uint8_t hooked_ = 0;                   // the tip is anchored or hooked
  uint8_t cut_ = 0;                      // a laser cut the hooked rope; no reeling since
};
