#include "tools/databuilder/canvas.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "kettar/byte_buffer.h"
#include "tools/databuilder/png_file.h"

namespace databuilder {

namespace {

float clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

float segmentDistance(float px, float py, float x0, float y0, float x1, float y1) {
  const float dx = x1 - x0, dy = y1 - y0;
  const float len2 = dx * dx + dy * dy;
  float t = len2 > 0.0f ? ((px - x0) * dx + (py - y0) * dy) / len2 : 0.0f;
  t = clamp01(t);
  const float ex = px - (x0 + t * dx), ey = py - (y0 + t * dy);
  return std::sqrt(ex * ex + ey * ey);
}

}  // namespace

Colour mix(const Colour& a, const Colour& b, float t) {
  return Colour(a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t,
                a.a + (b.a - a.a) * t);
}

Canvas::Canvas(int width, int height)
    : width_(width), height_(height), pixels_(size_t(width) * size_t(height)) {}

void Canvas::shade(const std::function<Colour(float, float)>& shadeAt) {
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) set(x, y, shadeAt(x + 0.5f, y + 0.5f));
}

void Canvas::blend(int x, int y, const Colour& c, float coverage) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  const float sa = clamp01(c.a * coverage);
  if (sa <= 0.0f) return;
  Colour& d = pixels_[index(x, y)];
  const float outA = sa + d.a * (1.0f - sa);
  if (outA <= 0.0f) return;
  d.r = (c.r * sa + d.r * d.a * (1.0f - sa)) / outA;
  d.g = (c.g * sa + d.g * d.a * (1.0f - sa)) / outA;
  d.b = (c.b * sa + d.b * d.a * (1.0f - sa)) / outA;
  d.a = outA;
}

void Canvas::cover(float x0, float y0, float x1, float y1, const Colour& c,
                   const std::function<float(float, float)>& coverage) {
  const int ix0 = std::max(0, int(std::floor(x0)) - 1);
  const int iy0 = std::max(0, int(std::floor(y0)) - 1);
  const int ix1 = std::min(width_ - 1, int(std::ceil(x1)) + 1);
  const int iy1 = std::min(height_ - 1, int(std::ceil(y1)) + 1);
  for (int y = iy0; y <= iy1; ++y)
    for (int x = ix0; x <= ix1; ++x) blend(x, y, c, coverage(x + 0.5f, y + 0.5f));
}

void Canvas::fillCircle(float cx, float cy, float radius, const Colour& c) {
  fillEllipse(cx, cy, radius, radius, c);
}

void Canvas::fillEllipse(float cx, float cy, float rx, float ry, const Colour& c) {
  if (rx <= 0.0f || ry <= 0.0f) return;
  const float r = std::min(rx, ry);
  cover(cx - rx, cy - ry, cx + rx, cy + ry, c, [&](float x, float y) {
    const float nx = (x - cx) / rx, ny = (y - cy) / ry;
    const float d = (std::sqrt(nx * nx + ny * ny) - 1.0f) * r;
    return clamp01(0.5f - d);
  });
}

void Canvas::fillRect(float x0, float y0, float x1, float y1, const Colour& c) {
  cover(x0, y0, x1, y1, c, [&](float x, float y) {
    const float cx = clamp01(std::min(x - x0, x1 - x) + 0.5f);
    const float cy = clamp01(std::min(y - y0, y1 - y) + 0.5f);
    return cx * cy;
  });
}

void Canvas::fillPolygon(const std::vector<Point>& points, const Colour& c) {
  if (points.size() < 3) return;
  float x0 = points[0].x, x1 = x0, y0 = points[0].y, y1 = y0;
  for (const Point& p : points) {
    x0 = std::min(x0, p.x), x1 = std::max(x1, p.x);
    y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
  }
  // 4 x 4 samples per pixel with the even-odd rule.
  cover(x0, y0, x1, y1, c, [&](float px, float py) {
    int inside = 0;
    for (int sy = 0; sy < 4; ++sy)
      for (int sx = 0; sx < 4; ++sx) {
        const float x = px - 0.5f + (sx + 0.5f) / 4.0f, y = py - 0.5f + (sy + 0.5f) / 4.0f;
        bool in = false;
        for (size_t i = 0, j = points.size() - 1; i < points.size(); j = i++) {
          const Point& a = points[i];
          const Point& b = points[j];
          if ((a.y > y) != (b.y > y) && x < (b.x - a.x) * (y - a.y) / (b.y - a.y) + a.x) in = !in;
        }
        inside += in ? 1 : 0;
      }
    return inside / 16.0f;
  });
}

void Canvas::strokeLine(float x0, float y0, float x1, float y1, float halfWidth, const Colour& c) {
  cover(std::min(x0, x1) - halfWidth, std::min(y0, y1) - halfWidth, std::max(x0, x1) + halfWidth,
        std::max(y0, y1) + halfWidth, c, [&](float x, float y) {
          return clamp01(halfWidth + 0.5f - segmentDistance(x, y, x0, y0, x1, y1));
        });
}

void Canvas::strokeRing(float cx, float cy, float radius, float halfWidth, const Colour& c) {
  const float outer = radius + halfWidth;
  cover(cx - outer, cy - outer, cx + outer, cy + outer, c, [&](float x, float y) {
    const float d = std::fabs(std::hypot(x - cx, y - cy) - radius);
    return clamp01(halfWidth + 0.5f - d);
  });
}

void Canvas::paste(const Canvas& other, int x, int y) {
  for (int sy = 0; sy < other.height(); ++sy)
    for (int sx = 0; sx < other.width(); ++sx) {
      const int dx = x + sx, dy = y + sy;
      if (dx >= 0 && dy >= 0 && dx < width_ && dy < height_) set(dx, dy, other.at(sx, sy));
    }
}

Canvas Canvas::mirrored() const {
  Canvas out(width_, height_);
  for (int y = 0; y < height_; ++y)
    for (int x = 0; x < width_; ++x) out.set(width_ - 1 - x, y, at(x, y));
  return out;
}

std::vector<uint8_t> Canvas::rgba8() const {
  std::vector<uint8_t> out(pixels_.size() * 4);
  auto byte = [](float v) { return uint8_t(std::lround(clamp01(v) * 255.0f)); };
  for (size_t i = 0; i < pixels_.size(); ++i) {
    const Colour& p = pixels_[i];
    out[i * 4 + 0] = byte(p.r);
    out[i * 4 + 1] = byte(p.g);
    out[i * 4 + 2] = byte(p.b);
    out[i * 4 + 3] = byte(p.a);
  }
  return out;
}

bool makeParentFolders(const std::string& path) {
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  if (parent.empty()) return true;
  std::error_code error;
  std::filesystem::create_directories(parent, error);
  if (error) {
    std::cerr << "databuilder: cannot create " << parent.string() << ": " << error.message()
              << "\n";
    return false;
  }
  return true;
}

bool saveTexture(const Canvas& canvas, const std::string& path) {
  if (!makeParentFolders(path)) return false;
  const std::vector<uint8_t> pixels = canvas.rgba8();
  const std::string png = ".png";
  if (path.size() >= png.size() && path.compare(path.size() - png.size(), png.size(), png) == 0)
    return writePng(path, canvas.width(), canvas.height(), pixels);
  Kettar::ByteBuffer buffer;
  buffer.put<int32_t>(canvas.width());
  buffer.put<int32_t>(canvas.height());
  buffer.append(pixels.data(), uint32_t(pixels.size()));
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out || !buffer.saveCompressed(out)) {
    std::cerr << "databuilder: cannot write " << path << "\n";
    return false;
  }
  return true;
}

}  // namespace databuilder
