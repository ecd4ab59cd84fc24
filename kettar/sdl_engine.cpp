#include "kettar/sdl_engine.h"

#include <atomic>
#include <cstdlib>
#include <iostream>

#include "kettar/platform/video_mode.h"
#include "kettar/sdl_kettar_app.h"
#include "kettar/viewport.h"

namespace Kettar {

namespace {

// Read by the filter on SDL's event thread. The filter stays installed for the whole
// run: clearing it in SDL 1.2 would drain the queue and lose the keys waiting there.
std::atomic<bool> mouseAllowed{false};

// Where the filter-removal timer is, shared with SDL's timer thread. Whichever side moves it
// out of kPending acts on the timer: the callback lets SDL free the timer it fired, the
// engine removes one that has not fired. So the engine never removes a freed timer by an id
// a later timer may have been given (SDL 1.2 matches ids by address).
enum FilterTimer : int { kNoTimer, kPending, kFired, kRemoving };
std::atomic<int> filterTimerState{kNoTimer};

int startupFilter(const SDL_Event* event) { return acceptsEvent(event->type, mouseAllowed.load()) ? 1 : 0; }

int physicsThreadMain(void* engine) { return static_cast<SDLEngine*>(engine)->physicsLoop(); }

// putenv keeps the text itself, so it must outlive the process's use of it.
char centeredWindow[] = "SDL_VIDEO_CENTERED=center";

}  // namespace

bool acceptsEvent(uint8_t type, bool mouseAllowedNow) {
  if (mouseAllowedNow) return true;
  return type != SDL_MOUSEMOTION && type != SDL_MOUSEBUTTONDOWN && type != SDL_MOUSEBUTTONUP;
}

SDLEngine::SDLEngine(SDLKettarApp* app_, AppConfig* appConfig_, VideoConfig* videoConfig_)
    : Engine(app_, appConfig_, videoConfig_), app(app_) {}

SDLEngine::~SDLEngine() { removeFilterTimer(); }

void SDLEngine::installStartupFilter() {
  mouseAllowed = false;
  SDL_SetEventFilter(startupFilter);
}

uint32_t SDLEngine::removeEventFilter(uint32_t interval, void*) {
  int state = kPending;
  filterTimerState.compare_exchange_strong(state, kFired);
  // The engine is removing the timer: SDL must keep it until the removal lands.
  if (state == kRemoving) return interval;
  mouseAllowed = true;
  return 0;
}

void SDLEngine::startFilterTimer() {
  filterTimerState = kPending;
  filterTimer_ = SDL_AddTimer(1000, &SDLEngine::removeEventFilter, nullptr);
  if (filterTimer_ == nullptr) filterTimerState = kNoTimer;
}

void SDLEngine::removeFilterTimer() {
  int state = kPending;
  if (filterTimerState.compare_exchange_strong(state, kRemoving)) {
    SDL_RemoveTimer(filterTimer_);
    filterTimerState = kNoTimer;
  }
  filterTimer_ = nullptr;
}

bool SDLEngine::filterTimerPending() { return filterTimerState == kPending; }

uint32_t SDLEngine::videoFlags() const {
  Uint32 flags = SDL_OPENGL | SDL_HWSURFACE;
  if (videoConfig->resizable) flags |= SDL_RESIZABLE;
  if (videoConfig->fullScreen) flags |= SDL_FULLSCREEN;
  return flags;
}

bool SDLEngine::setVideoMode() {
  surface = SDL_SetVideoMode(videoConfig->width, videoConfig->height, 32, videoFlags());
  return surface != nullptr;
}

bool SDLEngine::initVideo() {
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  if (videoConfig->vsync) SDL_GL_SetAttribute(SDL_GL_SWAP_CONTROL, 1);
  if (videoConfig->antialias != 0) {
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, 1);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, videoConfig->antialias);
  }
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, videoConfig->stencil ? 8 : 0);
  putenv(centeredWindow);
  surface = openVideoMode(*videoConfig, videoFlags(), app ? app->widestWidth : 0,
                          app ? app->widestHeight : 0, std::cout);
  if (surface == nullptr) return false;
  installStartupFilter();
  return true;
}

int SDLEngine::run() {
  startFilterTimer();
  if (appConfig->dualThread) {
    physicsThread = SDL_CreateThread(physicsThreadMain, this);
    if (physicsThread != nullptr) {
      const int result = renderLoop();
      SDL_WaitThread(physicsThread, nullptr);
      physicsThread = nullptr;
      return result;
    }
    std::cout << "!![Engine] error: could not start the physics thread: " << SDL_GetError() << std::endl;
  }
  return appConfig->turbo ? turboLoop() : pacedLoop();
}

void SDLEngine::swapBuffers() { SDL_GL_SwapBuffers(); }

void SDLEngine::pumpEvents() {
  SDL_Event event;
  while (SDL_PollEvent(&event)) handleEvent(event);
}

void SDLEngine::handleEvent(const SDL_Event& event) {
  switch (event.type) {
    case SDL_ACTIVEEVENT:
      if (videoConfig->fullScreen) SDL_ShowCursor(event.active.gain ? 0 : 1);
      break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
      const int key = event.key.keysym.sym;
      if (key < 0 || key >= kKeyCount) break;
      keys[key] = event.type == SDL_KEYDOWN ? 1 : 0;
      current->keyEvent(keys, key);
      break;
    }
    case SDL_MOUSEMOTION:
      mouse.x = event.motion.x;
      mouse.y = event.motion.y;
      mouse.dx = -event.motion.xrel * mouseFactor;
      mouse.dy = -event.motion.yrel * mouseFactor;
      mouse.kind = kMouseMotion;
      current->mouseEvent(&mouse);
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
      const uint8_t pressed = event.type == SDL_MOUSEBUTTONDOWN ? 1 : 0;
      switch (event.button.button) {
        case SDL_BUTTON_LEFT:
          mouse.left = pressed;
          mouse.kind = kMouseLeft;
          break;
        case SDL_BUTTON_RIGHT:
          mouse.right = pressed;
          mouse.kind = kMouseRight;
          break;
        case SDL_BUTTON_WHEELUP:
          mouse.wheel = -1;
          mouse.kind = kMouseWheel;
          break;
        case SDL_BUTTON_WHEELDOWN:
          mouse.wheel = 1;
          mouse.kind = kMouseWheel;
          break;
        default:
          break;
      }
      current->mouseEvent(&mouse);
      break;
    }
    case SDL_QUIT:
      quit = true;
      break;
    case SDL_VIDEORESIZE:
      videoConfig->width = event.resize.w;
      videoConfig->height = event.resize.h;
      if (!setVideoMode()) {
        // Without a window nothing can be drawn: end the run normally, settings saved.
        std::cout << "!![Engine] error: could not set video mode " << videoConfig->width << "x"
                  << videoConfig->height << ": " << SDL_GetError() << std::endl;
        quit = true;
        break;
      }
      viewport.resize(videoConfig->width, videoConfig->height);
      break;
    case SDL_USEREVENT:
      if (event.user.code == 0) app->onUserEvent();
      break;
    default:
      break;
  }
}

}  // namespace Kettar
