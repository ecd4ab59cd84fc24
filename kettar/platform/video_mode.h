#pragma once
// Opening the engine's first window: video_mode.cpp on Linux,
// video_mode_windows.cpp on Windows.

#include <SDL.h>

#include <cstdint>
#include <ostream>

#include "kettar/app_config.h"

namespace Kettar {

// SDL_SetVideoMode with video's size, 32 bits and flags; null, after a fatal line on
// log, when no window opens. On Windows a fullscreen size that SDL_VideoModeOK
// refuses is first replaced by best, the widest mode found at start, with two
// warning lines; video then holds the size the window was opened with.
SDL_Surface* openVideoMode(VideoConfig& video, uint32_t flags, int bestWidth, int bestHeight,
                           std::ostream& log);

}  // namespace Kettar
