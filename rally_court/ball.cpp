#include "rally_court/ball.h"

#include <cmath>

#include "kelpforge/game/kf_game_application.h"
#include "kelpforge/graphics/kf_color.h"
#include "rally_court/data_files.h"
#include "rally_court/random.h"

namespace RallyCourt {

namespace Graphics = Kelpforge::Graphics;

Ball::Ball() : sprite(kSpriteSheetName, "solid_circle"), velocity{0.0f, 0.0f}, state(Waiting) {
  PrepareServe(theRandom.Next() % 2 == 1);
  sprite.scale = {kBallScale, kBallScale};
  sprite.SetOrigin(Graphics::AnchorCenter);
  AddGraphic(&sprite);
}

Ball::~Ball() = default;

void Ball::PrepareServe(bool towardRight) {
  // A jump: the ball reappears at the centre instead of sweeping there from where it went out.
  JumpTo({kServeX, kServeY});
  const float vx = towardRight ? 1.0f : -1.0f;
  const float r1 = theRandom.NextFraction();
  const float vy = 2.0f * r1 - 1.0f;
  const float r2 = theRandom.NextFraction();
  const float speed = r2 * 300.0f + 300.0f;
  const float length = std::sqrt(vx * vx + vy * vy);
  const float unitX = vx / length;
  const float unitY = vy / length;
  velocity = {unitX * speed, speed * unitY};
  state = Waiting;
}

void Ball::Simulate() {
  if (state == Waiting) {
    const float r = theRandom.NextFraction();
    sprite.color = Graphics::ColorLerp(r, Graphics::Color::Green, Graphics::Color::Red);
    const float s = theRandom.NextFraction() * 0.1f + 0.25f;
    sprite.scale = {s, s};
    return;
  }

  sprite.scale = {kBallScale, kBallScale};
  sprite.color = Graphics::Color::White;

  const float dx = velocity.x * Kelpforge::Game::kFixedTimeStep;
  const float dy = velocity.y * Kelpforge::Game::kFixedTimeStep;
  const float x = position.x + dx;
  const float y = position.y + dy;

  // Both sides subtract the margin: out on the left once the centre is below x = 16, out on the
  // right only beyond x = 1296.
  if (x - kBallSideMargin > kCourtRight) {
    state = OutRight;
  }
  if (x - kBallSideMargin < kCourtLeft) {
    state = OutLeft;
  }
  // Bounce only when moving into the edge; the position is not corrected.
  if (TurnsOffWall(y, velocity.y)) {
    velocity.y = -velocity.y;
  }
  position = {x, y};
}

bool Ball::CheckPaddleHit(const Paddle& paddle) {
  if (state != InPlay) {
    return false;
  }
  const float bx = position.x;
  const float by = position.y;
  const float px = paddle.position.x;
  const float py = paddle.position.y;
  const bool overlap = px - kPaddleHalfWidth < bx + kBallHalfExtent &&
                       bx - kBallHalfExtent < px + kPaddleHalfWidth &&
                       by + kBallHalfExtent > py - kPaddleHalfHeight &&
                       py + kPaddleHalfHeight > by - kBallHalfExtent;
  if (!overlap) {
    return false;
  }
  // Only a ball moving towards the paddle turns; one already moving away keeps its velocity.
  if ((paddle.side == 0 && velocity.x < 0.0f) || (paddle.side == 1 && velocity.x > 0.0f)) {
    velocity.x = -velocity.x;
  }
  return true;
}

}  // namespace RallyCourt
