#pragma once
// A list of sound handles of which a random one is played: the game's jump,
// touch and grapple sounds. A zeroed group (static storage) is an empty one.

#include <cstdint>
#include <string>
#include <vector>

namespace Kettar {

class SoundGroup {
 public:
  // Loads the file through the process's mixer and appends its handle, -1 included.
  void add(const std::string& path);
  // Plays one member at random, once; the channel, or -1 when nothing played
  // (an empty group, a member whose load failed, no free channel, no mixer).
  int32_t playRandom(float distance, float near, float far, float angle);

  const std::vector<int32_t>& handles() const { return handles_; }

 private:
  std::vector<int32_t> handles_;  // mixer sound slots; -1 for a failed load
};

}  // namespace Kettar
