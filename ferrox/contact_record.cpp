#include "ferrox/contact_record.h"

#include <algorithm>
#include <new>
#include <vector>

#include "ferrox/link.h"
#include "ferrox/quark.h"
#include "ferrox/skeleton.h"

namespace ferrox {

namespace {

// Each body at most once; a body stays until it is destroyed, its record may
// have been cleared by its reader in the meantime. Never destroyed: at exit other
// statics (the template cache among them) delete bodies, and each deleted body and
// link still asks the list, whichever static was made first. Made in static
// storage, so the first deletion of a link asks nothing of a heap that may be full.
std::vector<Skeleton*>& holders() {
  alignas(std::vector<Skeleton*>) static unsigned char storage[sizeof(std::vector<Skeleton*>)];
  static std::vector<Skeleton*>* const list = new (storage) std::vector<Skeleton*>();
  return *list;
}

}  // namespace

void recordContact(Link* own, Link* other) {
  Skeleton* body = own->a->owner;
  if (body == nullptr) return;
  std::vector<Skeleton*>& list = holders();
  if (std::find(list.begin(), list.end(), body) == list.end()) list.push_back(body);
  body->lastOwnLink = own;
  body->lastOtherLink = other;
}

void forgetLink(const Link* link) {
  for (Skeleton* body : holders()) {
    if (body->lastOwnLink == link || body->lastOtherLink == link) {
      body->lastOwnLink = nullptr;
      body->lastOtherLink = nullptr;
    }
  }
}

void forgetBody(const Skeleton* body) {
  std::vector<Skeleton*>& list = holders();
  const auto it = std::find(list.begin(), list.end(), body);
  if (it == list.end()) return;
  *it = list.back();
  list.pop_back();
}

unsigned recordHolderCount() { return static_cast<unsigned>(holders().size()); }

}  // namespace ferrox
