#include "rally_court/rally_court_scene.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>

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
// The court's sounds as derived events of a step.
constexpr std::uint32_t kPaddleHitId = 1;
constexpr std::uint32_t kWallBounceId = 2;
constexpr std::uint32_t kPointId = 3;
constexpr std::uint32_t kWinId = 4;
// A notice about the other player stays this long once the match is over.
constexpr double kEndNoticeSeconds = 5.0;
constexpr float kNoticeY = 560.0f;

// Little-endian 32-bit fields, one after another: the same bytes on every platform.
class StateWriter {
public:
  explicit StateWriter(std::span<std::byte> out) : out(out) {}
  void Put(std::uint32_t value) {
    for (int i = 0; i < 4 && size < out.size(); ++i) out[size++] = static_cast<std::byte>(value >> (8 * i));
  }
  void Put(std::int32_t value) { Put(static_cast<std::uint32_t>(value)); }
  void Put(float value) { Put(std::bit_cast<std::uint32_t>(value)); }
  std::size_t size = 0;

private:
  std::span<std::byte> out;
};

class StateReader {
public:
  explicit StateReader(std::span<const std::byte> in) : in(in) {}
  std::uint32_t Word() {
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i, ++position) {
      value |= position < in.size() ? static_cast<std::uint32_t>(in[position]) << (8 * i) : 0u;
    }
    return value;
  }
  void Get(std::uint32_t& value) { value = Word(); }
  void Get(std::int32_t& value) { value = static_cast<std::int32_t>(Word()); }
  void Get(float& value) { value = std::bit_cast<float>(Word()); }

private:
  std::span<const std::byte> in;
  std::size_t position = 0;
};


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
  if (match != nullptr && match->CurrentStep() > 0) {
    // What the match was like, for the player's record (and the cross-platform check).
    const Kelpforge::Online::NetworkStatistics& statistics = match->Statistics();
    std::fprintf(stderr,
                 "rally_court: online match of %d steps: %d checksums compared, worst rollback %d steps, "
                 "round trip %.0f ms\n",
                 static_cast<int>(match->CurrentStep()), statistics.checksumsCompared, statistics.worstRollbackDepth,
                 statistics.roundTrip * 1000.0);
  }
  // The other player hears of it at once.
  match.reset();
  delete leftScoreText;
  delete rightScoreText;
  delete noticeText;
}

Kelpforge::Online::PlayerInput InputFor(std::int32_t direction) {
  return direction == MoveUp ? -1 : direction == MoveDown ? 1 : 0;
}

std::int32_t DirectionFor(Kelpforge::Online::PlayerInput input) {
  return input < 0 ? MoveUp : input > 0 ? MoveDown : MoveNone;
}

void RallyCourtScene::Simulate() {
  // The computer sees the court as the previous step left it, as a player sees the last frame.
  if (leftComputer) {
    leftComputer->Steer(ball);
  }
  if (rightComputer) {
    rightComputer->Steer(ball);
  }
  RunRules();
  UpdateScoreText();
}

void RallyCourtScene::AdvanceStep(const Kelpforge::Online::StepInputs& step) {
  RecordEntityPositions();
  stepNumber = step.step;
  leftPaddle.direction = DirectionFor(step.inputs[0]);
  rightPaddle.direction = DirectionFor(step.inputs[1]);
  RunRules();
}

