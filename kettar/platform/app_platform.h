#pragma once
// What the SDL application does differently per platform: app_platform.cpp on
// Linux, app_platform_windows.cpp on Windows.

#include <SDL.h>

#include <cstdint>
#include <ostream>

#include "kettar/app_config.h"

namespace Kettar {

// The subsystems SDL_Init starts: timer and video, and on Linux SDL's event thread.
uint32_t sdlInitFlags();

// The banner's line between its first and its "Running in" line, with its line
// end: "Release build" on Linux, nothing on Windows.
const char* bannerBuildLine();

// Takes back what the platform's window cannot do, once the settings are final:
// Windows clears a requested resizable window with a warning on log.
void limitWindowRequest(VideoConfig& video, std::ostream& log);

// The application's fullscreen toggle on the engine's window: Linux flips
// video.fullScreen and the window when the display can show the requested size
// (else the error line on log, nothing changes); Windows does nothing.
void toggleWindowFullscreen(VideoConfig& video, SDL_Surface* window, std::ostream& log);

}  // namespace Kettar
