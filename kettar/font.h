#pragma once
// A TrueType font drawn through FTGL, of one of FTGL's seven kinds.

#include <string>

class FTFont;

namespace Kettar {

// The kind codes of the font factory, one per FTGL font class.
enum FontKind {
  kFontBitmap = 0,
  kFontBuffer = 1,
  kFontExtrude = 2,
  kFontOutline = 3,
  kFontPixmap = 4,
  kFontPolygon = 5,
  kFontTexture = 6,
};

struct Font {
  FTFont* font = nullptr;  // owned; null when no font was made or loading failed
  int kind = 0;            // the code given to the factory

  Font() = default;
  // Frees the font; fonts hold GL objects, so their owners release them while the context exists.
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  void release();
};

// Replaces the record's font by a new one of the kind from the file, with display lists
// and the face size at 72 dpi. An unknown kind or a file FTGL cannot read leaves it null.
void createFont(Font& record, const std::string& path, int kind, unsigned size);

// Renders one line with its baseline starting at window pixel (x, y), y upward from the
// bottom edge, in the current colour, in a 2D projection; a null font draws nothing.
void renderText(const std::string& text, int x, int y, FTFont* font);

// A measured rate as the overlay shows it: default stream format, "--" for exactly 0.
std::string formatRate(float rate);
// "FPS: 60 PPS: 500".
std::string statsText(float fps, float pps);

}  // namespace Kettar
