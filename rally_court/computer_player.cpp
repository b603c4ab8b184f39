#include "rally_court/computer_player.h"

#include <algorithm>
#include <cmath>

#include "kelpforge/game/kf_game_application.h"

namespace RallyCourt {

namespace {

// Enough for a ball crossing the whole court at a tenth of the slowest serve; a ball slower than
// that (only ever set by hand) is aimed at where it is after this many steps.
constexpr int kMaximumPredictedSteps = 6000;

// Within half a step of its target the paddle stands still instead of stepping to and fro.
constexpr float kTargetTolerance = kPaddleStep / 2.0f;

}  // namespace

ComputerSkill SkillFor(Difficulty difficulty) {
  switch (difficulty) {
    // Easy waits until the ball is a third of the court away and misses about a third of its balls;
    // normal reacts from about the centre line and misses about one in seven; hard reacts soon after
    // the far paddle returns the ball and misses about one in twelve.
    case Difficulty::Easy:
      return {420.0f, 110.0f};
    case Difficulty::Hard:
      return {1000.0f, 64.0f};
    case Difficulty::Normal:
    default:
      return {700.0f, 76.0f};
  }
}

float PredictCrossingY(Kelpforge::Graphics::Vector2 position, Kelpforge::Graphics::Vector2 velocity,
                       float paddleX) {
  const float reach = kPaddleHalfWidth + kBallHalfExtent;
  const bool towardRight = velocity.x > 0.0f;
  float x = position.x;
  float y = position.y;
  float vy = velocity.y;
  for (int step = 0; step < kMaximumPredictedSteps; ++step) {
    if (towardRight ? x > paddleX - reach : x < paddleX + reach) {
      break;
    }
    // The ball's own step: move, then turn vy back when moving into an edge band, uncorrected.
    x = x + velocity.x * Kelpforge::Game::kFixedTimeStep;
    y = y + vy * Kelpforge::Game::kFixedTimeStep;
    if (TurnsOffWall(y, vy)) {
      vy = -vy;
    }
  }
  return y;
}

ComputerPlayer::ComputerPlayer(Paddle& paddle, Difficulty difficulty)
    : paddle(paddle),
      skill(SkillFor(difficulty)),
      random{static_cast<std::uint32_t>(1 + paddle.side)} {}

void ComputerPlayer::Steer(const Ball& ball) {
  const bool comingThisWay =
      ball.state == InPlay && (paddle.side == 0 ? ball.velocity.x < 0.0f : ball.velocity.x > 0.0f);
  if (!comingThisWay) {
    // Back to the centre, from where every part of the court is nearest.
    aim.reset();
  } else if (!aim && std::fabs(ball.position.x - paddle.position.x) <= skill.reactionDistance) {
    // The aim is taken once per approach; nothing but the walls turns the ball before it arrives.
    const float error = (random.NextFraction() + random.NextFraction() - 1.0f) * skill.aimSpread;
    const float crossing = PredictCrossingY(ball.position, ball.velocity, paddle.position.x);
    aim = std::clamp(crossing + error, kPaddleTopLimit, kPaddleBottomLimit);
  }
  const float target = aim.value_or(kPaddleStartY);

  const float y = paddle.position.y;
  paddle.direction = target < y - kTargetTolerance ? MoveUp : target > y + kTargetTolerance ? MoveDown : MoveNone;
}

}  // namespace RallyCourt
