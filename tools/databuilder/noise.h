#pragma once
// Deterministic randomness for the builder: the same sources always give the same
// bytes, so a rebuild changes nothing that was not edited.

#include <cstdint>

namespace databuilder {

uint32_t hashInt(uint32_t x);

// Smooth value noise in 0..1 on a lattice of unit cells. With periodX and periodY
// above 0 it repeats after that many cells, so textures made from it tile.
float valueNoise(float x, float y, int periodX, int periodY, uint32_t seed);

// Sum of octaves of value noise (each twice the frequency, half the amplitude),
// normalised to 0..1; the periods double with the frequency so tiling is kept.
float fractalNoise(float x, float y, int octaves, int periodX, int periodY, uint32_t seed);

// A small xorshift generator for choices while drawing and composing.
class Random {
 public:
  explicit Random(uint32_t seed) : state_(hashInt(seed) | 1u) {}
  uint32_t next();
  float unit();                     // 0 <= value < 1
  float range(float lo, float hi);  // lo <= value < hi
  int below(int n);                 // 0 <= value < n, for n > 0

 private:
  uint32_t state_;
};

}  // namespace databuilder
