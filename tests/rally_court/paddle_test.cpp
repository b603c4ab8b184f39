// Paddle motion: 2.56 units per step in single precision, clamped on the side it moved to.
#include "rally_court/paddle.h"

#include <gtest/gtest.h>

#include "tests/rally_court/game_fixture.h"

namespace {

using RallyCourt::Paddle;

using PaddleTest = KelpforgeTests::GameRulesTest;

TEST_F(PaddleTest, StartsAtItsSideWithItsSpriteCentredAndScaled) {
  Paddle left(0);
  Paddle right(1);
  EXPECT_EQ(left.position, (Kelpforge::Graphics::Vector2{32.0f, 360.0f}));
  EXPECT_EQ(right.position, (Kelpforge::Graphics::Vector2{1248.0f, 360.0f}));
  EXPECT_EQ(left.side, 0);
  EXPECT_EQ(right.side, 1);
  EXPECT_EQ(left.direction, RallyCourt::MoveNone);
  EXPECT_EQ(left.score, 0);
  EXPECT_EQ(left.sprite.scale, (Kelpforge::Graphics::Vector2{0.25f, 1.0f}));
  EXPECT_EQ(left.sprite.origin, (Kelpforge::Graphics::Vector2{32.0f, 32.0f}));
  EXPECT_EQ(left.sprite.GetFrame().width, 64.0f);
}

TEST_F(PaddleTest, ClampsAtTheLimitItMovedTowards) {
  Paddle paddle(0);
  paddle.position.y = 53.0f;
  paddle.direction = RallyCourt::MoveUp;
  paddle.Simulate();
  EXPECT_EQ(paddle.position.y, 52.0f);

  paddle.position.y = 667.0f;
  paddle.direction = RallyCourt::MoveDown;
  paddle.Simulate();
  EXPECT_EQ(paddle.position.y, 668.0f);

  // Outside the limits, a move away from a limit is not clamped to it.
  paddle.position.y = 40.0f;
  paddle.Simulate();
  EXPECT_EQ(paddle.position.y, 40.0f + 2.56f);
}

TEST_F(PaddleTest, TakesOneHundredTwentyOneStepsFromTheMiddleToEachLimit) {
  Paddle up(0);
  Paddle down(1);
  up.direction = RallyCourt::MoveUp;
  down.direction = RallyCourt::MoveDown;
  float expectedUp = 360.0f;
  float expectedDown = 360.0f;
  for (int step = 0; step < 120; ++step) {
    up.Simulate();
    down.Simulate();
    expectedUp = expectedUp - 2.56f;
    expectedDown = expectedDown + 2.56f;
  }
  EXPECT_EQ(up.position.y, expectedUp);
  EXPECT_EQ(down.position.y, expectedDown);
  EXPECT_NEAR(up.position.y, 52.80, 0.001);
  EXPECT_NEAR(down.position.y, 667.20, 0.001);
  up.Simulate();
  down.Simulate();
  EXPECT_EQ(up.position.y, 52.0f);
  EXPECT_EQ(down.position.y, 668.0f);
  for (int step = 0; step < 500; ++step) {
    up.Simulate();
    down.Simulate();
  }
  EXPECT_EQ(up.position, (Kelpforge::Graphics::Vector2{32.0f, 52.0f}));
  EXPECT_EQ(down.position, (Kelpforge::Graphics::Vector2{1248.0f, 668.0f}));
}

TEST_F(PaddleTest, AnyOtherDirectionLeavesItStill) {
  Paddle paddle(1);
  for (const std::int32_t direction : {0, 3, -1, 7}) {
    paddle.direction = direction;
    paddle.position.y = 700.0f;  // beyond the limit: still no clamp without a move
    paddle.Simulate();
    EXPECT_EQ(paddle.position, (Kelpforge::Graphics::Vector2{1248.0f, 700.0f})) << direction;
  }
}

TEST(PaddleStep, IsTheFloatNearestTwoPointFiveSix) {
  EXPECT_EQ(static_cast<double>(RallyCourt::kPaddleStep), 2.559999942779541);
}

}  // namespace