void RallyCourtScene::RunRules() {
  // Only the ball's own step turns its vertical velocity: off a wall.
  const float verticalVelocity = ball.velocity.y;
  GameScene::Simulate();
  if (ball.velocity.y != verticalVelocity) {
    PlayFromBall(kWallBounceSound, kWallBounceId);
  }

  // No hit test and no scoring in a step that counts the timer down.
  if (serveTimer > 0) {
    serveTimer -= kServeTimerStep;
    if (serveTimer <= 0) {
      ball.state = InPlay;
      winner = -1;
    }
  } else {
    switch (ball.state) {
      case InPlay: {
        // A hit sounds when a paddle turns the ball, not in every step the two overlap.
        const float horizontalVelocity = ball.velocity.x;
        ball.CheckPaddleHit(leftPaddle);
        ball.CheckPaddleHit(rightPaddle);
        if (ball.velocity.x != horizontalVelocity) {
          PlayFromBall(kPaddleHitSound, kPaddleHitId);
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
  ++stepNumber;
}

void RallyCourtScene::ScorePoint(Paddle& scorer, bool serveTowardRight) {
  serveTimer = kServeDelayAfterPoint;
  scorer.score += 1;
  if (scorer.score >= kWinningScore) {
    // The winner shows for the pause while the scores already start again.
    winner = scorer.side;
    serveTimer = kServeDelayAfterWin;
    leftPaddle.score = 0;
    rightPaddle.score = 0;
    PlayCourtSound(kWinSound, kWinId, 0.0f);
  } else {
    PlayCourtSound(kPointSound, kPointId, scorer.side == 0 ? -kPointPan : kPointPan);
  }
  // The serve goes towards the player who lost the point.
  ball.PrepareServe(serveTowardRight);
}

void RallyCourtScene::PlayFromBall(const char* sound, std::uint32_t id) {
  PlayCourtSound(sound, id, 2.0f * ball.position.x / kCourtRight - 1.0f);
}

void RallyCourtScene::PlayCourtSound(const char* sound, std::uint32_t id, float pan) {
  if (soundsPlayed.FirstTime(stepNumber, id)) {
    Kelpforge::Audio::PlaySound(sound, 1.0f, pan);
  }
}

std::int32_t RallyCourtScene::ReadLocalDirection(int side) const {
  using Kelpforge::Application::KeyDown;
  using Kelpforge::Application::KeyS;
  using Kelpforge::Application::KeyUp;
  using Kelpforge::Application::KeyW;
  if (ownSide < 0) {
    if (side == 0) return IsKeyDown(KeyW) ? MoveUp : IsKeyDown(KeyS) ? MoveDown : MoveNone;
    return IsKeyDown(KeyUp) ? MoveUp : IsKeyDown(KeyDown) ? MoveDown : MoveNone;
  }
  if (side != ownSide) return MoveNone;
  const bool up = IsKeyDown(KeyW) || IsKeyDown(KeyUp);
  const bool down = IsKeyDown(KeyS) || IsKeyDown(KeyDown);
  return up ? MoveUp : down ? MoveDown : MoveNone;
}

Kelpforge::Online::PlayerInput RallyCourtScene::LocalInput(int player) {
  Paddle& paddle = player == 0 ? leftPaddle : rightPaddle;
  std::optional<ComputerPlayer>& computer = player == 0 ? leftComputer : rightComputer;
  if (computer) {
    // The computer decides from the court as it stands before the step, as it does offline.
    computer->Steer(ball);
    return InputFor(paddle.direction);
  }
  return InputFor(localDirections[player]);
}

std::size_t RallyCourtScene::SaveState(std::span<std::byte, Kelpforge::Online::kMaximumStateSize> buffer) {
  // Everything a step reads: the paddles' directions come from the inputs of each step, and the
  // ball's colour and size are set anew in every step, so neither is here.
  StateWriter writer(buffer);
  writer.Put(stepNumber);
  writer.Put(ball.position.x);
  writer.Put(ball.position.y);
  writer.Put(ball.velocity.x);
  writer.Put(ball.velocity.y);
  writer.Put(ball.state);
  for (const Paddle* paddle : {&leftPaddle, &rightPaddle}) {
    writer.Put(paddle->position.x);
    writer.Put(paddle->position.y);
    writer.Put(paddle->score);
  }
  writer.Put(serveTimer);
  writer.Put(winner);
  writer.Put(theRandom.state);
  return writer.size;
}

void RallyCourtScene::LoadState(std::span<const std::byte> state) {
  StateReader reader(state);
  reader.Get(stepNumber);
  reader.Get(ball.position.x);
  reader.Get(ball.position.y);
  reader.Get(ball.velocity.x);
  reader.Get(ball.velocity.y);
  reader.Get(ball.state);
  for (Paddle* paddle : {&leftPaddle, &rightPaddle}) {
    reader.Get(paddle->position.x);
    reader.Get(paddle->position.y);
    reader.Get(paddle->score);
  }
  reader.Get(serveTimer);
  reader.Get(winner);
  reader.Get(theRandom.state);
}

bool RallyCourtScene::IsPlayingOnline() const { return match != nullptr && !matchEnded; }

void RallyCourtScene::RunFixedSteps(int offered) {
  if (IsPlayingOnline()) {
    match->RunFrame(offered);
  } else if (syncTest) {
    syncTest->RunFrame(offered);
  } else {
    GameScene::RunFixedSteps(offered);
    return;
  }
  // After the frame's rollbacks: the texts follow the state as it finally stands.
  UpdateScoreText();
}

void RallyCourtScene::PlayOnline(std::unique_ptr<Kelpforge::Online::OnlineMatch> onlineMatch,
                                 const std::string& notice, Difficulty difficulty) {
  match = std::move(onlineMatch);
  ownSide = match->LocalPlayer();
  startNotice = notice;
  onlineDifficulty = difficulty;
  ShowNotice(startNotice);
}

void RallyCourtScene::StartSyncTest() { syncTest = std::make_unique<Kelpforge::Online::SyncTest>(*this); }

void RallyCourtScene::FollowMatch(float deltaTime) {
  using Kelpforge::Online::MatchStatus;
  if (match == nullptr) {
    return;
  }
  if (matchEnded) {
    noticeTimeLeft -= deltaTime;
    if (noticeTimeLeft <= 0.0 && !noticeShown.empty()) ShowNotice("");
    return;
  }
  switch (match->Status()) {
    case MatchStatus::WaitingForPlayer:
    case MatchStatus::Connecting:
      ShowNotice(startNotice);
      return;
    case MatchStatus::Playing:
      ShowNotice("");
      return;
    case MatchStatus::Interrupted:
      ShowNotice("Connection interrupted");
      return;
    case MatchStatus::OtherPlayerLeft:
    case MatchStatus::OutOfStep:
      // The match goes on here, the computer playing the other paddle, the score kept.
      matchEnded = true;
      GiveToComputer(ownSide == 0 ? ComputerSide::Right : ComputerSide::Left, onlineDifficulty);
      ShowNotice("The other player left");
      noticeTimeLeft = kEndNoticeSeconds;
      return;
    case MatchStatus::NoConnection:
      std::fprintf(stderr, "rally_court: no online match (%s); playing locally\n", match->NoConnectionText().c_str());
      matchEnded = true;
      ownSide = -1;
      ShowNotice("");
      return;
  }
}

void RallyCourtScene::ShowNotice(const std::string& text) {
  if (text == noticeShown && (noticeText != nullptr || text.empty())) {
    return;
  }
  noticeShown = text;
  if (noticeText != nullptr) {
    RemoveGraphic(noticeText);
    delete noticeText;
    noticeText = nullptr;
  }
  if (text.empty()) {
    return;
  }
  noticeText = new Graphics::Text(text, kScoreFontPath, kScoreFontSize);
  noticeText->SetColor(Graphics::Color(kScoreTextColor));
  noticeText->position = {640.0f - static_cast<float>(noticeText->GetWidth()) / 2.0f, kNoticeY};
  AddGraphic(noticeText);
}

void RallyCourtScene::Update(float deltaTime) {
  using Kelpforge::Application::KeyEscape;
  using Kelpforge::Application::KeyF3;
  using Kelpforge::Application::KeyM;
  if (IsKeyPressed(KeyEscape)) {
    Kelpforge::Game::GameApplication::CloseGame();
  }
  if (IsKeyPressed(KeyM)) {
    Kelpforge::Audio::SetMuted(!Kelpforge::Audio::IsMuted());
  }
  if (IsKeyPressed(KeyF3) && match != nullptr) {
    if (overlay == nullptr) {
      overlay = std::make_unique<Kelpforge::Online::NetworkOverlay>(match->History());
      // Between the centre line and the right paddle, under the score.
      overlay->position = {690.0f, 90.0f};
      overlay->isVisible = false;
      AddGraphic(overlay.get());
    }
    overlay->isVisible = !overlay->isVisible;
  }
  FollowMatch(deltaTime);
  GameScene::Update(deltaTime);

  // Read for the steps of the following frames; online the match takes them as inputs.
  localDirections = {ReadLocalDirection(0), ReadLocalDirection(1)};
  if (!IsPlayingOnline()) {
    if (!leftComputer) {
      leftPaddle.direction = localDirections[0];
    }
    if (!rightComputer) {
      rightPaddle.direction = localDirections[1];
    }
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
  if (leftScoreText != nullptr && shownLeftScore == leftPaddle.score && shownRightScore == rightPaddle.score &&
      shownWinner == winner) {
    return;
  }
  shownLeftScore = leftPaddle.score;
  shownRightScore = rightPaddle.score;
  shownWinner = winner;
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
  if (winner == 0) {
    leftString = ToString("Winner");
    rightString = ToString("");
  }
  if (winner == 1) {
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
