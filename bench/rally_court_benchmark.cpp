// The cost of a point in Rally Court: one fixed step in which the ball is out, the score goes up,
// both score texts are destroyed and rebuilt (rasterized and uploaded) and a serve is prepared.
// Run on the real OpenGL context under Xvfb (make bench), from the repository root for data/.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "kelpforge/application/kf_application.h"
#include "kelpforge/graphics/kf_sprite_manager.h"
#include "rally_court/rally_court_scene.h"

namespace {

class IdleHandler final : public Kelpforge::Application::ApplicationHandlerInterface {};

void BM_Point(benchmark::State& state) {
  static IdleHandler handler;
  static const bool opened = [] {
    std::filesystem::current_path(KF_SOURCE_DIR);
    Kelpforge::Application::Open(handler);
    Kelpforge::Graphics::LoadSpriteSheet("prototype_sheet", "data/prototyping_sheet.txt");
    return true;
  }();
  (void)opened;

  RallyCourt::RallyCourtScene court;
  for (auto _ : state) {
    court.leftPaddle.score = 3;  // stay clear of the win
    court.rightPaddle.score = 4;
    court.serveTimer = 0;
    court.ball.state = RallyCourt::InPlay;
    court.ball.position = {17.0f, 360.0f};
    court.ball.velocity = {-200.0f, 0.0f};
    court.Simulate();
  }
}
BENCHMARK(BM_Point)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
