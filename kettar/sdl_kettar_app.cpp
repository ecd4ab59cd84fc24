#include "kettar/sdl_kettar_app.h"

#include <iostream>

#include "kettar/mixer.h"
#include "kettar/platform/app_platform.h"
#include "kettar/sdl_engine.h"
#include "kettar/timer_table.h"

namespace Kettar {

void pushUserEvent() {
  SDL_Event event{};
  event.type = SDL_USEREVENT;
  event.user.code = 0;
  SDL_PushEvent(&event);
}

VideoModeSize widestMode(SDL_Rect** modes) {
  VideoModeSize widest;
  if (modes == nullptr || modes == reinterpret_cast<SDL_Rect**>(-1)) return widest;
  for (SDL_Rect** mode = modes; *mode != nullptr; ++mode) {
    if ((*mode)->w > widest.width) {
      widest.width = (*mode)->w;
      widest.height = (*mode)->h;
    }
  }
  return widest;
}

SDLKettarApp::SDLKettarApp(const std::string& caption_) : caption(caption_) {}

int SDLKettarApp::run() {
  if (SDL_Init(sdlInitFlags()) < 0) {
    std::cout << "!![App] fatal error: could not initialize SDL: " << SDL_GetError() << std::endl;
    return 0;
  }
  const VideoModeSize widest = widestMode(SDL_ListModes(nullptr, SDL_FULLSCREEN | SDL_HWSURFACE));
  widestWidth = widest.width;
  widestHeight = widest.height;

  start();

  // A window as wide as the screen would hide its frame; the smaller size is also what is saved.
  if (videoConfig.width == widestWidth && !videoConfig.fullScreen) {
    videoConfig.width -= 5;
    videoConfig.height -= 5;
  }

  engine = new SDLEngine(this, &appConfig, &videoConfig);
  if (!engine->init()) {
    delete engine;
    engine = nullptr;
    return 1;
  }
  SDL_WM_SetCaption(caption.c_str(), nullptr);
  startSubsystems();

  const bool started = init();
  if (started) {
    engine->run();
    std::cout << "\n[App] closing app..." << std::endl;
  }
  stopSubsystems();
  delete engine;
  engine = nullptr;
  std::cout << (started ? "" : "\n") << "[App] quitting SDL..." << std::endl;
  // SDL's timers end with SDL: nothing may still be scheduled to run.
  timerTable.removeAll();
  SDL_Quit();
  shutdown();
  return started ? 0 : 2;
}

void SDLKettarApp::toggleFullscreen() {
  SDLEngine* sdlEngine = static_cast<SDLEngine*>(engine);
  if (sdlEngine == nullptr) return;
  toggleWindowFullscreen(videoConfig, sdlEngine->surface, std::cout);
}

void SDLKettarApp::showCursor(bool hide) { SDL_ShowCursor(hide ? 0 : 1); }

std::string SDLKettarApp::backendName() { return "SDL"; }

UserEventPusher SDLKettarApp::userEventPusher() { return &pushUserEvent; }

void SDLKettarApp::onUserEvent() {
  if (currentMixer != nullptr) currentMixer->scheduleRestart();
}

}  // namespace Kettar
