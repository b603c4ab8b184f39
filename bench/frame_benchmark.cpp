// One game-loop frame on the real OpenGL context: a scene of N sprites (simulate, update, render,
// present), next to a frame that only clears and presents. Run under Xvfb with Mesa's software
// renderer (make bench); glFinish makes each frame's GL work count inside its own iteration.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "kelpforge/application/kf_application.h"
#include "kelpforge/application/kf_window_system.h"
#include "kelpforge/game/kf_game_application.h"
#include "kelpforge/graphics/kf_opengl.h"
#include "kelpforge/graphics/kf_sprite.h"
#include "kelpforge/graphics/kf_texture_manager.h"

namespace {

namespace App = Kelpforge::Application;
namespace Game = Kelpforge::Game;
namespace Graphics = Kelpforge::Graphics;

class IdleHandler final : public App::ApplicationHandlerInterface {};

App::kfImplementation::DeviceContext OpenWindowOnce() {
  static IdleHandler handler;
  static App::kfImplementation::DeviceContext deviceContext = [] {
    App::Open(handler);
    App::kfImplementation::WindowSystem& windowSystem = App::kfImplementation::CurrentWindowSystem();
    return windowSystem.AcquireDeviceContext(App::kfImplementation::RecordedWindowHandle());
  }();
  return deviceContext;
}

void Present(App::kfImplementation::DeviceContext deviceContext) {
  glFinish();
  App::kfImplementation::CurrentWindowSystem().PresentBackBuffer(deviceContext);
}

class SpriteScene final : public Game::GameScene {};

class MovingEntity final : public Game::Entity {
public:
  explicit MovingEntity(const Graphics::SpriteFrame& frame) : sprite(frame) {
    sprite.scale = {0.25f, 0.25f};
    AddGraphic(&sprite);
  }
  void Simulate() override {
    position.x += 1.0f;
    if (position.x > 1280.0f) {
      position.x = 0.0f;
    }
  }
  Graphics::Sprite sprite;
};

void BM_ClearAndPresent(benchmark::State& state) {
  const auto deviceContext = OpenWindowOnce();
  for (auto _ : state) {
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    Present(deviceContext);
  }
}
BENCHMARK(BM_ClearAndPresent)->Unit(benchmark::kMicrosecond);

void BM_SceneFrame(benchmark::State& state) {
  const auto deviceContext = OpenWindowOnce();
  const Graphics::SpriteFrame frame =
      Graphics::kfImplementation::WholeTextureFrame(Graphics::CreateBuiltInTexture(), 256.0f, 256.0f);

  SpriteScene scene;
  std::vector<std::unique_ptr<MovingEntity>> entities;
  const auto count = static_cast<int>(state.range(0));
  for (int i = 0; i < count; ++i) {
    entities.push_back(std::make_unique<MovingEntity>(frame));
    entities.back()->position = {static_cast<float>((i * 37) % 1280), static_cast<float>((i * 53) % 720)};
    scene.AddEntity(entities.back().get());
  }
  for (auto _ : state) {
    Game::kfImplementation::UpdateAndRenderScene(scene, 1.0f / 60.0f);
    Present(deviceContext);
  }
  state.counters["sprites"] = static_cast<double>(count);
}
BENCHMARK(BM_SceneFrame)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
