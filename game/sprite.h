#pragma once
// A strip animation: N frames of equal width side by side in one texture,
// shown one after another at a fixed rate. Each draw first moves the strip on
// by at most one frame, so the animation is paced by the caller's drawing and
// never skips a frame.

#include <cstdint>
#include <string>

#include "ferrox/vec2.h"
#include "kettar/stopwatch.h"

class Sprite {
 public:
  // Loads the strip through the texture manager (linear filtering). Frame
  // counts and rates below 1 count as 1.
  Sprite(const std::string& path, int32_t frames, int32_t fps, bool randomStart);

  // The current frame over four corners (bottom left, bottom right, top right,
  // top left of the image); binds texture 0 afterwards.
  void draw(Vec2 p0, Vec2 p1, Vec2 p2, Vec2 p3, float z);
  // The current frame over the rectangle with opposite corners p and q; p gets
  // the bottom left of the image, so p.x > q.x mirrors it. Leaves the texture bound.
  void drawRect(Vec2 p, Vec2 q, float z);

  // The animation step both draws start with: one frame on once a frame period
  // has passed on the frame clock, which then restarts.
  void advance();

  // Shows that frame next (taken modulo the frame count); the frame clock runs on.
  void setFrame(int32_t frame) {
    currentFrame_ = ((frame % frameCount_) + frameCount_) % frameCount_;
  }

  int32_t frameCount() const { return frameCount_; }
  int32_t fps() const { return fps_; }
  uint32_t texture() const { return texture_; }
  int32_t currentFrame() const { return currentFrame_; }
  float framePeriod() const { return framePeriod_; }
  // Texture coordinates of the current frame's left and right edges.
  float frameLeft() const { return static_cast<float>(currentFrame_) * frameWidth_; }
  float frameRight() const { return static_cast<float>(currentFrame_ + 1) * frameWidth_; }

 private:
  void quad(const Vec2 (&corners)[4], float z) const;

  int32_t frameCount_;
  int32_t fps_;
  uint32_t texture_;       // owned by the texture manager; 0 when the load failed
  int32_t currentFrame_;   // 0 .. frameCount_ - 1
  float framePeriod_;      // 1 / fps_ seconds
  float frameWidth_;       // 1 / frameCount_ in texture coordinates
  Kettar::Stopwatch frameClock_;  // time since the last frame change
};
