// The game application and the fixed-step game loop. A game constructs one GameApplication
// (which opens the window), builds its scene and calls RunGame(scene), which returns once the
// window has closed. Each frame is clamped to 1/30 s and turned into at most five fixed steps of
// 0.01 s, one variable-rate update and one render in a 2-D projection of the size the game asked
// for, scaled to the window with its aspect ratio kept (pixel-exact at the asked size).
#pragma once

#include <cstdint>

#include "kelpforge/application/kf_application.h"
#include "kelpforge/game/kf_game_scene.h"

namespace Kelpforge::Game {

inline constexpr float kFixedTimeStep = 0.01f;
inline constexpr float kMaximumFrameTime = 1.0f / 30.0f;
inline constexpr int kMaximumSimulateSteps = 5;

class GameApplication {
public:
  // Registers with the handler (reporting an earlier registration) and opens the window.
  GameApplication();
  // Clears theGameApplication when it refers to this object, so CloseGame never reaches a
  // destroyed application.
  ~GameApplication();
  GameApplication(const GameApplication&) = delete;
  GameApplication& operator=(const GameApplication&) = delete;

  // Makes `initialScene` current and runs the platform loop until the window closes.
  void RunGame(GameScene& initialScene);
  // Ends the loop after its current pass; only while a GameApplication exists.
  static void CloseGame();
  // Turns motion smoothing on or off for every entity (off until called): each frame then draws
  // moving entities between their last two fixed steps instead of at the last one. Simulation
  // is the same either way.
  static void SetMotionSmoothing(bool enabled);

  // False when the window could not be opened; the program should then end with a failure.
  bool IsOpen() const;
};

extern GameApplication* theGameApplication;

}  // namespace Kelpforge::Game
