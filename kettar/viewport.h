#pragma once
// The one projection record of the process: window size, field of view, aspect and
// clip planes, with a switch into and out of a 2D pixel projection for overlays.

namespace Kettar {

struct Viewport {
  bool stretch = false;       // a resize keeps the field of view and the aspect
  bool in2D = false;          // between begin2D and end2D
  float fieldOfView = 45.0f;  // vertical, in degrees
  float aspect = 0.0f;        // width / height
  float nearClip = 0.1f;
  float farClip = 10000.0f;
  int width = 0;              // window pixels; at least 1 once resized
  int height = 0;

  // Stores the size and, unless stretch is set, the aspect and the field of view
  // 6·atan(height / 7500); then sets the GL viewport and the perspective projection.
  void resize(int w, int h);
  // The numbers of resize without touching GL.
  void setSize(int w, int h);
  void applyProjection() const;
  // Pixel coordinates with y upward from the bottom edge; the projection stays the
  // current matrix mode until end2D. Each does nothing when already in that mode.
  void begin2D();
  void end2D();
};

// The field of view, in degrees, that a window of this height gets.
float fieldOfViewForHeight(int height);

extern Viewport viewport;

}  // namespace Kettar
