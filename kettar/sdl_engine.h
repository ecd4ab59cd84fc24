#pragma once
// The engine over SDL 1.2: the OpenGL window, the event pump and the main loops.

#include <SDL.h>

#include <cstdint>

#include "kettar/engine.h"

namespace Kettar {

class SDLKettarApp;

// Whether the start-up event filter lets an event of that SDL type through: mouse
// motion and buttons only once mouse events are allowed, everything else always.
bool acceptsEvent(uint8_t type, bool mouseAllowed);

class SDLEngine : public Engine {
 public:
  SDLEngine(SDLKettarApp* app, AppConfig* appConfig, VideoConfig* videoConfig);
  ~SDLEngine() override;

  // Starts the timer that lets mouse events in after one second, then the loop that
  // the settings choose (with the physics thread in dual-thread mode).
  int run() override;
  // GL attributes, the window, the start-up event filter; false when no window opens.
  bool initVideo() override;
  void pumpEvents() override;
  void swapBuffers() override;

  // The window's flags: OpenGL, and resizable and fullscreen as the video settings ask.
  uint32_t videoFlags() const;
  // SDL_SetVideoMode with the current video settings; false when SDL gives no surface.
  bool setVideoMode();
  // Holds mouse motion and buttons back from now on. The filter stays installed for the
  // whole run: setting a filter in SDL 1.2 drains the queue.
  static void installStartupFilter();
  // Runs once, one second after the loop starts: mouse events are let through from then on.
  static uint32_t removeEventFilter(uint32_t interval, void* unused);
  // The one-second timer of removeEventFilter, started by run. The destructor removes it
  // only while it has not fired.
  void startFilterTimer();
  // Whether that timer is started and has not fired.
  static bool filterTimerPending();
  // What one event does to the keys, the mouse record, the flags, the window and the callbacks.
  void handleEvent(const SDL_Event& event);

  SDLKettarApp* app;               // receives the user event; not owned
  SDL_Surface* surface = nullptr;  // the window; null until the video mode is set
  SDL_Thread* physicsThread = nullptr;  // dual-thread mode only, while the loop runs

 private:
  void removeFilterTimer();

  SDL_TimerID filterTimer_ = nullptr;  // the one-second mouse timer; SDL's only while pending
};

}  // namespace Kettar
