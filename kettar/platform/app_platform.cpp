#include "kettar/platform/app_platform.h"

namespace Kettar {

uint32_t sdlInitFlags() { return SDL_INIT_TIMER | SDL_INIT_VIDEO | SDL_INIT_EVENTTHREAD; }

const char* bannerBuildLine() { return "Release build\n"; }

void limitWindowRequest(VideoConfig&, std::ostream&) {}

void toggleWindowFullscreen(VideoConfig& video, SDL_Surface* window, std::ostream& log) {
  if (!video.fullScreen && SDL_VideoModeOK(video.width, video.height, 32, SDL_FULLSCREEN) == 0) {
    log << "!![Engine] error: required full screen video mode is not available\n" << std::flush;
    return;
  }
  video.fullScreen = !video.fullScreen;
  SDL_WM_ToggleFullScreen(window);
}

}  // namespace Kettar
