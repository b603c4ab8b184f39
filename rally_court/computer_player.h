// The computer at one end of the court. It steers its paddle only through the paddle's direction,
// once per fixed step, so the paddle moves at its own speed within its own limits, exactly as under
// a player's keys. Its aim errors come from its own generator: the game's serves stay the same.
#pragma once

#include <optional>

#include "kelpforge/graphics/kf_vector2.h"
#include "rally_court/ball.h"
#include "rally_court/options.h"
#include "rally_court/paddle.h"
#include "rally_court/random.h"

namespace RallyCourt {

// How well the computer plays.
struct ComputerSkill {
  // The computer reacts to a ball coming its way only once the ball is this close to its paddle (in x).
  float reactionDistance;
  // The aim error lies between -aimSpread and +aimSpread, most often near 0: the ball meets the
  // paddle while the error is under 40 (the two half extents), so a spread over 40 misses now and then.
  float aimSpread;
};

ComputerSkill SkillFor(Difficulty difficulty);

// The y at which a ball at `position` flying with `velocity` first overlaps a paddle at `paddleX`
// in x, stepping and bouncing off the walls as the ball's own Simulate does.
float PredictCrossingY(Kelpforge::Graphics::Vector2 position, Kelpforge::Graphics::Vector2 velocity,
                       float paddleX);

class ComputerPlayer {
public:
  ComputerPlayer(Paddle& paddle, Difficulty difficulty);

  // Sets the paddle's direction for the coming step from the ball as the previous step left it.
  void Steer(const Ball& ball);

  Paddle& paddle;
  ComputerSkill skill;
  // Started apart for the two sides, so the two computers of a demonstration match aim differently.
  Random random;
  // Where the paddle heads, taken once per approach when the computer reacts and dropped when
  // the ball turns or leaves play; without one the paddle heads for the centre.
  std::optional<float> aim;
};

}  // namespace RallyCourt
