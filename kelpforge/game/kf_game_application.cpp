#include "kelpforge/game/kf_game_application.h"

#include <algorithm>

#include "kelpforge/application/implementation/kf_window_system.h"
#include "kelpforge/core/kf_error.h"
#include "kelpforge/game/implementation/kf_entity_internal.h"
#include "kelpforge/game/implementation/kf_game_application_internal.h"
#include "kelpforge/game/implementation/kf_game_clock.h"
#include "kelpforge/game/implementation/kf_game_scene_internal.h"
#include "kelpforge/graphics/implementation/kf_opengl.h"

namespace Kelpforge::Game {

GameApplication* theGameApplication = nullptr;

namespace kfImplementation {

GameApplicationHandler theGameApplicationHandler;
GameTimer theGameTimer;

namespace {

bool textureWasEnabled = false;
bool blendWasEnabled = false;

}  // namespace

void ResetGameTimer() {
  GameCounter& counter = CurrentGameCounter();
  theGameTimer.counterFrequency = counter.Frequency();
  theGameTimer.currentCount = counter.Count();
  theGameTimer.startCount = counter.Count();
  theGameTimer.elapsedTime = 0.0;
  UpdateGameTimer();
}

void UpdateGameTimer() {
  theGameTimer.currentCount = CurrentGameCounter().Count();
  // A counter that reports no frequency would divide by zero; its time stands still instead.
  if (theGameTimer.counterFrequency <= 0) {
    theGameTimer.elapsedTime = 0.0;
    return;
  }
  theGameTimer.elapsedTime = static_cast<double>(theGameTimer.currentCount - theGameTimer.startCount) /
                             static_cast<double>(theGameTimer.counterFrequency);
}

GameApplicationHandler::~GameApplicationHandler() = default;

void GameApplicationHandler::OnWindowOpen() {
  KF_REPORT_ERROR_IF(gameApplication == nullptr, "kfInternalError: Game Application has not been set.");

  glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

  ResetGameTimer();
  const double openedAt = theGameTimer.elapsedTime;
  previousFrameTime = openedAt;
  frameElapsed = 0.0;
  UpdateGameTimer();
  previousFrameTime = theGameTimer.elapsedTime;
  frameElapsed = theGameTimer.elapsedTime - openedAt;
}

void GameApplicationHandler::OnWindowClose() {}

void GameApplicationHandler::OnBecomeActive() {}

void GameApplicationHandler::OnBecomeInactive() {}

void GameApplicationHandler::OnRealtimeUpdate() {
  const double last = previousFrameTime;
  UpdateGameTimer();
  previousFrameTime = theGameTimer.elapsedTime;
  frameElapsed = theGameTimer.elapsedTime - last;

  // Time cut off by the clamp is dropped: after a long frame the game runs slower than real
  // time instead of catching up.
  float step = static_cast<float>(frameElapsed);
  if (step > kMaximumFrameTime) {
    step = kMaximumFrameTime;
  }

  GameScene* scene = theCurrentScene != nullptr ? theCurrentScene : &theDefaultScene;
  UpdateAndRenderScene(*scene, step);
}

void GameApplicationHandler::OnPlatformSignalA(std::int32_t, std::int32_t) {}

void GameApplicationHandler::OnPlatformSignalB(std::int32_t, std::int32_t) {}

void UpdateAndRenderScene(GameScene& scene, float step) {
  scene.simulationAccumulator = scene.simulationAccumulator + step;

  int offered = 0;
  for (; scene.simulationAccumulator > kFixedTimeStep && offered < kMaximumSimulateSteps; ++offered) {
    scene.simulationAccumulator = scene.simulationAccumulator - kFixedTimeStep;
  }
  scene.RunFixedSteps(offered);

  scene.Update(step);

  // Past the step cap the remainder may exceed one step; drawing never runs ahead of simulation.
  theMotionSmoothing.stepFraction = std::clamp(scene.simulationAccumulator / kFixedTimeStep, 0.0f, 1.0f);

  // A minimized window has no pixels to draw on.
  const Application::kfImplementation::ViewportRectangle& viewport =
      Application::kfImplementation::CurrentDrawingSpace().viewport;
  if (viewport.IsEmpty()) {
    return;
  }
  // The clear covers the whole window, so the bars beside a scaled picture stay black.
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  BeginRender2D();
  scene.Render();
  EndRender2D();
}

void BeginRender2D() {
  // The game draws in the size it asked for; the viewport scales that to the window. GL counts
  // viewport rows from the bottom.
  const Application::kfImplementation::DrawingSpace& space =
      Application::kfImplementation::CurrentDrawingSpace();
  glPushAttrib(GL_VIEWPORT_BIT | GL_DEPTH_BUFFER_BIT | GL_LIGHTING_BIT);
  glViewport(space.viewport.x, space.clientHeight - space.viewport.y - space.viewport.height,
             space.viewport.width, space.viewport.height);

  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  if (space.askedWidth > 0 && space.askedHeight > 0) {
    glOrtho(0.0, space.askedWidth, space.askedHeight, 0.0, -1.0, 1.0);
  }

  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();

  glDisable(GL_DEPTH_TEST);
  glDisable(GL_LIGHTING);

  textureWasEnabled = glIsEnabled(GL_TEXTURE_2D) == GL_TRUE;
  glEnable(GL_TEXTURE_2D);
  blendWasEnabled = glIsEnabled(GL_BLEND) == GL_TRUE;
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void EndRender2D() {
  glPopAttrib();
  if (!textureWasEnabled) {
    glDisable(GL_TEXTURE_2D);
  }
  if (!blendWasEnabled) {
    glDisable(GL_BLEND);
  }
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
}

}  // namespace kfImplementation

using namespace kfImplementation;

GameApplication::GameApplication() {
  GameApplicationHandler& handler = theGameApplicationHandler;
  KF_REPORT_ERROR_IF(handler.gameApplication != nullptr,
                     "kfInternalError: GameApplication has already been set.");
  handler.gameApplication = this;
  Application::Open(handler);
  theGameApplication = this;
}

GameApplication::~GameApplication() {
  if (theGameApplication == this) {
    theGameApplication = nullptr;
  }
}

void GameApplication::RunGame(GameScene& initialScene) {
  GameScene::ChangeToScene(initialScene);
  Application::Run(theGameApplicationHandler);
}

void GameApplication::CloseGame() {
  if (theGameApplication != nullptr) {
    Application::Close(theGameApplicationHandler);
  }
}

void GameApplication::SetMotionSmoothing(bool enabled) {
  theMotionSmoothing.enabled = enabled;
}

bool GameApplication::IsOpen() const {
  return Application::HasWindow();
}

}  // namespace Kelpforge::Game
