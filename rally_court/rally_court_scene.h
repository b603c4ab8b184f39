// The court: ball, paddles, centre line, walls and score texts, the rules of the match in each
// fixed step (serve timer, paddle hits, points, the win at 10) and the keyboard in each frame;
// a paddle may be handed to the computer, which steers it in each fixed step instead. Sounds are
// played from the fixed steps, so a replay plays the same sounds at the same steps. Online, the
// court is a rollback game: its whole simulation saves into a few dozen bytes, each step runs from
// both paddles' inputs, and what it derives (score texts, sounds) never repeats on a rollback.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include "kelpforge/game/kf_game_scene.h"
#include "kelpforge/graphics/kf_sprite.h"
#include "kelpforge/graphics/kf_text.h"
#include "kelpforge/online/kf_network_overlay.h"
#include "kelpforge/online/kf_online_match.h"
#include "kelpforge/online/kf_rollback_game.h"
#include "kelpforge/online/kf_sync_test.h"
#include "rally_court/ball.h"
#include "rally_court/computer_player.h"
#include "rally_court/data_files.h"
#include "rally_court/options.h"
#include "rally_court/paddle.h"

namespace RallyCourt {

inline constexpr std::int32_t kServeDelayAtStart = 2000;
inline constexpr std::int32_t kServeDelayAfterPoint = 1000;
inline constexpr std::int32_t kServeDelayAfterWin = 2500;
inline constexpr std::int32_t kServeTimerStep = 10;
inline constexpr std::int32_t kWinningScore = 10;
inline constexpr float kScoreFontSize = 42.0f;
// Both sides of an online match name the same game.
inline constexpr const char* kOnlineGameName = "Rally Court";

// The court's sounds, loaded from the files of data_files.h.
inline constexpr const char* kPaddleHitSound = "paddle_hit";
inline constexpr const char* kWallBounceSound = "wall_bounce";
inline constexpr const char* kPointSound = "point";
inline constexpr const char* kWinSound = "win";

// Loads the four sounds; a missing file is reported and its sound stays silent.
void LoadCourtSounds();

// Writes `value` into an 8-bit string stream and takes the stream's string.
template <typename T>
std::string ToString(const T& value) {
  std::ostringstream stream;
  stream << value;
  return stream.str();
}

// A paddle's direction as an online input: -1 up, 0 still, +1 down.
Kelpforge::Online::PlayerInput InputFor(std::int32_t direction);
std::int32_t DirectionFor(Kelpforge::Online::PlayerInput input);

class RallyCourtScene : public Kelpforge::Game::GameScene, public Kelpforge::Online::RollbackGame {
public:
  // Needs the window's OpenGL context and the loaded sheet "prototype_sheet".
  RallyCourtScene();
  ~RallyCourtScene() override;
  RallyCourtScene(const RallyCourtScene&) = delete;
  RallyCourtScene& operator=(const RallyCourtScene&) = delete;

  void Simulate() override;
  void Update(float deltaTime) override;
  // Offline the base's steps; online the match's, checked ones in the sync test.
  void RunFixedSteps(int offered) override;

  // Hands the paddle (or both) to the computer, which steers it in every fixed step from then on;
  // that paddle's keys do nothing. ComputerSide::None leaves the court to the players. Online, the
  // computer steers the local paddle through its inputs.
  void GiveToComputer(ComputerSide side, Difficulty difficulty);
  // From now on the court plays `match`; `startNotice` shows until the other player is there.
  // Once the other player leaves, the computer at `difficulty` takes their paddle.
  void PlayOnline(std::unique_ptr<Kelpforge::Online::OnlineMatch> match, const std::string& startNotice,
                  Difficulty difficulty);
  // Every step is run twice from the same state and checked (the sync test).
  void StartSyncTest();
  bool IsPlayingOnline() const;

  // The one place local input is read: the direction the player at this machine asks of `side`'s
  // paddle. Offline the left paddle answers W/S and the right one Up/Down; online the player's
  // own paddle answers both and the other paddle none.
  std::int32_t ReadLocalDirection(int side) const;

  std::size_t SaveState(std::span<std::byte, Kelpforge::Online::kMaximumStateSize> buffer) override;
  void LoadState(std::span<const std::byte> state) override;
  void AdvanceStep(const Kelpforge::Online::StepInputs& step) override;
  Kelpforge::Online::PlayerInput LocalInput(int player) override;

  Ball ball;
  Paddle leftPaddle;
  Paddle rightPaddle;
  Kelpforge::Graphics::Sprite centerLine;
  Kelpforge::Graphics::Sprite topWall;
  Kelpforge::Graphics::Sprite bottomWall;
  Kelpforge::Graphics::Text* leftScoreText;
  Kelpforge::Graphics::Text* rightScoreText;
  // Milliseconds left before the waiting ball goes into play; counts down while above 0.
  std::int32_t serveTimer;
  std::optional<ComputerPlayer> leftComputer;
  std::optional<ComputerPlayer> rightComputer;
  // The step being run (the number of steps run so far); part of the simulation.
  std::int32_t stepNumber = 0;
  // The side that won the last game while the pause after it lasts, else -1.
  std::int32_t winner = -1;

  std::unique_ptr<Kelpforge::Online::OnlineMatch> match;
  std::unique_ptr<Kelpforge::Online::SyncTest> syncTest;
  // Made at the first F3 of an online match.
  std::unique_ptr<Kelpforge::Online::NetworkOverlay> overlay;
  Kelpforge::Graphics::Text* noticeText = nullptr;

private:
  // The rules of one step, after the paddles' directions are set.
  void RunRules();
  // Rebuilds the score texts when the scores or the winner differ from what they show.
  void UpdateScoreText();
  void ScorePoint(Paddle& scorer, bool serveTowardRight);
  // Plays `sound` from where the ball is, left to right.
  void PlayFromBall(const char* sound, std::uint32_t id);
  // At most once per (step, sound), however often a rollback runs the step.
  void PlayCourtSound(const char* sound, std::uint32_t id, float pan);
  void ShowNotice(const std::string& text);
  // What the match's state asks of the court: its notice, and the other paddle to the computer
  // once the match is over.
  void FollowMatch(float deltaTime);

  Kelpforge::Online::StepEventFilter soundsPlayed;
  std::array<std::int32_t, 2> localDirections{};
  // -1 while both paddles are played here; online the local player's side.
  int ownSide = -1;
  bool matchEnded = false;
  std::string startNotice;
  std::string noticeShown;
  double noticeTimeLeft = 0.0;
  Difficulty onlineDifficulty = Difficulty::Normal;
  std::int32_t shownLeftScore = -1;
  std::int32_t shownRightScore = -1;
  std::int32_t shownWinner = -2;
};

}  // namespace RallyCourt
