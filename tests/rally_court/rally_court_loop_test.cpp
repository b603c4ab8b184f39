// The court in the real game loop on the scripted platform with a fed clock: keyboard control,
// Escape, M for mute, a whole recorded match that must replay to the same numbers, and the same
// sounds at the same steps, on every run and every platform, games against the computer, and the
// ball's motion as drawn frame by frame, with and without motion smoothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <optional>
#include <tuple>
#include <string>
#include <string_view>
#include <vector>

#include "kelpforge/application/implementation/kf_window_system.h"
#include "kelpforge/audio/implementation/kf_sound_manager_internal.h"
#include "kelpforge/audio/kf_sound_manager.h"
#include "kelpforge/game/implementation/kf_game_application_internal.h"
#include "kelpforge/game/kf_game_application.h"
#include "rally_court/rally_court_scene.h"
#include "tests/rally_court/game_fixture.h"
#include "tests/support/fed_game_counter.h"
#include "tests/support/scripted_platform.h"

namespace {

namespace App = Kelpforge::Application;
namespace Game = Kelpforge::Game;
using Kelpforge::Application::kfImplementation::ScriptedWindowSystem;
using RallyCourt::RallyCourtScene;

constexpr std::uint32_t kVirtualKeyW = 0x57;
constexpr std::uint32_t kVirtualKeyS = 0x53;
constexpr std::uint32_t kVirtualKeyUp = 0x26;
constexpr std::uint32_t kVirtualKeyDown = 0x28;
constexpr std::uint32_t kVirtualKeyEscape = 0x1B;
constexpr std::uint32_t kVirtualKeyM = 0x4D;

// The court with its fixed steps counted, and every sound it plays logged as "<step> <name>".
class CountedCourt final : public RallyCourtScene, public Kelpforge::Audio::kfImplementation::SoundObserver {
public:
  CountedCourt() { Kelpforge::Audio::kfImplementation::SetSoundObserver(this); }
  ~CountedCourt() override { Kelpforge::Audio::kfImplementation::SetSoundObserver(nullptr); }
  void Simulate() override {
    ++steps;
    RallyCourtScene::Simulate();
  }
  void OnPlaySound(std::string_view name, float, float) override {
    sounds.push_back(std::to_string(steps) + " " + std::string(name));
  }

  int steps = 0;
  std::vector<std::string> sounds;
};

struct KeyEvent {
  int frame;  // the messages are handled in this frame's drain
  std::uint32_t virtualKey;
  bool down;
};

class CourtLoopTest : public KelpforgeTests::GameRulesTest {
protected:
  void SetUp() override {
    GameRulesTest::SetUp();
    App::kfImplementation::ResetApplicationState();
    App::kfImplementation::SetWindowSystem(&platform);
    Game::kfImplementation::SetGameCounter(&counter);
  }
  void TearDown() override {
    Game::kfImplementation::SetGameCounter(nullptr);
    Game::GameApplication::SetMotionSmoothing(false);
    App::kfImplementation::SetWindowSystem(nullptr);
    App::kfImplementation::ResetApplicationState();
    Game::kfImplementation::theGameApplicationHandler.gameApplication = nullptr;
    Game::theCurrentScene = nullptr;
  }

  // Runs the game with frames of `frameTime`, feeding `keys`; `afterFrame` sees the court after
  // each frame (1-based). The game ends when the key log presses Escape.
  void Play(const std::vector<KeyEvent>& keys,
            const std::function<void(int, RallyCourtScene&)>& afterFrame = nullptr) {
    Game::GameApplication application;
    CountedCourt court;
    if (prepareCourt) {
      prepareCourt(court);
    }
    std::size_t next = 0;
    auto queueFor = [&](int frame) {
      for (; next < keys.size() && keys[next].frame == frame; ++next) {
        if (keys[next].down) {
          platform.QueueKeyDown(keys[next].virtualKey);
        } else {
          platform.QueueKeyUp(keys[next].virtualKey);
        }
      }
    };
    queueFor(1);
    platform.onPresent = [&](int frame) {
      if (afterFrame) {
        afterFrame(frame, court);
      }
      counter.Advance(frameTime);
      queueFor(frame + 1);
    };
    counter.Advance(frameTime);
    application.RunGame(court);
    frames = platform.presentCount;
    finalLeftScore = court.leftPaddle.score;
    finalRightScore = court.rightPaddle.score;
    ballPosition = court.ball.position;
    ballVelocity = court.ball.velocity;
    leftY = court.leftPaddle.position.y;
    rightY = court.rightPaddle.position.y;
    sounds = court.sounds;
  }

