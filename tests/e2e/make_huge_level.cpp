// Writes a level whose records any reader takes but whose one terrain polygon,
// of the given even number of vertices, takes hundreds of bytes a vertex once
// built: make_huge_level OUT.orl VERTICES.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "support/huge_polygon_level.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_huge_level OUT.orl VERTICES\n");
    return 2;
  }
  const unsigned long vertices = std::strtoul(argv[2], nullptr, 10);
  if (vertices == 0 || vertices > UINT32_MAX || !test_support::writeHugePolygonLevel(argv[1], uint32_t(vertices))) {
    std::fprintf(stderr, "cannot write %s with %s vertices\n", argv[1], argv[2]);
    return 1;
  }
  return 0;
}
