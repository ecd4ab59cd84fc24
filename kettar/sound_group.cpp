#include "kettar/sound_group.h"

#include "kettar/mixer.h"

namespace Kettar {

void SoundGroup::add(const std::string& path) {
  const int32_t handle = mixer != nullptr ? mixer->loadSound(path.c_str()) : -1;
  // Groups hold a few sounds: room for eight more at a time.
  if (handles_.size() == handles_.capacity()) handles_.reserve(handles_.capacity() + 8);
  handles_.push_back(handle);
}

int32_t SoundGroup::playRandom(float distance, float near, float far, float angle) {
  if (handles_.empty() || mixer == nullptr) return -1;
  const int32_t i = randomInt(0, static_cast<int32_t>(handles_.size()), 1);
  return mixer->playSound(handles_[static_cast<size_t>(i)], false, distance, near, far, angle);
}

}  // namespace Kettar
