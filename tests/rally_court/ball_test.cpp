// Ball serve, flight, edge bounces, out tests and paddle hits, in single precision.
#include "rally_court/ball.h"

#include <gtest/gtest.h>

#include <cmath>

#include "kelpforge/graphics/kf_color.h"
#include "tests/rally_court/game_fixture.h"

namespace {

using RallyCourt::Ball;
using RallyCourt::Paddle;
using Kelpforge::Graphics::Vector2;

using BallTest = KelpforgeTests::GameRulesTest;

TEST_F(BallTest, FirstServeFromAFreshGeneratorIsPinned) {
  // The generator's first value is 41 (odd: serve right); then r1 = 0.563568115234375 and
  // r2 = 0.19329833984375 give speed 357.9895 and these components.
  Ball ball;
  EXPECT_EQ(ball.state, RallyCourt::Waiting);
  EXPECT_EQ(ball.position, (Vector2{640.0f, 360.0f}));
  EXPECT_EQ(ball.velocity.x, 355.13092f);
  EXPECT_EQ(ball.velocity.y, 45.1500053f);
  EXPECT_EQ(ball.sprite.scale, (Vector2{0.25f, 0.25f}));
  EXPECT_EQ(ball.sprite.origin, (Vector2{32.0f, 32.0f}));
}

TEST_F(BallTest, ServesPointTheChosenWayAtSpeedsFrom300To600) {
  Ball ball;
  for (int serve = 0; serve < 2000; ++serve) {
    const bool towardRight = serve % 3 != 0;
    ball.PrepareServe(towardRight);
    const float speed = std::sqrt(ball.velocity.x * ball.velocity.x + ball.velocity.y * ball.velocity.y);
    EXPECT_EQ(ball.velocity.x > 0.0f, towardRight);
    EXPECT_GE(speed, 300.0f * (1.0f - 1e-6f));
    EXPECT_LT(speed, 600.0f * (1.0f + 1e-6f));
    EXPECT_LE(std::fabs(ball.velocity.y), std::fabs(ball.velocity.x) * (1.0f + 1e-6f));
    EXPECT_EQ(ball.state, RallyCourt::Waiting);
  }
}

TEST_F(BallTest, AWaitingBallFlickersInPlaceWhateverItsVelocity) {
  Ball ball;
  ball.velocity = {5000.0f, -5000.0f};
  for (int step = 0; step < 300; ++step) {
    ball.Simulate();
    EXPECT_EQ(ball.position, (Vector2{640.0f, 360.0f}));
    EXPECT_GE(ball.sprite.scale.x, 0.25f);
    EXPECT_LT(ball.sprite.scale.x, 0.35f);
    EXPECT_EQ(ball.sprite.scale.x, ball.sprite.scale.y);
    EXPECT_EQ(ball.sprite.color.alpha, 1.0f);
    EXPECT_EQ(ball.sprite.color.blue, 0.0f);
    EXPECT_EQ(ball.sprite.color.green, 1.0f - ball.sprite.color.red);
  }
  // In play it turns white and full size again.
  ball.state = RallyCourt::InPlay;
  ball.velocity = {100.0f, 0.0f};
  ball.Simulate();
  EXPECT_EQ(ball.sprite.color, Kelpforge::Graphics::Color::White);
  EXPECT_EQ(ball.sprite.scale, (Vector2{0.25f, 0.25f}));
  EXPECT_EQ(ball.position, (Vector2{641.0f, 360.0f}));
}

TEST_F(BallTest, BouncesOffTheTopOnceWithoutCorrectingThePosition) {
  Ball ball;
  ball.state = RallyCourt::InPlay;
  ball.position = {300.0f, 29.0f};
  ball.velocity = {0.0f, -400.0f};
  ball.Simulate();
  EXPECT_EQ(ball.position.y, 25.0f);
  EXPECT_EQ(ball.velocity.y, 400.0f);
  ball.Simulate();
  EXPECT_EQ(ball.position.y, 29.0f);
  EXPECT_EQ(ball.velocity.y, 400.0f);

  ball.position = {300.0f, 689.0f};
  ball.Simulate();
  EXPECT_EQ(ball.position.y, 693.0f);
  EXPECT_EQ(ball.velocity.y, -400.0f);
}

TEST_F(BallTest, OutOnTheLeftBelowSixteenAndOnTheRightBeyond1296) {
  Ball ball;
  ball.state = RallyCourt::InPlay;
  ball.position = {17.0f, 360.0f};
  ball.velocity = {-200.0f, 0.0f};
  ball.Simulate();
  EXPECT_EQ(ball.position.x, 15.0f);
  EXPECT_EQ(ball.state, RallyCourt::OutLeft);

  ball.state = RallyCourt::InPlay;
  ball.position = {1295.0f, 360.0f};
  ball.velocity = {100.0f, 0.0f};
  ball.Simulate();
  EXPECT_EQ(ball.position.x, 1296.0f);
  EXPECT_EQ(ball.state, RallyCourt::InPlay);
  ball.Simulate();
  EXPECT_EQ(ball.state, RallyCourt::OutRight);
}

TEST_F(BallTest, PaddleHitsAreStrictOverlapsThatTurnOnlyAnApproachingBall) {
  Ball ball;
  Paddle left(0);   // at (32, 360): spans x 24..40, y 328..392
  Paddle right(1);  // at (1248, 360)
  ball.state = RallyCourt::InPlay;

  ball.velocity = {-300.0f, 50.0f};
  ball.position = {48.0f, 360.0f};  // ball's left edge touches the paddle's right edge
  EXPECT_FALSE(ball.CheckPaddleHit(left));
  ball.position = {47.5f, 360.0f};
  EXPECT_TRUE(ball.CheckPaddleHit(left));
  EXPECT_EQ(ball.velocity, (Vector2{300.0f, 50.0f}));

  // Moving away already: velocity kept, still a hit.
  EXPECT_TRUE(ball.CheckPaddleHit(left));
  EXPECT_EQ(ball.velocity, (Vector2{300.0f, 50.0f}));

  // Vertical edges: touching the paddle's end is not a hit.
  ball.position = {40.0f, 400.0f};
  EXPECT_FALSE(ball.CheckPaddleHit(left));
  ball.position = {40.0f, 399.5f};
  EXPECT_TRUE(ball.CheckPaddleHit(left));
  ball.position = {40.0f, 320.0f};
  EXPECT_FALSE(ball.CheckPaddleHit(left));

  ball.position = {1232.0f, 360.0f};  // touching the right paddle's left edge
  EXPECT_FALSE(ball.CheckPaddleHit(right));
  ball.position = {1232.5f, 360.0f};
  EXPECT_TRUE(ball.CheckPaddleHit(right));
  EXPECT_EQ(ball.velocity, (Vector2{-300.0f, 50.0f}));
}

TEST_F(BallTest, ABallNotInPlayIsNeverBounced) {
  Ball ball;
  Paddle left(0);
  ball.position = left.position;
  ball.velocity = {-300.0f, 0.0f};
  for (const std::int32_t state : {RallyCourt::Waiting, RallyCourt::OutLeft, RallyCourt::OutRight}) {
    ball.state = state;
    EXPECT_FALSE(ball.CheckPaddleHit(left));
    EXPECT_EQ(ball.velocity.x, -300.0f);
  }
}

TEST(RandomGenerator, FollowsTheFifteenBitSequenceFromStateOne) {
  RallyCourt::Random random;
  EXPECT_EQ(random.Next(), 41);
  EXPECT_EQ(random.Next(), 18467);
  EXPECT_EQ(random.Next(), 6334);
  EXPECT_EQ(random.Next(), 26500);
  RallyCourt::Random fresh;
  EXPECT_EQ(fresh.NextFraction(), 41.0f / 32768.0f);
  for (int i = 0; i < 100000; ++i) {
    const std::int32_t value = fresh.Next();
    ASSERT_GE(value, 0);
    ASSERT_LE(value, 32767);
  }
}

}  // namespace
