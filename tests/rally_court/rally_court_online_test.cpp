// The court online: two courts of computer players in one process, each with its own random
// generator, joined by the in-memory link for 10,000 steps. Every checksum agrees, both confirmed
// histories are the same, each side's own paddle stands every frame where it stands offline, and
// no sound plays twice for a step, and steady frames allocate nothing. The sync test runs a whole match of the court, and a state
// saved and loaded gives the same bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "kelpforge/audio/kf_sound_manager.h"
#include "kelpforge/game/implementation/kf_entity_internal.h"
#include "rally_court/rally_court_scene.h"
#include "tests/rally_court/game_fixture.h"
#include "tests/support/allocation_counter.h"
#include "tests/support/linked_matches.h"
#include "tests/support/report_capture.h"

namespace {

namespace Online = Kelpforge::Online;
namespace Impl = Kelpforge::Online::kfImplementation;
using RallyCourt::ComputerSide;
using RallyCourt::Difficulty;
using RallyCourt::RallyCourtScene;

constexpr int kSteps = 10'000;

// Where both paddles stood after each step of an offline match of two computers, the checksum
// of the whole court after each step, and its sounds.
struct OfflineMatch {
  std::vector<float> leftY;
  std::vector<float> rightY;
  std::vector<std::uint32_t> states;
  std::set<std::pair<int, std::string>> sounds;
};

std::uint32_t StateChecksum(RallyCourtScene& court) {
  std::array<std::byte, Online::kMaximumStateSize> bytes{};
  return court.Checksum(std::span<const std::byte>(bytes.data(), court.SaveState(bytes)));
}

// A court that keeps the checksum each step left, the latest run of a step overwriting earlier ones.
class RecordingCourt final : public RallyCourtScene {
public:
  // Room for the whole match, so recording allocates nothing while frames are counted.
  RecordingCourt() { states.reserve(kSteps + 2000); }
  void AdvanceStep(const Online::StepInputs& step) override {
    RallyCourtScene::AdvanceStep(step);
    if (static_cast<int>(states.size()) <= step.step) states.resize(step.step + 1);
    states[step.step] = StateChecksum(*this);
  }
  std::vector<std::uint32_t> states;
};

// Every sound, by the court that played it and that court's step.
class SoundLog final : public Kelpforge::Audio::kfImplementation::SoundObserver {
public:
  SoundLog() {
    Kelpforge::Audio::kfImplementation::SetSoundObserver(this);
    played[0].reserve(4000);
    played[1].reserve(4000);
  }
  ~SoundLog() override { Kelpforge::Audio::kfImplementation::SetSoundObserver(nullptr); }
  void OnPlaySound(std::string_view name, float, float) override {
    if (court != nullptr) played[side].push_back({court->stepNumber - 1, std::string(name)});
  }
  const RallyCourtScene* court = nullptr;
  int side = 0;
  std::vector<std::pair<int, std::string>> played[2];
};

class CourtOnlineTest : public KelpforgeTests::GameRulesTest {
protected:
  OfflineMatch PlayOffline(int steps) {
    SoundLog log;
    RallyCourt::theRandom = RallyCourt::Random{};
    RallyCourtScene court;
    court.GiveToComputer(ComputerSide::Both, Difficulty::Normal);
    log.court = &court;
    OfflineMatch match{{court.leftPaddle.position.y}, {court.rightPaddle.position.y}, {}, {}};
    for (int step = 0; step < steps; ++step) {
      court.RunFixedSteps(1);
      match.states.push_back(StateChecksum(court));
      match.leftY.push_back(court.leftPaddle.position.y);
      match.rightY.push_back(court.rightPaddle.position.y);
    }
    match.sounds.insert(log.played[0].begin(), log.played[0].end());
    return match;
  }

  struct Figures {
    int worstRollback = 0;
    double longestStall = 0.0;
    int stalledSteps = 0;
    int checksums = 0;
    double sentPerSecond = 0.0;
  };

