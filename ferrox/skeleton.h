#pragma once
// A soft body: an owning list of quarks and an owning list of links between
// them, with the little state the game needs around contacts, sleeping and the
// grapple hook. Every physical thing of the game is one.

#include <cstdint>

#include "ferrox/indexed_list.h"
#include "ferrox/link.h"
#include "ferrox/quark.h"
#include "ferrox/vec2.h"

namespace Kettar {
class ByteBuffer;
}

namespace ferrox {

struct BodyBlock;

// Radii given as 0 become these.
constexpr float kDefaultLinkRadius = 0.03f;
constexpr float kDefaultFixedLinkRadius = 0.05f;
// Links made by addInternalLink.
constexpr float kInternalLinkRadius = 0.03f;
constexpr float kInternalLinkFriction = 0.2f;
// A hook quark on a stiff or soft link.
constexpr float kHookMass = 0.01f;
constexpr float kHookDamping = 0.01f;

class Skeleton {
 public:
  // Set by the owner (the game writes its object's list slot into it).
  int32_t id = 0;
  // Owned; each quark's index is its slot.
  IndexedList<Quark*> quarks;
  // Owned; each link's index is its slot. Deleted before the quarks.
  IndexedList<Link*> links;
  uint8_t canSleep = 1;
  // This body's link in the last accepted contact; null until the game writes one.
  Link* lastOwnLink = nullptr;
  // The other body's link in that contact.
  Link* lastOtherLink = nullptr;
  // 1 while a hook has switched canSleep off.
  uint8_t sleepSuspended = 0;
  // Slot of the hook quark, -1 when not hooked.
  int32_t hookQuark = -1;

  // An empty body (id 0), filled piece by piece.
  explicit Skeleton(bool canSleep = true);
  // A live copy of a template moved by offset; its links enter the grid now.
  Skeleton(const Skeleton& tmpl, Vec2 offset, bool canSleep);
  // Reads a body block. A damaged block leaves the body empty; call
  // deserialize on an empty body to learn whether the block was sound.
  Skeleton(Kettar::ByteBuffer& buffer, bool noGrid);
  // Same quarks and links in place; contacts and hook cleared; not in the grid.
  Skeleton(const Skeleton& other);
  Skeleton& operator=(const Skeleton&) = delete;
  ~Skeleton();

  // Every quark integrates, then every link solves: one pass.
  void step(float dt);
  void translate(Vec2 d);
  // Every quark gets the acceleration; the whole body wakes.
  void addForce(Vec2 acceleration);
  void leaveGrid(bool force);
  void enterGrid();

  // Appends the body block.
  void serialize(Kettar::ByteBuffer& buffer) const;
  // Replaces the quarks and links by the block at the cursor. False (and an
  // empty body) for a damaged block; nothing is built from a bad record.
  // A body the memory cannot hold throws std::bad_alloc, as every way of
  // building a body does.
  bool deserialize(Kettar::ByteBuffer& buffer, bool noGrid);
  // The same from records as readBodyBlock gives them (or as sound: every
  // link's quarks in range), for a reader that has already read and checked them.
  void build(const BodyBlock& block, bool noGrid);

  // Kind codes: 0 fixed, 1 stiff, 2 soft. Another kind makes nothing and gives
  // the last quark (null for an empty body).
  Quark* addQuark(int32_t kind, Vec2 position, float mass, float damping);
  Quark* addQuark(int32_t kind, float x, float y, float mass, float damping);
  // Later quarks move up one slot. Null for another kind or an index past the count.
  Quark* insertQuark(uint32_t index, int32_t kind, Vec2 position, float mass, float damping);
  // Removes every link of the quark and each quark those links leave bare.
  void removeQuark(uint32_t index);
  // A surface link from quark i to quark j at their current distance; radius 0
  // gives the default. Null for another kind or a slot past the quarks.
  Link* addLink(int32_t kind, uint32_t i, uint32_t j, float stiffness, float springConstant,
                float radius, float friction);
  // Stiff (1) or soft (2) between existing quarks; null otherwise.
  Link* addInternalLink(int32_t kind, uint32_t i, uint32_t j, float stiffness,
                        float springConstant);
  // As addLink, at a slot; later links move up. Null past the count.
  Link* insertLink(uint32_t index, int32_t kind, uint32_t i, uint32_t j, float stiffness,
                   float springConstant, float radius, float friction);
  // Deletes the link and the quarks of this body it leaves without links.
  void removeLink(uint32_t index);

  // Sleeps when allowed and every quark's sleep energy is below the threshold.
  void trySleep();
  // Puts a hook quark on a link of this body at the point and ties it to the
  // link's ends. Null for an internal link or one of another body. One hook at
  // a time: unhook before hooking again.
  Quark* hook(Link* link, Vec2 point);
  // Removes the hook's two links and the hook quark, each once.
  void unhook();

  // Mean quark position, the hook quark left out; zero for an empty body.
  Vec2 centroid() const;
  // Zero for an empty body.
  Vec2 centreOfMass() const;
  // Zero for an empty body.
  Vec2 meanVelocity() const;
  // Turns the body about its centroid; positive is counter-clockwise.
  void rotate(float degrees);
  // Reflects the body about the line through its centroid perpendicular to the
  // direction at the angle (0: left-right).
  void mirror(float degrees);

 private:
  Quark* makeQuark(int32_t kind, Vec2 position, float mass, float damping);
  Link* makeLink(int32_t kind, uint32_t i, uint32_t j, float stiffness, float springConstant,
                 float radius, float friction);
  void copyFrom(const Skeleton& source, Vec2 offset, bool noGrid);
  // Removes the quark at a slot, keeping hookQuark on the hook quark.
  void removeQuarkAt(uint32_t slot);
  void removeIfBare(Quark* q);
  void endHook();
};

}  // namespace ferrox
