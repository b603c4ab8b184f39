// The court: ball, paddles, centre line, walls and score texts, the rules of the match in each
// fixed step (serve timer, paddle hits, points, the win at 10) and the keyboard in each frame;
// a paddle may be handed to the computer, which steers it in each fixed step instead. Sounds are
// played from the fixed steps, so a replay plays the same sounds at the same steps.
#pragma once

#include <cstdint>
#include <optional>
#include <sstream>
#include <string>

#include "kelpforge/game/kf_game_scene.h"
#include "kelpforge/graphics/kf_sprite.h"
#include "kelpforge/graphics/kf_text.h"
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

class RallyCourtScene : public Kelpforge::Game::GameScene {
public:
  // Needs the window's OpenGL context and the loaded sheet "prototype_sheet".
  RallyCourtScene();
  ~RallyCourtScene() override;
  RallyCourtScene(const RallyCourtScene&) = delete;
  RallyCourtScene& operator=(const RallyCourtScene&) = delete;

  void Simulate() override;
  void Update(float deltaTime) override;

  // Hands the paddle (or both) to the computer, which steers it in every fixed step from then on;
  // that paddle's keys do nothing. ComputerSide::None leaves the court to the players.
  void GiveToComputer(ComputerSide side, Difficulty difficulty);

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

private:
  void UpdateScoreText();
  void ScorePoint(Paddle& scorer, bool serveTowardRight);
  // Plays `sound` from where the ball is, left to right.
  void PlayFromBall(const char* sound);
};

}  // namespace RallyCourt
