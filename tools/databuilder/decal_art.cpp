#include "tools/databuilder/decal_art.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iostream>

#include "tools/databuilder/canvas.h"
#include "tools/databuilder/noise.h"

namespace databuilder {

namespace {

constexpr float kPi = 3.14159265358979f;

struct Palette {
  Colour main, dark, light, accent;
};

Palette themePalette(int theme) {
  switch (theme) {
    case 0: return {Colour(0.35f, 0.60f, 0.70f), Colour(0.12f, 0.20f, 0.28f), Colour(0.75f, 0.95f, 1.0f), Colour(0.1f, 1.0f, 0.9f)};
    case 1: return {Colour(0.85f, 0.35f, 0.10f), Colour(0.30f, 0.08f, 0.04f), Colour(1.0f, 0.80f, 0.30f), Colour(1.0f, 0.95f, 0.5f)};
    case 2: return {Colour(0.65f, 0.82f, 0.95f), Colour(0.25f, 0.40f, 0.60f), Colour(0.95f, 0.98f, 1.0f), Colour(0.4f, 0.9f, 1.0f)};
    case 3: return {Colour(0.30f, 0.55f, 0.22f), Colour(0.25f, 0.18f, 0.10f), Colour(0.60f, 0.80f, 0.40f), Colour(0.9f, 0.85f, 0.3f)};
    case 4: return {Colour(0.50f, 0.30f, 0.75f), Colour(0.10f, 0.05f, 0.20f), Colour(0.85f, 0.75f, 1.0f), Colour(1.0f, 0.4f, 0.9f)};
    default: return {Colour(0.70f, 0.55f, 0.30f), Colour(0.30f, 0.20f, 0.10f), Colour(0.95f, 0.85f, 0.60f), Colour(0.95f, 0.75f, 0.2f)};
  }
}

// Each parameter of a picture comes from its own index, so every picture differs.
Colour vary(const Colour& c, Random& r) {
  const float f = r.range(0.8f, 1.2f);
  return Colour(c.r * f, c.g * r.range(0.85f, 1.15f), c.b * f, c.a);
}

void vegs(Canvas& c, const Palette& p, Random& r) {
  const float w = float(c.width()), h = float(c.height());
  const int stems = 1 + r.below(4);
  for (int s = 0; s < stems; ++s) {
    float x = w * r.range(0.25f, 0.75f), y = h - 2;
    float angle = -kPi / 2 + r.range(-0.4f, 0.4f);
    const float bend = r.range(-0.08f, 0.08f);
    const int segments = 5 + r.below(5);
    const Colour stem = vary(p.dark, r), leaf = vary(p.main, r);
    for (int i = 0; i < segments; ++i) {
      const float len = h * 0.08f;
      const float nx = x + std::cos(angle) * len, ny = y + std::sin(angle) * len;
      c.strokeLine(x, y, nx, ny, 1.5f, stem);
      if (i > 1 && r.below(2) == 0) {
        const float side = r.below(2) ? 1.0f : -1.0f;
        c.fillEllipse(nx + side * 5, ny, 5 + r.range(0, 3), 2.5f, leaf);
      }
      x = nx, y = ny, angle += bend;
    }
    if (r.below(2)) c.fillCircle(x, y, 3 + r.range(0, 3), vary(p.accent, r));
  }
}

void buildings(Canvas& c, const Palette& p, Random& r) {
  const float w = float(c.width()), h = float(c.height());
  const int towers = 1 + r.below(3);
  for (int t = 0; t < towers; ++t) {
    const float bw = w * r.range(0.22f, 0.45f);
    const float x0 = r.range(2, w - bw - 2), top = h * r.range(0.1f, 0.6f);
    const Colour wall = vary(t % 2 ? p.dark : p.main, r);
    c.fillRect(x0, top, x0 + bw, h, wall);
    if (r.below(2)) c.strokeLine(x0 + bw / 2, top, x0 + bw / 2, top - h * 0.08f, 1.0f, p.dark);
    const int cols = std::max(1, int(bw / 8));
    for (float y = top + 5; y < h - 6; y += 8)
      for (int i = 0; i < cols; ++i)
        if (r.below(3) != 0)
          c.fillRect(x0 + 3 + i * (bw - 4) / cols, y, x0 + 3 + i * (bw - 4) / cols + 3, y + 4,
                     vary(p.accent, r));
  }
}

void rocks(Canvas& c, const Palette& p, Random& r) {
  const float w = float(c.width()), h = float(c.height());
  const int count = 1 + r.below(3);
  for (int k = 0; k < count; ++k) {
    const float cx = w * r.range(0.3f, 0.7f), cy = h * r.range(0.55f, 0.75f);
    const float size = w * r.range(0.15f, 0.35f);
    std::vector<Point> outline;
    const int corners = 7 + r.below(6);
    for (int i = 0; i < corners; ++i) {
      const float a = i * 2 * kPi / corners;
      const float rr = size * r.range(0.7f, 1.1f);
      outline.push_back({cx + std::cos(a) * rr, cy + std::sin(a) * rr * 0.75f});
    }
    c.fillPolygon(outline, vary(p.dark, r));
    for (Point& q : outline) q = {cx + (q.x - cx) * 0.8f - 2, cy + (q.y - cy) * 0.8f - 2};
    c.fillPolygon(outline, vary(p.main, r));
    c.strokeLine(cx - size * 0.3f, cy - size * 0.1f, cx + size * r.range(-0.2f, 0.3f), cy + size * 0.3f, 0.8f, p.dark);
  }
}

void objects(Canvas& c, const Palette& p, Random& r) {
  const float w = float(c.width()), h = float(c.height());
  const float m = w * 0.5f;
  switch (r.below(4)) {
    case 0: {  // a gear
      const int teeth = 6 + r.below(8);
      const float rr = w * r.range(0.28f, 0.42f);
      std::vector<Point> gear;
      for (int i = 0; i < teeth * 4; ++i) {
        const float a = i * 2 * kPi / (teeth * 4);
        const float k = (i / 2) % 2 ? 1.0f : 0.8f;
        gear.push_back({m + std::cos(a) * rr * k, h * 0.5f + std::sin(a) * rr * k});
      }
      c.fillPolygon(gear, vary(p.main, r));
      c.fillCircle(m, h * 0.5f, rr * 0.3f, p.dark);
      break;
    }
    case 1: {  // a pipe run
      const float y = h * r.range(0.3f, 0.7f), hw = r.range(3, 7);
      c.strokeLine(2, y, w - 2, y, hw, vary(p.dark, r));
      c.strokeLine(2, y - hw * 0.3f, w - 2, y - hw * 0.3f, hw * 0.4f, vary(p.light, r));
      const int clamps = 2 + r.below(3);
      for (int i = 0; i < clamps; ++i) {
        const float x = r.range(8, w - 8);
        c.fillRect(x - 3, y - hw - 2, x + 3, y + hw + 2, p.dark);
      }
      break;
    }
    case 2: {  // crystals
      const int crystals = 2 + r.below(4);
      for (int i = 0; i < crystals; ++i) {
        const float x = r.range(w * 0.25f, w * 0.75f), len = h * r.range(0.3f, 0.6f);
        const float a = -kPi / 2 + r.range(-0.6f, 0.6f), hw = r.range(3, 7);
        const float tx = x + std::cos(a) * len, ty = h - 4 + std::sin(a) * len;
        c.fillPolygon({{x - hw, h - 4}, {x + hw, h - 4}, {tx + hw * 0.3f, ty + hw}, {tx, ty}, {tx - hw * 0.3f, ty + hw}},
                      vary(p.accent, r).withAlpha(0.85f));
      }
      break;
    }
    default: {  // a dial
      const float rr = w * r.range(0.3f, 0.42f);
      c.fillCircle(m, h * 0.5f, rr, vary(p.light, r));
      c.strokeRing(m, h * 0.5f, rr, 2.0f, p.dark);
      const float a1 = r.range(0, 2 * kPi), a2 = r.range(0, 2 * kPi);
      c.strokeLine(m, h * 0.5f, m + std::cos(a1) * rr * 0.8f, h * 0.5f + std::sin(a1) * rr * 0.8f, 1.5f, p.dark);
      c.strokeLine(m, h * 0.5f, m + std::cos(a2) * rr * 0.5f, h * 0.5f + std::sin(a2) * rr * 0.5f, 2.0f, p.dark);
      break;
    }
  }
}

void misc(Canvas& c, const Palette& p, Random& r) {
  const float w = float(c.width()), h = float(c.height());
  const float m = w * 0.5f;
  const int points = 3 + r.below(6);
  const float outer = w * r.range(0.3f, 0.45f), inner = outer * r.range(0.3f, 0.7f);
  const float turn = r.range(0, kPi);
  std::vector<Point> star;
  for (int i = 0; i < points * 2; ++i) {
    const float a = turn + i * kPi / points;
    const float rr = i % 2 ? inner : outer;
    star.push_back({m + std::cos(a) * rr, h * 0.5f + std::sin(a) * rr});
  }
  c.fillPolygon(star, vary(p.main, r).withAlpha(r.range(0.6f, 1.0f)));
  const int rings = r.below(3);
  for (int i = 0; i < rings; ++i) c.strokeRing(m, h * 0.5f, outer * (0.5f + 0.3f * i), 1.2f, p.accent);
  c.fillCircle(m + r.range(-4, 4), h * 0.5f + r.range(-4, 4), r.range(2, 6), p.light);
}

}  // namespace

const std::vector<std::string>& decalThemes() {
  static const std::vector<std::string> themes = {"techno", "fire", "ice", "moss", "space", "timezone"};
  return themes;
}

const std::vector<std::string>& decalKinds() {
  static const std::vector<std::string> kinds = {"vegs", "buildings", "rocks", "objects", "misc"};
  return kinds;
}

bool buildDecals(const std::string& theme, const std::string& dataDir, const std::string& extension) {
  const auto& themes = decalThemes();
  const auto found = std::find(themes.begin(), themes.end(), theme);
  if (found == themes.end()) {
    std::cerr << "databuilder: no decal theme " << theme << "\n";
    return false;
  }
  const int t = int(found - themes.begin());
  const Palette palette = themePalette(t);
  bool ok = true;
  for (int kind = 0; kind < 5; ++kind) {
    for (int n = 1; n <= 16; ++n) {
      const int index = t * 80 + kind * 16 + (n - 1);
      Random r(uint32_t(index) * 7919u + 17u);
      Canvas c(64, kind == 1 ? 96 : 64);
      switch (kind) {
        case 0: vegs(c, palette, r); break;
        case 1: buildings(c, palette, r); break;
        case 2: rocks(c, palette, r); break;
        case 3: objects(c, palette, r); break;
        default: misc(c, palette, r); break;
      }
      char name[32];
      std::snprintf(name, sizeof name, "/decal-%02d", n);
      ok = saveTexture(c, dataDir + "/decals/" + theme + "/" + decalKinds()[kind] + name + extension) && ok;
    }
  }
  return ok;
}

}  // namespace databuilder
