#include "kettar/particle_system.h"

#include <GL/glew.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <new>

#include "kettar/random_step.h"
#include "kettar/shader_manager.h"

namespace Kettar {

ferrox::IndexedList<ParticleSystem*> particleSystems;

namespace {

// Larger rings are taken as a mistake rather than allocated.
constexpr double kMostParticles = 1 << 20;

// 0 below 0.001, else a whole number of thousandths below limit.
float randomLength(float limit) {
  if (!(limit >= 0.001f)) return 0.0f;
  const double steps = static_cast<double>(limit) / 0.001;
  const int n = steps >= INT_MAX ? INT_MAX : static_cast<int>(steps);
  return static_cast<float>(std::rand() % n) * 0.001f;
}

void scaleTo(Vec3& v, float length) {
  const float l = v.length();
  if (l == 0.0f) return;
  v = v * (length / l);
}

void store3(std::vector<float>& a, uint32_t i, const Vec3& v) {
  a[3 * i] = v.x;
  a[3 * i + 1] = v.y;
  a[3 * i + 2] = v.z;
}

void store4(std::vector<float>& a, uint32_t i, const Vec4& v) {
  a[4 * i] = v.x;
  a[4 * i + 1] = v.y;
  a[4 * i + 2] = v.z;
  a[4 * i + 3] = v.w;
}

// Found once per point program; -1 until then.
GLint sizeLocation = -1;
GLuint sizeProgram = 0;  // the program sizeLocation belongs to

}  // namespace

uint32_t particleCountFor(int32_t batchSize, float rate, float lifetime) {
  if (batchSize < 1 || !(lifetime > 0.0f)) return 0;
  const double batches = std::ceil(static_cast<double>(rate) * static_cast<double>(lifetime));
  const double count = static_cast<double>(batchSize) * batches;
  if (!(count >= 1.0)) return static_cast<uint32_t>(batchSize);  // also NaN: one batch
  if (count > kMostParticles) return 0;
  return static_cast<uint32_t>(count);
}

ParticleSystem::ParticleSystem(int32_t batchSize_, float pointSize_, const Vec3& position_,
                               const Vec3& velocity_, const Vec3& acceleration_,
                               float startRadiusLimit_, const ParticleParams& params_)
    : position(position_),
      velocity(velocity_),
      acceleration(acceleration_),
      startRadiusLimit(startRadiusLimit_),
      params(params_),
      emissionInterval(params_.rate != 0.0f ? 1.0f / params_.rate : 1000000.0f),
      pointSize(pointSize_),
      batchSize(static_cast<uint32_t>(batchSize_)),
      particleCount(particleCountFor(batchSize_, params_.rate, params_.lifetime)),
      positions(3 * size_t(particleCount), 0.0f),
      velocities(3 * size_t(particleCount), 0.0f),
      colours(4 * size_t(particleCount), 0.0f),
      // Hidden particles stay still in colour, so they never fade in as black dots.
      colourVelocities(4 * size_t(particleCount), 0.0f) {
  emitFirstBatch();
}

void ParticleSystem::emitFirstBatch() {
  const Vec3 low = params.spread * -1.0f;
  for (uint32_t i = 0; i < batchSize; ++i) {
    Vec3 p = randomStep(low, params.spread, 0.001f);
    if (p.length() > startRadiusLimit) scaleTo(p, randomLength(startRadiusLimit));
    Vec3 v = randomStep(params.velocityMin, params.velocityMax, 0.001f);
    if (v.length() > params.speedLimit) scaleTo(v, randomLength(params.speedLimit));
    const Vec4 c = randomStep(params.colourMin, params.colourMax, 0.001f);
    store3(positions, i, p);
    store3(velocities, i, v);
    store4(colours, i, c);
    store4(colourVelocities, i, (params.endColour - c) * (1.0f / params.lifetime));
  }
}

void ParticleSystem::emitBatch(uint32_t first) {
  const Vec3 low = params.spread * -1.0f;
  for (uint32_t i = first; i < first + batchSize; ++i) {
    store3(positions, i, randomStep(low, params.spread, 0.05f));
    store3(velocities, i, randomStep(params.velocityMin, params.velocityMax, 0.1f));
    const Vec4 c = randomStep(params.colourMin, params.colourMax, 0.001f);
    store4(colours, i, c);
    store4(colourVelocities, i, (params.endColour - c) * (1.0f / params.lifetime));
  }
}

void ParticleSystem::hideBatch(uint32_t first) {
  for (uint32_t i = first; i < first + batchSize; ++i) {
    colours[4 * i + 3] = 0.0f;
    for (int k = 0; k < 4; ++k) colourVelocities[4 * i + k] = 0.0f;
  }
}

uint32_t ParticleSystem::batchAfter(uint32_t batch) const {
  return (batch + 1) * batchSize == particleCount ? 0 : batch + 1;
}

bool ParticleSystem::update(float dt) {
  velocity += acceleration * dt;
  position += velocity * dt;
  for (uint32_t i = 0; i < 3 * particleCount; ++i) positions[i] += velocities[i] * dt;
  for (uint32_t i = 0; i < 4 * particleCount; ++i) colours[i] += colourVelocities[i] * dt;
  sinceEmission += dt;
  sinceHiding += dt;
  age += dt;

  if (sinceHiding >= params.lifetime) {
    hideBatch(currentBatch * batchSize);
    currentBatch = batchAfter(currentBatch);
    sinceHiding = 0.0f;
  }
  if (sinceEmission >= emissionInterval) {
    emitBatch(batchAfter(currentBatch) * batchSize);
    currentBatch = batchAfter(currentBatch);
    sinceEmission = 0.0f;
  }
  if (params.duration > 0.0f && age >= params.duration) {
    finished = true;
    return false;
  }
  return !finished;
}

bool spawnParticles(int32_t batchSize, float pointSize, const Vec3& position, const Vec3& velocity,
                    const Vec3& acceleration, float startRadiusLimit, const ParticleParams& params) {
  if (particleCountFor(batchSize, params.rate, params.lifetime) == 0) return false;
  buildPointShader();
  // A system the memory cannot hold, or the list cannot take, is no system: nothing is kept.
  try {
    ferrox::keep(particleSystems, new ParticleSystem(batchSize, pointSize, position, velocity,
                                                     acceleration, startRadiusLimit, params));
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

void updateParticles(float dt) {
  uint32_t i = 0;
  while (i < particleSystems.count) {
    if (particleSystems[i]->update(dt)) {
      ++i;
    } else {
      // The last system moves here and is updated in this same pass.
      particleSystems.removeAt(i);
    }
  }
}

void drawParticles() {
  if (particleSystems.count == 0) return;
  glDepthMask(GL_FALSE);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);
  const bool shaded = shaderManager.linkProgram();
  if (shaded && (sizeLocation == -1 || sizeProgram != shaderManager.program())) {
    sizeProgram = shaderManager.program();
    sizeLocation = glGetUniformLocation(sizeProgram, "size");
  }
  for (ParticleSystem* s : particleSystems) {
    if (s->particleCount == 0) continue;
    if (shaded) glUniform1f(sizeLocation, s->pointSize);
    glPushMatrix();
    glTranslatef(s->position.x, s->position.y, s->position.z);
    glVertexPointer(3, GL_FLOAT, 0, s->positions.data());
    glColorPointer(4, GL_FLOAT, 0, s->colours.data());
    glDrawArrays(GL_POINTS, 0, static_cast<GLsizei>(s->particleCount));
    glPopMatrix();
  }
  if (shaded) glUseProgram(0);
  glDisableClientState(GL_VERTEX_ARRAY);
  glDisableClientState(GL_COLOR_ARRAY);
  glDepthMask(GL_TRUE);
}

bool removeParticles(uint32_t index) {
  if (index >= particleSystems.count) return false;
  const bool moved = index != particleSystems.count - 1;
  particleSystems.removeAt(index);
  return moved;
}

void clearParticles() { particleSystems.empty(); }

}  // namespace Kettar
