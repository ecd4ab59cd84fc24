// ombrel.cfg as a user may edit it: the reader and the validator.
#include "fuzz/entry_points.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Fuzz::configInput(data, size);
  return 0;
}
