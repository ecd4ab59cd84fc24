#pragma once
// An RGBA picture in floats that the builder paints procedurally and stores as a
// texture file. Pixel (0, 0) is the top-left corner; rows run downward, which is
// the order the texture file keeps (its first stored row is the top row).

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace databuilder {

struct Colour {
  float r = 0.0f, g = 0.0f, b = 0.0f, a = 0.0f;
  Colour() = default;
  Colour(float r_, float g_, float b_, float a_ = 1.0f) : r(r_), g(g_), b(b_), a(a_) {}
  Colour withAlpha(float alpha) const { return Colour(r, g, b, alpha); }
  Colour scaled(float f) const { return Colour(r * f, g * f, b * f, a); }
};

Colour mix(const Colour& a, const Colour& b, float t);

struct Point {
  float x = 0.0f, y = 0.0f;
};

class Canvas {
 public:
  Canvas(int width, int height);

  int width() const { return width_; }
  int height() const { return height_; }
  Colour at(int x, int y) const { return pixels_[index(x, y)]; }
  void set(int x, int y, const Colour& c) { pixels_[index(x, y)] = c; }

  // Paints every pixel with shade(x, y), taken at the pixel's centre.
  void shade(const std::function<Colour(float x, float y)>& shade);
  // Lays c over pixel (x, y) with the given coverage (source-over blending).
  void blend(int x, int y, const Colour& c, float coverage);

  // Anti-aliased shapes, painted over what is there.
  void fillCircle(float cx, float cy, float radius, const Colour& c);
  void fillEllipse(float cx, float cy, float rx, float ry, const Colour& c);
  void fillRect(float x0, float y0, float x1, float y1, const Colour& c);
  void fillPolygon(const std::vector<Point>& points, const Colour& c);
  void strokeLine(float x0, float y0, float x1, float y1, float halfWidth, const Colour& c);
  void strokeRing(float cx, float cy, float radius, float halfWidth, const Colour& c);

  // Copies the other canvas in with its top-left corner at (x, y), replacing pixels.
  void paste(const Canvas& other, int x, int y);
  // Left-right mirror image.
  Canvas mirrored() const;

  // 8-bit RGBA rows from the top row down, as the texture file stores them.
  std::vector<uint8_t> rgba8() const;

 private:
  size_t index(int x, int y) const { return size_t(y) * size_t(width_) + size_t(x); }
  // Coverage-weighted painting over the pixels of a bounding box.
  void cover(float x0, float y0, float x1, float y1, const Colour& c,
             const std::function<float(float x, float y)>& coverage);

  int width_;
  int height_;
  std::vector<Colour> pixels_;
};

// Writes the canvas as a texture file: one compressed block of i32 width, i32 height
// and the RGBA rows; or, for a path ending in ".png", as a PNG image of the same rows.
// Creates missing folders. False (with a message) on failure.
bool saveTexture(const Canvas& canvas, const std::string& path);

// Creates the folders above a file path; false with a message when it cannot.
bool makeParentFolders(const std::string& path);

}  // namespace databuilder
