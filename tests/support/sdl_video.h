#pragma once
// Starting SDL's video for the tests that open a real OpenGL window.

#include <SDL.h>

#include <cstdlib>

namespace test_support {

// Whether a display is named to open windows on; window tests skip themselves without one.
inline bool haveDisplay() {
  const char* display = std::getenv("DISPLAY");
  return display != nullptr && *display != '\0';
}

// SDL_Init of the video, tried for up to 5 s: an X server resets when its last client
// leaves and refuses connections meanwhile, and parallel tests come and go. 0 on
// success, as SDL_Init.
inline int startSdlVideo() {
  int started = -1;
  for (int attempt = 0; attempt < 50 && started != 0; ++attempt) {
    started = SDL_Init(SDL_INIT_VIDEO);
    if (started != 0) SDL_Delay(100);
  }
  return started;
}

}  // namespace test_support
