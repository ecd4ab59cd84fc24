#include "game/decal.h"

#include <GL/glew.h>

#include <cmath>

#include "game/angles.h"
#include "kettar/byte_buffer.h"
#include "kettar/platform/texture_extension.h"
#include "kettar/texture_manager.h"

namespace {

constexpr int32_t kTextureMode = 3;
constexpr float kZ = 0.05f;

std::array<std::string, Decal::kEntries> buildPaths() {
  static const char* const kThemes[] = {"techno", "fire", "ice", "moss", "space", "timezone"};
  static const char* const kKinds[] = {"vegs", "buildings", "rocks", "objects", "misc"};
  std::array<std::string, Decal::kEntries> paths;
  uint32_t i = 0;
  for (const char* theme : kThemes) {
    for (const char* kind : kKinds) {
      for (int n = 1; n <= 16; ++n) {
        const std::string number = (n < 10 ? "0" : "") + std::to_string(n);
        paths[i++] = std::string("data/decals/") + theme + "/" + kind + "/decal-" + number + KETTAR_TEXTURE_EXTENSION;
      }
    }
  }
  return paths;
}

}  // namespace

const std::array<std::string, Decal::kEntries> Decal::kDecalPaths = buildPaths();

Decal::Decal(Vec2 p, uint32_t i, const std::string& dataRoot)
    : index(i), position(p), flipX(kNewFlipX), flipY(kNewFlipY) {
  loadTexture(dataRoot);
}

Decal::Decal(const LevelFile::DecalRecord& r, const std::string& dataRoot)
    : index(r.index),
      position(r.position),
      scale(r.scale),
      rotation(r.rotation),
      flipX(r.flipX),
      flipY(r.flipY) {
  loadTexture(dataRoot);
}

LevelFile::DecalRecord Decal::record() const {
  LevelFile::DecalRecord r;
  r.index = index;
  r.position = position;
  r.scale = scale;
  r.rotation = rotation;
  r.flipX = flipX;
  r.flipY = flipY;
  return r;
}

void Decal::write(Kettar::ByteBuffer& buffer) const { LevelFile::writeDecal(buffer, record()); }

void Decal::loadTexture(const std::string& dataRoot) {
  texture = -1;
  aspect = 1.0f;
  if (index < kEntries && Kettar::textureManager != nullptr) {
    texture = Kettar::textureManager->load(dataRoot + kDecalPaths[index], kTextureMode);
    const int entry = Kettar::textureManager->indexOfId(texture);
    if (entry >= 0) {
      const Kettar::TextureEntry& e = Kettar::textureManager->entries()[static_cast<size_t>(entry)];
      if (e.width > 0) aspect = static_cast<float>(e.height) / static_cast<float>(e.width);
    }
  }
  updateTexCoords();
}

void Decal::updateTexCoords() {
  uLeft = flipX ? 0.99f : 0.01f;
  uRight = flipX ? 0.01f : 0.99f;
  vBottom = flipY ? 0.01f : 0.99f;
  vTop = flipY ? 0.99f : 0.01f;
}

void Decal::draw() const {
  if (texture < 0) return;
  const float s = scale;
  const float a = aspect * scale;
  glPolygonOffset(0.0f, 0.0f);
  glPushMatrix();
  glTranslatef(position.x, position.y, 0.0f);
  glRotatef(rotation, 0.0f, 0.0f, 1.0f);
  glScalef(scale, scale, 1.0f);
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture));
  glBegin(GL_QUADS);
  glTexCoord2f(uLeft, vBottom);
  glVertex3f(-s, -a, kZ);
  glTexCoord2f(uRight, vBottom);
  glVertex3f(s, -a, kZ);
  glTexCoord2f(uRight, vTop);
  glVertex3f(s, a, kZ);
  glTexCoord2f(uLeft, vTop);
  glVertex3f(-s, a, kZ);
  glEnd();
  glPopMatrix();
}

bool Decal::contains(Vec2 p) const {
  const double r = -rotation / kDegreesPerRadian;
  const double c = std::cos(r);
  const double s = std::sin(r);
  const Vec2 d = p - position;
  const float x = static_cast<float>(d.x * c - d.y * s);
  const float y = static_cast<float>(d.x * s + d.y * c);
  const float h = aspect * scale;
  return -scale < x && x < scale && -h < y && y < h;
}
