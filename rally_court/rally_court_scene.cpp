#include "rally_court/rally_court_scene.h"

#include "kelpforge/application/kf_input.h"
#include "kelpforge/audio/kf_sound_manager.h"
#include "kelpforge/game/kf_game_application.h"
#include "kelpforge/graphics/kf_color.h"

namespace RallyCourt {

namespace Graphics = Kelpforge::Graphics;
using Kelpforge::Application::IsKeyDown;
using Kelpforge::Application::IsKeyPressed;

namespace {

constexpr std::uint32_t kCenterLineColor = 0x80FFFFFFu;
constexpr std::uint32_t kWallColor = 0xFF808080u;
constexpr std::uint32_t kScoreTextColor = 0x80FFFFFFu;
// A point sounds from the scorer's side, half way out.
constexpr float kPointPan = 0.5f;

}  // namespace

void LoadCourtSounds() {
  Kelpforge::Audio::LoadSound(kPaddleHitSound, kPaddleHitSoundPath);
  Kelpforge::Audio::LoadSound(kWallBounceSound, kWallBounceSoundPath);
  Kelpforge::Audio::LoadSound(kPointSound, kPointSoundPath);
  Kelpforge::Audio::LoadSound(kWinSound, kWinSoundPath);
}

RallyCourtScene::RallyCourtScene()
    : ball(),
      leftPaddle(0),
      rightPaddle(1),
      centerLine(kSpriteSheetName, "solid_square"),
      topWall(kSpriteSheetName, "solid_square"),
      bottomWall(kSpriteSheetName, "solid_square"),
      leftScoreText(nullptr),
      rightScoreText(nullptr),
      serveTimer(kServeDelayAtStart) {
  // Entities are simulated, updated and drawn in this order; graphics are drawn after them.
  AddEntity(&ball);
  AddEntity(&leftPaddle);
  AddEntity(&rightPaddle);
  AddGraphic(&centerLine);
  AddGraphic(&topWall);
  AddGraphic(&bottomWall);
  UpdateScoreText();

  centerLine.color.SetColor(kCenterLineColor);
  centerLine.SetOrigin(Graphics::AnchorCenter);
  centerLine.scale = {0.25f, 10.725f};
  centerLine.position = {640.0f, 360.0f};

  topWall.color.SetColor(kWallColor);
  topWall.SetOrigin(Graphics::AnchorBottomCenter);
  topWall.scale = {20.25f, 0.25f};
  topWall.position = {640.0f, 20.0f};

  bottomWall.color.SetColor(kWallColor);
  bottomWall.SetOrigin(Graphics::AnchorTopCenter);
  bottomWall.scale = {20.25f, 0.25f};
  bottomWall.position = {640.0f, 700.0f};
}

RallyCourtScene::~RallyCourtScene() {
  delete leftScoreText;
  delete rightScoreText;
}

void RallyCourtScene::Simulate() {
  // The computer sees the court as the previous step left it, as a player sees the last frame.
  if (leftComputer) {
    leftComputer->Steer(ball);
  }
  if (rightComputer) {
    rightComputer->Steer(ball);
  }
  // Only the ball's own step turns its vertical velocity: off a wall.
  const float verticalVelocity = ball.velocity.y;
  GameScene::Simulate();
  if (ball.velocity.y != verticalVelocity) {
    PlayFromBall(kWallBounceSound);
  }

  // No hit test and no scoring in a step that counts the timer down.
  if (serveTimer > 0) {
    serveTimer -= kServeTimerStep;
    if (serveTimer <= 0) {
      ball.state = InPlay;
      UpdateScoreText();
    }
    return;
  }

  switch (ball.state) {
    case InPlay: {
      // A hit sounds when a paddle turns the ball, not in every step the two overlap.
      const float horizontalVelocity = ball.velocity.x;
      ball.CheckPaddleHit(leftPaddle);
      ball.CheckPaddleHit(rightPaddle);
      if (ball.velocity.x != horizontalVelocity) {
        PlayFromBall(kPaddleHitSound);
      }
      break;
    }
    case OutLeft:
      ScorePoint(rightPaddle, false);
      break;
    case OutRight:
      ScorePoint(leftPaddle, true);
      break;
    default:
      break;
  }
}

void RallyCourtScene::ScorePoint(Paddle& scorer, bool serveTowardRight) {
  serveTimer = kServeDelayAfterPoint;
  scorer.score += 1;
  // The texts are rebuilt before a win resets the scores, so the winner shows for the pause.
  UpdateScoreText();
  if (scorer.score >= kWinningScore) {
    serveTimer = kServeDelayAfterWin;
    leftPaddle.score = 0;
    rightPaddle.score = 0;
    Kelpforge::Audio::PlaySound(kWinSound);
  } else {
    Kelpforge::Audio::PlaySound(kPointSound, 1.0f, scorer.side == 0 ? -kPointPan : kPointPan);
  }
  // The serve goes towards the player who lost the point.
  ball.PrepareServe(serveTowardRight);
}

void RallyCourtScene::PlayFromBall(const char* sound) {
  Kelpforge::Audio::PlaySound(sound, 1.0f, 2.0f * ball.position.x / kCourtRight - 1.0f);
}

void RallyCourtScene::Update(float deltaTime) {
  if (IsKeyPressed(Kelpforge::Application::KeyEscape)) {
    Kelpforge::Game::GameApplication::CloseGame();
  }
  if (IsKeyPressed(Kelpforge::Application::KeyM)) {
    Kelpforge::Audio::SetMuted(!Kelpforge::Audio::IsMuted());
  }
  GameScene::Update(deltaTime);

  using Kelpforge::Application::KeyDown;
  using Kelpforge::Application::KeyS;
  using Kelpforge::Application::KeyUp;
  using Kelpforge::Application::KeyW;
  if (!leftComputer) {
    leftPaddle.direction = IsKeyDown(KeyW) ? MoveUp : IsKeyDown(KeyS) ? MoveDown : MoveNone;
  }
  if (!rightComputer) {
    rightPaddle.direction = IsKeyDown(KeyUp) ? MoveUp : IsKeyDown(KeyDown) ? MoveDown : MoveNone;
  }
}

void RallyCourtScene::GiveToComputer(ComputerSide side, Difficulty difficulty) {
  if (side == ComputerSide::Left || side == ComputerSide::Both) {
    leftComputer.emplace(leftPaddle, difficulty);
  }
  if (side == ComputerSide::Right || side == ComputerSide::Both) {
    rightComputer.emplace(rightPaddle, difficulty);
  }
}

void RallyCourtScene::UpdateScoreText() {
  if (leftScoreText != nullptr) {
    RemoveGraphic(leftScoreText);
    delete leftScoreText;
    leftScoreText = nullptr;
  }
  if (rightScoreText != nullptr) {
    RemoveGraphic(rightScoreText);
    delete rightScoreText;
    rightScoreText = nullptr;
  }

  std::string leftString = ToString("Score: ") + ToString(leftPaddle.score);
  std::string rightString = ToString("Score: ") + ToString(rightPaddle.score);
  if (leftPaddle.score >= kWinningScore) {
    leftString = ToString("Winner");
    rightString = ToString("");
  }
  if (rightPaddle.score >= kWinningScore) {
    rightString = ToString("Winner");
    leftString = ToString("");
  }

  leftScoreText = new Graphics::Text(leftString, kScoreFontPath, kScoreFontSize);
  rightScoreText = new Graphics::Text(rightString, kScoreFontPath, kScoreFontSize);
  AddGraphic(leftScoreText);
  AddGraphic(rightScoreText);

  const Graphics::Color textColor(kScoreTextColor);
  leftScoreText->SetColor(textColor);
  rightScoreText->SetColor(textColor);

  // Halved in floating point: an odd width gives a half-pixel position.
  leftScoreText->position = {320.0f - static_cast<float>(leftScoreText->GetWidth()) / 2.0f, 20.0f};
  rightScoreText->position = {960.0f - static_cast<float>(rightScoreText->GetWidth()) / 2.0f, 20.0f};
}

}  // namespace RallyCourt
