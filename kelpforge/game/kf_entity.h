// Entity: a GraphicList that also takes part in the fixed simulation steps of the game loop.
// Simulate() stands for exactly kFixedTimeStep seconds; only a scene's entity list calls it.
// With motion smoothing on, an entity is drawn between where the latest two steps left it, by the
// share of the next step that has already elapsed, so motion looks even at any frame rate.
#pragma once

#include "kelpforge/graphics/kf_graphic_list.h"
#include "kelpforge/graphics/kf_vector2.h"

namespace Kelpforge::Game {

class Entity : public Graphics::GraphicList {
public:
  Entity() = default;
  // Abstract; the body runs the GraphicList destructor (children are forgotten, not destroyed).
  ~Entity() override = 0;

  // One fixed step; empty here.
  virtual void Simulate();
  // Draws the visible children translated by DrawnPosition().
  void Render() override;

  // Moves to `newPosition` as a jump (a serve, a respawn): the entity is drawn there at once,
  // never swept across from where it stood.
  void JumpTo(Graphics::Vector2 newPosition);
  // `position`, or with motion smoothing on, the point between the position before the latest
  // fixed step and `position` that the time spent toward the next step has reached.
  Graphics::Vector2 DrawnPosition() const;
  // The game loop keeps the position before each fixed step; game code need not call this.
  void RecordPreviousPosition();

private:
  Graphics::Vector2 previousPosition;
  // False until the first recorded step and after a jump: nothing to draw between.
  bool hasPreviousPosition = false;
};

}  // namespace Kelpforge::Game
