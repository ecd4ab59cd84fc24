#include "kettar/platform/image_file.h"

namespace Kettar {

void startImageReading() {}

void stopImageReading() {}

// Any other format fails with SDL's "not a Windows BMP file" text.
SDL_Surface* readImageFile(const std::string& path) { return SDL_LoadBMP(path.c_str()); }

}  // namespace Kettar
