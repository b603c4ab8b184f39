// The court's rules step by step: the serve timer, points, the win at 10 and its pause, the
// score texts, and the keyboard driven through the scripted platform.
#include "rally_court/rally_court_scene.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kelpforge/graphics/kf_text.h"
#include "tests/rally_court/game_fixture.h"

namespace {

using RallyCourt::RallyCourtScene;
namespace Graphics = Kelpforge::Graphics;

// The width the score font gives `text`, as the scene's texts measure themselves.
int WidthOf(const std::string& text) {
  const Graphics::Text probe(text, "data/junegull.ttf", 42.0f);
  return probe.GetWidth();
}

class CourtTest : public KelpforgeTests::GameRulesTest {
protected:
  // Puts the ball in play at `x` moving left fast enough to go out on the left in one step.
  static void SendBallOutLeft(RallyCourtScene& court) {
    court.serveTimer = 0;
    court.ball.state = RallyCourt::InPlay;
    court.ball.position = {17.0f, 360.0f};
    court.ball.velocity = {-200.0f, 0.0f};
  }
};

TEST_F(CourtTest, BuildsTheCourtInOrder) {
  RallyCourtScene court;
  ASSERT_EQ(court.entities.size(), 3u);
  EXPECT_EQ(court.entities[0], &court.ball);
  EXPECT_EQ(court.entities[1], &court.leftPaddle);
  EXPECT_EQ(court.entities[2], &court.rightPaddle);
  const std::vector<Graphics::Graphic*> expected = {&court.centerLine, &court.topWall, &court.bottomWall,
                                                   court.leftScoreText, court.rightScoreText};
  EXPECT_EQ(std::vector<Graphics::Graphic*>(court.graphics.Children().begin(), court.graphics.Children().end()), expected);
  EXPECT_EQ(court.serveTimer, 2000);

  EXPECT_EQ(court.centerLine.color.packedARGB, 0x80FFFFFFu);
  EXPECT_EQ(court.centerLine.color.alpha, 0.5019608f);
  EXPECT_EQ(court.centerLine.scale, (Graphics::Vector2{0.25f, 10.725f}));
  EXPECT_EQ(court.centerLine.position, (Graphics::Vector2{640.0f, 360.0f}));
  EXPECT_EQ(court.centerLine.origin, (Graphics::Vector2{32.0f, 32.0f}));
  EXPECT_EQ(court.topWall.color.packedARGB, 0xFF808080u);
  EXPECT_EQ(court.topWall.origin, (Graphics::Vector2{32.0f, 64.0f}));
  EXPECT_EQ(court.topWall.scale, (Graphics::Vector2{20.25f, 0.25f}));
  EXPECT_EQ(court.topWall.position, (Graphics::Vector2{640.0f, 20.0f}));
  EXPECT_EQ(court.bottomWall.origin, (Graphics::Vector2{32.0f, 0.0f}));
  EXPECT_EQ(court.bottomWall.position, (Graphics::Vector2{640.0f, 700.0f}));

  const int width = WidthOf("Score: 0");
  EXPECT_EQ(court.leftScoreText->GetWidth(), width);
  EXPECT_EQ(court.leftScoreText->position, (Graphics::Vector2{320.0f - width / 2.0f, 20.0f}));
  EXPECT_EQ(court.rightScoreText->position, (Graphics::Vector2{960.0f - width / 2.0f, 20.0f}));
}

TEST_F(CourtTest, TheFirstServeIsReleasedInStep200AndMovesFromStep201) {
  RallyCourtScene court;
  for (int step = 1; step <= 199; ++step) {
    court.Simulate();
  }
  EXPECT_EQ(court.serveTimer, 10);
  EXPECT_EQ(court.ball.state, RallyCourt::Waiting);
  court.Simulate();
  EXPECT_EQ(court.serveTimer, 0);
  EXPECT_EQ(court.ball.state, RallyCourt::InPlay);
  EXPECT_EQ(court.ball.position, (Graphics::Vector2{640.0f, 360.0f}));
  court.Simulate();
  EXPECT_NE(court.ball.position.x, 640.0f);
}

TEST_F(CourtTest, NoPointAndNoHitInAStepThatCountsTheTimerDown) {
  RallyCourtScene court;
  court.serveTimer = 10;
  court.ball.state = RallyCourt::InPlay;
  court.ball.position = {17.0f, 360.0f};
  court.ball.velocity = {-200.0f, 0.0f};
  court.Simulate();  // the ball goes out, but this step only counts the timer down
  EXPECT_EQ(court.leftPaddle.score + court.rightPaddle.score, 0);
  EXPECT_EQ(court.ball.state, RallyCourt::InPlay);

  court.serveTimer = 10;
  court.ball.position = court.leftPaddle.position;
  court.ball.velocity = {-200.0f, 0.0f};
  court.Simulate();
  EXPECT_EQ(court.ball.velocity.x, -200.0f);  // no hit test in this step
  court.ball.position = court.leftPaddle.position;
  court.Simulate();
  EXPECT_EQ(court.ball.velocity.x, 200.0f);  // the next step tests and turns it
}

TEST_F(CourtTest, APointScoresForTheOtherSideAndServesTowardTheLoser) {
  RallyCourtScene court;
  SendBallOutLeft(court);
  court.Simulate();
  EXPECT_EQ(court.rightPaddle.score, 1);
  EXPECT_EQ(court.leftPaddle.score, 0);
  EXPECT_EQ(court.serveTimer, 1000);
  EXPECT_EQ(court.ball.state, RallyCourt::Waiting);
  EXPECT_EQ(court.ball.position, (Graphics::Vector2{640.0f, 360.0f}));
  EXPECT_LT(court.ball.velocity.x, 0.0f);
  EXPECT_EQ(court.rightScoreText->GetWidth(), WidthOf("Score: 1"));

  court.serveTimer = 0;
  court.ball.state = RallyCourt::InPlay;
  court.ball.position = {1296.0f, 360.0f};
  court.ball.velocity = {200.0f, 0.0f};
  court.Simulate();
  EXPECT_EQ(court.leftPaddle.score, 1);
  EXPECT_GT(court.ball.velocity.x, 0.0f);
}

TEST_F(CourtTest, AWinShowsWinnerForTheLongPauseThenStartsAgainFromZero) {
  RallyCourtScene court;
  court.leftPaddle.score = 3;
  court.rightPaddle.score = 9;
  SendBallOutLeft(court);
  court.Simulate();

  EXPECT_EQ(court.leftPaddle.score, 0);
  EXPECT_EQ(court.rightPaddle.score, 0);
  EXPECT_EQ(court.serveTimer, 2500);
  const int winnerWidth = WidthOf("Winner");
  const int zeroWidth = WidthOf("Score: 0");
  for (int step = 1; step <= 249; ++step) {
    court.Simulate();
    ASSERT_EQ(court.rightScoreText->GetWidth(), winnerWidth) << step;
    ASSERT_EQ(court.leftScoreText->GetWidth(), 0) << step;
    ASSERT_EQ(court.ball.state, RallyCourt::Waiting) << step;
  }
  EXPECT_EQ(court.rightScoreText->position.x, 960.0f - winnerWidth / 2.0f);
  court.Simulate();  // the 250th step releases the serve
  EXPECT_EQ(court.leftScoreText->GetWidth(), zeroWidth);
  EXPECT_EQ(court.rightScoreText->GetWidth(), zeroWidth);
  EXPECT_EQ(court.ball.state, RallyCourt::InPlay);
  EXPECT_LT(court.ball.velocity.x, 0.0f);
}

TEST_F(CourtTest, AfterManyPointsTheGraphicListHoldsOnlyTheCurrentTexts) {
  RallyCourtScene court;
  for (int point = 0; point < 25; ++point) {
    SendBallOutLeft(court);
    court.Simulate();
  }
  const std::vector<Graphics::Graphic*> expected = {&court.centerLine, &court.topWall, &court.bottomWall,
                                                   court.leftScoreText, court.rightScoreText};
  EXPECT_EQ(std::vector<Graphics::Graphic*>(court.graphics.Children().begin(), court.graphics.Children().end()), expected);
  EXPECT_EQ(court.rightPaddle.score, 5);  // 10 won a game and reset, then 5 more
}

TEST_F(CourtTest, TheComputerPredictsExactlyWhereTheRealBallMeetsItsPaddle) {
  // Serves from the centre and returns from the far face, the steep ones off both walls in turn.
  RallyCourt::Ball ball;
  for (int flight = 0; flight < 300; ++flight) {
    const bool towardRight = flight % 2 == 0;
    ball.PrepareServe(towardRight);
    if (flight % 3 == 0) {
      ball.position = {towardRight ? 47.0f : 1233.0f, 30.0f + static_cast<float>(flight) * 2.1f};
    }
    const Graphics::Vector2 start = ball.position;
    const Graphics::Vector2 velocity = ball.velocity;
    const float paddleX = towardRight ? RallyCourt::kRightPaddleX : RallyCourt::kLeftPaddleX;
    ball.state = RallyCourt::InPlay;
    while (towardRight ? ball.position.x <= paddleX - 16.0f : ball.position.x >= paddleX + 16.0f) {
      ball.Simulate();
    }
    ASSERT_EQ(RallyCourt::PredictCrossingY(start, velocity, paddleX), ball.position.y) << flight;
  }
}

}  // namespace
