#pragma once
// Short-lived clouds of coloured points drawn as point sprites. Particles sit
// relative to a moving origin, drift at constant velocities and change colour
// toward an end colour over their lifetime; they are emitted in batches into a
// ring, one batch at creation and one every 1/rate seconds after it.

#include <cstdint>
#include <vector>

#include "ferrox/indexed_list.h"
#include "ferrox/vec2.h"

namespace Kettar {

struct ParticleParams {
  Vec3 spread;         // start positions lie between -spread and +spread
  Vec3 velocityMin;
  Vec3 velocityMax;
  float speedLimit = 0.0f;  // first batch only
  Vec4 colourMin;
  Vec4 colourMax;
  Vec4 endColour;      // reached at the end of a particle's lifetime
  float lifetime = 0.0f;  // seconds, > 0
  float rate = 0.0f;      // batches per second after the first; 0 for one batch
  float duration = 0.0f;  // seconds; 0 or less: the system never ends by itself
};

// Particles of a system: batch size x ceil(rate x lifetime), at least one
// batch; 0 (refused) for a batch size below 1, a lifetime that is not above 0
// or a ring too large to allocate.
uint32_t particleCountFor(int32_t batchSize, float rate, float lifetime);

class ParticleSystem {
 public:
  // The arguments must have passed particleCountFor.
  ParticleSystem(int32_t batchSize, float pointSize, const Vec3& position, const Vec3& velocity,
                 const Vec3& acceleration, float startRadiusLimit, const ParticleParams& params);

  // One step; false once the system has finished.
  bool update(float dt);

  bool finished = false;
  Vec3 position;       // origin; particles are relative to it
  Vec3 velocity;
  Vec3 acceleration;
  float startRadiusLimit;
  ParticleParams params;
  float emissionInterval;  // 1 / rate, or 1 000 000 s with rate 0
  float pointSize;         // the point shader's "size"
  uint32_t batchSize;      // >= 1
  uint32_t particleCount;  // a whole number of batches
  uint32_t currentBatch = 0;  // index into the ring of particleCount / batchSize batches
  std::vector<float> positions;       // 3 a particle
  std::vector<float> velocities;      // 3 a particle
  std::vector<float> colours;         // 4 a particle; alpha 0 while hidden
  std::vector<float> colourVelocities;  // 4 a particle, change per second; 0 while hidden
  float sinceEmission = 0.0f;
  float sinceHiding = 0.0f;
  float age = 0.0f;

 private:
  void emitFirstBatch();
  void emitBatch(uint32_t first);
  void hideBatch(uint32_t first);
  uint32_t batchAfter(uint32_t batch) const;
};

// The live systems; removal moves the last one into the freed place.
extern ferrox::IndexedList<ParticleSystem*> particleSystems;

// Builds the point shader when needed and adds a system; false (nothing
// added) for arguments that particleCountFor refuses and for a system the
// memory or the list cannot hold.
bool spawnParticles(int32_t batchSize, float pointSize, const Vec3& position, const Vec3& velocity,
                    const Vec3& acceleration, float startRadiusLimit, const ParticleParams& params);
// Updates every system and deletes the finished ones.
void updateParticles(float dt);
void drawParticles();
// Deletes the system at index and moves the last one there; true when one
// was moved, false for the last index and for an index outside the list.
bool removeParticles(uint32_t index);
void clearParticles();

}  // namespace Kettar
