#pragma once
// The application over SDL 1.2: run takes the process from SDL start-up through the
// main loop to SDL shut-down. A game derives from it and overrides the hooks.

#include <SDL.h>

#include <string>

#include "kettar/kettar_app.h"

namespace Kettar {

// Pushes one SDL user event of code 0; the form of SDL_mixer's music-finished hook,
// safe on any thread.
void pushUserEvent();

struct VideoModeSize {
  int width = 0;
  int height = 0;
};

// The widest of the modes SDL_ListModes gave (the first listed of equal widths). No
// list (null) and "any size" ((SDL_Rect**)-1) give 0 × 0: no mode is known, and no
// window size is then bounded by it.
VideoModeSize widestMode(SDL_Rect** modes);

class SDLKettarApp : public KettarApp {
 public:
  explicit SDLKettarApp(const std::string& caption);

  // The whole program: 0 after a normal end and when SDL cannot start, 1 when the
  // engine cannot be initialised, 2 when init fails.
  int run();

  void toggleFullscreen() override;
  void showCursor(bool hide) override;
  std::string backendName() override;
  UserEventPusher userEventPusher() override;
  // The user event of code 0, on the main thread.
  virtual void onUserEvent();

  std::string caption;  // the window's caption

 protected:
  ~SDLKettarApp() = default;
};

}  // namespace Kettar
