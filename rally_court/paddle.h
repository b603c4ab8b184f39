// A paddle: an entity showing one sprite that moves 2.56 units up or down per fixed step, as its
// direction says, held between y 52 and 668. It also carries its player's score.
#pragma once

#include <cstdint>

#include "kelpforge/game/kf_entity.h"
#include "kelpforge/graphics/kf_sprite.h"

namespace RallyCourt {

enum PaddleDirection : std::int32_t { MoveNone = 0, MoveUp = 1, MoveDown = 2 };

inline constexpr float kPaddleStep = 2.56f;
inline constexpr float kPaddleTopLimit = 52.0f;
inline constexpr float kPaddleBottomLimit = 668.0f;
inline constexpr float kLeftPaddleX = 32.0f;
inline constexpr float kRightPaddleX = 1248.0f;
inline constexpr float kPaddleStartY = 360.0f;
inline constexpr float kPaddleHalfWidth = 8.0f;
inline constexpr float kPaddleHalfHeight = 32.0f;

class Paddle : public Kelpforge::Game::Entity {
public:
  // `side` 0 is the left paddle, 1 the right one.
  explicit Paddle(std::int32_t side);
  ~Paddle() override;

  void Simulate() override;

  std::int32_t side;
  Kelpforge::Graphics::Sprite sprite;
  // PaddleDirection; written by the court scene every frame.
  std::int32_t direction;
  std::int32_t score;
};

}  // namespace RallyCourt
