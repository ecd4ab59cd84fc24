#include "ferrox/grid_cell.h"

#include <cstdlib>
#include <cstring>

namespace ferrox {

void GridCell::append(Link* link) {
  if (count == capacity) {
    // A cell without storage of its own grows straight past the 8 lent slots,
    // so capacity 8 always means lent.
    const uint32_t grown = (capacity > 8 ? capacity : 8) + 8;
    if (capacity > 8) {
      links = static_cast<Link**>(std::realloc(links, sizeof(Link*) * grown));
    } else {
      // Leaving the lent slots: they stay where they are, the cell takes a copy.
      Link** own = static_cast<Link**>(std::malloc(sizeof(Link*) * grown));
      if (count > 0) std::memcpy(own, links, sizeof(Link*) * count);
      links = own;
    }
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
