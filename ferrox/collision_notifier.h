#pragma once
// How the game sees each contact before it is resolved, and vetoes it.

namespace ferrox {

struct ContactPair;

class CollisionNotifier {
 public:
  virtual ~CollisionNotifier() = default;
  // Called for every pair that really penetrates, before any response; false
  // leaves the pair alone.
  virtual bool onContact(ContactPair* pair) = 0;
};

// Set by the game while a level is played (it owns the object); null otherwise,
// when every penetrating pair is resolved.
extern CollisionNotifier* notifier;

}  // namespace ferrox
