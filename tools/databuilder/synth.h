#pragma once
// Small synthesis kit shared by the sound effects and the music: oscillators,
// envelopes, filtered noise, and writers for 16-bit PCM WAVE and Ogg Vorbis.

#include <cstdint>
#include <string>
#include <vector>

#include "tools/databuilder/noise.h"

namespace databuilder {

constexpr int kSampleRate = 44100;

// Mono samples in -1..1 at kSampleRate.
using Samples = std::vector<float>;

float sine(float phase);    // phase in cycles
float saw(float phase);
float square(float phase);
float triangle(float phase);

// exp(-t / time): a plucked or struck decay.
float decay(float t, float time);
// Linear attack over `attack` seconds, then 1 until `length` - `release`, then
// linear release to 0 at `length`.
float envelope(float t, float attack, float release, float length);

// One-pole low-pass state for noise and tone shaping.
class LowPass {
 public:
  explicit LowPass(float cutoffHz) { setCutoff(cutoffHz); }
  void setCutoff(float cutoffHz);
  float operator()(float x);

 private:
  float k_ = 0.0f;
  float y_ = 0.0f;
};

// A sweep from f0 to f1 Hz over `length` seconds, exponential in pitch; writes
// nothing itself, gives the phase (in cycles) at time t.
float sweepPhase(float t, float f0, float f1, float length);

// Scales so the loudest sample reaches `peak`.
void normalise(Samples& samples, float peak);

// WAVE file, 16-bit PCM, mono, kSampleRate. Creates folders; false with a message.
bool saveWave(const Samples& samples, const std::string& path);

// Ogg Vorbis file of interleaved stereo (left, right, left, ...) at kSampleRate.
bool saveVorbis(const std::vector<float>& interleaved, const std::string& path);

}  // namespace databuilder
