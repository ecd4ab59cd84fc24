#include "game/end.h"

#include <GL/glew.h>
#include <FTGL/ftgl.h>

#include <iostream>

#include "game/screen_host.h"
#include "game/screen_overlay.h"
#include "kettar/font.h"
#include "kettar/viewport.h"

namespace {

struct OutcomeLook {
  float veil[4];
  const char* headline;
  const char* verdict;
};

const OutcomeLook& lookOf(EndOutcome outcome) {
  static const OutcomeLook died = {
      {1.0f, 0.0f, 0.0f, 0.75f}, "AAAAGH !!", "sadly, you killed Brannic.. his escape ends here!!"};
  static const OutcomeLook record = {
      {0.2f, 0.8f, 0.2f, 0.5f}, "FINISH !!", "congratulations, you improved the record!!"};
  static const OutcomeLook noRecord = {
      {0.7f, 0.3f, 0.3f, 0.5f}, "FINISH !!", "sadly, you didn't improve the record..."};
  switch (outcome) {
    case EndOutcome::kDied: return died;
    case EndOutcome::kRecord: return record;
    default: return noRecord;
  }
}

}  // namespace

End::End(ScreenHost* app_) : app(app_) {
  Kettar::Font* font = app->screenFont();
  if (font->font != nullptr) font->font->FaceSize(50, 72);
}

EndOutcome End::outcome() const {
  if (app->heroHealth() <= 0) return EndOutcome::kDied;
  return app->keptTime() < app->record() ? EndOutcome::kRecord : EndOutcome::kNoRecord;
}

void End::draw() {
  const OutcomeLook& look = lookOf(outcome());
  beginOverlay(app, look.veil[0], look.veil[1], look.veil[2], look.veil[3]);
  FTFont* font = app->screenFont()->font;
  const float w = static_cast<float>(Kettar::viewport.width);
  const float h = static_cast<float>(Kettar::viewport.height);

  glPushMatrix();
  glScalef(2, 2, 2);
  renderOverlayText(font, look.headline, 0.2f * w, 0.5f * h - 200);
  glPopMatrix();

  glPushMatrix();
  glScalef(0.75f, 0.75f, 0.75f);
  renderOverlayText(font, look.verdict, 0.1f * w / 0.75f, (0.5f * h - 100) / 0.75f);
  renderOverlayText(font, "press any key to continue...", 0.1f * w, 0.5f * h - 180);
  glPopMatrix();
  endOverlay();
}

void End::keyEvent(uint8_t* keys, int32_t key) {
  if (!isKeyPress(keys, key)) return;
  if (outcome() == EndOutcome::kRecord && !app->storeRecord(app->keptTime())) {
    // The level file is left as it was; the menu follows all the same.
    std::cout << "!![Ombrel] cannot write the best time into the level file" << std::endl;
  }
  app->leaveLevel();
}
