#include "kettar/mixer.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <iostream>
#include <mutex>

#include "kettar/timer_table.h"

namespace Kettar {

Mixer* mixer = nullptr;
Mixer* currentMixer = nullptr;

uint32_t hashString(const char* text) {
  uint32_t hash = 5381;
  for (const char* c = text; *c != '\0'; ++c)
    hash = hash * 33u + static_cast<uint32_t>(static_cast<int32_t>(static_cast<signed char>(*c)));
  return hash;
}

int32_t randomInt(int32_t a, int32_t b, int32_t step) {
  const int64_t range = int64_t(b) - int64_t(a);
  if (step <= 0 || step > range) return a;
  return static_cast<int32_t>(a + int64_t(step) * (std::rand() % range));
}

uint8_t positionDistance(float distance, float near, float far) {
  if (far == near) return distance == near ? 1 : 255;
  const float t = (distance - near) / (far - near);
  const double d = static_cast<double>(t) * 255.0;
  // Below near counts as far away, like beyond far.
  if (!(d >= 0.0 && d < 256.0)) return 255;
  const int setting = static_cast<int>(d);
  return static_cast<uint8_t>(setting == 0 ? 1 : setting);
}

int16_t positionAngle(float angle) {
  if (!std::isfinite(angle)) return 0;
  // The low 16 bits of the truncated angle, taken without a 32-bit overflow.
  const double wrapped = std::fmod(std::trunc(static_cast<double>(angle)), 65536.0);
  const uint16_t bits = static_cast<uint16_t>(static_cast<int32_t>(wrapped) & 0xFFFF);
  return static_cast<int16_t>(bits);
}

int32_t sdlVolume(int32_t percent) {
  return static_cast<int32_t>(std::clamp<int64_t>(int64_t(percent) * 128 / 100, 0, MIX_MAX_VOLUME));
}

int32_t wholeMilliseconds(float seconds, int32_t minimum) {
  const double ms = static_cast<double>(seconds) * 1000.0;
  if (!(ms >= minimum)) return minimum;
  if (ms >= static_cast<double>(INT32_MAX)) return INT32_MAX;
  return static_cast<int32_t>(ms);
}

namespace {

// A fade-out of 0 ms halts at once, and a halt never reaches the finished
// hook: the next track would never come. Fades last at least 1 ms.
constexpr int32_t kShortestFadeMs = 1;

// Where a file of that path hash goes: the slot that already holds it (loaded set),
// else the lowest empty slot, -1 when there is none.
template <typename Item, int N>
int slotFor(Item* const (&items)[N], const uint32_t (&keys)[N], uint32_t key, bool& loaded) {
  int candidate = -1;
  for (int i = N - 1; i >= 0; --i) {
    if (items[i] == nullptr) {
      candidate = i;
    } else if (keys[i] == key) {
      loaded = true;
      return i;
    }
  }
  loaded = false;
  return candidate;
}

const char* formatName(Uint16 format) {
  switch (format) {
    case 0x0008: return "U8";
    case 0x8008: return "S8";
    case 0x0010: return "U16LSB";
    case 0x8010: return "S16LSB";
    case 0x1010: return "U16MSB";
    case 0x9010: return "S16MSB";
    default: return "unknown";
  }
}

int32_t bounded(int64_t value, int64_t low, int64_t high) {
  return static_cast<int32_t>(std::clamp(value, low, high));
}

}  // namespace

Mixer::Mixer(AudioConfig* settings, FinishedHook musicFinished) : settings_(settings) {
  if (!settings_->active) return;
  Mix_Init(MIX_INIT_MP3 | MIX_INIT_OGG);
  if (Mix_OpenAudio(settings_->frequency, AUDIO_S16SYS, settings_->stereo ? 2 : 1,
                    settings_->buffer) != 0) {
    std::cout << "!![Mixer] cannot initialize SDL mixer: " << SDL_GetError() << "\n";
    return;
  }
  std::cout << "[Mixer] SDL mixer init\n";
  active_ = true;
  volumeDifference_ =
      bounded(int64_t(settings_->soundVol) - int64_t(settings_->musicVol), INT32_MIN, INT32_MAX);
  voices_ = Mix_AllocateChannels(settings_->voices);
  if (voices_ != settings_->voices) {
    std::cout << "!![Mixer] unable to allocate " << settings_->voices << " channels." << voices_
              << " are allocated\n";
  }
  Mix_HookMusicFinished(musicFinished);
  setMusicVolume(settings_->musicVol);
  setSoundVolume(settings_->soundVol);
  printStatus();
}

Mixer::~Mixer() {
  if (!settings_->active) return;
  std::cout << "[Mixer] SDL mixer quit\n";
  // The restart callback plays music: it must be gone before the music is.
  cancelRestart();
  freeAll();
}

void Mixer::freeAll() {
  Mix_HookMusicFinished(nullptr);
  Mix_HaltMusic();
  Mix_HaltChannel(-1);
  soundCount_ = 0;
  musicCount_ = 0;
  for (int i = 0; i < kSoundSlots; ++i) {
    if (sounds_[i] != nullptr) Mix_FreeChunk(sounds_[i]);
    sounds_[i] = nullptr;
    soundKeys_[i] = 0;
  }
  for (int i = 0; i < kMusicSlots; ++i) {
    if (music_[i] != nullptr) Mix_FreeMusic(music_[i]);
    music_[i] = nullptr;
    musicKeys_[i] = 0;
  }
  if (active_) Mix_CloseAudio();
  // Mix_Quit may need several calls; each one unloads what it can.
  for (int i = 0; i < 8 && Mix_Init(0) != 0; ++i) Mix_Quit();
  active_ = false;
}

void Mixer::printStatus() {
  int frequency = 0;
  Uint16 format = 0;
  int channels = 0;
  if (Mix_QuerySpec(&frequency, &format, &channels) != 0) {
    std::cout << "[Mixer] frequency: " << frequency << "\n";
    std::cout << "[Mixer] stereo: " << (channels == 2 ? "ON" : "OFF") << "\n";
    std::cout << "[Mixer] number of voices: " << voices_ << "\n";
    std::cout << "[Mixer] buffer: " << settings_->buffer << "\n";
    std::cout << "[Mixer] sound format: " << formatName(format) << "\n";
  } else {
    std::cout << "[Mixer] no sound info\n";
  }
  std::cout << "[Mixer] fade: " << (settings_->fade ? 1 : 0) << ", fadein "
            << static_cast<double>(settings_->musicFadeIn) << " seconds"
            << ", fadeout " << static_cast<double>(settings_->musicFadeOut) << " seconds\n";
  std::cout << "[Mixer] cycle: " << (settings_->cycle ? 1 : 0) << ", interval "
            << static_cast<double>(settings_->musicRestart) << " seconds\n";
  std::cout << "[Mixer] sound volume: " << settings_->soundVol << "\n";
  std::cout << "[Mixer] music volume: " << settings_->musicVol << "\n";
}

int32_t Mixer::loadSound(const char* path) {
  if (!active_) return -1;
  const uint32_t key = hashString(path);
  if (soundCount_ > kSoundSlots - 1) return -1;
  bool loaded = false;
  const int slot = slotFor(sounds_, soundKeys_, key, loaded);
  if (loaded) {
    std::cout << "[Mixer] ..." << path << " already loaded\n";
    return slot;
  }
  Mix_Chunk* chunk = nullptr;
  if (SDL_RWops* stream = SDL_RWFromFile(path, "rb")) chunk = Mix_LoadWAV_RW(stream, 1);
  if (chunk == nullptr) {
    std::cout << "!![Mixer] error: cannot load " << path << "\n";
    return -1;
  }
  sounds_[slot] = chunk;
  soundKeys_[slot] = key;
  ++soundCount_;
  std::cout << "[Mixer] " << path << " loaded\n";
  return slot;
}

int32_t Mixer::loadMusic(const char* path) {
  if (!active_) return -1;
  const uint32_t key = hashString(path);
  if (musicCount_ > kMusicSlots - 1) return -1;
  bool loaded = false;
  const int slot = slotFor(music_, musicKeys_, key, loaded);
  if (loaded) {
    std::cout << "!![Mixer] " << path << " already loaded\n";
    return slot;
  }
  Mix_Music* music = Mix_LoadMUS(path);
  if (music == nullptr) {
    std::cout << "!![Mixer] error: " << SDL_GetError() << "\n";
    return -1;
  }
  music_[slot] = music;
  musicKeys_[slot] = key;
  ++musicCount_;
  std::cout << "[Mixer] " << path << " loaded\n";
  return slot;
}

int32_t Mixer::playSound(int32_t handle, bool loop, float distance, float near, float far,
                         float angle) {
  if (!active_ || handle < 0 || handle >= kSoundSlots || sounds_[handle] == nullptr) return -1;
  const int channel = Mix_PlayChannelTimed(-1, sounds_[handle], loop ? -1 : 0, -1);
  if (channel == -1) return -1;
  setPosition(channel, distance, near, far, angle);
  return channel;
}

void Mixer::setPosition(int32_t channel, float distance, float near, float far, float angle) {
  Mix_Pause(channel);
  Mix_SetPosition(channel, positionAngle(angle), positionDistance(distance, near, far));
  Mix_Resume(channel);
}

void Mixer::setSoundVolume(int32_t percent) {
  if (!active_) return;
  Mix_Volume(-1, sdlVolume(percent));
  const int64_t d = volumeDifference_;
  settings_->soundVol = d < 0 ? bounded(percent, d, d + 100) : bounded(percent, 0, 100);
}

void Mixer::setMusicVolume(int32_t percent) {
  if (!active_) return;
  Mix_VolumeMusic(sdlVolume(percent));
  const int64_t d = volumeDifference_;
  settings_->musicVol = d > 0 ? bounded(percent, -d, 100 - d) : bounded(percent, 0, 100);
}

void Mixer::changeSoundVolume(int32_t amount) {
  setSoundVolume(bounded(int64_t(settings_->soundVol) + amount, INT32_MIN, INT32_MAX));
}

void Mixer::changeMusicVolume(int32_t amount) {
  setMusicVolume(bounded(int64_t(settings_->musicVol) + amount, INT32_MIN, INT32_MAX));
}

void Mixer::selectMusic(int32_t track) {
  if (!active_) return;
  if (track >= 0 && track < kMusicSlots && music_[track] != nullptr) {
    nextTrack_ = track;
  } else {
    nextTrack_ = lastTrack_.load();
  }
  nextMusic();
}

void Mixer::nextMusic() {
  if (!active_) return;
  if (Mix_PlayingMusic() == 1) {
    if (!settings_->fade) {
      Mix_HaltMusic();
      addRestartTimer();
    } else if (Mix_FadingMusic() != MIX_FADING_OUT) {
      // The finished hook then leads to the next track.
      Mix_FadeOutMusic(wholeMilliseconds(settings_->musicFadeOut, kShortestFadeMs));
    }
  } else if (restartTimer_ == -1) {
    startNextTrack();
  }
}

uint32_t Mixer::startMusic(uint32_t, void* mixer) {
  return static_cast<Mixer*>(mixer)->startNextTrack();
}

uint32_t Mixer::startNextTrack() {
  {
    // Called as a one-shot timer too: its handle is stale from here on.
    std::lock_guard<std::mutex> hold(restartLock_);
    restartTimer_ = -1;
  }
  int32_t n = nextTrack_;
  if (n < 0 || n >= kMusicSlots || music_[n] == nullptr) n = 0;
  if (!active_ || music_[n] == nullptr) return 0;
  std::cout << "StartMusic: " << n << "\n";
  if (settings_->fade) {
    Mix_FadeInMusic(music_[n], 1, wholeMilliseconds(settings_->musicFadeIn, 0));
  } else {
    Mix_PlayMusic(music_[n], 1);
  }
  lastTrack_ = n;
  nextTrack_ = n + 1;
  return 0;
}

void Mixer::scheduleRestart() {
  if (settings_->cycle) addRestartTimer();
}

void Mixer::addRestartTimer() {
  cancelRestart();
  const int32_t ms = wholeMilliseconds(settings_->musicRestart, 0);
  // A quick timer may fire before add returns; its reset must come after this.
  std::lock_guard<std::mutex> hold(restartLock_);
  restartTimer_ = timerTable.add(static_cast<uint32_t>(ms), &Mixer::startMusic, this);
}

void Mixer::cancelRestart() {
  int32_t pending = -1;
  {
    std::lock_guard<std::mutex> hold(restartLock_);
    pending = restartTimer_.exchange(-1);
  }
  // Not under the lock: remove waits for a running callback, which takes it.
  timerTable.remove(pending);
}

void Mixer::stopMusic() {
  if (!active_) return;
  Mix_HookMusicFinished(nullptr);
  cancelRestart();
  if (Mix_PlayingMusic() == 1 && settings_->fade) {
    Mix_FadeOutMusic(wholeMilliseconds(settings_->musicFadeOut, kShortestFadeMs));
  } else {
    Mix_HaltMusic();
  }
}

}  // namespace Kettar
