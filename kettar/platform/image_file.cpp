#include "kettar/platform/image_file.h"

#include <SDL_image.h>

namespace Kettar {

void startImageReading() { IMG_Init(IMG_INIT_JPG | IMG_INIT_PNG); }

void stopImageReading() { IMG_Quit(); }

SDL_Surface* readImageFile(const std::string& path) { return IMG_Load(path.c_str()); }

}  // namespace Kettar
