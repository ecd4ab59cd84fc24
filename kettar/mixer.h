#pragma once
// The framework's audio front over SDL_mixer: sound effects and music tracks
// loaded once each into fixed tables keyed by a hash of the path, effects
// placed by distance and angle, volumes kept as percentages, and the music
// road: one track after another with optional fades and a delayed restart
// through the timer table.

#include <atomic>
#include <cstdint>
#include <mutex>

#include "kettar/app_config.h"

struct Mix_Chunk;
struct _Mix_Music;

namespace Kettar {

// djb2 over the bytes taken as signed chars, wrapping in 32 bits; "" gives 5381.
uint32_t hashString(const char* text);

// a when step <= 0 or step > b - a, else a + step * (rand() mod (b - a)).
int32_t randomInt(int32_t a, int32_t b, int32_t step);

// The distance setting of Mix_SetPosition for a distance between near (1,
// loudest) and far (255): at or beyond far, below near, NaN and infinities
// give 255; far equal to near gives 1 at near and 255 elsewhere.
uint8_t positionDistance(float distance, float near, float far);
// An angle in degrees truncated toward zero and wrapped to 16 bits; NaN and
// infinities give 0.
int16_t positionAngle(float angle);
// A percentage as an SDL_mixer volume, max(0, v * 128 / 100), at most 128.
int32_t sdlVolume(int32_t percent);
// Seconds from the settings file as whole milliseconds, truncated; negative
// and NaN give minimum, huge values are capped.
int32_t wholeMilliseconds(float seconds, int32_t minimum);

class Mixer {
 public:
  static constexpr int kSoundSlots = 111;
  static constexpr int kMusicSlots = 33;

  using FinishedHook = void (*)();

  // Opens the audio device from the settings unless they switch audio off.
  Mixer(AudioConfig* settings, FinishedHook musicFinished);
  ~Mixer();
  Mixer(const Mixer&) = delete;
  Mixer& operator=(const Mixer&) = delete;

  // The slot of the file, loaded once; -1 on any failure or with a full table.
  int32_t loadSound(const char* path);
  int32_t loadMusic(const char* path);
  // The channel that plays the effect, or -1 when nothing was started.
  int32_t playSound(int32_t handle, bool loop, float distance, float near, float far, float angle);
  void setPosition(int32_t channel, float distance, float near, float far, float angle);

  void setSoundVolume(int32_t percent);
  void setMusicVolume(int32_t percent);
  void changeSoundVolume(int32_t amount);
  void changeMusicVolume(int32_t amount);

  // Chooses the next track (an invalid one repeats the last) and changes to it.
  void selectMusic(int32_t track);
  // Ends the playing track, or starts the next one when none plays.
  void nextMusic();
  // Starts the next track; a timer-table callback, so it always returns 0.
  static uint32_t startMusic(uint32_t intervalMs, void* mixer);
  // With cycle set, starts the next track after musicRestart seconds.
  void scheduleRestart();
  // Removes the finished hook and any pending restart and ends the music.
  void stopMusic();

  bool active() const { return active_; }
  int32_t voices() const { return voices_; }
  int32_t volumeDifference() const { return volumeDifference_; }
  int32_t lastTrack() const { return lastTrack_; }
  int32_t nextTrack() const { return nextTrack_; }
  int32_t restartTimer() const { return restartTimer_; }
  uint32_t soundCount() const { return soundCount_; }
  uint32_t musicCount() const { return musicCount_; }

 private:
  void freeAll();
  void printStatus();
  // Stops a pending restart and forgets its handle.
  void cancelRestart();
  void addRestartTimer();
  uint32_t startNextTrack();

  AudioConfig* settings_;            // the application's requested settings; not owned
  bool active_ = false;              // the audio device is open
  int32_t volumeDifference_ = 0;     // soundVol - musicVol when the device opened
  int32_t voices_ = 0;               // channels SDL_mixer allocated
  // Also written by startMusic on SDL's timer thread.
  std::atomic<int32_t> lastTrack_{-1};     // music slot started last; -1 before the first
  std::atomic<int32_t> nextTrack_{0};      // music slot to start next
  std::atomic<int32_t> restartTimer_{-1};  // pending delayed start; -1 when none
  std::mutex restartLock_;                 // orders setting the handle against its reset
  uint32_t soundCount_ = 0;
  uint32_t musicCount_ = 0;
  Mix_Chunk* sounds_[kSoundSlots] = {};    // null when empty
  _Mix_Music* music_[kMusicSlots] = {};    // null when empty
  uint32_t soundKeys_[kSoundSlots] = {};   // path hash; 0 when empty
  uint32_t musicKeys_[kMusicSlots] = {};
};

// The process's one mixer; null outside the application's subsystems.
extern Mixer* mixer;
// The mixer that music selection and the user-event hook reach; the same one.
extern Mixer* currentMixer;

}  // namespace Kettar
