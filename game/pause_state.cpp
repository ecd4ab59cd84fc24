#include "game/pause_state.h"

#include <FTGL/ftgl.h>
#include <SDL_keysym.h>

#include "game/screen_host.h"
#include "game/screen_overlay.h"
#include "kettar/font.h"
#include "kettar/viewport.h"

PauseState::PauseState(ScreenHost* app_) : app(app_) {
  Kettar::Font* font = app->screenFont();
  if (font->font != nullptr) font->font->FaceSize(50, 72);
}

void PauseState::draw() {
  beginOverlay(app, 0.4f, 0.4f, 0.4f, 0.5f);
  FTFont* font = app->screenFont()->font;
  const float w = static_cast<float>(Kettar::viewport.width);
  const float h = static_cast<float>(Kettar::viewport.height);
  renderOverlayText(font, "Press Enter to resume", 0.2f * w, 0.5f * h + 40);
  renderOverlayText(font, "Press Esc to quit", 0.2f * w, 0.5f * h - 40);
  endOverlay();
}

void PauseState::keyEvent(uint8_t* keys, int32_t key) {
  if (!isKeyPress(keys, key)) return;
  if (key == SDLK_RETURN) {
    app->resumeLevel();
  } else if (key == SDLK_ESCAPE) {
    app->leaveLevel();
  }
}
