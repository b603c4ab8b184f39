#include "kelpforge/game/kf_entity.h"

namespace Kelpforge::Game {

Entity::~Entity() = default;

void Entity::Simulate() {}

}  // namespace Kelpforge::Game
