// The ball: an entity showing one sprite. It waits (flickering) at the centre for its serve,
// then flies at a constant speed, bounces off the top and bottom edges, and marks itself out on
// the left or the right; the court scene asks it to test itself against each paddle.
#pragma once

#include <cstdint>

#include "kelpforge/game/kf_entity.h"
#include "kelpforge/graphics/kf_sprite.h"
#include "kelpforge/graphics/kf_vector2.h"
#include "rally_court/paddle.h"

namespace RallyCourt {

enum BallState : std::int32_t { Waiting = 0, InPlay = 1, OutLeft = 2, OutRight = 3 };

inline constexpr float kCourtLeft = 0.0f;
inline constexpr float kCourtTop = 20.0f;
inline constexpr float kCourtRight = 1280.0f;
inline constexpr float kCourtBottom = 700.0f;
inline constexpr float kServeX = 640.0f;
inline constexpr float kServeY = 360.0f;
inline constexpr float kBallHalfExtent = 8.0f;
inline constexpr float kBallSideMargin = 16.0f;
inline constexpr float kBallScale = 0.25f;

// Whether a ball at height `y` moving by `vy` turns off a wall this step: only when moving into
// an edge band, so a ball already turned away is left alone. The computer's prediction uses it too.
inline bool TurnsOffWall(float y, float vy) {
  return (y + kBallHalfExtent > kCourtBottom && vy > 0.0f) || (y - kBallHalfExtent < kCourtTop && vy < 0.0f);
}

class Ball : public Kelpforge::Game::Entity {
public:
  // Builds the ball and prepares its first serve: an odd first random number serves right.
  Ball();
  ~Ball() override;

  void Simulate() override;
  // Centre, a new random velocity (right when `towardRight`), state Waiting.
  void PrepareServe(bool towardRight);
  // True when the ball is in play and overlaps the paddle; turns vx back towards the court.
  bool CheckPaddleHit(const Paddle& paddle);

  Kelpforge::Graphics::Sprite sprite;
  Kelpforge::Graphics::Vector2 velocity;
  // BallState; set to InPlay by the court scene when the serve timer runs out.
  std::int32_t state;
};

}  // namespace RallyCourt
