// Motion smoothing's process-wide switch and the share of a step the game loop has reached.
#pragma once

namespace Kelpforge::Game::kfImplementation {

// Drawing between fixed steps, for every entity. Off by default: entities are drawn where the
// latest step left them.
struct MotionSmoothing {
  bool enabled = false;
  // The scene's unspent simulation time over kFixedTimeStep, 0 to 1; set by the game loop before
  // each render.
  float stepFraction = 1.0f;
};

extern MotionSmoothing theMotionSmoothing;

}  // namespace Kelpforge::Game::kfImplementation
