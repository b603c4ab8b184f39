// Entity: a GraphicList that also takes part in the fixed simulation steps of the game loop.
// Simulate() stands for exactly kFixedTimeStep seconds; only a scene's entity list calls it.
#pragma once

#include "kelpforge/graphics/kf_graphic_list.h"

namespace Kelpforge::Game {

class Entity : public Graphics::GraphicList {
public:
  Entity() = default;
  // Abstract; the body runs the GraphicList destructor (children are forgotten, not destroyed).
  ~Entity() override = 0;

  // One fixed step; empty here.
  virtual void Simulate();
};

}  // namespace Kelpforge::Game
