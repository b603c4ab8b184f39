#include "kelpforge/game/kf_entity.h"

#include "kelpforge/game/implementation/kf_entity_internal.h"

#include <cmath>

namespace Kelpforge::Game {

namespace kfImplementation {

MotionSmoothing theMotionSmoothing;

}  // namespace kfImplementation

Entity::~Entity() = default;

void Entity::Simulate() {}

void Entity::Render() { RenderChildrenAt(DrawnPosition()); }

void Entity::JumpTo(Graphics::Vector2 newPosition) {
  position = newPosition;
  hasPreviousPosition = false;
}

Graphics::Vector2 Entity::DrawnPosition() const {
  if (!kfImplementation::theMotionSmoothing.enabled || !hasPreviousPosition) {
    return position;
  }
  // std::lerp gives exactly `position` at a fraction of 1.
  const float fraction = kfImplementation::theMotionSmoothing.stepFraction;
  return {std::lerp(previousPosition.x, position.x, fraction), std::lerp(previousPosition.y, position.y, fraction)};
}

void Entity::RecordPreviousPosition() {
  previousPosition = position;
  hasPreviousPosition = true;
}

}  // namespace Kelpforge::Game
