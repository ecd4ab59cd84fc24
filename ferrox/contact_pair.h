#pragma once
// A candidate contact: two links that met in a grid cell while the second was
// entering the grid. Held by value in the world's pair list; owns nothing.

#include <cstdint>

namespace ferrox {

class Link;

struct ContactPair {
  Link* first = nullptr;   // the link that was already in the cell
  Link* second = nullptr;  // the link that was being inserted

  // Narrow phase and response; true when a response was applied.
  bool resolve();
};

// Resolves every pair of the world's list in the order gathered; returns the
// number of responses applied. The list is left as it is.
uint32_t resolveContacts();

}  // namespace ferrox
