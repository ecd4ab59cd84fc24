#include "tools/databuilder/texture_art.h"

#include <cmath>
#include <cstdio>

#include "tools/databuilder/canvas.h"
#include "tools/databuilder/noise.h"

namespace databuilder {

namespace {

constexpr float kPi = 3.14159265358979f;

std::string numbered(const std::string& prefix, int n, const std::string& suffix) {
  char digits[8];
  std::snprintf(digits, sizeof digits, "%02d", n);
  return prefix + digits + suffix;
}

float clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

float smoothstep(float e0, float e1, float v) {
  const float t = clamp01((v - e0) / (e1 - e0));
  return t * t * (3.0f - 2.0f * t);
}

// A star field that tiles: each pixel decides from its own hash alone.
float star(int x, int y, uint32_t seed, float density) {
  const uint32_t h = hashInt(uint32_t(x) * 92837111u ^ uint32_t(y) * 689287499u ^ seed);
  const float v = (h & 0xffff) / 65535.0f;
  return v < density ? 0.4f + 0.6f * ((h >> 16) & 0xff) / 255.0f : 0.0f;
}

Canvas mainMenu() {
  Canvas c(1024, 768);
  c.shade([](float x, float y) {
    const float t = y / 768.0f;
    Colour sky = mix(Colour(0.05f, 0.03f, 0.15f), Colour(0.25f, 0.10f, 0.30f), t);
    const float cloud = fractalNoise(x / 160.0f, y / 120.0f, 5, 0, 0, 11);
    sky = mix(sky, Colour(0.45f, 0.20f, 0.45f), smoothstep(0.55f, 0.85f, cloud) * 0.5f);
    const float s = star(int(x), int(y), 5, 0.002f) * (1.0f - t);
    return mix(sky, Colour(1, 1, 1), s);
  });
  // A ringed planet low on the right, lit from the upper left.
  const float px = 760, py = 470, pr = 190;
  c.shade([&](float x, float y) {
    Colour base = c.at(int(x), int(y));
    const float dx = (x - px) / pr, dy = (y - py) / pr;
    const float d2 = dx * dx + dy * dy;
    if (d2 > 1.0f) return base;
    const float light = clamp01(0.25f + 0.9f * (-dx * 0.6f - dy * 0.5f + std::sqrt(1.0f - d2) * 0.6f));
    const float bands = 0.5f + 0.5f * std::sin(dy * 14.0f + fractalNoise(x / 40, y / 40, 3, 0, 0, 3) * 4);
    Colour body = mix(Colour(0.55f, 0.30f, 0.20f), Colour(0.90f, 0.65f, 0.40f), bands).scaled(light);
    return mix(base, body, clamp01((1.0f - d2) * pr * 0.5f));
  });
  for (int i = 0; i < 3; ++i)
    c.strokeRing(px, py, pr * (1.35f + 0.12f * i), 3.0f - i,
                 Colour(0.9f, 0.8f, 0.7f, 0.35f - 0.08f * i));
  // Low hills in front.
  std::vector<Point> hills;
  for (int x = 0; x <= 1024; x += 8)
    hills.push_back({float(x), 640.0f + 60.0f * fractalNoise(x / 180.0f, 0.5f, 4, 0, 0, 21)});
  hills.push_back({1024, 768});
  hills.push_back({0, 768});
  c.fillPolygon(hills, Colour(0.06f, 0.04f, 0.10f));
  return c;
}

Canvas chapterMenu() {
  Canvas c(1024, 768);
  c.shade([](float x, float y) {
    const float t = y / 768.0f;
    Colour base = mix(Colour(0.02f, 0.12f, 0.14f), Colour(0.04f, 0.28f, 0.26f), t);
    const float glow = std::exp(-((x - 512) * (x - 512) + (y - 300) * (y - 300)) / 90000.0f);
    base = mix(base, Colour(0.25f, 0.60f, 0.50f), glow * 0.5f);
    // A floor grid in perspective below the horizon.
    if (y > 430) {
      const float depth = 60.0f / (y - 400.0f);
      const float gx = std::fabs(std::fmod((x - 512) * depth * 0.02f + 100.5f, 1.0f) - 0.5f);
      const float gz = std::fabs(std::fmod(depth * 4.0f, 1.0f) - 0.5f);
      const float line = std::max(smoothstep(0.46f, 0.5f, gx), smoothstep(0.45f, 0.5f, gz));
      base = mix(base, Colour(0.4f, 0.95f, 0.8f), line * clamp01((y - 430) / 200.0f) * 0.6f);
    }
    return base;
  });
  return c;
}

struct SkyStyle {
  Colour low, high, accent;
  float starDensity;
  uint32_t seed;
};

Canvas parallaxBack(const SkyStyle& s) {
  Canvas c(512, 512);
  c.shade([&](float x, float y) {
    const float n = fractalNoise(x / 128.0f, y / 128.0f, 5, 4, 4, s.seed);
    const float m = fractalNoise(x / 64.0f, y / 64.0f, 4, 8, 8, s.seed + 7);
    Colour col = mix(s.low, s.high, n);
    col = mix(col, s.accent, smoothstep(0.55f, 0.8f, m) * 0.6f);
    return mix(col, Colour(1, 1, 1), star(int(x), int(y), s.seed, s.starDensity));
  });
  return c;
}

enum class FrontKind { Rocks, Girders, Mist, Shards };

Canvas parallaxFront(FrontKind kind, uint32_t seed) {
  Canvas c(512, 512);
  c.shade([&](float x, float y) {
    switch (kind) {
      case FrontKind::Rocks: {
        const float n = fractalNoise(x / 128.0f, y / 128.0f, 5, 4, 4, seed);
        const float a = smoothstep(0.62f, 0.66f, n);
        const float shade = 0.5f + 0.5f * fractalNoise(x / 16.0f, y / 16.0f, 3, 32, 32, seed + 1);
        return Colour(0.18f, 0.14f, 0.16f).scaled(0.6f + 0.6f * shade).withAlpha(a);
      }
      case FrontKind::Girders: {
        const float u = std::fmod(x + y, 128.0f), v = std::fmod(x - y + 512.0f, 128.0f);
        const float beam = std::max(1.0f - smoothstep(5.0f, 7.0f, std::fabs(u - 64.0f)),
                                    1.0f - smoothstep(5.0f, 7.0f, std::fabs(v - 64.0f)));
        const float gap = fractalNoise(x / 256.0f, y / 256.0f, 2, 2, 2, seed);
        return Colour(0.10f, 0.12f, 0.16f).withAlpha(beam * smoothstep(0.35f, 0.45f, gap));
      }
      case FrontKind::Mist: {
        const float n = fractalNoise(x / 128.0f, y / 128.0f, 6, 4, 4, seed);
        return Colour(0.75f, 0.85f, 0.95f).withAlpha(smoothstep(0.5f, 0.8f, n) * 0.55f);
      }
      case FrontKind::Shards: {
        const float n = fractalNoise(x / 64.0f, y / 64.0f, 3, 8, 8, seed);
        const float ridge = 1.0f - std::fabs(n - 0.5f) * 2.0f;
        const float a = smoothstep(0.9f, 0.95f, ridge) *
                        smoothstep(0.45f, 0.55f, fractalNoise(x / 128, y / 128, 2, 4, 4, seed + 3));
        return Colour(0.45f, 0.30f, 0.70f).withAlpha(a * 0.85f);
      }
    }
    return Colour();
  });
  return c;
}

enum class Ground { Rock, Lava, Ice, Moss, Plates, Sand, Crystal };

// Terrain fills are 256 x 256 and tile in both directions (the fill repeats).
Canvas terrain(Ground g, uint32_t seed) {
  Canvas c(256, 256);
  c.shade([&](float x, float y) {
    const float n = fractalNoise(x / 32.0f, y / 32.0f, 5, 8, 8, seed);
    const float fine = fractalNoise(x / 8.0f, y / 8.0f, 2, 32, 32, seed + 5);
    switch (g) {
      case Ground::Rock:
        return mix(Colour(0.28f, 0.27f, 0.30f), Colour(0.52f, 0.50f, 0.52f), n * 0.8f + fine * 0.2f);
      case Ground::Lava: {
        const float crack = 1.0f - std::fabs(fractalNoise(x / 64, y / 64, 4, 4, 4, seed + 9) - 0.5f) * 2;
        Colour rock = mix(Colour(0.12f, 0.06f, 0.05f), Colour(0.30f, 0.14f, 0.10f), n);
        return mix(rock, Colour(1.0f, 0.45f, 0.05f), smoothstep(0.9f, 0.97f, crack));
      }
      case Ground::Ice: {
        const float streak = 0.5f + 0.5f * std::sin((x + y) * 2 * kPi / 64.0f + n * 6.0f);
        return mix(Colour(0.55f, 0.75f, 0.90f), Colour(0.90f, 0.97f, 1.0f), streak * 0.5f + fine * 0.5f);
      }
      case Ground::Moss: {
        const float patch = smoothstep(0.45f, 0.6f, n);
        return mix(Colour(0.30f, 0.22f, 0.14f), Colour(0.22f, 0.50f, 0.18f), patch).scaled(0.8f + 0.4f * fine);
      }
      case Ground::Plates: {
        const float px = std::fmod(x, 64.0f), py = std::fmod(y, 64.0f);
        const float seam = std::min(std::min(px, 64.0f - px), std::min(py, 64.0f - py));
        const float rivet = std::hypot(std::fmod(x + 56, 64.0f) - 4 - 48, std::fmod(y + 56, 64.0f) - 4 - 48);
        Colour plate = mix(Colour(0.35f, 0.38f, 0.42f), Colour(0.55f, 0.58f, 0.62f), fine * 0.6f + n * 0.4f);
        plate = plate.scaled(seam < 2.0f ? 0.5f : 1.0f);
        return rivet < 2.5f ? Colour(0.75f, 0.78f, 0.8f) : plate;
      }
      case Ground::Sand:
        return mix(Colour(0.62f, 0.48f, 0.28f), Colour(0.85f, 0.72f, 0.48f),
                   n * 0.5f + 0.5f * (0.5f + 0.5f * std::sin(y * 2 * kPi / 32.0f + n * 5.0f)));
      case Ground::Crystal: {
        const float facet = std::fabs(std::sin(x * 2 * kPi / 128.0f + n * 3) * std::cos(y * 2 * kPi / 128.0f - n * 3));
        return mix(Colour(0.20f, 0.10f, 0.35f), Colour(0.65f, 0.45f, 0.95f), facet * 0.7f + fine * 0.3f);
      }
    }
    return Colour();
  });
  return c;
}

enum class Edge { Grass, Trim, Frost, Glow };

// Border strips: 256 x 64, tiling along the edge (u); the top row lies on the
// outline and the strip fades out toward the bottom row, the border side.
Canvas border(Edge e, uint32_t seed) {
  Canvas c(256, 64);
  c.shade([&](float x, float y) {
    const float v = y / 64.0f;
    const float n = fractalNoise(x / 16.0f, y / 16.0f, 3, 16, 4, seed);
    switch (e) {
      case Edge::Grass: {
        const float blade = fractalNoise(x / 3.0f, 0.5f, 1, 85, 0, seed + 1) * 0.6f + 0.2f;
        const float a = 1.0f - smoothstep(blade - 0.1f, blade + 0.05f, v);
        return mix(Colour(0.35f, 0.70f, 0.20f), Colour(0.15f, 0.40f, 0.10f), v + n * 0.3f).withAlpha(a);
      }
      case Edge::Trim: {
        const float stripe = std::fmod(x + y, 32.0f) < 16.0f ? 1.0f : 0.0f;
        Colour band = v < 0.35f ? mix(Colour(0.25f, 0.25f, 0.28f), Colour(0.85f, 0.70f, 0.10f), stripe)
                                : Colour(0.30f, 0.32f, 0.36f).scaled(0.8f + 0.4f * n);
        return band.withAlpha(1.0f - smoothstep(0.6f, 1.0f, v));
      }
      case Edge::Frost: {
        const float icicle = 0.3f + 0.5f * fractalNoise(x / 6.0f, 0.5f, 2, 42, 0, seed + 2);
        const float a = 1.0f - smoothstep(icicle - 0.15f, icicle + 0.05f, v);
        return mix(Colour(0.95f, 0.98f, 1.0f), Colour(0.60f, 0.80f, 0.95f), v * 1.5f).withAlpha(a);
      }
      case Edge::Glow: {
        const float a = std::exp(-v * 4.0f) * (0.7f + 0.3f * n);
        return mix(Colour(1.0f, 0.85f, 0.3f), Colour(0.9f, 0.25f, 0.05f), v * 2.0f).withAlpha(a);
      }
    }
    return Colour();
  });
  return c;
}

Canvas alienCrate() {
  Canvas c(128, 128);
  c.shade([](float x, float y) {
    const float n = fractalNoise(x / 8.0f, y / 8.0f, 3, 0, 0, 41);
    return mix(Colour(0.30f, 0.34f, 0.22f), Colour(0.42f, 0.46f, 0.30f), n);
  });
  c.fillRect(0, 0, 128, 10, Colour(0.20f, 0.22f, 0.15f));
  c.fillRect(0, 118, 128, 128, Colour(0.20f, 0.22f, 0.15f));
  c.fillRect(0, 0, 10, 128, Colour(0.20f, 0.22f, 0.15f));
  c.fillRect(118, 0, 128, 128, Colour(0.20f, 0.22f, 0.15f));
  c.strokeLine(10, 10, 118, 118, 5, Colour(0.20f, 0.22f, 0.15f));
  c.strokeLine(118, 10, 10, 118, 5, Colour(0.20f, 0.22f, 0.15f));
  // A glowing glyph on the middle.
  c.fillCircle(64, 64, 22, Colour(0.05f, 0.08f, 0.05f));
  c.strokeRing(64, 64, 16, 2.5f, Colour(0.45f, 1.0f, 0.55f));
  c.strokeLine(64, 44, 64, 84, 2.5f, Colour(0.45f, 1.0f, 0.55f));
  c.fillCircle(64, 64, 5, Colour(0.7f, 1.0f, 0.7f));
  return c;
}

Canvas barrel() {
  Canvas c(128, 128);
  c.fillCircle(64, 64, 62, Colour(0.55f, 0.12f, 0.08f));
  c.strokeRing(64, 64, 58, 3, Colour(0.30f, 0.06f, 0.04f));
  c.strokeRing(64, 64, 40, 2, Colour(0.35f, 0.08f, 0.05f));
  // A hazard trefoil, so a rolled barrel shows its turn.
  for (int i = 0; i < 3; ++i) {
    const float a = -kPi / 2 + i * 2 * kPi / 3;
    std::vector<Point> blade;
    for (int k = 0; k <= 8; ++k) {
      const float t = a - 0.5f + k / 8.0f;
      blade.push_back({64 + 34 * std::cos(t), 64 + 34 * std::sin(t)});
    }
    for (int k = 8; k >= 0; --k) {
      const float t = a - 0.5f + k / 8.0f;
      blade.push_back({64 + 12 * std::cos(t), 64 + 12 * std::sin(t)});
    }
    c.fillPolygon(blade, Colour(0.95f, 0.80f, 0.10f));
  }
  c.fillCircle(64, 64, 7, Colour(0.95f, 0.80f, 0.10f));
  return c;
}

Canvas bar() {
  Canvas c(512, 32);
  c.shade([](float x, float y) {
    const float v = y / 32.0f;
    const float sheen = 1.0f - std::fabs(v - 0.35f) * 1.6f;
    Colour metal = mix(Colour(0.25f, 0.27f, 0.30f), Colour(0.75f, 0.78f, 0.80f), clamp01(sheen));
    const bool stripe = std::fmod(x, 64.0f) < 8.0f;
    return stripe ? mix(metal, Colour(0.9f, 0.5f, 0.1f), 0.6f) : metal;
  });
  return c;
}

}  // namespace

bool buildBackgrounds(const std::string& dataDir, const std::string& extension) {
  const std::string dir = dataDir + "/textures/";
  bool ok = saveTexture(mainMenu(), dir + "mainMenu" + extension);
  ok = saveTexture(chapterMenu(), dir + "chapterMenu" + extension) && ok;
  const SkyStyle skies[6] = {
      {Colour(0.02f, 0.03f, 0.10f), Colour(0.10f, 0.16f, 0.35f), Colour(0.3f, 0.4f, 0.7f), 0.003f, 101},
      {Colour(0.10f, 0.02f, 0.01f), Colour(0.45f, 0.10f, 0.04f), Colour(0.9f, 0.5f, 0.1f), 0.001f, 102},
      {Colour(0.05f, 0.12f, 0.18f), Colour(0.35f, 0.60f, 0.75f), Colour(0.4f, 0.9f, 0.7f), 0.002f, 103},
      {Colour(0.04f, 0.08f, 0.04f), Colour(0.20f, 0.35f, 0.18f), Colour(0.5f, 0.6f, 0.3f), 0.0f, 104},
      {Colour(0.03f, 0.01f, 0.06f), Colour(0.20f, 0.08f, 0.30f), Colour(0.7f, 0.3f, 0.8f), 0.004f, 105},
      {Colour(0.20f, 0.10f, 0.05f), Colour(0.70f, 0.45f, 0.20f), Colour(0.9f, 0.8f, 0.5f), 0.0f, 106},
  };
  for (int i = 0; i < 6; ++i)
    ok = saveTexture(parallaxBack(skies[i]), numbered(dir + "parallax-back-", i + 1, extension)) && ok;
  const FrontKind fronts[4] = {FrontKind::Rocks, FrontKind::Girders, FrontKind::Mist, FrontKind::Shards};
  for (int i = 0; i < 4; ++i)
    ok = saveTexture(parallaxFront(fronts[i], 201 + i), numbered(dir + "parallax-front-", i + 1, extension)) && ok;
  return ok;
}

bool buildSurfaces(const std::string& dataDir, const std::string& extension) {
  const std::string dir = dataDir + "/textures/";
  bool ok = true;
  const Ground grounds[7] = {Ground::Rock, Ground::Lava,  Ground::Ice,    Ground::Moss,
                             Ground::Plates, Ground::Sand, Ground::Crystal};
  for (int i = 0; i < 7; ++i)
    ok = saveTexture(terrain(grounds[i], 301 + i), numbered(dir + "terrain-", i + 1, extension)) && ok;
  const Edge edges[4] = {Edge::Grass, Edge::Trim, Edge::Frost, Edge::Glow};
  for (int i = 0; i < 4; ++i)
    ok = saveTexture(border(edges[i], 401 + i), numbered(dir + "border-", i + 1, extension)) && ok;
  ok = saveTexture(alienCrate(), dir + "aliencrate" + extension) && ok;
  ok = saveTexture(barrel(), dir + "barrel" + extension) && ok;
  ok = saveTexture(bar(), dir + "bar" + extension) && ok;
  return ok;
}

}  // namespace databuilder
