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

namespace kfImplementation {
class GameApplicationHandler;
}

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

private:
  kfImplementation::GameApplicationHandler& handler;
};

extern GameApplication* theGameApplication;

namespace kfImplementation {

class GameApplicationHandler final : public Application::ApplicationHandlerInterface {
public:
  ~GameApplicationHandler() override;
  void OnWindowOpen() override;
  void OnWindowClose() override;
  void OnBecomeActive() override;
  void OnBecomeInactive() override;
  void OnRealtimeUpdate() override;
  void OnPlatformSignalA(std::int32_t, std::int32_t) override;
  void OnPlatformSignalB(std::int32_t, std::int32_t) override;

  GameApplication* gameApplication = nullptr;
  double previousFrameTime = 0.0;
  double frameElapsed = 0.0;
};

extern GameApplicationHandler theGameApplicationHandler;

struct GameTimer {
  std::int64_t counterFrequency = 0;
  std::int64_t startCount = 0;
  std::int64_t currentCount = 0;
  double elapsedTime = 0.0;
};

extern GameTimer theGameTimer;

void ResetGameTimer();
void UpdateGameTimer();

// Adds `step` to the scene's accumulator, runs the fixed steps it allows (each after recording
// where the scene's entities stand), then Update(step), clears the colour buffer and renders the
// scene between BeginRender2D and EndRender2D. A minimized window (an empty viewport) is neither
// cleared nor drawn.
void UpdateAndRenderScene(GameScene& scene, float step);
// Projects the asked size (one unit per asked pixel, origin top-left, y down) onto the scaled,
// centred viewport; EndRender2D gives back the viewport and the state it changed.
void BeginRender2D();
void EndRender2D();

}  // namespace kfImplementation

}  // namespace Kelpforge::Game
