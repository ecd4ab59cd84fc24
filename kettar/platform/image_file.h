#pragma once
// Reading image files other than the framework's own texture files: SDL_image
// (PNG, JPEG, ...) on Linux; SDL's own BMP reader on Windows, whose build has no
// SDL_image.

#include <SDL.h>

#include <string>

namespace Kettar {

// Called when the texture manager is created and when it ends.
void startImageReading();
void stopImageReading();

// The image as read, owned by the caller; null with SDL's error text set when
// the file cannot be read.
SDL_Surface* readImageFile(const std::string& path);

}  // namespace Kettar
