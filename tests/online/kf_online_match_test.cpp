// Online matches of a small deterministic game over the in-memory link: the handshake, a third
// machine turned away, inputs arriving through loss, prediction and rollback, the prediction
// limit, an interrupted and a departed peer, time kept in step, hostile datagrams from another
// address, and desyncs caught by the checksum exchange and by the sync test.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <random>
#include <vector>

#include "kelpforge/online/implementation/kf_datagram.h"
#include "kelpforge/online/kf_sync_test.h"
#include "tests/support/linked_matches.h"
#include "tests/support/report_capture.h"

namespace {

namespace Online = Kelpforge::Online;
namespace Impl = Kelpforge::Online::kfImplementation;
using KelpforgeTests::LinkedMatches;

// A game whose state is one number mixed from every step's inputs; each player's input follows
// its own pattern. `drift` adds a value kept outside the state (a game that is not deterministic).
class MixingGame final : public Online::RollbackGame {
public:
  explicit MixingGame(int pattern) : pattern(pattern) {}
  std::size_t SaveState(std::span<std::byte, Online::kMaximumStateSize> buffer) override {
    std::memcpy(buffer.data(), &value, sizeof value);
    return sizeof value;
  }
  void LoadState(std::span<const std::byte> state) override { std::memcpy(&value, state.data(), sizeof value); }
  void AdvanceStep(const Online::StepInputs& step) override {
    EXPECT_EQ(step.step, steps) << "steps run out of order";
    value = value * 31 + static_cast<std::uint64_t>(step.inputs[0] + 2) * 7 + static_cast<std::uint64_t>(step.inputs[1] + 2);
    if (drift && step.step >= 150) value += ++hidden;
    ++steps;
    // A step run again after a rollback overwrites what it left the first time.
    after[step.step] = value;
    EXPECT_FALSE(online && step.isConfirmed && confirmedSteps.count(step.step)) << "a confirmed step ran again";
    if (step.isConfirmed) confirmedSteps.insert(step.step);
    replays += step.isReplay ? 1 : 0;
  }
  Online::PlayerInput LocalInput(int player) override {
    // Runs of equal inputs, changing at steps the other side cannot foresee.
    const int step = steps;
    return static_cast<Online::PlayerInput>(((step * (player + pattern)) / 13 + step / 29) % 3 - 1);
  }
  std::int32_t steps = 0;
  std::uint64_t value = 1;
  bool drift = false;
  // The sync test runs every step twice on purpose.
  bool online = true;
  std::uint64_t hidden = 0;
  int pattern;
  int replays = 0;
  std::map<std::int32_t, std::uint64_t> after;
  std::set<std::int32_t> confirmedSteps;
};

// AdvanceStep's step counter follows loads.
class CountingGame final : public Online::RollbackGame {
public:
  explicit CountingGame(int pattern) : game(pattern) {}
  std::size_t SaveState(std::span<std::byte, Online::kMaximumStateSize> buffer) override {
    const std::size_t size = game.SaveState(buffer);
    std::memcpy(buffer.data() + size, &game.steps, sizeof game.steps);
    return size + sizeof game.steps;
  }
  void LoadState(std::span<const std::byte> state) override {
    game.LoadState(state);
    std::memcpy(&game.steps, state.data() + sizeof game.value, sizeof game.steps);
  }
  void AdvanceStep(const Online::StepInputs& step) override { game.AdvanceStep(step); }
  Online::PlayerInput LocalInput(int player) override { return game.LocalInput(player); }
  MixingGame game;
};

Impl::LinkConditions Conditions(double roundTrip, double jitter, double loss, std::uint32_t seed = 7) {
  Impl::LinkConditions conditions;
  conditions.delay = roundTrip / 2.0;
  conditions.jitter = jitter;
  conditions.dropRate = loss;
  conditions.duplicateRate = 0.01;
  conditions.reorderRate = 0.01;
  conditions.seed = seed;
  return conditions;
}

// The values both sides' steps left, up to the last step both have confirmed.
std::vector<std::uint64_t> ConfirmedHistory(const MixingGame& game, std::int32_t confirmedUpTo) {
  std::vector<std::uint64_t> history;
  for (std::int32_t step = 0; step < confirmedUpTo; ++step) history.push_back(game.after.at(step));
  return history;
}

std::size_t ExpectSameHistories(const MixingGame& a, const MixingGame& b, const LinkedMatches& pair) {
  const std::int32_t both = std::min(pair.view[0]->ConfirmedUpTo(), pair.view[1]->ConfirmedUpTo());
  const auto history = ConfirmedHistory(a, both);
  EXPECT_EQ(history, ConfirmedHistory(b, both));
  return history.size();
}

TEST(OnlineMatchTest, HandshakeStartsBothAtStepZeroAndAThirdMachineIsToldTheMatchIsFull) {
  CountingGame host(1), joiner(2), third(3);
  LinkedMatches pair(host, joiner, Conditions(0.04, 0.0, 0.0));
  EXPECT_EQ(pair.Host().Status(), Online::MatchStatus::WaitingForPlayer);
  EXPECT_EQ(pair.Joiner().Status(), Online::MatchStatus::Connecting);
  pair.Frame();
  EXPECT_EQ(host.game.steps, 0) << "no step runs before the other player is there";
  EXPECT_EQ(pair.Host().Status(), Online::MatchStatus::WaitingForPlayer);
  for (int frame = 0; frame < 120; ++frame) pair.Frame();
  EXPECT_EQ(pair.Host().Status(), Online::MatchStatus::Playing);
  EXPECT_EQ(pair.Joiner().Status(), Online::MatchStatus::Playing);
  EXPECT_EQ(pair.Host().LocalPlayer(), 0);
  EXPECT_EQ(pair.Joiner().LocalPlayer(), 1);
  EXPECT_GT(host.game.steps, 150);

  // A third machine of the same game asks to join the running match.
  Online::MatchSettings settings;
  settings.gameName = "Linked";
  Impl::SessionSettings asking = Impl::SettingsFor(settings, false);
  asking.peer = KelpforgeTests::HostAddress();
  Online::OnlineMatch late(std::make_unique<Online::OnlineMatch::Parts>(
      third, asking, pair.link.Endpoint(Impl::NetworkAddress::Ipv4(127, 0, 0, 3, 40001)), [&] { return pair.now; }));
  for (int frame = 0; frame < 30; ++frame) {
    pair.Frame();
    late.RunFrame(1);
  }
  EXPECT_EQ(late.Status(), Online::MatchStatus::NoConnection);
  EXPECT_EQ(late.NoConnectionText(), "the host is already playing a match");
  EXPECT_EQ(third.game.steps, 0);
  EXPECT_EQ(pair.Host().Status(), Online::MatchStatus::Playing);
  EXPECT_GT(ExpectSameHistories(host.game, joiner.game, pair), 100);
}

TEST(OnlineMatchTest, ThroughLossAndReorderingBothHistoriesAgreeAndRollbacksStayWithinTheLimit) {
  for (const double loss : {0.05, 0.2}) {
    CountingGame host(1), joiner(2);
    LinkedMatches pair(host, joiner, Conditions(0.3, 0.02, loss));
    for (int frame = 0; frame < 1800; ++frame) pair.Frame();
    SCOPED_TRACE(loss);
    const Online::NetworkStatistics& stats = pair.Host().Statistics();
    EXPECT_GT(ExpectSameHistories(host.game, joiner.game, pair), 2500);
    EXPECT_GE(stats.checksumsCompared, 25);
    EXPECT_GT(stats.rollbacks, 10);
    EXPECT_GT(host.game.replays, 0);
    EXPECT_LE(stats.worstRollbackDepth, Online::kMaximumPredictedSteps);
    EXPECT_NEAR(stats.roundTrip, 0.3, 0.05);
    EXPECT_EQ(pair.Host().Status(), Online::MatchStatus::Playing);
    EXPECT_EQ(pair.Joiner().Status(), Online::MatchStatus::Playing);
  }
}

TEST(OnlineMatchTest, ALateJoinerIsWaitedForUntilBothRunWithinAStep) {
  CountingGame host(1), joiner(2);
  LinkedMatches pair(host, joiner, Conditions(0.1, 0.0, 0.0));
  // The joiner's frames start 0.3 s after the host's: its Hellos go out late.
  for (int frame = 0; frame < 18; ++frame) pair.Frame(1.0 / 60.0, {true, false});
  for (int frame = 0; frame < 1200; ++frame) pair.Frame();
  EXPECT_GT(pair.Host().Statistics().stepsGivenBack + pair.Joiner().Statistics().stepsGivenBack, 0);
  EXPECT_LE(std::abs(pair.Host().Statistics().stepsAhead), 1.5);
  EXPECT_LE(std::abs(pair.Host().CurrentStep() - pair.Joiner().CurrentStep()), 2);
}

TEST(OnlineMatchTest, ASilentPeerIsInterruptedThenGoneAndTheLocalGameWaitsAtThePredictionLimit) {
  CountingGame host(1), joiner(2);
  LinkedMatches pair(host, joiner, Conditions(0.02, 0.0, 0.0));
  for (int frame = 0; frame < 60; ++frame) pair.Frame();
  const std::int32_t confirmed = pair.Host().CurrentStep();
  // The joiner stops running: nothing more comes from it.
  for (int frame = 0; frame < 50; ++frame) pair.Frame(1.0 / 60.0, {true, false});
  EXPECT_EQ(pair.Host().Status(), Online::MatchStatus::Interrupted);
  EXPECT_LE(pair.Host().CurrentStep(), confirmed + 2 + Online::kMaximumPredictedSteps);
  EXPECT_GT(pair.Host().Statistics().stalledSteps, 0);
  EXPECT_GT(pair.Host().Statistics().longestStall, 0.3);
  for (int frame = 0; frame < 5 * 60; ++frame) pair.Frame(1.0 / 60.0, {true, false});
  EXPECT_EQ(pair.Host().Status(), Online::MatchStatus::OtherPlayerLeft);
}

TEST(OnlineMatchTest, AGoodbyeEndsTheMatchAtOnceOnTheOtherSide) {
  CountingGame host(1), joiner(2);
  LinkedMatches pair(host, joiner, Conditions(0.02, 0.0, 0.0));
  for (int frame = 0; frame < 60; ++frame) pair.Frame();
  pair.Joiner().Leave();
  for (int frame = 0; frame < 3; ++frame) pair.Frame();
  EXPECT_EQ(pair.Host().Status(), Online::MatchStatus::OtherPlayerLeft);
  EXPECT_TRUE(pair.Host().IsOver());
}

TEST(OnlineMatchTest, HostileDatagramsFromAnywhereLeaveTheMatchUnchanged) {
  auto play = [](bool spray) {
    auto host = std::make_unique<CountingGame>(1);
    auto joiner = std::make_unique<CountingGame>(2);
    LinkedMatches pair(*host, *joiner, Conditions(0.06, 0.0, 0.0));
    pair.link.SetTime(0);
    std::mt19937 random(5);
    std::vector<std::vector<std::byte>> seen;
    const auto stranger = Impl::NetworkAddress::Ipv4(127, 0, 0, 9, 24680);
    std::uint64_t sprayed = 0;
    for (int frame = 0; frame < 900; ++frame) {
      pair.Frame();
      if (!spray || frame < 30) continue;
      // A datagram the host sent, seen on the way (its bytes are what a replay would send).
      std::array<std::byte, Impl::kMaximumDatagramSize> bytes{};
      Impl::Datagram input;
      input.kind = Impl::DatagramKind::Input;
      input.senderNonce = 0x2222;  // the joiner's nonce, guessed right
      input.acknowledgedUpTo = static_cast<std::uint32_t>(frame);
      input.firstStep = static_cast<std::uint32_t>(frame);
      input.runCount = 1;
      input.runs[0] = {1, 40};
      const std::size_t size = Impl::EncodeDatagram(input, bytes);
      std::vector<std::byte> garbage(random() % 700);
      for (std::byte& b : garbage) b = static_cast<std::byte>(random());
      std::vector<std::byte> truncated(bytes.begin(), bytes.begin() + random() % size);
      std::vector<std::byte> wrongVersion(bytes.begin(), bytes.begin() + size);
      wrongVersion[2] = std::byte{2};
      std::vector<std::byte> oversized(600, std::byte{'K'});
      for (const auto& hostile : {garbage, truncated, wrongVersion, oversized,
                                  std::vector<std::byte>(bytes.begin(), bytes.begin() + size)}) {
        for (const auto& to : {KelpforgeTests::HostAddress(), KelpforgeTests::JoinerAddress()}) {
          pair.link.Inject(hostile, stranger, to);
          sprayed += 1;
        }
      }
      // From the joiner's own address but without its nonce.
      Impl::Datagram forged = input;
      forged.senderNonce = 0x3333;
      pair.link.Inject(std::span<const std::byte>(bytes.data(), Impl::EncodeDatagram(forged, bytes)),
                       KelpforgeTests::JoinerAddress(), KelpforgeTests::HostAddress());
      sprayed += 1;
    }
    EXPECT_EQ(pair.Host().Status(), Online::MatchStatus::Playing);
    EXPECT_GE(pair.Host().Statistics().datagramsDropped + pair.Joiner().Statistics().datagramsDropped,
              spray ? sprayed * 9 / 10 : 0);
    return std::make_pair(ConfirmedHistory(host->game, std::min(pair.Host().ConfirmedUpTo(), pair.Joiner().ConfirmedUpTo())),
                          pair.Host().Statistics().checksumsCompared);
  };
  const auto clean = play(false);
  const auto sprayed = play(true);
  EXPECT_GT(clean.first.size(), 1200u);
  const std::size_t both = std::min(clean.first.size(), sprayed.first.size());
  EXPECT_GT(both, 1200u);
  EXPECT_EQ(std::vector(sprayed.first.begin(), sprayed.first.begin() + both),
            std::vector(clean.first.begin(), clean.first.begin() + both));
  EXPECT_EQ(sprayed.second, clean.second);
}

TEST(OnlineMatchTest, AGameThatIsNotDeterministicIsCaughtByTheChecksumsAndByTheSyncTest) {
  {
    KelpforgeTests::ReportCapture reports;
    testing::internal::CaptureStdout();
    CountingGame host(1), joiner(2);
    host.game.drift = true;
    LinkedMatches pair(host, joiner, Conditions(0.04, 0.0, 0.0));
    for (int frame = 0; frame < 400; ++frame) pair.Frame();
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(pair.Host().Status(), Online::MatchStatus::OutOfStep);
    // Each side reports once.
    EXPECT_EQ(pair.Joiner().Status(), Online::MatchStatus::OutOfStep);
    ASSERT_EQ(reports.messages.size(), 2u);
    for (const std::string& message : reports.messages) {
      EXPECT_EQ(message.rfind("kfError: The online game went out of step at step 200 (", 0), 0u) << message;
    }
  }
  for (const bool drift : {false, true}) {
    KelpforgeTests::ReportCapture reports;
    testing::internal::CaptureStdout();
    CountingGame game(1);
    game.game.drift = drift;
    game.game.online = false;
    Online::SyncTest syncTest(game);
    for (int frame = 0; frame < 300; ++frame) syncTest.RunFrame(frame % 3);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(syncTest.StepsChecked(), 300);
    EXPECT_EQ(syncTest.FirstMismatch(), drift ? 150 : -1);
    EXPECT_EQ(reports.messages.size(), drift ? 1u : 0u);
  }
}

}  // namespace
