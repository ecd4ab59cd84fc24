#include "game/screen_overlay.h"

#include <GL/glew.h>
#include <FTGL/ftgl.h>

#include "game/screen_host.h"
#include "kettar/viewport.h"

void beginOverlay(ScreenHost* app, float red, float green, float blue, float alpha) {
  app->draw();
  Kettar::viewport.begin2D();
  const float w = static_cast<float>(Kettar::viewport.width);
  const float h = static_cast<float>(Kettar::viewport.height);
  glColor4f(red, green, blue, alpha);
  glBegin(GL_QUADS);
  glVertex2f(-w, h);
  glVertex2f(w, h);
  glVertex2f(w, -h);
  glVertex2f(-w, -h);
  glEnd();
  glColor4f(0, 0, 0, 1);
  // The projection stack may hold only two matrices, and begin2D took both:
  // the texts' scales go on the model-view matrix.
  glMatrixMode(GL_MODELVIEW);
}

void endOverlay() {
  glMatrixMode(GL_PROJECTION);
  Kettar::viewport.end2D();
}

void renderOverlayText(FTFont* font, const std::string& text, float x, float y) {
  if (font == nullptr) return;
  font->Render(text.c_str(), -1, FTPoint(x, y, 0), FTPoint(0, 0, 0), FTGL::RENDER_ALL);
}
