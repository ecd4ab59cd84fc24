// Writes the framework's default ombrel.cfg to the path given: the seed of the
// configuration fuzzer, made at test time like the other seeds.
#include <cstdio>

#include "kettar/config_file.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: write_default_config PATH\n");
    return 2;
  }
  return Kettar::saveConfig(argv[1], {}, {}, {}) ? 0 : 1;
}
