#include "kettar/platform/video_mode.h"

namespace Kettar {

SDL_Surface* openVideoMode(VideoConfig& video, uint32_t flags, int, int, std::ostream& log) {
  SDL_Surface* window = SDL_SetVideoMode(video.width, video.height, 32, flags);
  if (window == nullptr) {
    log << "!![Engine] fatal error: could not set video mode " << video.width << "x" << video.height
        << ": " << SDL_GetError() << std::endl;
  }
  return window;
}

}  // namespace Kettar
