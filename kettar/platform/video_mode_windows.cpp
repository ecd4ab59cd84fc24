#include "kettar/platform/video_mode.h"

namespace Kettar {

SDL_Surface* openVideoMode(VideoConfig& video, uint32_t flags, int bestWidth, int bestHeight,
                           std::ostream& log) {
  if ((flags & SDL_FULLSCREEN) != 0 &&
      SDL_VideoModeOK(video.width, video.height, 32, flags) == 0) {
    log << "!![Engine] warning: fullscreen " << video.width << "x" << video.height
        << " resolution is not available." << std::endl;
    log << "Trying best resolution..." << std::endl;
    video.width = bestWidth;
    video.height = bestHeight;
  }
  SDL_Surface* window = SDL_SetVideoMode(video.width, video.height, 32, flags);
  if (window == nullptr) {
    log << "!![Engine] fatal error: failed to set video mode. Please check the config file"
        << std::endl;
  }
  return window;
}

}  // namespace Kettar
