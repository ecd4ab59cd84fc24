#pragma once
// Point masses of a soft body. Three kinds answer the same calls differently:
// a soft quark carries a velocity (semi-implicit Euler), a stiff quark keeps
// its previous position (Verlet), a fixed quark never moves by itself.

#include <cstdint>

#include "ferrox/vec2.h"

namespace Kettar {
class ByteBuffer;
}

namespace ferrox {

class Link;
class Skeleton;

// Kind codes of the body operations (addQuark, addLink, ...). The body block
// stores other codes (see body_block.h).
enum Kind : int32_t { kFixed = 0, kStiff = 1, kSoft = 2 };

// Mass of every fixed quark, whatever was asked for.
constexpr float kFixedMass = 999999.0f;
// Time step a stiff quark assumes before its first integration.
constexpr float kDefaultTimeStep = 0.002f;

class Quark {
 public:
  // Slot in the owner body's quark list, written by the list.
  uint32_t index = 0;
  Vec2 position;
  // Consumed and cleared by every integration of a moving kind.
  Vec2 force;
  float mass;
  float inverseMass;
  float damping;
  uint8_t asleep = 0;
  // The links that end at this quark, in no order; not owned. Starts with room
  // for 8 and grows by 8. Storage that cannot be had throws std::bad_alloc, as
  // new does, and leaves the array as it was.
  struct LinkArray {
    uint32_t capacity = 0;
    uint32_t count = 0;
    Link** items = nullptr;
  } links;
  // The body whose quark list holds this quark; null for a loose quark.
  Skeleton* owner;
  // Smoothed squared speed; the body may sleep once it is below the threshold.
  float sleepEnergy;

  Quark(Skeleton* owner, Vec2 position, float mass, float damping);
  virtual ~Quark();
  Quark(const Quark&) = delete;
  Quark& operator=(const Quark&) = delete;

  virtual void integrate(float dt) = 0;
  virtual void addVelocity(Vec2 d) = 0;
  virtual void translate(Vec2 d) = 0;
  virtual void setVelocity(Vec2 v) = 0;
  virtual void setPosition(Vec2 p) = 0;
  virtual Vec2 velocity() const = 0;
  // Clears asleep and restarts the sleep energy at 1.1 times the threshold.
  virtual void wake();
  virtual Kind kind() const = 0;

  // Adds acceleration × mass to the force and wakes the whole owner body.
  void addForce(Vec2 acceleration);
  void addLink(Link* link);
  // Drops one entry for the link; a link the quark does not hold changes nothing.
  void removeLink(Link* link);
  // Appends the quark's 17-byte record of the body block.
  void serialize(Kettar::ByteBuffer& buffer) const;

  void setListIndex(uint32_t slot) { index = slot; }

 protected:
  // Smooths the squared speed into the sleep energy and asks the owner to sleep.
  void sleepBookkeeping(Vec2 v);
};

class QuarkSoft : public Quark {
 public:
  // The velocity the quark integrates; velocity() reads it.
  Vec2 vel;

  QuarkSoft(Skeleton* owner, Vec2 position, float mass, float damping);

  void integrate(float dt) override;
  void addVelocity(Vec2 d) override { vel += d; }
  void translate(Vec2 d) override { position += d; }
  void setVelocity(Vec2 v) override { vel = v; }
  void setPosition(Vec2 p) override { position = p; }
  Vec2 velocity() const override { return vel; }
  Kind kind() const override { return kSoft; }
};

class QuarkStiff : public Quark {
 public:
  Vec2 previousPosition;
  // Time step of the last integration; velocities are measured over it.
  float timeStep = kDefaultTimeStep;

  QuarkStiff(Skeleton* owner, Vec2 position, float mass, float damping);

  void integrate(float dt) override;
  void addVelocity(Vec2 d) override { previousPosition -= d * timeStep; }
  void translate(Vec2 d) override {
    position += d;
    previousPosition += d;
  }
  void setVelocity(Vec2 v) override { previousPosition = position - v * timeStep; }
  void setPosition(Vec2 p) override {
    position = p;
    previousPosition = p;
  }
  Vec2 velocity() const override;
  Kind kind() const override { return kStiff; }
};

class QuarkFixed : public Quark {
 public:
  // Always mass 999999 and damping 0; born asleep and never woken.
  QuarkFixed(Skeleton* owner, Vec2 position);

  void integrate(float) override {}
  void addVelocity(Vec2) override {}
  void translate(Vec2) override {}
  void setVelocity(Vec2) override {}
  void setPosition(Vec2 p) override { position = p; }
  Vec2 velocity() const override { return Vec2(); }
  void wake() override {}
  Kind kind() const override { return kFixed; }
};

}  // namespace ferrox
