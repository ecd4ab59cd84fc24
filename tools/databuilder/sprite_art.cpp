#include "tools/databuilder/sprite_art.h"

#include <cmath>
#include <functional>

#include "tools/databuilder/canvas.h"

namespace databuilder {

namespace {

constexpr float kPi = 3.14159265358979f;
// Transparent columns on each side of a frame: enough that the neighbouring
// frame stays out of reach of linear filtering at the sizes the game draws.
constexpr int kPad = 4;

// Paints frame f (0..frames-1, with t = f / frames) into a cell-sized canvas.
using FramePainter = std::function<void(Canvas& cell, int frame, float t)>;

Canvas strip(int frames, int cellWidth, int cellHeight, bool mirror, const FramePainter& paint) {
  Canvas out(frames * cellWidth, cellHeight);
  for (int f = 0; f < frames; ++f) {
    Canvas cell(cellWidth - 2 * kPad, cellHeight - 2 * kPad);
    paint(cell, f, float(f) / float(frames));
    out.paste(mirror ? cell.mirrored() : cell, f * cellWidth + kPad, kPad);
  }
  return out;
}

// The hero's body: a soft capsule facing right, breathing, with a visor.
void paintBody(Canvas& c, int, float t) {
  const float w = float(c.width()), h = float(c.height());
  const float breathe = 0.03f * std::sin(t * 2 * kPi);
  const float rx = w * (0.46f + breathe), ry = h * (0.47f - breathe * 0.5f);
  c.fillEllipse(w * 0.5f, h * 0.5f, rx, ry, Colour(0.10f, 0.35f, 0.40f));
  c.fillEllipse(w * 0.48f, h * 0.46f, rx * 0.88f, ry * 0.9f, Colour(0.18f, 0.62f, 0.66f));
  c.fillEllipse(w * 0.40f, h * 0.30f, rx * 0.35f, ry * 0.25f, Colour(0.55f, 0.90f, 0.88f, 0.6f));
  // The visor looks ahead (right); its light sweeps once per cycle.
  c.fillEllipse(w * 0.68f, h * 0.32f, w * 0.20f, h * 0.07f, Colour(0.05f, 0.08f, 0.12f));
  const float sweep = w * (0.56f + 0.22f * (0.5f + 0.5f * std::sin(t * 2 * kPi)));
  c.fillEllipse(sweep, h * 0.32f, w * 0.05f, h * 0.04f, Colour(1.0f, 0.45f, 0.20f));
  c.fillRect(w * 0.25f, h * 0.62f, w * 0.75f, h * 0.66f, Colour(0.08f, 0.30f, 0.34f));
}

// The arm points up from its hinge, which sits 0.1 of its 0.85 length above the bottom.
void paintArm(Canvas& c, int, float t) {
  const float w = float(c.width()), h = float(c.height());
  const float hingeY = h * (1.0f - 0.1f / 0.85f);
  c.strokeLine(w * 0.5f, hingeY, w * 0.5f, h * 0.08f, w * 0.26f, Colour(0.35f, 0.38f, 0.42f));
  c.strokeLine(w * 0.5f, hingeY, w * 0.5f, h * 0.08f, w * 0.14f, Colour(0.60f, 0.64f, 0.68f));
  c.fillCircle(w * 0.5f, hingeY, w * 0.42f, Colour(0.25f, 0.28f, 0.32f));
  c.fillCircle(w * 0.5f, hingeY, w * 0.22f, Colour(0.60f, 0.64f, 0.68f));
  const float glow = 0.5f + 0.5f * std::sin(t * 2 * kPi);
  c.fillRect(w * 0.22f, h * 0.03f, w * 0.78f, h * 0.10f, Colour(1.0f, 0.5f + 0.4f * glow, 0.1f));
  for (int i = 0; i < 3; ++i) {
    const float y = h * (0.25f + 0.15f * i);
    c.fillRect(w * 0.25f, y, w * 0.75f, y + h * 0.02f, Colour(0.20f, 0.22f, 0.25f));
  }
}

// The wheel: an opaque tyre and spokes around a half-transparent disc, which the
// game tints with the hero's health.
void paintWheel(Canvas& c, int, float t) {
  const float w = float(c.width());
  const float r = w * 0.5f - 1.0f, m = w * 0.5f;
  // The tyre is a ring, so the disc inside keeps its own alpha.
  c.fillCircle(m, m, r * 0.8f, Colour(0.85f, 0.85f, 0.85f, 0.55f));
  c.strokeRing(m, m, r * 0.9f, r * 0.1f, Colour(0.10f, 0.10f, 0.12f));
  for (int i = 0; i < 6; ++i) {
    const float a = (i + t) * 2 * kPi / 6;
    c.strokeLine(m, m, m + std::cos(a) * r * 0.78f, m + std::sin(a) * r * 0.78f, w * 0.035f,
                 Colour(0.30f, 0.30f, 0.34f));
  }
  for (int i = 0; i < 12; ++i) {
    const float a = i * 2 * kPi / 12;
    c.fillCircle(m + std::cos(a) * r * 0.89f, m + std::sin(a) * r * 0.89f, w * 0.03f,
                 Colour(0.25f, 0.25f, 0.28f));
  }
  c.fillCircle(m, m, r * 0.18f, Colour(0.55f, 0.58f, 0.62f));
}

// A crawling blob with one eye; `hue` colours it, `mark` adds the kind's sign.
struct BlobLook {
  Colour skin, dark;
  bool cross;   // the healing kind wears a cross
  bool spikes;  // the hurting kind is spiked
};

void paintBlob(Canvas& c, float t, const BlobLook& look) {
  const float w = float(c.width()), h = float(c.height());
  const float squash = 0.06f * std::sin(t * 2 * kPi);
  const float m = w * 0.5f;
  if (look.spikes) {
    std::vector<Point> star;
    for (int i = 0; i < 24; ++i) {
      const float a = i * 2 * kPi / 24 + t * 2 * kPi / 6;
      const float r = (i % 2 == 0 ? 0.49f : 0.36f) * w;
      star.push_back({m + std::cos(a) * r, h * 0.5f + std::sin(a) * r});
    }
    c.fillPolygon(star, look.dark);
  }
  c.fillEllipse(m, h * 0.52f, w * (0.40f + squash), h * (0.38f - squash), look.dark);
  c.fillEllipse(m, h * 0.50f, w * (0.35f + squash), h * (0.33f - squash), look.skin);
  const float look_x = m + w * 0.08f * std::sin(t * 4 * kPi);
  c.fillCircle(m, h * 0.42f, w * 0.14f, Colour(1, 1, 1));
  c.fillCircle(look_x, h * 0.42f, w * 0.06f, Colour(0.05f, 0.05f, 0.05f));
  if (look.cross) {
    c.fillRect(m - w * 0.04f, h * 0.60f, m + w * 0.04f, h * 0.78f, Colour(1, 1, 1));
    c.fillRect(m - w * 0.09f, h * 0.65f, m + w * 0.09f, h * 0.73f, Colour(1, 1, 1));
  }
  // A mouth drawn left of centre, so a strip drawn the wrong way round shows it.
  c.fillEllipse(m - w * 0.12f, h * 0.62f, w * 0.07f, h * 0.03f, look.dark);
}

// The turret, drawn over its skeleton (gorvex.txt) as the game places it: the
// 1.5-unit square centred on the centroid, the dome 0.11 left of it and the
// barrel reaching x = 0.61 toward +x. Unit point (x, y) maps to the cell.
void paintTurret(Canvas& c, float glow, float flash) {
  const float perUnit = float(c.width() + 2 * kPad) / 1.5f;
  auto px = [&](float x) { return (x + 0.75f) * perUnit - kPad; };
  auto py = [&](float y) { return (0.75f - y) * perUnit - kPad; };
  const float domeX = -0.114f, tipX = 0.606f;
  c.strokeLine(px(domeX), py(0), px(tipX), py(0), 0.12f * perUnit, Colour(0.30f, 0.30f, 0.34f));
  c.strokeLine(px(domeX), py(0), px(tipX), py(0), 0.05f * perUnit, Colour(0.55f + 0.45f * glow, 0.30f, 0.25f));
  c.fillCircle(px(domeX), py(0), 0.44f * perUnit, Colour(0.35f, 0.36f, 0.42f));
  c.fillCircle(px(domeX - 0.1f), py(0.1f), 0.18f * perUnit, Colour(0.55f, 0.56f, 0.62f));
  c.fillCircle(px(domeX + 0.12f), py(0), 0.09f * perUnit, Colour(0.9f, 0.15f + 0.6f * glow, 0.1f));
  if (flash > 0.0f)
    c.fillCircle(px(tipX), py(0), 0.1f * perUnit * flash, Colour(1.0f, 0.85f, 0.4f, flash));
}

}  // namespace

bool buildSprites(const std::string& dataDir, const std::string& extension) {
  const std::string dir = dataDir + "/sprites/";
  bool ok = saveTexture(strip(8, 88, 136, false, paintBody), dir + "body" + extension);
  ok = saveTexture(strip(16, 36, 120, false, paintArm), dir + "arm" + extension) && ok;
  ok = saveTexture(strip(16, 100, 100, false, paintWheel), dir + "wheel" + extension) && ok;

  // Enemy strips are drawn mirrored: the game maps them over corner quarks that
  // run clockwise, which mirrors them back upright.
  const BlobLook vaxer{Colour(0.55f, 0.35f, 0.75f), Colour(0.30f, 0.15f, 0.45f), false, false};
  const BlobLook vazer{Colour(0.35f, 0.80f, 0.40f), Colour(0.15f, 0.45f, 0.20f), true, false};
  const BlobLook skarnox{Colour(0.85f, 0.25f, 0.20f), Colour(0.45f, 0.08f, 0.06f), false, true};
  ok = saveTexture(strip(8, 72, 72, true, [&](Canvas& c, int, float t) { paintBlob(c, t, vaxer); }),
                   dir + "vaxer" + extension) && ok;
  ok = saveTexture(strip(8, 72, 72, true, [&](Canvas& c, int, float t) { paintBlob(c, t, vazer); }),
                   dir + "vazer" + extension) && ok;
  ok = saveTexture(strip(16, 72, 72, true, [&](Canvas& c, int, float t) { paintBlob(c, t, skarnox); }),
                   dir + "skarnox" + extension) && ok;

  ok = saveTexture(strip(16, 100, 100, false,
                         [](Canvas& c, int, float t) {
                           paintTurret(c, 0.5f + 0.5f * std::sin(t * 2 * kPi), 0.0f);
                         }),
                   dir + "gorvex-idle" + extension) && ok;
  // The volley: the barrel heats up, the shot leaves at frame 10 (0.25 s at 40
  // frames per second) and the flash fades.
  ok = saveTexture(strip(16, 100, 100, false,
                         [](Canvas& c, int f, float) {
                           const float flash = f < 10 ? 0.0f : 1.0f - (f - 10) / 6.0f;
                           paintTurret(c, std::fmin(1.0f, f / 10.0f), flash);
                         }),
                   dir + "gorvex-shoot" + extension) && ok;
  return ok;
}

}  // namespace databuilder
