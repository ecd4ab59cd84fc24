// Level files (.orl): header, best time and the level's records, without GL.
#include "fuzz/compressed_mutator.h"
#include "fuzz/entry_points.h"

OMBREL_COMPRESSED_FILE_MUTATOR(LevelFile::kHeaderSize)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Fuzz::levelInput(data, size);
  return 0;
}
