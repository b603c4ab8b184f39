// The cost of a point in Rally Court: one fixed step in which the ball is out, the score goes up,
// both score texts are destroyed and rebuilt (rasterized and uploaded), the point's sound is
// asked for (over the scripted audio output) and a serve is prepared; and the computer player's
// work per fixed step. Run on the real OpenGL context under Xvfb (make bench), from the repository
// root for data/.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "kelpforge/application/kf_application.h"
#include "kelpforge/audio/implementation/kf_sound_manager_internal.h"
#include "kelpforge/audio/implementation/scripted/kfi_scripted_audio_output.h"
#include "kelpforge/audio/kf_sound_manager.h"
#include "kelpforge/graphics/kf_sprite_manager.h"
#include "rally_court/rally_court_scene.h"

namespace {

class IdleHandler final : public Kelpforge::Application::ApplicationHandlerInterface {};

void OpenWindowOnce() {
  static IdleHandler handler;
  static const bool opened = [] {
    std::filesystem::current_path(KF_SOURCE_DIR);
    Kelpforge::Application::Open(handler);
    Kelpforge::Graphics::LoadSpriteSheet("prototype_sheet", "data/prototyping_sheet.txt");
    static Kelpforge::Audio::kfImplementation::ScriptedAudioOutput sound;
    Kelpforge::Audio::kfImplementation::SetAudioOutput(&sound);
    RallyCourt::LoadCourtSounds();
    return true;
  }();
  (void)opened;
}

void BM_Point(benchmark::State& state) {
  OpenWindowOnce();
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

// One Steer per fixed step, replaying the ball of a hard demonstration match step by step: mostly
// steps that only compare, now and then one that predicts a whole crossing.
void BM_ComputerStep(benchmark::State& state) {
  OpenWindowOnce();
  struct BallStep {
    Kelpforge::Graphics::Vector2 position;
    Kelpforge::Graphics::Vector2 velocity;
    std::int32_t state;
  };
  RallyCourt::RallyCourtScene court;
  court.GiveToComputer(RallyCourt::ComputerSide::Both, RallyCourt::Difficulty::Hard);
  std::vector<BallStep> match;
  for (int step = 0; step < 100'000; ++step) {
    court.Simulate();
    match.push_back({court.ball.position, court.ball.velocity, court.ball.state});
  }

  RallyCourt::ComputerPlayer& computer = *court.rightComputer;
  std::size_t next = 0;
  for (auto _ : state) {
    const BallStep& step = match[next];
    court.ball.position = step.position;
    court.ball.velocity = step.velocity;
    court.ball.state = step.state;
    computer.Steer(court.ball);
    benchmark::DoNotOptimize(court.rightPaddle.direction);
    next = next + 1 == match.size() ? 0 : next + 1;
  }
}
BENCHMARK(BM_ComputerStep)->Unit(benchmark::kNanosecond);

// The dearest step: predicting the slowest ball from one face of the court to the other, bouncing
// off both walls on the way.
void BM_ComputerLongestPrediction(benchmark::State& state) {
  const Kelpforge::Graphics::Vector2 position{RallyCourt::kLeftPaddleX + 16.0f, 360.0f};
  const Kelpforge::Graphics::Vector2 velocity{212.2f, 212.2f};
  for (auto _ : state) {
    benchmark::DoNotOptimize(RallyCourt::PredictCrossingY(position, velocity, RallyCourt::kRightPaddleX));
  }
}
BENCHMARK(BM_ComputerLongestPrediction)->Unit(benchmark::kNanosecond);

}  // namespace

BENCHMARK_MAIN();
