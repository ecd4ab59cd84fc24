#include "kettar/viewport.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>

namespace Kettar {

Viewport viewport;

float fieldOfViewForHeight(int height) {
  return static_cast<float>(6.0 * std::atan(height / 7500.0) * 180.0 / M_PI);
}

void Viewport::setSize(int w, int h) {
  // A minimised or collapsed window must not give a zero aspect or a zero-sized projection.
  width = std::max(w, 1);
  height = std::max(h, 1);
  if (!stretch) {
    aspect = static_cast<float>(width) / static_cast<float>(height);
    fieldOfView = fieldOfViewForHeight(height);
  }
}

void Viewport::applyProjection() const {
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  gluPerspective(fieldOfView, aspect, nearClip, farClip);
  glMatrixMode(GL_MODELVIEW);
}

void Viewport::resize(int w, int h) {
  setSize(w, h);
  applyProjection();
}

void Viewport::begin2D() {
  if (in2D) return;
  glPushAttrib(GL_ENABLE_BIT);
  glDisable(GL_CULL_FACE);
  glDisable(GL_DEPTH_TEST);
  glPushMatrix();
  glLoadIdentity();
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  gluOrtho2D(0, width, 0, height);
  glViewport(0, 0, width, height);
  in2D = true;
}

void Viewport::end2D() {
  if (!in2D) return;
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glPopAttrib();
  in2D = false;
}

}  // namespace Kettar
