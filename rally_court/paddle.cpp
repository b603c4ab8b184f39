#include "rally_court/paddle.h"

#include "rally_court/data_files.h"

namespace RallyCourt {

Paddle::Paddle(std::int32_t side)
    : side(side), sprite(kSpriteSheetName, "solid_square"), direction(MoveNone), score(0) {
  AddGraphic(&sprite);
  sprite.SetOrigin(Kelpforge::Graphics::AnchorCenter);
  sprite.scale = {0.25f, 1.0f};
  position = {side == 0 ? kLeftPaddleX : kRightPaddleX, kPaddleStartY};
}

Paddle::~Paddle() = default;

void Paddle::Simulate() {
  const float x = position.x;
  float y = position.y;
  // The limit applies only on the side the paddle moved towards in this step.
  if (direction == MoveUp) {
    y = y - kPaddleStep;
    if (y < kPaddleTopLimit) {
      y = kPaddleTopLimit;
    }
  } else if (direction == MoveDown) {
    y = y + kPaddleStep;
    if (y > kPaddleBottomLimit) {
      y = kPaddleBottomLimit;
    }
  }
  position = {x, y};
}

}  // namespace RallyCourt
