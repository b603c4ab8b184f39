// The cost of online play for Rally Court: a rollback of the full 25 steps through the session
// (the state load, 25 saves and 25 steps again, and the one new step), the traffic of a match of
// computers at 60 frames a second each way with the IP and UDP headers counted, and the input
// delays compared at 100 ms of round trip: how deep rollbacks go and how often the other paddle
// is drawn where it never was. Run on the real OpenGL context under Xvfb (make bench).
#include <benchmark/benchmark.h>

#include <cmath>
#include <filesystem>
#include <random>
#include <vector>

#include "kelpforge/application/kf_application.h"
#include "kelpforge/audio/implementation/kf_sound_manager_internal.h"
#include "kelpforge/audio/implementation/scripted/kfi_scripted_audio_output.h"
#include "kelpforge/graphics/kf_sprite_manager.h"
#include "kelpforge/online/implementation/kf_online_session.h"
#include "rally_court/rally_court_scene.h"
#include "tests/support/linked_matches.h"

namespace {

namespace Online = Kelpforge::Online;
namespace Impl = Kelpforge::Online::kfImplementation;
using RallyCourt::RallyCourtScene;

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

Impl::Datagram InputFrom(std::uint32_t nonce, std::int32_t step, Online::PlayerInput value) {
  Impl::Datagram input;
  input.kind = Impl::DatagramKind::Input;
  input.senderNonce = nonce;
  input.senderStep = static_cast<std::uint32_t>(step);
  input.firstStep = static_cast<std::uint32_t>(step);
  input.runCount = 1;
  input.runs[0] = {value, 1};
  return input;
}

// Each iteration: the remote input of the oldest predicted step arrives and differs from its
// prediction, so the frame loads the state 25 steps back, runs those 25 steps again and one new.
void BM_CourtRollbackOf25Steps(benchmark::State& state) {
  OpenWindowOnce();
  RallyCourt::theRandom = RallyCourt::Random{};
  RallyCourtScene court;
  court.GiveToComputer(RallyCourt::ComputerSide::Left, RallyCourt::Difficulty::Normal);
  Impl::SessionSettings settings;
  settings.gameName = "Rally Court";
  Impl::OnlineSession session(court, settings, 0.0);
  const Impl::NetworkAddress peer = Impl::NetworkAddress::Ipv4(127, 0, 0, 2, 40000);
  std::array<std::byte, Impl::kMaximumDatagramSize> bytes{};
  Impl::Datagram hello;
  hello.kind = Impl::DatagramKind::Hello;
  hello.senderNonce = 7;
  hello.SetGameName("Rally Court");
  double now = 0.0;
  session.Receive(bytes, Impl::EncodeDatagram(hello, bytes), peer, now);
  while (session.CurrentStep() < Online::kMaximumPredictedSteps) session.RunFrame(1, now);
  session.ClearOutbox();
  Online::PlayerInput value = 1;
  int depth = 0;
  for (auto _ : state) {
    now += 0.01;
    const std::size_t size = Impl::EncodeDatagram(InputFrom(7, session.ConfirmedUpTo(), value), bytes);
    session.Receive(bytes, size, peer, now);
    session.RunFrame(1, now);
    session.ClearOutbox();
    value = static_cast<Online::PlayerInput>(-value);
    depth = session.Statistics().worstRollbackDepth;
  }
  state.counters["rollback_depth"] = depth;
}
BENCHMARK(BM_CourtRollbackOf25Steps)->Unit(benchmark::kMicrosecond);

// Two courts of computers, each with its own random generator, online through the in-memory link.
struct CourtMatch {
  CourtMatch(const Impl::LinkConditions& conditions, int inputDelay, bool players = false) {
    RallyCourt::theRandom = RallyCourt::Random{};
    courts[0] = std::make_unique<RecordingCourt>();
    randoms[0] = RallyCourt::theRandom;
    RallyCourt::theRandom = RallyCourt::Random{};
    courts[1] = std::make_unique<RecordingCourt>();
    randoms[1] = RallyCourt::theRandom;
    if (players) {
      courts[0]->holds.seed(1);
      courts[1]->holds.seed(2);
    } else {
      courts[0]->GiveToComputer(RallyCourt::ComputerSide::Left, RallyCourt::Difficulty::Normal);
      courts[1]->GiveToComputer(RallyCourt::ComputerSide::Right, RallyCourt::Difficulty::Normal);
    }
    pair = std::make_unique<KelpforgeTests::LinkedMatches>(*courts[0], *courts[1], conditions, inputDelay);
    pair->runSide = [this](int side, int offered) {
      RallyCourt::theRandom = randoms[side];
      courts[side]->RunFixedSteps(offered);
      randoms[side] = RallyCourt::theRandom;
      // Where the host draws the joiner's paddle this frame.
      if (side == 0) shown.push_back({courts[0]->stepNumber, courts[0]->rightPaddle.position.y});
    };
    courts[0]->PlayOnline(pair->Release(0), "", RallyCourt::Difficulty::Normal);
    courts[1]->PlayOnline(pair->Release(1), "", RallyCourt::Difficulty::Normal);
  }
  ~CourtMatch() {
    courts[0]->match.reset();
    courts[1]->match.reset();
  }
  // The right paddle's place after each step, the last run of a step overwriting earlier ones.
  // Without a computer its player holds a key for 5 to 60 steps (about one to six frames at 60
  // Hz and up to 0.6 s), then another or none, as a person does: when they press does not
  // depend on the input delay.
  class RecordingCourt final : public RallyCourtScene {
  public:
    Online::PlayerInput LocalInput(int player) override {
      if (leftComputer || rightComputer) return RallyCourtScene::LocalInput(player);
      if (--held <= 0) {
        held = static_cast<int>(holds() % 56) + 5;
        current = static_cast<Online::PlayerInput>(static_cast<int>(holds() % 3) - 1);
      }
      return current;
    }
    std::minstd_rand holds;
    int held = 0;
    Online::PlayerInput current = 0;
    void AdvanceStep(const Online::StepInputs& step) override {
      RallyCourtScene::AdvanceStep(step);
      if (static_cast<int>(rightY.size()) <= step.step) rightY.resize(step.step + 1);
      rightY[step.step] = rightPaddle.position.y;
    }
    std::vector<float> rightY;
  };
  std::unique_ptr<RecordingCourt> courts[2];
  RallyCourt::Random randoms[2];
  std::unique_ptr<KelpforgeTests::LinkedMatches> pair;
  std::vector<std::pair<int, float>> shown;
};

Impl::LinkConditions HundredMilliseconds() {
  Impl::LinkConditions conditions;
  conditions.delay = 0.05;
  conditions.jitter = 0.01;
  conditions.dropRate = 0.05;
  conditions.duplicateRate = 0.01;
  conditions.reorderRate = 0.01;
  conditions.seed = 3;
  return conditions;
}

// A minute of a match at 60 frames a second; the traffic of its last second, each way.
void BM_TrafficAtSixtyFramesASecond(benchmark::State& state) {
  OpenWindowOnce();
  double sent = 0.0;
  double received = 0.0;
  for (auto _ : state) {
    CourtMatch match(HundredMilliseconds(), 0);
    double sentSum = 0.0, receivedSum = 0.0;
    int samples = 0;
    for (int frame = 0; frame < 60 * 60; ++frame) {
      match.pair->Frame();
      if (frame >= 600 && frame % 60 == 0) {
        sentSum += match.pair->Host().Statistics().sentBytesPerSecond;
        receivedSum += match.pair->Host().Statistics().receivedBytesPerSecond;
        ++samples;
      }
    }
    sent = sentSum / samples;
    received = receivedSum / samples;
  }
  state.counters["host_sent_B_per_s"] = sent;
  state.counters["host_received_B_per_s"] = received;
}
BENCHMARK(BM_TrafficAtSixtyFramesASecond)->Unit(benchmark::kMillisecond)->Iterations(1);

// Input delay 0 ... 6 at 100 ms round trip, two players holding keys: rollbacks, and the frames in
// which the host drew the joiner's paddle where the confirmed match never had it (a correction
// the player sees), against the lag the delay adds to one's own paddle.
void BM_InputDelayAtHundredMilliseconds(benchmark::State& state) {
  OpenWindowOnce();
  const int delay = static_cast<int>(state.range(0));
  double wrongShare = 0.0, meanError = 0.0, rolledBack = 0.0;
  int worst = 0;
  for (auto _ : state) {
    CourtMatch match(HundredMilliseconds(), delay, true);
    for (int frame = 0; frame < 60 * 120; ++frame) match.pair->Frame();
    const std::vector<float>& confirmed = match.courts[0]->rightY;
    const int upTo = match.pair->Host().ConfirmedUpTo();
    int frames = 0, wrong = 0;
    double error = 0.0;
    for (const auto& [step, y] : match.shown) {
      if (step < 1 || step > upTo) continue;
      ++frames;
      const float real = confirmed[step - 1];
      wrong += y != real ? 1 : 0;
      error += std::fabs(y - real);
    }
    wrongShare = 100.0 * wrong / frames;
    meanError = wrong > 0 ? error / wrong : 0.0;
    const Online::NetworkStatistics& stats = match.pair->Host().Statistics();
    worst = stats.worstRollbackDepth;
    rolledBack = static_cast<double>(stats.rollbacks) / 120.0;
  }
  state.counters["wrong_frames_percent"] = wrongShare;
  state.counters["mean_error_px"] = meanError;
  state.counters["rollbacks_per_s"] = rolledBack;
  state.counters["worst_rollback"] = worst;
  state.counters["added_lag_ms"] = delay * 10;
}
BENCHMARK(BM_InputDelayAtHundredMilliseconds)->DenseRange(0, 6)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
