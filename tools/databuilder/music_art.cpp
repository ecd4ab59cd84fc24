#include "tools/databuilder/music_art.h"

#include <algorithm>
#include <cmath>
#include <iostream>

#include "tools/databuilder/synth.h"

namespace databuilder {

namespace {

constexpr float kPi = 3.14159265358979f;

enum class Lead { Triangle, Square, Saw, Bell };

struct Style {
  float bpm;
  int root;                 // MIDI note of the key's tonic
  int scale[7];             // semitones above the tonic
  int progression[4];       // scale degrees of the four chords, 0-based
  int bars;
  Lead lead;
  bool drums;
  float swing;              // 0 straight, up to 0.3
  uint32_t seed;
};

const int kMinor[7] = {0, 2, 3, 5, 7, 8, 10};
const int kMajor[7] = {0, 2, 4, 5, 7, 9, 11};
const int kDorian[7] = {0, 2, 3, 5, 7, 9, 10};
const int kPhrygian[7] = {0, 1, 3, 5, 7, 8, 10};

Style style(int index) {
  auto make = [](float bpm, int root, const int* scale, int a, int b, int c, int d, int bars,
                 Lead lead, bool drums, float swing, uint32_t seed) {
    Style s{bpm, root, {}, {a, b, c, d}, bars, lead, drums, swing, seed};
    std::copy(scale, scale + 7, s.scale);
    return s;
  };
  switch (index) {
    case 0: return make(76, 50, kDorian, 0, 3, 5, 4, 8, Lead::Bell, false, 0.0f, 700);
    case 1: return make(124, 45, kMinor, 0, 5, 2, 6, 14, Lead::Square, true, 0.0f, 701);
    case 2: return make(138, 52, kPhrygian, 0, 1, 0, 6, 16, Lead::Saw, true, 0.0f, 702);
    case 3: return make(100, 48, kMajor, 0, 4, 5, 3, 12, Lead::Triangle, true, 0.2f, 703);
    case 4: return make(112, 43, kDorian, 0, 6, 3, 4, 12, Lead::Bell, true, 0.1f, 704);
    case 5: return make(146, 47, kMinor, 0, 2, 5, 4, 18, Lead::Square, true, 0.0f, 705);
    default: return make(92, 53, kMajor, 5, 4, 0, 0, 10, Lead::Triangle, true, 0.25f, 706);
  }
}

float midiHz(float note) { return 440.0f * std::pow(2.0f, (note - 69.0f) / 12.0f); }

class Mix {
 public:
  explicit Mix(float seconds) : left_(size_t(seconds * kSampleRate) + kSampleRate), right_(left_.size()) {}

  // Adds voice(t) for `length` seconds from `start`, panned -1 (left) .. 1 (right).
  template <typename Voice>
  void add(float start, float length, float pan, float gain, Voice voice) {
    const size_t first = size_t(start * kSampleRate);
    const size_t count = size_t(length * kSampleRate);
    const float gl = gain * std::cos((pan + 1.0f) * kPi / 4), gr = gain * std::sin((pan + 1.0f) * kPi / 4);
    for (size_t i = 0; i < count && first + i < left_.size(); ++i) {
      const float v = voice(float(i) / kSampleRate);
      left_[first + i] += v * gl;
      right_[first + i] += v * gr;
    }
  }

  std::vector<float> finish(float seconds) {
    const size_t n = size_t(seconds * kSampleRate);
    std::vector<float> out(n * 2);
    float loudest = 0.0f;
    for (size_t i = 0; i < n; ++i) {
      left_[i] = std::tanh(left_[i]);
      right_[i] = std::tanh(right_[i]);
      loudest = std::max({loudest, std::fabs(left_[i]), std::fabs(right_[i])});
    }
    const float gain = loudest > 0.0f ? 0.85f / loudest : 0.0f;
    for (size_t i = 0; i < n; ++i) {
      const float t = float(i) / kSampleRate;
      const float fade = std::min({1.0f, t / 0.5f, (seconds - t) / 2.0f});
      out[i * 2] = left_[i] * gain * fade;
      out[i * 2 + 1] = right_[i] * gain * fade;
    }
    return out;
  }

