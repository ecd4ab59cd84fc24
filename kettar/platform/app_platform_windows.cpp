#include "kettar/platform/app_platform.h"

namespace Kettar {

// SDL 1.2 has no event thread on Windows: events are gathered by the thread
// that owns the window.
uint32_t sdlInitFlags() { return SDL_INIT_TIMER | SDL_INIT_VIDEO; }

const char* bannerBuildLine() { return ""; }

void limitWindowRequest(VideoConfig& video, std::ostream& log) {
  if (!video.resizable) return;
  video.resizable = false;
  log << "!![App] warning: under Windows resizing cannot be enabled" << std::endl;
}

// SDL 1.2 cannot toggle a window to fullscreen on Windows.
void toggleWindowFullscreen(VideoConfig&, SDL_Surface*, std::ostream&) {}

}  // namespace Kettar
