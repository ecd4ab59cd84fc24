#pragma once
// Links join two quarks of a body: a constraint (a rod or a damped spring) and
// at once the body's collision shape, a segment thickened by its radius. A link
// remembers where it entered the broadphase grid so that it leaves exactly
// those cells.

#include <cstdint>

#include "ferrox/quark.h"
#include "ferrox/vec2.h"

namespace Kettar {
class ByteBuffer;
}

namespace ferrox {

struct LinkRecord;

class Link {
 public:
  // Ends, not owned; registered in both quarks' link arrays while the link lives.
  Quark* a;
  Quark* b;
  float rest;
  // Half-thickness of the collision segment.
  float radius;
  // Stiff links: the rod keeps (1 - stiffness) of its correction per solve.
  // Soft links: damping on the relative velocity of the ends.
  float stiffness;
  float friction;
  // Slot in the owner body's link list, written by the list.
  uint32_t index = 0;
  // 1 inside a body: no collision surface; in the grid (thin) only while
  // internal collisions are enabled.
  uint8_t internal;
  // 1 for a LinkFixed, which stays in the grid across steps.
  uint8_t fixedKind = 0;
  // End positions of the last grid entry; (0, 0) before the first one.
  Vec2 cachedA;
  Vec2 cachedB;
  // 1 from an entry into the grid until the link leaves it again.
  uint8_t inGrid = 0;

  // rest 0 takes the current distance of the ends. Unless noGrid, the link
  // enters the grid at once. Storage that cannot be had throws std::bad_alloc
  // and leaves no trace of the link.
  Link(Quark* a, Quark* b, bool internal, bool noGrid, float rest, float radius,
       float stiffness, float friction);
  // Leaves both quarks' link arrays and the grid.
  virtual ~Link();
  Link(const Link&) = delete;
  Link& operator=(const Link&) = delete;

  // Applies the constraint and re-enters the grid at the new positions.
  virtual void solve() = 0;
  // Appends the link's record of the body block.
  virtual void serialize(Kettar::ByteBuffer& buffer) const = 0;
  virtual Kind kind() const = 0;

  float length() const;
  // Stays (unless forced) for a fixed link or when both ends sleep. Without a
  // world there is no grid to leave.
  void leaveGrid(bool force);
  // Leaves wherever it entered before, then enters at the ends' positions.
  void enterGrid();
  void setRadius(float r);

  void setListIndex(uint32_t slot) { index = slot; }

 protected:
  // The fields every kind writes; the kind fills in what is its own.
  LinkRecord record() const;

 private:
  void removeFromGrid();
  // Leaves both quarks' link arrays, the grid, its pairs and the contact records.
  void detach();
};

// Static geometry: solves nothing and keeps its place in the grid.
class LinkFixed : public Link {
 public:
  LinkFixed(Quark* a, Quark* b, bool internal, bool noGrid, float rest, float radius,
            float stiffness, float friction);

  void solve() override {}
  void serialize(Kettar::ByteBuffer& buffer) const override;
  Kind kind() const override { return kFixed; }
};

// A rod solved by moving the end positions.
class LinkStiff : public Link {
 public:
  using Link::Link;

  void solve() override;
  void serialize(Kettar::ByteBuffer& buffer) const override;
  Kind kind() const override { return kStiff; }
};

// A spring-damper that writes forces into its ends.
class LinkSoft : public Link {
 public:
  float springConstant;

  LinkSoft(Quark* a, Quark* b, bool internal, bool noGrid, float rest, float radius,
           float stiffness, float friction, float springConstant);

  void solve() override;
  void serialize(Kettar::ByteBuffer& buffer) const override;
  Kind kind() const override { return kSoft; }
};

}  // namespace ferrox