 private:
  std::vector<float> left_, right_;
};

std::vector<float> render(const Style& s) {
  const float beat = 60.0f / s.bpm;
  const float bar = beat * 4;
  const float seconds = s.bars * bar + 1.5f;
  Mix mix(seconds);
  Random r(s.seed);
  auto note = [&](int degree, int octave) {
    const int d = ((degree % 7) + 7) % 7;
    return float(s.root + s.scale[d] + 12 * (octave + (degree - d) / 7));
  };

  for (int b = 0; b < s.bars; ++b) {
    const int chord = s.progression[b % 4];
    const float t0 = b * bar;
    // Pad: the chord's three notes, two detuned saws each, softened.
    for (int k = 0; k < 3; ++k) {
      const float f = midiHz(note(chord + 2 * k, 0) + 12);
      LowPass lp(900.0f);
      mix.add(t0, bar, -0.6f + 0.6f * k, 0.10f, [=](float t) mutable {
        return lp(saw(f * t) + saw(f * 1.006f * t)) * envelope(t, 0.3f, 0.5f, bar);
      });
    }
    // Bass: eighth notes on the root and the fifth.
    for (int e = 0; e < 8; ++e) {
      if (!s.drums && e % 4 != 0) continue;
      const float f = midiHz(note(chord + (e % 4 == 3 ? 4 : 0), -1));
      const float len = s.drums ? beat * 0.45f : beat * 1.8f;
      LowPass lp(500.0f);
      mix.add(t0 + e * beat / 2, len, 0.0f, 0.35f,
              [=](float t) mutable { return lp(saw(f * t)) * envelope(t, 0.005f, 0.05f, len); });
    }
    // Lead: a walk over the scale that leans on the chord's tones.
    const int steps = s.drums ? 8 : 4;
    for (int e = 0; e < steps; ++e) {
      if (r.below(5) == 0) continue;
      const int degree = chord + (r.below(3) == 0 ? r.below(7) : 2 * r.below(3));
      const float f = midiHz(note(degree, 1));
      const float step = bar / steps;
      const float start = t0 + e * step + (e % 2 ? s.swing * step : 0.0f);
      const float len = step * 1.5f;
      const Lead lead = s.lead;
      mix.add(start, len, r.range(-0.4f, 0.4f), 0.16f, [=](float t) {
        float v = 0.0f;
        switch (lead) {
          case Lead::Triangle: v = triangle(f * t); break;
          case Lead::Square: v = square(f * t) * 0.5f; break;
          case Lead::Saw: v = saw(f * t) * 0.6f; break;
          case Lead::Bell: v = sine(f * t) + 0.4f * sine(f * 2.76f * t) * decay(t, 0.15f); break;
        }
        return v * decay(t, len * 0.35f) * envelope(t, 0.004f, 0.02f, len);
      });
    }
    if (!s.drums) continue;
    // Drums: kick on 1 and 3, snare on 2 and 4, hats on the eighths.
    for (int q = 0; q < 4; ++q) {
      const float tq = t0 + q * beat;
      if (q % 2 == 0 || r.below(6) == 0)
        mix.add(tq, 0.3f, 0.0f, 0.6f, [](float t) { return sine(sweepPhase(t, 130.0f, 45.0f, 0.3f)) * decay(t, 0.09f); });
      if (q % 2 == 1) {
        Random n(s.seed + uint32_t(b * 4 + q));
        LowPass lp(3000.0f);
        mix.add(tq, 0.2f, 0.1f, 0.3f, [=](float t) mutable {
          return lp(n.range(-1, 1)) * decay(t, 0.05f) + 0.4f * sine(185.0f * t) * decay(t, 0.04f);
        });
      }
      for (int h = 0; h < 2; ++h) {
        Random n(s.seed * 7 + uint32_t(b * 8 + q * 2 + h));
        LowPass lp(6000.0f);
        mix.add(tq + h * beat / 2 + (h ? s.swing * beat / 2 : 0.0f), 0.06f, -0.3f, 0.12f, [=](float t) mutable {
          const float x = n.range(-1, 1);
          return (x - lp(x)) * decay(t, 0.015f);
        });
      }
    }
  }
  return mix.finish(seconds);
}

}  // namespace

const std::vector<std::string>& musicTracks() {
  static const std::vector<std::string> tracks = {"menu",    "song-01", "song-02", "song-03",
                                                  "song-04", "song-05", "song-06"};
  return tracks;
}

std::vector<float> renderTrack(const std::string& name) {
  const auto& tracks = musicTracks();
  const auto found = std::find(tracks.begin(), tracks.end(), name);
  if (found == tracks.end()) return {};
  return render(style(int(found - tracks.begin())));
}

bool buildMusic(const std::string& name, const std::string& dataDir) {
  const std::vector<float> samples = renderTrack(name);
  if (samples.empty()) {
    std::cerr << "databuilder: no music track " << name << "\n";
    return false;
  }
  return saveVorbis(samples, dataDir + "/audio/music/" + name + ".ogg");
}

}  // namespace databuilder
