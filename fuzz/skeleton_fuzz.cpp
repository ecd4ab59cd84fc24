// Skeleton files (.fsk): the header, the block and the body block inside.
#include "fuzz/compressed_mutator.h"
#include "fuzz/entry_points.h"

OMBREL_COMPRESSED_FILE_MUTATOR(Fuzz::kSkeletonHeaderSize)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Fuzz::skeletonInput(data, size);
  return 0;
}
