// The game application's side of the platform: the handler the platform calls, the game timer
// read from the game clock's counter, and one frame of the game loop (fixed steps, update, render
// in the asked drawing space).
#pragma once

#include <cstdint>

#include "kelpforge/application/kf_application.h"
#include "kelpforge/game/kf_game_application.h"
#include "kelpforge/game/kf_game_scene.h"

namespace Kelpforge::Game::kfImplementation {

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

// Adds `step` to the scene's accumulator, takes from it the fixed steps it allows and has the
// scene run them (RunFixedSteps), then Update(step), clears the colour buffer and renders the
// scene between BeginRender2D and EndRender2D. A minimized window (an empty viewport) is neither
// cleared nor drawn.
void UpdateAndRenderScene(GameScene& scene, float step);
// Projects the asked size (one unit per asked pixel, origin top-left, y down) onto the scaled,
// centred viewport; EndRender2D gives back the viewport and the state it changed.
void BeginRender2D();
void EndRender2D();

}  // namespace Kelpforge::Game::kfImplementation
