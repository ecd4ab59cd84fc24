#pragma once
// One square of the broadphase grid: the links whose thickened segment covers it.
// The same shape serves as the link list a grid query fills.

#include <cstdint>

namespace ferrox {

class Link;

struct GridCell {
  // Slots grow by 8. The first 8 slots are lent storage (the grid's shared block,
  // or a caller's array); past 8 the cell owns a C-heap array. So capacity 8
  // means "not owned" and capacity > 8 means "free it".
  uint32_t capacity = 0;
  uint32_t count = 0;
  Link** links = nullptr;  // capacity slots, the first count in use; links are not owned

  // Starts empty over 8 lent slots.
  void lend(Link** firstSlots) {
    capacity = 8;
    count = 0;
    links = firstSlots;
  }
  // Appends without any test, growing by 8 slots when full. Storage that cannot
  // be had throws std::bad_alloc, as new does, and leaves the cell as it was.
  void append(Link* link);
  // Takes out the first copy of link, moving the last link into its slot.
  // Returns whether it was there.
  bool remove(const Link* link);
  // Frees the cell's own storage (if it grew past the lent slots); the cell is
  // left with no storage.
  void release();
};

}  // namespace ferrox