  // Two courts of computer players online through `conditions` until both have confirmed kSteps.
  Figures PlayOnline(const Impl::LinkConditions& conditions, const OfflineMatch& offline, int inputDelay = 0) {
    SoundLog log;
    RallyCourt::Random randoms[2];
    RallyCourt::theRandom = RallyCourt::Random{};
    RecordingCourt host;
    randoms[0] = RallyCourt::theRandom;
    RallyCourt::theRandom = RallyCourt::Random{};
    RecordingCourt joiner;
    randoms[1] = RallyCourt::theRandom;
    RecordingCourt* courts[2] = {&host, &joiner};
    host.GiveToComputer(ComputerSide::Left, Difficulty::Normal);
    joiner.GiveToComputer(ComputerSide::Right, Difficulty::Normal);

    KelpforgeTests::LinkedMatches pair(host, joiner, conditions, inputDelay);
    host.PlayOnline(pair.Release(0), "Waiting", Difficulty::Normal);
    joiner.PlayOnline(pair.Release(1), "Connecting", Difficulty::Normal);
    // The matches say goodbye into the link before it goes.
    struct EndMatches {
      RallyCourtScene& a;
      RallyCourtScene& b;
      ~EndMatches() {
        a.match.reset();
        b.match.reset();
      }
    } endMatches{host, joiner};
    Kelpforge::Game::kfImplementation::theMotionSmoothing.enabled = true;
    Kelpforge::Game::kfImplementation::theMotionSmoothing.stepFraction = 0.5f;

    int mismatches = 0;
    std::size_t steadyAllocations = 0;
    pair.runSide = [&](int side, int offered) {
      RallyCourtScene& court = *courts[side];
      RallyCourt::theRandom = randoms[side];
      log.court = &court;
      log.side = side;
      const auto shown = std::make_tuple(court.leftPaddle.score, court.rightPaddle.score, court.winner);
      const auto* notice = court.noticeText;
      {
        // A steady frame (no text rebuilt for a new score or notice) allocates nothing.
        KelpforgeTests::AllocationCounter allocations;
        court.RunFixedSteps(offered);
        court.Update(1.0f / 60.0f);
        if (pair.now > 105.0 && std::make_tuple(court.leftPaddle.score, court.rightPaddle.score, court.winner) == shown &&
            court.noticeText == notice) {
          steadyAllocations += allocations.Count();
        }
      }
      log.court = nullptr;
      randoms[side] = RallyCourt::theRandom;
      // Each side's own paddle never shows a correction: it stands where the offline match had
      // it after as many steps, and is drawn between the same two places.
      const int step = court.stepNumber;
      if (step == 0 || step >= static_cast<int>(offline.leftY.size())) return;
      const std::vector<float>& own = side == 0 ? offline.leftY : offline.rightY;
      const RallyCourt::Paddle& paddle = side == 0 ? court.leftPaddle : court.rightPaddle;
      const float drawn = std::lerp(own[step - 1], own[step], 0.5f);
      if (paddle.position.y != own[step] || paddle.DrawnPosition().y != drawn) {
        if (++mismatches < 5) ADD_FAILURE() << "side " << side << " step " << step << ": " << paddle.position.y << " offline " << own[step];
      }
    };
    while (std::min(pair.Host().ConfirmedUpTo(), pair.Joiner().ConfirmedUpTo()) < kSteps && pair.now < 400.0) {
      pair.Frame();
    }
    Kelpforge::Game::kfImplementation::theMotionSmoothing.enabled = false;

    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(steadyAllocations, 0u);
    for (Online::OnlineMatch* match : pair.view) {
      EXPECT_EQ(match->Status(), Online::MatchStatus::Playing);
      EXPECT_GE(match->ConfirmedUpTo(), kSteps);
      EXPECT_GE(match->Statistics().checksumsCompared, kSteps / Online::kChecksumInterval - 2);
    }
    // Both confirmed histories, state by state, are the same, and the offline match's.
    const std::size_t confirmed = static_cast<std::size_t>(std::min(pair.Host().ConfirmedUpTo(), pair.Joiner().ConfirmedUpTo()));
    EXPECT_GE(host.states.size(), confirmed);
    EXPECT_GE(joiner.states.size(), confirmed);
    if (host.states.size() < confirmed || joiner.states.size() < confirmed || offline.states.size() < confirmed) return {};
    const std::vector<std::uint32_t> hostHistory(host.states.begin(), host.states.begin() + confirmed);
    EXPECT_EQ(hostHistory, std::vector<std::uint32_t>(joiner.states.begin(), joiner.states.begin() + confirmed));
    EXPECT_EQ(hostHistory, std::vector<std::uint32_t>(offline.states.begin(), offline.states.begin() + confirmed));
    // The confirmed sounds of the offline match all played, on both sides, and none twice.
    for (int side = 0; side < 2; ++side) {
      const std::set<std::pair<int, std::string>> once(log.played[side].begin(), log.played[side].end());
      EXPECT_EQ(once.size(), log.played[side].size()) << "side " << side << " played a sound twice for a step";
      for (const auto& sound : offline.sounds) {
        if (sound.first < kSteps - 30) {
          EXPECT_TRUE(once.count(sound)) << side << ": " << sound.first << " " << sound.second;
        }
      }
    }
    const Online::NetworkStatistics& a = pair.Host().Statistics();
    const Online::NetworkStatistics& b = pair.Joiner().Statistics();
    return {std::max(a.worstRollbackDepth, b.worstRollbackDepth), std::max(a.longestStall, b.longestStall),
            a.stalledSteps + b.stalledSteps, a.checksumsCompared, a.sentBytesPerSecond};
  }
};

Impl::LinkConditions Conditions(double roundTrip, double jitter, double loss) {
  Impl::LinkConditions conditions;
  conditions.delay = roundTrip / 2.0;
  conditions.jitter = jitter / 2.0;
  conditions.dropRate = loss;
  conditions.duplicateRate = 0.01;
  conditions.reorderRate = 0.01;
  conditions.seed = 22;
  return conditions;
}

TEST_F(CourtOnlineTest, TenThousandStepsOfComputersAgreeEverywhereAndEachOwnPaddleMovesAsOffline) {
  const OfflineMatch offline = PlayOffline(kSteps + 200);
  // 100 ms round trip with 20 ms of jitter on it, then 300 ms with a fifth of the datagrams lost.
  for (const auto& [roundTrip, loss] : {std::pair{0.1, 0.05}, std::pair{0.3, 0.2}}) {
    SCOPED_TRACE(roundTrip);
    testing::internal::CaptureStdout();  // no texture without a window: the texts report it
    const Figures figures = PlayOnline(Conditions(roundTrip, 0.02, loss), offline);
    testing::internal::GetCapturedStdout();
    std::printf("%.0f ms round trip, %.0f %% loss: worst rollback %d steps, longest stall %.3f s (%d steps held), "
                "%d checksums compared, %.0f B/s sent\n",
                roundTrip * 1000, loss * 100, figures.worstRollback, figures.longestStall, figures.stalledSteps,
                figures.checksums, figures.sentPerSecond);
    EXPECT_LE(figures.worstRollback, Online::kMaximumPredictedSteps);
  }
}

TEST_F(CourtOnlineTest, TheSyncTestRunsAWholeMatchAndASavedStateLoadsBackTheSame) {
  KelpforgeTests::ReportCapture reports;
  testing::internal::CaptureStdout();  // no texture without a window: the texts report it
  RallyCourtScene court;
  court.GiveToComputer(ComputerSide::Both, Difficulty::Hard);
  court.StartSyncTest();
  int wins = 0;
  for (int frame = 0; frame < 40'000 && wins == 0; ++frame) {
    const int before = court.leftPaddle.score + court.rightPaddle.score;
    court.RunFixedSteps(3);
    wins += before > 0 && court.leftPaddle.score + court.rightPaddle.score == 0 ? 1 : 0;
  }
  EXPECT_EQ(wins, 1);
  EXPECT_EQ(court.syncTest->FirstMismatch(), -1);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(std::count_if(reports.messages.begin(), reports.messages.end(),
                          [](const std::string& message) { return message.find("sync test") != std::string::npos; }),
            0);

  // Saved mid-rally, run on, loaded back: the same bytes as saved.
  std::array<std::byte, Online::kMaximumStateSize> saved{}, again{};
  const std::size_t size = court.SaveState(saved);
  for (int step = 0; step < 300; ++step) court.Simulate();
  court.LoadState(std::span<const std::byte>(saved.data(), size));
  ASSERT_EQ(court.SaveState(again), size);
  EXPECT_EQ(saved, again);
}

}  // namespace
