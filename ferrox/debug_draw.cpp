#include "ferrox/debug_draw.h"

#include <GL/gl.h>

#include "ferrox/grid.h"
#include "ferrox/link.h"
#include "ferrox/settings.h"
#include "ferrox/skeleton.h"

namespace ferrox {

void Grid::drawCells(Vec2 a, Vec2 b, float radius) {
  const float half = cellSize * 0.5f;
  const float left = static_cast<float>(width) * 0.5f;
  const float bottom = static_cast<float>(height) * 0.5f;
  walkCells(a, b, radius, [&](int32_t c, int32_t r) {
    const float cx = static_cast<float>(c) * cellSize - left;
    const float cy = static_cast<float>(r) * cellSize - bottom;
    glVertex2f(cx - half, cy - half);
    glVertex2f(cx + half, cy - half);
    glVertex2f(cx + half, cy + half);
    glVertex2f(cx - half, cy + half);
  });
}

void drawWorldBounds() {
  if (world == nullptr) return;
  const float w = static_cast<float>(world->width) * 0.5f;
  const float h = static_cast<float>(world->height) * 0.5f;
  glColor4f(1.0f, 1.0f, 1.0f, 0.25f);
  glLineWidth(2.0f);
  glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
  glBegin(GL_QUADS);
  glVertex2f(-w, -h);
  glVertex2f(w, -h);
  glVertex2f(w, h);
  glVertex2f(-w, h);
  glEnd();
}

void drawSkeletonCells(const Skeleton& body) {
  if (world == nullptr) return;
  glColor4f(0.0f, 1.0f, 0.0f, 0.1f);
  glBegin(GL_QUADS);
  for (const Link* l : body.links) {
    if (l->internal && !internalCollisions) continue;
    world->drawCells(l->a->position, l->b->position, l->radius);
  }
  glEnd();
}

}  // namespace ferrox
