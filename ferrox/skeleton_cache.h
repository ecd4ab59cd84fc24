#pragma once
// Skeleton files (.fsk) and the process-wide template cache. A file is a 12-byte
// header (20 e1 7b 04 69 33 37 01 01 00 00 00) and one compressed block whose
// raw bytes begin with one body block; whatever follows the body block is not read. Each file is read once; the game copies
// its template into live bodies. A file that cannot be read gives the empty
// body, so the game goes on without the object's shape.

#include <cstdint>
#include <string>

#include "ferrox/indexed_list.h"
#include "ferrox/skeleton.h"

namespace ferrox {

class SkeletonCache {
 public:
  // Writes a skeleton file; false when the file cannot be opened or written.
  static bool save(const std::string& path, const Skeleton& body);
  // Reads a skeleton file into the cache (true at once when already cached).
  // False for a missing file, a wrong header, a damaged block or a body (or
  // the copy of its path) the memory cannot hold; nothing of it is kept then.
  static bool load(const std::string& path);
  // The template for the path, loaded on first use; the empty body (no quarks,
  // no links, canSleep set, id 0) when the file cannot be read.
  static const Skeleton& get(const std::string& path);
  // Deletes every template and path; bodies built later read their files again.
  static void clear();
  // Number of cached templates.
  static uint32_t size();
};

}  // namespace ferrox
