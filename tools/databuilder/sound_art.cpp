#include "tools/databuilder/sound_art.h"

#include <cmath>
#include <cstdio>
#include <functional>

namespace databuilder {

namespace {

// Renders `seconds` of f(t, noise) where noise is a fresh white-noise value.
Samples render(float seconds, uint32_t seed, const std::function<float(float t, float noise)>& f) {
  Random r(seed);
  Samples s(size_t(seconds * kSampleRate));
  for (size_t i = 0; i < s.size(); ++i) s[i] = f(float(i) / kSampleRate, r.range(-1.0f, 1.0f));
  // A 2 ms fade at both ends keeps one-shot effects from clicking.
  const size_t fade = std::min(s.size() / 2, size_t(kSampleRate / 500));
  for (size_t i = 0; i < fade; ++i) {
    const float g = float(i) / float(fade);
    s[i] *= g;
    s[s.size() - 1 - i] *= g;
  }
  normalise(s, 0.8f);
  return s;
}

Samples jump(int v) {
  const float f0 = 200.0f + 25.0f * v, f1 = 600.0f + 40.0f * v, len = 0.18f + 0.01f * v;
  return render(len, 10 + v, [=](float t, float) {
    return (sine(sweepPhase(t, f0, f1, len)) + 0.3f * triangle(2 * sweepPhase(t, f0, f1, len))) *
           decay(t, len * 0.5f);
  });
}

Samples touch(int v) {
  LowPass lp(700.0f + 120.0f * v);
  const float f = 70.0f + 9.0f * v;
  return render(0.14f, 20 + v, [=](float t, float n) mutable {
    return lp(n) * decay(t, 0.03f) * 2.0f + sine(sweepPhase(t, f * 1.6f, f, 0.14f)) * decay(t, 0.05f);
  });
}

Samples ropeThrow(int v) {
  LowPass lp(1000.0f);
  const float len = 0.22f + 0.015f * v;
  return render(len, 30 + v, [=](float t, float n) mutable {
    lp.setCutoff(800.0f + 3000.0f * std::sin(3.14159f * t / len) + 150.0f * v);
    return lp(n) * envelope(t, len * 0.3f, len * 0.6f, len);
  });
}

Samples hook(int v) {
  const float base = 1100.0f + 70.0f * v;
  return render(0.25f, 40 + v, [=](float t, float n) {
    const float ring = sine(base * t) + 0.6f * sine(base * 2.76f * t) + 0.4f * sine(base * 5.4f * t);
    return ring * decay(t, 0.06f) + n * decay(t, 0.004f);
  });
}

Samples release(int v) {
  const float f0 = 950.0f - 30.0f * v, f1 = 280.0f + 10.0f * v, len = 0.14f;
  return render(len, 50 + v, [=](float t, float) {
    return square(sweepPhase(t, f0, f1, len)) * 0.5f * decay(t, 0.05f);
  });
}

Samples death() {
  LowPass lp(1200.0f);
  return render(0.9f, 60, [=](float t, float n) mutable {
    lp.setCutoff(2500.0f * decay(t, 0.3f) + 100.0f);
    return lp(n) * decay(t, 0.35f) * 1.5f + saw(sweepPhase(t, 420.0f, 70.0f, 0.9f)) * 0.4f * decay(t, 0.4f);
  });
}

Samples brainDeath() {
  LowPass lp(600.0f);
  return render(0.5f, 70, [=](float t, float n) mutable {
    const float wobble = 180.0f + 60.0f * std::sin(t * 2 * 3.14159f * 18.0f);
    return lp(n) * decay(t, 0.12f) * 2.0f + sine(wobble * t) * decay(t, 0.15f);
  });
}

Samples laser() {
  return render(0.28f, 80, [](float t, float) {
    const float p = sweepPhase(t, 1900.0f, 380.0f, 0.28f);
    return (square(p) * 0.5f + sine(p * 2.0f) * 0.3f) * decay(t, 0.1f);
  });
}

Samples blip(float f0, float f1, float len, uint32_t seed) {
  return render(len, seed, [=](float t, float) {
    const float p = sweepPhase(t, f0, f1, len);
    return (triangle(p) + 0.25f * sine(2 * p)) * decay(t, len * 0.4f);
  });
}

bool saveGroup(const std::string& dir, const std::function<Samples(int)>& make) {
  bool ok = true;
  for (int v = 1; v <= 7; ++v) {
    char name[16];
    std::snprintf(name, sizeof name, "/%02d.wav", v);
    ok = saveWave(make(v), dir + name) && ok;
  }
  return ok;
}

}  // namespace

Samples wheelLoop() {
  // One second: every frequency is a whole number of hertz, so each component
  // ends exactly where it began.
  Samples s(kSampleRate);
  // Filtered noise made circular: the filter runs over the noise twice and the
  // second lap is kept, so its first sample follows on from its last.
  Random r(90);
  std::vector<float> noise(s.size());
  for (float& n : noise) n = r.range(-1.0f, 1.0f);
  LowPass lp(400.0f);
  for (float n : noise) lp(n);
  for (size_t i = 0; i < s.size(); ++i) {
    const float t = float(i) / kSampleRate;
    const float hum = sine(55.0f * t) + 0.5f * saw(110.0f * t) * 0.5f + 0.3f * sine(165.0f * t);
    const float throb = 0.75f + 0.25f * sine(8.0f * t);
    s[i] = hum * throb * 0.5f + lp(noise[i]) * 0.8f;
  }
  normalise(s, 0.6f);
  return s;
}

bool buildSounds(const std::string& dataDir) {
  const std::string dir = dataDir + "/audio/sounds/";
  bool ok = saveGroup(dir + "salto", jump);
  ok = saveGroup(dir + "tocco", touch) && ok;
  ok = saveGroup(dir + "lancio", ropeThrow) && ok;
  ok = saveGroup(dir + "aggancio", hook) && ok;
  ok = saveGroup(dir + "sgancio", release) && ok;
  ok = saveWave(wheelLoop(), dir + "wheel.wav") && ok;
  ok = saveWave(death(), dir + "death.wav") && ok;
  ok = saveWave(brainDeath(), dir + "braindeath.wav") && ok;
  ok = saveWave(laser(), dir + "laser.wav") && ok;
  ok = saveWave(blip(880.0f, 990.0f, 0.07f, 100), dir + "menu/select.wav") && ok;
  ok = saveWave(blip(660.0f, 1320.0f, 0.16f, 101), dir + "menu/enter.wav") && ok;
  ok = saveWave(blip(990.0f, 495.0f, 0.13f, 102), dir + "menu/back.wav") && ok;
  return ok;
}

}  // namespace databuilder
