#include "game/laser.h"

#include <GL/glew.h>

#include "game/level.h"

namespace {

constexpr float kMass = 0.1f;
constexpr float kDamping = 0.01f;
constexpr float kStiffness = 0.2f;
constexpr float kSpring = 100.0f;
constexpr float kFriction = 0.2f;

}  // namespace

Laser::Laser(Vec2 position, Vec2 direction)
    : position_(position), direction_(direction), body_(new ferrox::Skeleton(true)) {
  tail_ = body_->addQuark(ferrox::kStiff, position, kMass, kDamping);
  const Vec2 head(static_cast<float>(position.x + static_cast<double>(direction.x) * kStartLength),
                  static_cast<float>(position.y + static_cast<double>(direction.y) * kStartLength));
  head_ = body_->addQuark(ferrox::kStiff, head, kMass, kDamping);
  // Radius 0: the default radius of a moving link.
  link_ = body_->addLink(ferrox::kStiff, 0, 1, kStiffness, kSpring, 0.0f, kFriction);
}

Laser::~Laser() = default;

void Laser::setListIndex(uint32_t slot) {
  id_ = static_cast<int32_t>(slot);
  body_->id = id_;
}

void Laser::leaveGrid() {
  if (!dead_) body_->leaveGrid(false);
}

bool Laser::update(float dt) {
  if (dead_) return false;
  const ferrox::Link* partner = body_->lastOtherLink;
  body_->lastOwnLink = nullptr;
  body_->lastOtherLink = nullptr;
  if (partner != nullptr) {
    const ferrox::Skeleton* other = partner->a->owner;
    const Level* level = Level::current;
    if (partner->kind() == ferrox::kFixed ||
        (level != nullptr && (level->propKind(other) >= 0 || level->enemyKind(other) >= 0))) {
      // Stays one more update where it hit, out of the grid's update.
      dead_ = 1;
      return true;
    }
  }
  const Vec2 step = direction_ * (kSpeed * dt);
  const float length = link_->length();
  if (!(length < kLength)) {
    tail_->position += step;
    head_->position += step;
  } else {
    head_->position += step;
    link_->rest = link_->length();
  }
  body_->enterGrid();
  return true;
}

void Laser::draw() const {
  glLineWidth(4.0f);
  glColor4f(0.8f, 0.2f, 0.0f, 0.7f);
  glBegin(GL_LINES);
  glVertex2f(tail_->position.x, tail_->position.y);
  glVertex2f(head_->position.x, head_->position.y);
  glEnd();
}
