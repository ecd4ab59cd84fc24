#include "kettar/font.h"

#include <GL/glew.h>
#include <FTGL/ftgl.h>

#include <sstream>

#include "kettar/viewport.h"

namespace Kettar {

Font::~Font() { release(); }

void Font::release() {
  delete font;
  font = nullptr;
}

namespace {

FTFont* newFont(int kind, const char* path) {
  switch (kind) {
    case kFontBitmap: return new FTBitmapFont(path);
    case kFontBuffer: return new FTBufferFont(path);
    case kFontExtrude: return new FTExtrudeFont(path);
    case kFontOutline: return new FTOutlineFont(path);
    case kFontPixmap: return new FTPixmapFont(path);
    case kFontPolygon: return new FTPolygonFont(path);
    case kFontTexture: return new FTTextureFont(path);
    default: return nullptr;
  }
}

}  // namespace

void createFont(Font& record, const std::string& path, int kind, unsigned size) {
  // The record owns its font: a font it held before is freed, not leaked.
  record.release();
  record.kind = kind;
  FTFont* font = newFont(kind, path.c_str());
  if (font == nullptr) return;
  if (font->Error() != 0) {
    delete font;
    return;
  }
  font->UseDisplayList(true);
  font->FaceSize(size, 72);
  record.font = font;
}

void renderText(const std::string& text, int x, int y, FTFont* font) {
  glPushAttrib(GL_LIGHTING_BIT | GL_POLYGON_BIT);
  glDisable(GL_LIGHTING);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  viewport.begin2D();
  if (font != nullptr) {
    font->Render(text.c_str(), -1, FTPoint(x, y, 0), FTPoint(0, 0, 0), FTGL::RENDER_ALL);
  }
  viewport.end2D();
  glPopAttrib();
}

std::string formatRate(float rate) {
  if (rate == 0.0f) return "--";
  std::ostringstream out;
  out << rate;
  return out.str();
}

std::string statsText(float fps, float pps) {
  return "FPS: " + formatRate(fps) + " PPS: " + formatRate(pps);
}

}  // namespace Kettar
