// Texture files (.ktr) up to the point where the pixels go to GL.
#include "fuzz/compressed_mutator.h"
#include "fuzz/entry_points.h"

OMBREL_COMPRESSED_FILE_MUTATOR(0)

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Fuzz::textureInput(data, size);
  return 0;
}