  // One game from the start, each side the computer at a difficulty or an idle player, seen from
  // outside: the score it was won by, and the paddle hits (vx changing sign in play).
  struct GameResult {
    int left = 0;
    int right = 0;
    int hits = 0;
  };
  GameResult PlayOneGame(std::optional<RallyCourt::Difficulty> left, std::optional<RallyCourt::Difficulty> right,
                         const std::vector<KeyEvent>& keys = {}) {
    TearDown();
    SetUp();
    prepareCourt = [&](RallyCourtScene& court) {
      if (left) court.GiveToComputer(RallyCourt::ComputerSide::Left, *left);
      if (right) court.GiveToComputer(RallyCourt::ComputerSide::Right, *right);
    };
    GameResult result;
    float lastVx = 0.0f;
    bool over = false;
    Play(keys, [&](int frame, RallyCourtScene& court) {
      const float vx = court.ball.velocity.x;
      result.hits += court.ball.state == RallyCourt::InPlay && vx * lastVx < 0.0f ? 1 : 0;
      lastVx = vx;
      if (court.leftPaddle.score + court.rightPaddle.score > 0) {
        result.left = court.leftPaddle.score;
        result.right = court.rightPaddle.score;
      } else if (result.left + result.right > 0 && !over) {
        // Won: the scores are back at 0 and the next serve goes toward the loser.
        (vx > 0.0f ? result.left : result.right) += 1;
        over = true;
      }
      if (over || frame == 2'000'000) {
        platform.QueueKeyDown(kVirtualKeyEscape);
      }
    });
    return result;
  }

