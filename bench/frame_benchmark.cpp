// One game-loop frame on the real OpenGL context: a scene of N sprites (simulate, update, render,
// present), next to a frame that only clears and presents, and two raw OpenGL programs drawing
// the same quads with the same texture: one call sequence per quad, and one client-array draw for
// all. Run under Xvfb with Mesa's software renderer (make bench); glFinish makes each frame's GL
// work count inside its own iteration. "per_sprite" is main-thread CPU per sprite, frame included.
// On a shared machine compare with --benchmark_repetitions=6 --benchmark_enable_random_interleaving.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <memory>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <vector>

#include "kelpforge/application/implementation/kf_window_system.h"
#include "kelpforge/application/kf_application.h"
#include "kelpforge/game/implementation/kf_game_application_internal.h"
#include "kelpforge/game/kf_game_application.h"
#include "kelpforge/graphics/implementation/kf_opengl.h"
#include "kelpforge/graphics/implementation/kf_sprite_sheet_internal.h"
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

// Seconds of main-thread CPU per sprite (Google Benchmark's CPU time is the running thread's).
void CountPerSprite(benchmark::State& state, int sprites) {
  state.counters["sprites"] = static_cast<double>(sprites);
  state.counters["per_sprite"] = benchmark::Counter(
      static_cast<double>(sprites), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Steady frames are what is measured: a first frame outside the count grows the buffers and lets
// the driver compile its code for the state.
template <typename Frame>
void MeasureSteadyFrames(benchmark::State& state, Frame& oneFrame) {
  oneFrame();
  for (auto _ : state) {
    oneFrame();
  }
}

// Where the i-th of the scene's sprites starts.
Graphics::Vector2 StartPosition(int i) {
  return {static_cast<float>((i * 37) % 1280), static_cast<float>((i * 53) % 720)};
}

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
    entities.back()->position = StartPosition(i);
    scene.AddEntity(entities.back().get());
  }
  auto oneFrame = [&] {
    Game::kfImplementation::UpdateAndRenderScene(scene, 1.0f / 60.0f);
    Present(deviceContext);
  };
  MeasureSteadyFrames(state, oneFrame);
  CountPerSprite(state, count);
}
BENCHMARK(BM_SceneFrame)->Arg(10)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// The raw programs' quads: the scene's 64 x 64 sprites, centred on their positions, moved one
// pixel per frame. Both draw in the frame the game loop sets up.
struct RawQuads {
  explicit RawQuads(int count) {
    for (int i = 0; i < count; ++i) {
      positions.push_back(StartPosition(i));
    }
  }
  void Move() {
    for (Graphics::Vector2& position : positions) {
      position.x += 1.0f;
      if (position.x > 1280.0f) {
        position.x = 0.0f;
      }
    }
  }
  std::vector<Graphics::Vector2> positions;
  GLuint texture = Graphics::GetTextureRecord(Graphics::CreateBuiltInTexture()).glTextureName;
};

void ClearAndBegin() {
  glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  Game::kfImplementation::BeginRender2D();
}

// What a sprite costs drawn with its own calls: bind, push, place, turn, origin, scale, tint, strip.
void BM_RawPerQuadFrame(benchmark::State& state) {
  const auto deviceContext = OpenWindowOnce();
  RawQuads quads(static_cast<int>(state.range(0)));
  auto oneFrame = [&] {
    quads.Move();
    ClearAndBegin();
    for (const Graphics::Vector2& position : quads.positions) {
      glBindTexture(GL_TEXTURE_2D, quads.texture);
      glPushMatrix();
      glTranslatef(position.x, position.y, 0.0f);
      glRotatef(0.0f, 0.0f, 0.0f, 1.0f);
      glTranslatef(-32.0f, -32.0f, 0.0f);
      glScalef(0.25f, 0.25f, 1.0f);
      glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
      glBegin(GL_TRIANGLE_STRIP);
      glTexCoord2f(0.0f, 1.0f);
      glVertex2f(0.0f, 256.0f);
      glTexCoord2f(0.0f, 0.0f);
      glVertex2f(0.0f, 0.0f);
      glTexCoord2f(1.0f, 1.0f);
      glVertex2f(256.0f, 256.0f);
      glTexCoord2f(1.0f, 0.0f);
      glVertex2f(256.0f, 0.0f);
      glEnd();
      glPopMatrix();
    }
    Game::kfImplementation::EndRender2D();
    Present(deviceContext);
  };
  MeasureSteadyFrames(state, oneFrame);
  CountPerSprite(state, static_cast<int>(quads.positions.size()));
}
BENCHMARK(BM_RawPerQuadFrame)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

// All quads in one client-side array (position, texture coordinate, colour per vertex; two
// triangles per quad), filled each frame, one bind and one glDrawArrays.
void BM_RawBatchedFrame(benchmark::State& state) {
  struct Vertex {
    GLfloat x, y, s, t, red, green, blue, alpha;
  };
  const auto deviceContext = OpenWindowOnce();
  RawQuads quads(static_cast<int>(state.range(0)));
  std::vector<Vertex> vertices(quads.positions.size() * 6);
  auto oneFrame = [&] {
    quads.Move();
    Vertex* out = vertices.data();
    for (const Graphics::Vector2& position : quads.positions) {
      const float left = position.x - 32.0f;
      const float top = position.y - 32.0f;
      const float right = left + 64.0f;
      const float bottom = top + 64.0f;
      const Vertex bottomLeft{left, bottom, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f};
      const Vertex topLeft{left, top, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f};
      const Vertex bottomRight{right, bottom, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f};
      const Vertex topRight{right, top, 1.0f, 0.0f, 1.0f, 1.0f, 1.0f, 1.0f};
      out[0] = bottomLeft;
      out[1] = topLeft;
      out[2] = bottomRight;
      out[3] = bottomRight;
      out[4] = topLeft;
      out[5] = topRight;
      out += 6;
    }
    ClearAndBegin();
    glBindTexture(GL_TEXTURE_2D, quads.texture);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(2, GL_FLOAT, sizeof(Vertex), &vertices[0].x);
    glTexCoordPointer(2, GL_FLOAT, sizeof(Vertex), &vertices[0].s);
    glColorPointer(4, GL_FLOAT, sizeof(Vertex), &vertices[0].red);
    glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(vertices.size()));
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    Game::kfImplementation::EndRender2D();
    Present(deviceContext);
  };
  MeasureSteadyFrames(state, oneFrame);
  CountPerSprite(state, static_cast<int>(quads.positions.size()));
}
BENCHMARK(BM_RawBatchedFrame)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
#ifdef __GLIBC__
  // The driver allocates megabytes of vertex buffers every frame. glibc serves such blocks with
  // fresh mappings until its adaptive thresholds have grown past them, which takes tens of
  // frames and charges each of them thousands of page faults. Fixed thresholds give every
  // program here the steady state from its first frame.
  mallopt(M_MMAP_THRESHOLD, 256 << 20);
  mallopt(M_TRIM_THRESHOLD, 512 << 20);
#endif
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
