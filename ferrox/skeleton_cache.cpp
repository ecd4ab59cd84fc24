#include "ferrox/skeleton_cache.h"

#include <cstring>
#include <fstream>
#include <memory>
#include <new>
#include <utility>

#include "kettar/byte_buffer.h"

namespace ferrox {

namespace {

const uint8_t kHeader[12] = {0x20, 0xe1, 0x7b, 0x04, 0x69, 0x33, 0x37, 0x01, 0x01, 0x00, 0x00, 0x00};

struct Cache {
  // Slot i of paths names the template in slot i of templates; both owned.
  IndexedList<std::string*> paths;
  IndexedList<Skeleton*> templates;
  // Templates are built with noGrid and never enter the grid, so the cache can
  // be destroyed at exit with or without a world.
  Skeleton emptyBody;
};

Cache& cache() {
  static Cache c;
  return c;
}

// Slot of a cached path, -1 when it is not cached.
int32_t find(const std::string& path) {
  const Cache& c = cache();
  for (uint32_t i = 0; i < c.paths.count; ++i)
    if (*c.paths[i] == path) return static_cast<int32_t>(i);
  return -1;
}

// Takes a read template and a copy of its path into the cache. Slot i of one list belongs to
// slot i of the other: both take their entry or neither does.
void store(Cache& c, const std::string& path, std::unique_ptr<Skeleton> body) {
  reserve(c.paths, c.paths.count + 1);
  reserve(c.templates, c.templates.count + 1);
  std::unique_ptr<std::string> name = std::make_unique<std::string>(path);
  c.paths.pushBack(name.release());
  c.templates.pushBack(body.release());
}

}  // namespace

bool SkeletonCache::save(const std::string& path, const Skeleton& body) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(reinterpret_cast<const char*>(kHeader), sizeof kHeader);
  if (!out) return false;
  Kettar::ByteBuffer buffer;
  body.serialize(buffer);
  return buffer.saveCompressed(out);
}

bool SkeletonCache::load(const std::string& path) {
  if (find(path) >= 0) return true;
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  uint8_t header[sizeof kHeader];
  in.read(reinterpret_cast<char*>(header), sizeof header);
  if (!in || std::memcmp(header, kHeader, sizeof kHeader) != 0) return false;
  Kettar::ByteBuffer buffer;
  if (!buffer.loadCompressed(in)) return false;
  // A body or a name the memory cannot hold refuses the file, as records that cannot be stored
  // do, and nothing of it stays.
  try {
    std::unique_ptr<Skeleton> body = std::make_unique<Skeleton>();
    // The body block is read from the start of the block; bytes after it, in the block or in
    // the file, are not the body's and are left unread.
    if (!body->deserialize(buffer, true)) return false;
    store(cache(), path, std::move(body));
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

const Skeleton& SkeletonCache::get(const std::string& path) {
  Cache& c = cache();
  const int32_t slot = find(path);
  if (slot >= 0) return *c.templates[static_cast<uint32_t>(slot)];
  if (load(path)) return *c.templates[c.templates.count - 1];
  return c.emptyBody;
}

void SkeletonCache::clear() {
  Cache& c = cache();
  c.paths.empty();
  c.templates.empty();
}

uint32_t SkeletonCache::size() { return cache().templates.count; }

}  // namespace ferrox
