#include "game/prop.h"

#include <GL/glew.h>

#include <cmath>

#include "ferrox/skeleton_cache.h"
#include "game/angles.h"
#include "kettar/byte_buffer.h"
#include "kettar/platform/texture_extension.h"
#include "kettar/texture_manager.h"

const Prop::Asset Prop::kPropAssets[kKinds] = {
    {"data/skeletons/aliencrate.fsk", "data/textures/aliencrate" KETTAR_TEXTURE_EXTENSION, 0.55f},
    {"data/skeletons/barrel.fsk", "data/textures/barrel" KETTAR_TEXTURE_EXTENSION, 0.35f},
    {"data/skeletons/bar.fsk", "data/textures/bar" KETTAR_TEXTURE_EXTENSION, 2.5f},
};

namespace {

constexpr int32_t kTextureMode = 3;
// The quad sits this far below the centroid.
constexpr double kDrop = 0.1;

}  // namespace

Prop::Prop(Vec2 position, uint32_t kind, const std::string& dataRoot)
    : kind_(kind < kKinds ? kind : 0),
      position_(position),
      body_(new ferrox::Skeleton(ferrox::SkeletonCache::get(dataRoot + kPropAssets[kind_].skeleton),
                                 position, true)) {
  setup(dataRoot);
}

Prop::Prop(const LevelFile::PropRecord& record, const std::string& dataRoot)
    : Prop(record.position, record.kind, dataRoot) {}

Prop::~Prop() = default;

void Prop::setup(const std::string& dataRoot) {
  if (Kettar::textureManager != nullptr) {
    texture_ = Kettar::textureManager->load(dataRoot + kPropAssets[kind_].texture, kTextureMode);
    const int entry = Kettar::textureManager->indexOfId(texture_);
    if (entry >= 0) {
      const Kettar::TextureEntry& e = Kettar::textureManager->entries()[static_cast<size_t>(entry)];
      if (e.width > 0) aspect_ = static_cast<float>(e.height) / static_cast<float>(e.width);
    }
  }
  reference_ = direction();
}

LevelFile::PropRecord Prop::record() const { return {kind_, position_}; }

void Prop::write(Kettar::ByteBuffer& buffer) const { LevelFile::writeProp(buffer, record()); }

void Prop::update(float dt) { body_->step(dt); }

void Prop::leaveGrid() { body_->leaveGrid(false); }

Vec2 Prop::direction() const {
  if (body_->quarks.count == 0) return Vec2();
  Vec2 d = body_->quarks[0]->position - body_->centroid();
  d.setLength(1.0f);
  return d;
}

float Prop::signedAngle(Vec2 reference, Vec2 current) {
  // The angle whose cosine is the dot product and whose sign is that of the
  // cross product, from both at once: the arc cosine alone loses a few
  // hundredths of a degree next to 0 and 180, and the cross product has no
  // sign when the two are exactly in line.
  const double a = std::atan2(static_cast<double>(reference.cross(current)),
                              static_cast<double>(reference.dot(current))) *
                   kDegreesPerRadian;
  // Half a turn either way is drawn the same; it reads 180.
  return a == -180.0 ? 180.0f : static_cast<float>(a);
}

float Prop::angle() const {
  if (body_->quarks.count == 0) return 0.0f;
  return signedAngle(reference_, direction());
}

void Prop::draw() const {
  if (body_->quarks.count == 0 || texture_ < 0) return;
  const Vec2 c = body_->centroid();
  const float s = kPropAssets[kind_].halfSize;
  const float h = s * aspect_;
  glPolygonOffset(-1.0f, -1.5f);
  glPushMatrix();
  glTranslatef(c.x, static_cast<float>(c.y - kDrop), 0.0f);
  glRotatef(angle(), 0.0f, 0.0f, 1.0f);
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(texture_));
  glBegin(GL_QUADS);
  glTexCoord2f(0.01f, 0.99f);
  glVertex2f(-s, -h);
  glTexCoord2f(0.99f, 0.99f);
  glVertex2f(s, -h);
  glTexCoord2f(0.99f, 0.01f);
  glVertex2f(s, h);
  glTexCoord2f(0.01f, 0.01f);
  glVertex2f(-s, h);
  glEnd();
  glPopMatrix();
}
