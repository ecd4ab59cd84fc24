#include "ferrox/grid_cell.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace ferrox {

void GridCell::append(Link* link) {
  if (count == capacity) {
    // A cell without storage of its own grows straight past the 8 lent slots,
    // so capacity 8 always means lent.
    const uint32_t grown = (capacity > 8 ? capacity : 8) + 8;
    Link** own = nullptr;
    if (capacity > 8) {
      own = static_cast<Link**>(std::realloc(links, sizeof(Link*) * grown));
    } else {
      // Leaving the lent slots: they stay where they are, the cell takes a copy.
      own = static_cast<Link**>(std::malloc(sizeof(Link*) * grown));
      if (own != nullptr && count > 0) std::memcpy(own, links, sizeof(Link*) * count);
    }
    if (own == nullptr) throw std::bad_alloc();
    links = own;
    capacity = grown;
  }
  links[count++] = link;
}

bool GridCell::remove(const Link* link) {
  for (uint32_t i = 0; i < count; ++i) {
    if (links[i] != link) continue;
    --count;
    if (i != count) links[i] = links[count];
    return true;
  }
  return false;
}

void GridCell::release() {
  if (capacity > 8) std::free(links);
  capacity = 0;
  count = 0;
  links = nullptr;
}

}  // namespace ferrox
