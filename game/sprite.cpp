#include "game/sprite.h"

#include <GL/gl.h>

#include "kettar/mixer.h"
#include "kettar/texture_manager.h"

namespace {

// Texture mode of every sprite: linear filtering.
constexpr int32_t kSpriteFilter = 1;
// The quad stops short of the strip's top and bottom rows, which would bleed
// into the frame from the texture's edges.
constexpr float kTopV = 0.01f;
constexpr float kBottomV = 0.99f;

uint32_t loadTexture(const std::string& path) {
  if (Kettar::textureManager == nullptr) return 0;
  const int32_t id = Kettar::textureManager->load(path, kSpriteFilter);
  return id < 0 ? 0u : static_cast<uint32_t>(id);
}

}  // namespace

Sprite::Sprite(const std::string& path, int32_t frames, int32_t fps, bool randomStart)
    : frameCount_(frames < 1 ? 1 : frames),
      fps_(fps < 1 ? 1 : fps),
      texture_(0),
      currentFrame_(randomStart ? Kettar::randomInt(0, frameCount_, 1) : 0),
      framePeriod_(1.0f / static_cast<float>(fps_)),
      frameWidth_(1.0f / static_cast<float>(frameCount_)) {
  texture_ = loadTexture(path);
}

void Sprite::advance() {
  if (frameClock_.elapsed() < static_cast<double>(framePeriod_)) return;
  ++currentFrame_;
  if (currentFrame_ >= frameCount_) currentFrame_ = 0;
  frameClock_.restart();
}

void Sprite::quad(const Vec2 (&corners)[4], float z) const {
  const float u0 = frameLeft();
  const float u1 = frameRight();
  const float u[4] = {u0, u1, u1, u0};
  const float v[4] = {kBottomV, kBottomV, kTopV, kTopV};
  glBindTexture(GL_TEXTURE_2D, texture_);
  glBegin(GL_QUADS);
  for (int i = 0; i < 4; ++i) {
    glTexCoord2f(u[i], v[i]);
    glVertex3f(corners[i].x, corners[i].y, z);
  }
  glEnd();
}

void Sprite::draw(Vec2 p0, Vec2 p1, Vec2 p2, Vec2 p3, float z) {
  advance();
  quad({p0, p1, p2, p3}, z);
  glBindTexture(GL_TEXTURE_2D, 0);
}

void Sprite::drawRect(Vec2 p, Vec2 q, float z) {
  advance();
  quad({p, Vec2(q.x, p.y), q, Vec2(p.x, q.y)}, z);
}
