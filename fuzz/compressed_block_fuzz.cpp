// The compressed block every binary file is made of, fuzzed as raw bytes.
#include "fuzz/entry_points.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Fuzz::compressedBlockInput(data, size);
  return 0;
}
