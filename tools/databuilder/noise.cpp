#include "tools/databuilder/noise.h"

#include <cmath>

namespace databuilder {

uint32_t hashInt(uint32_t x) {
  x ^= x >> 16;
  x *= 0x7feb352du;
  x ^= x >> 15;
  x *= 0x846ca68bu;
  x ^= x >> 16;
  return x;
}

namespace {

float lattice(int x, int y, uint32_t seed) {
  const uint32_t h = hashInt(uint32_t(x) * 73856093u ^ hashInt(uint32_t(y) * 19349663u ^ seed));
  return (h & 0xffffffu) / float(0xffffff);
}

int wrap(int v, int period) {
  if (period <= 0) return v;
  const int m = v % period;
  return m < 0 ? m + period : m;
}

float smooth(float t) { return t * t * t * (t * (t * 6.0f - 15.0f) + 10.0f); }

}  // namespace

float valueNoise(float x, float y, int periodX, int periodY, uint32_t seed) {
  const float fx = std::floor(x), fy = std::floor(y);
  const int ix = int(fx), iy = int(fy);
  const float tx = smooth(x - fx), ty = smooth(y - fy);
  const int x0 = wrap(ix, periodX), x1 = wrap(ix + 1, periodX);
  const int y0 = wrap(iy, periodY), y1 = wrap(iy + 1, periodY);
  const float a = lattice(x0, y0, seed), b = lattice(x1, y0, seed);
  const float c = lattice(x0, y1, seed), d = lattice(x1, y1, seed);
  const float top = a + (b - a) * tx, bottom = c + (d - c) * tx;
  return top + (bottom - top) * ty;
}

float fractalNoise(float x, float y, int octaves, int periodX, int periodY, uint32_t seed) {
  float sum = 0.0f, weight = 0.0f, amplitude = 1.0f, frequency = 1.0f;
  for (int o = 0; o < octaves; ++o) {
    const int px = periodX > 0 ? periodX << o : 0;
    const int py = periodY > 0 ? periodY << o : 0;
    sum += amplitude * valueNoise(x * frequency, y * frequency, px, py, seed + uint32_t(o) * 101u);
    weight += amplitude;
    amplitude *= 0.5f;
    frequency *= 2.0f;
  }
  return sum / weight;
}

uint32_t Random::next() {
  state_ ^= state_ << 13;
  state_ ^= state_ >> 17;
  state_ ^= state_ << 5;
  return state_;
}

float Random::unit() { return (next() >> 8) / 16777216.0f; }

float Random::range(float lo, float hi) { return lo + (hi - lo) * unit(); }

int Random::below(int n) { return int(next() % uint32_t(n)); }

}  // namespace databuilder