  ScriptedWindowSystem platform;
  KelpforgeTests::FedGameCounter counter;
  // Set before Play: the time each frame takes, and what to do to the court before it runs.
  double frameTime = 1.0 / 60.0;
  std::function<void(RallyCourtScene&)> prepareCourt;
  int frames = 0;
  int finalLeftScore = 0;
  int finalRightScore = 0;
  Kelpforge::Graphics::Vector2 ballPosition;
  Kelpforge::Graphics::Vector2 ballVelocity;
  float leftY = 0.0f;
  float rightY = 0.0f;
  std::vector<std::string> sounds;
};

TEST_F(CourtLoopTest, WAndSTogetherMoveUpAndReleasingStopsFromTheNextFrame) {
  std::vector<float> leftYs;
  Play({{1, kVirtualKeyW, true}, {1, kVirtualKeyS, true}, {10, kVirtualKeyW, false},
        {10, kVirtualKeyS, false}, {20, kVirtualKeyEscape, true}},
       [&](int, RallyCourtScene& court) { leftYs.push_back(court.leftPaddle.position.y); });
  ASSERT_EQ(leftYs.size(), 20u);
  EXPECT_EQ(leftYs[0], 360.0f);  // the first frame simulates before its update reads the keys
  EXPECT_LT(leftYs[1], 360.0f);
  for (int frame = 2; frame < 10; ++frame) {
    EXPECT_LT(leftYs[frame], leftYs[frame - 1]) << frame;
  }
  // Released in frame 10's drain: frame 10's steps still move, frame 11's do not.
  EXPECT_LT(leftYs[9], leftYs[8]);
  for (int frame = 10; frame < 20; ++frame) {
    EXPECT_EQ(leftYs[frame], leftYs[9]) << frame;
  }
  EXPECT_EQ(rightY, 360.0f);
}

TEST_F(CourtLoopTest, EscapeEndsTheLoopInTheFrameItGoesDown) {
  Play({{1, kVirtualKeyUp, true}, {5, kVirtualKeyEscape, true}, {9, kVirtualKeyEscape, false}});
  EXPECT_EQ(frames, 5);
  EXPECT_LT(rightY, 360.0f);
}

TEST_F(CourtLoopTest, MTogglesMuteInTheFrameItGoesDown) {
  std::vector<bool> muted;
  Play({{2, kVirtualKeyM, true}, {4, kVirtualKeyM, false}, {6, kVirtualKeyM, true}, {7, kVirtualKeyEscape, true}},
       [&](int, RallyCourtScene&) { muted.push_back(Kelpforge::Audio::IsMuted()); });
  EXPECT_EQ(muted, (std::vector<bool>{false, true, true, true, true, false, false}));
}

TEST_F(CourtLoopTest, EscapeFrameStillSetsThePaddleDirections) {
  Game::GameApplication application;
  RallyCourtScene court;
  platform.QueueKeyDown(kVirtualKeyEscape);
  platform.QueueKeyDown(kVirtualKeyS);
  platform.QueueKeyDown(kVirtualKeyUp);
  counter.Advance(1.0 / 60.0);
  application.RunGame(court);
  EXPECT_EQ(platform.presentCount, 1);
  EXPECT_EQ(court.leftPaddle.direction, RallyCourt::MoveDown);
  EXPECT_EQ(court.rightPaddle.direction, RallyCourt::MoveUp);
}

// A whole match: two players, a key log, 1/60 s frames. The numbers at the end are pinned: any
// change to the rules, the arithmetic or the random sequence shows here, on every platform.
std::vector<KeyEvent> MatchKeyLog() {
  std::vector<KeyEvent> keys;
  // The left player sweeps up and down in long strokes; the right player in short ones.
  for (int frame = 30; frame < 7000; frame += 150) {
    keys.push_back({frame, kVirtualKeyW, true});
    keys.push_back({frame + 40, kVirtualKeyW, false});
    keys.push_back({frame + 75, kVirtualKeyS, true});
    keys.push_back({frame + 110, kVirtualKeyS, false});
  }
  std::vector<KeyEvent> right;
  for (int frame = 50; frame < 7000; frame += 90) {
    right.push_back({frame, kVirtualKeyDown, true});
    right.push_back({frame + 20, kVirtualKeyDown, false});
    right.push_back({frame + 45, kVirtualKeyUp, true});
    right.push_back({frame + 70, kVirtualKeyUp, false});
  }
  keys.insert(keys.end(), right.begin(), right.end());
  std::stable_sort(keys.begin(), keys.end(), [](const KeyEvent& a, const KeyEvent& b) { return a.frame < b.frame; });
  keys.push_back({7200, kVirtualKeyEscape, true});
  return keys;
}

struct MatchSummary {
  int points = 0;
  int wins = 0;
  int paddleHits = 0;
};

TEST_F(CourtLoopTest, AWholeMatchReplaysToThePinnedResult) {
  MatchSummary summary;
  int lastLeft = 0;
  int lastRight = 0;
  float lastVx = 0.0f;
  Play(MatchKeyLog(), [&](int, RallyCourtScene& court) {
    const int left = court.leftPaddle.score;
    const int right = court.rightPaddle.score;
    if (left != lastLeft || right != lastRight) {
      ++summary.points;
      if (left == 0 && right == 0) {
        ++summary.wins;
      }
    }
    if (court.ball.state == RallyCourt::InPlay && lastVx != 0.0f &&
        (court.ball.velocity.x > 0.0f) != (lastVx > 0.0f)) {
      ++summary.paddleHits;
    }
    lastVx = court.ball.velocity.x;
    lastLeft = left;
    lastRight = right;
  });

  EXPECT_EQ(frames, 7200);
  EXPECT_EQ(summary.points, 35);
  EXPECT_EQ(summary.wins, 2);
  EXPECT_EQ(summary.paddleHits, 7);
  EXPECT_EQ(finalLeftScore, 1);
  EXPECT_EQ(finalRightScore, 2);
  EXPECT_EQ(ballPosition.x, 401.077484f);
  EXPECT_EQ(ballPosition.y, 588.239014f);
  EXPECT_EQ(ballVelocity.x, -391.676361f);
  EXPECT_EQ(ballVelocity.y, 245.419281f);
  EXPECT_EQ(leftY, 200.479874f);
  EXPECT_EQ(rightY, 52.0f);
  // Every sound of the match, by the fixed step that played it.
  std::string played;
  for (const std::string& sound : sounds) played += (played.empty() ? "" : ", ") + sound;
  EXPECT_EQ(played,
      "385 point, 599 wall_bounce, 673 point, 973 point, 1241 wall_bounce, 1261 point, 1465 wall_bounce, "
      "1503 point, 1722 point, 1992 point, 2190 wall_bounce, 2215 paddle_hit, 2386 wall_bounce, "
      "2467 point, 2691 point, 2905 point, 3189 point, 3382 wall_bounce, 3440 point, 3762 wall_bounce, "
      "3766 point, 3991 wall_bounce, 4068 point, 4317 paddle_hit, 4427 wall_bounce, 4631 point, "
      "4909 point, 5208 wall_bounce, 5259 win, 5592 wall_bounce, 5671 point, 5895 point, 6110 wall_bounce, "
      "6156 paddle_hit, 6340 wall_bounce, 6486 point, 6708 point, 6942 point, 7235 point, "
      "7446 wall_bounce, 7491 paddle_hit, 7668 wall_bounce, 7815 point, 8003 wall_bounce, "
      "8085 point, 8337 point, 8561 wall_bounce, 8573 paddle_hit, 8809 wall_bounce, 8848 point, "
      "9098 point, 9370 point, 9602 point, 9815 point, 10009 wall_bounce, 10083 win, 10462 point, "
      "10708 point, 10970 wall_bounce, 11042 paddle_hit, 11294 wall_bounce, 11535 point, 11771 wall_bounce, "
      "11787 paddle_hit");
}

TEST_F(CourtLoopTest, ASecondRunOfTheMatchEndsTheSame) {
  Play(MatchKeyLog());
  const auto first = std::make_tuple(finalLeftScore, finalRightScore, ballPosition.x, ballPosition.y,
                                     ballVelocity.x, ballVelocity.y, leftY, rightY);
  TearDown();
  SetUp();
  Play(MatchKeyLog());
  EXPECT_EQ(std::make_tuple(finalLeftScore, finalRightScore, ballPosition.x, ballPosition.y,
                            ballVelocity.x, ballVelocity.y, leftY, rightY),
            first);
}

using RallyCourt::Difficulty;

TEST_F(CourtLoopTest, ComputerAgainstComputerEndsWithAWinnerAndLongerRalliesWhenHarder) {
  float lastHitsPerPoint = 0.0f;
  for (const Difficulty difficulty : {Difficulty::Easy, Difficulty::Normal, Difficulty::Hard}) {
    const GameResult game = PlayOneGame(difficulty, difficulty);
    EXPECT_EQ(std::max(game.left, game.right), 10);
    EXPECT_LT(std::min(game.left, game.right), 10);
    const float hitsPerPoint = static_cast<float>(game.hits) / static_cast<float>(game.left + game.right);
    EXPECT_GT(hitsPerPoint, lastHitsPerPoint) << static_cast<int>(difficulty);
    lastHitsPerPoint = hitsPerPoint;
  }
}

TEST_F(CourtLoopTest, HardBeatsEasyAndAnIdlePlayerLosesToNormalTenToNothing) {
  EXPECT_EQ(PlayOneGame(Difficulty::Hard, Difficulty::Easy).left, 10);
  EXPECT_EQ(PlayOneGame(Difficulty::Easy, Difficulty::Hard).right, 10);
  const GameResult idle = PlayOneGame(std::nullopt, Difficulty::Normal);
  EXPECT_EQ(std::make_tuple(idle.left, idle.right), std::make_tuple(0, 10));
}

TEST_F(CourtLoopTest, AComputerGameIsTheSameAtAnyFrameRateWhateverItsPaddlesKeysDo) {
  const GameResult alone = PlayOneGame(Difficulty::Normal, Difficulty::Normal);
  frameTime = 1.0 / 144.0;
  const GameResult pressed = PlayOneGame(Difficulty::Normal, Difficulty::Normal,
                                         {{1, kVirtualKeyW, true}, {1, kVirtualKeyUp, true}, {900, kVirtualKeyS, true}});
  EXPECT_EQ(std::make_tuple(pressed.left, pressed.right, pressed.hits), std::make_tuple(alone.left, alone.right, alone.hits));
  EXPECT_GT(alone.hits, 0);
}

TEST_F(CourtLoopTest, SmoothingDrawsTheBallAnEvenStepEachFrameAndServesWithoutASweep) {
  struct BallFrame { Kelpforge::Graphics::Vector2 drawn, simulated; float vx; std::int32_t state; };
  auto play = [&](bool smoothing) {
    Game::GameApplication::SetMotionSmoothing(smoothing);
    std::vector<BallFrame> frames;
    Play({{900, kVirtualKeyEscape, true}}, [&](int, RallyCourtScene& court) {
      frames.push_back({court.ball.DrawnPosition(), court.ball.position, court.ball.velocity.x, court.ball.state});
    });
    return frames;
  };
  const std::vector<BallFrame> plain = play(false);
  TearDown();
  SetUp();
  const std::vector<BallFrame> smooth = play(true);
  ASSERT_EQ(smooth.size(), plain.size());

  int serves = 0, steady = 0, oneStep = 0, twoSteps = 0;
  for (std::size_t n = 3; n < smooth.size(); ++n) {
    EXPECT_EQ(smooth[n].simulated, plain[n].simulated) << "frame " << n;
    if (smooth[n].state == RallyCourt::Waiting) {
      EXPECT_EQ(smooth[n].drawn, (Kelpforge::Graphics::Vector2{640.0f, 360.0f})) << "frame " << n;
      serves += smooth[n - 1].state != RallyCourt::Waiting ? 1 : 0;
    }
    // Across frames whose steps all had one velocity: without smoothing a frame shows one or two
    // steps of 0.01 s (5 px, then 9, at 450 px/s); with it, the 1/60 s it stands for.
    bool same = true;
    for (std::size_t k = n - 3; k <= n; ++k) {
      same = same && plain[k].state == RallyCourt::InPlay && plain[k].vx == plain[n].vx;
    }
    if (!same) continue;
    ++steady;
    const float speed = std::fabs(plain[n].vx);
    const float stepped = std::fabs(plain[n].drawn.x - plain[n - 1].drawn.x);
    oneStep += std::fabs(stepped - speed * 0.01f) < 0.01f ? 1 : 0;
    twoSteps += std::fabs(stepped - speed * 0.02f) < 0.01f ? 1 : 0;
    EXPECT_NEAR(std::fabs(smooth[n].drawn.x - smooth[n - 1].drawn.x), speed / 60.0f, 0.25f) << "frame " << n;
  }
  EXPECT_GE(serves, 2);
  EXPECT_EQ(oneStep + twoSteps, steady);
  EXPECT_GT(oneStep, steady / 4);
  EXPECT_GT(twoSteps, steady / 4);
}

}  // namespace
