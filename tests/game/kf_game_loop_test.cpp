// The fixed-step game loop's arithmetic, driven with chosen steps and a fed clock, and the
// scene protocol (current scene, default scene, entity and graphic passes). OpenGL calls made
// here go to no context and do nothing; the pixel side is in the display tests.
#include "kelpforge/game/implementation/kf_game_application_internal.h"
#include "kelpforge/game/implementation/kf_game_scene_internal.h"
#include "kelpforge/game/kf_game_application.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/game/recording_scene.h"
#include "tests/support/fed_game_counter.h"
#include "tests/support/report_capture.h"
#include "tests/support/scripted_platform.h"

namespace {

namespace Game = Kelpforge::Game;
using namespace Kelpforge::Game::kfImplementation;
using KelpforgeTests::EventLog;
using KelpforgeTests::FedGameCounter;
using KelpforgeTests::RecordingEntity;
using KelpforgeTests::RecordingGraphic;
using KelpforgeTests::RecordingScene;
using KelpforgeTests::ReportCapture;
using KelpforgeTests::ScopedGameCounter;

class GameLoopTest : public testing::Test {
protected:
  void TearDown() override { Game::theCurrentScene = nullptr; }

  // Steps with the accumulator starting at `accumulator` and a frame of `step`; returns the
  // number of Simulate calls.
  int Frame(RecordingScene& scene, float step) {
    const int before = scene.simulateCount;
    UpdateAndRenderScene(scene, step);
    return scene.simulateCount - before;
  }

  EventLog log;
};

TEST(GameLoopConstants, AreTheSinglePrecisionValues) {
  EXPECT_EQ(Game::kFixedTimeStep, 0.01f);
  EXPECT_EQ(static_cast<double>(Game::kFixedTimeStep), 0.009999999776482582);
  EXPECT_EQ(static_cast<double>(Game::kMaximumFrameTime), 0.03333333507180214);
  EXPECT_EQ(Game::kMaximumSimulateSteps, 5);
}

TEST_F(GameLoopTest, AFullFrameTakesThreeStepsAndKeepsTheRest) {
  RecordingScene scene(log, "scene");
  EXPECT_EQ(Frame(scene, 0.033333335f), 3);
  const float expected = ((0.033333335f - 0.01f) - 0.01f) - 0.01f;
  EXPECT_EQ(scene.simulationAccumulator, expected);
  EXPECT_NEAR(scene.simulationAccumulator, 0.0033, 0.0001);
  EXPECT_EQ(scene.updateSteps, std::vector<float>({0.033333335f}));
}

TEST_F(GameLoopTest, AnAccumulatorOfExactlyOneStepTakesNoStep) {
  RecordingScene scene(log, "scene");
  EXPECT_EQ(Frame(scene, 0.01f), 0);
  EXPECT_EQ(scene.simulationAccumulator, 0.01f);
  // The next frame's time pushes it over.
  EXPECT_EQ(Frame(scene, 0.0f), 0);
  EXPECT_EQ(Frame(scene, 1e-6f), 1);
}

TEST_F(GameLoopTest, AtMostFiveStepsAFrameAndTheRestIsKept) {
  RecordingScene scene(log, "scene");
  scene.simulationAccumulator = 0.08f;
  EXPECT_EQ(Frame(scene, 0.0f), 5);
  float expected = 0.08f;
  for (int i = 0; i < 5; ++i) {
    expected = expected - 0.01f;
  }
  EXPECT_EQ(scene.simulationAccumulator, expected);
  EXPECT_NEAR(scene.simulationAccumulator, 0.03, 1e-6);
  // Never cut: the next empty frame spends it. Single-precision residue leaves a hair over 0.01
  // after two steps, so a third one is taken.
  EXPECT_EQ(Frame(scene, 0.0f), 3);
}

TEST_F(GameLoopTest, AZeroStepStillUpdatesAndRenders) {
  RecordingScene scene(log, "scene");
  EXPECT_EQ(Frame(scene, 0.0f), 0);
  EXPECT_EQ(log, EventLog({"scene.Update", "scene.Render"}));
  EXPECT_EQ(scene.updateSteps, std::vector<float>({0.0f}));
}

TEST_F(GameLoopTest, SimulatesBeforeUpdatingBeforeRendering) {
  RecordingScene scene(log, "scene");
  Frame(scene, 0.025f);
  EXPECT_EQ(log, EventLog({"scene.Simulate", "scene.Simulate", "scene.Update", "scene.Render"}));
}

TEST_F(GameLoopTest, TheRemainderStaysWithItsSceneAcrossSceneChanges) {
  RecordingScene first(log, "first");
  RecordingScene second(log, "second");
  Game::GameScene::ChangeToScene(first);
  Frame(first, 0.015f);
  const float kept = first.simulationAccumulator;
  EXPECT_EQ(kept, 0.015f - 0.01f);
  Game::GameScene::ChangeToScene(second);
  Frame(second, 0.033333335f);
  Game::GameScene::ChangeToScene(first);
  EXPECT_EQ(first.simulationAccumulator, kept);
  EXPECT_EQ(Frame(first, 0.006f), 1);
}

class HandlerLoopTest : public GameLoopTest {
protected:
  void SetUp() override {
    theGameApplicationHandler.gameApplication = reinterpret_cast<Game::GameApplication*>(&counter);
    theGameApplicationHandler.OnWindowOpen();
  }
  void TearDown() override {
    theGameApplicationHandler.gameApplication = nullptr;
    GameLoopTest::TearDown();
  }

  FedGameCounter counter;
  ScopedGameCounter installed{counter};
};

TEST_F(HandlerLoopTest, AHalfSecondFrameIsClampedToOneThirtiethAndOnlyThatIsAccumulated) {
  RecordingScene scene(log, "scene");
  Game::GameScene::ChangeToScene(scene);
  counter.Advance(0.5);
  theGameApplicationHandler.OnRealtimeUpdate();
  EXPECT_EQ(scene.updateSteps, std::vector<float>({0.033333335f}));
  EXPECT_EQ(scene.simulateCount, 3);
  EXPECT_EQ(scene.simulationAccumulator, ((0.033333335f - 0.01f) - 0.01f) - 0.01f);
  EXPECT_DOUBLE_EQ(theGameApplicationHandler.frameElapsed, 0.5);
}

TEST_F(HandlerLoopTest, FrameTimeIsTheClockDifferenceInSinglePrecision) {
  RecordingScene scene(log, "scene");
  Game::GameScene::ChangeToScene(scene);
  counter.Advance(1.0 / 60.0);
  theGameApplicationHandler.OnRealtimeUpdate();
  counter.Advance(0.0);  // two frames within one counter tick
  theGameApplicationHandler.OnRealtimeUpdate();
  ASSERT_EQ(scene.updateSteps.size(), 2u);
  EXPECT_EQ(scene.updateSteps[0], static_cast<float>(0.016666667));
  EXPECT_EQ(scene.updateSteps[1], 0.0f);
  EXPECT_EQ(scene.simulateCount, 1);
}

TEST_F(HandlerLoopTest, WithoutACurrentSceneTheDefaultSceneIsDrivenAndMadeOnce) {
  ASSERT_EQ(Game::theCurrentScene, nullptr);
  counter.Advance(0.02);
  theGameApplicationHandler.OnRealtimeUpdate();
  Kelpforge::Graphics::Sprite* sprite = theDefaultScene.prototypeSprite;
  ASSERT_NE(sprite, nullptr);
  EXPECT_EQ(sprite->position, (Kelpforge::Graphics::Vector2{640.0f, 360.0f}));
  EXPECT_EQ(sprite->GetFrame().width, 256.0f);
  EXPECT_EQ(sprite->GetFrame().uvMaxX, 1.0f);
  counter.Advance(0.02);
  theGameApplicationHandler.OnRealtimeUpdate();
  EXPECT_EQ(theDefaultScene.prototypeSprite, sprite);
}

TEST_F(HandlerLoopTest, DestroyingTheCurrentSceneHandsTheNextFrameToTheDefaultScene) {
  {
    RecordingScene scene(log, "scene");
    Game::GameScene::ChangeToScene(scene);
    counter.Advance(0.02);
    theGameApplicationHandler.OnRealtimeUpdate();
  }
  EXPECT_EQ(Game::theCurrentScene, nullptr);
  theDefaultScene.simulationAccumulator = 0.0f;
  counter.Advance(0.004);
  theGameApplicationHandler.OnRealtimeUpdate();
  EXPECT_EQ(theDefaultScene.simulationAccumulator, static_cast<float>(0.004));
  for (const std::string& event : log) {
    EXPECT_EQ(event.find("OnClose"), std::string::npos);
  }
}

TEST_F(HandlerLoopTest, ASceneChangeInsideAFrameTakesEffectFromTheNextFrame) {
  RecordingScene first(log, "first");
  RecordingScene second(log, "second");
  Game::GameScene::ChangeToScene(first);
  first.onSimulate = [&] {
    if (first.simulateCount == 1) {
      Game::GameScene::ChangeToScene(second);
    }
  };
  log.clear();
  counter.Advance(0.025);
  theGameApplicationHandler.OnRealtimeUpdate();
  EXPECT_EQ(log, EventLog({"first.Simulate", "first.OnClose (current)", "second.OnOpen (current)",
                           "first.Simulate", "first.Update", "first.Render"}));
  log.clear();
  counter.Advance(0.005);
  theGameApplicationHandler.OnRealtimeUpdate();
  EXPECT_EQ(log, EventLog({"second.Update", "second.Render"}));
}

TEST_F(GameLoopTest, ChangeToSceneClosesTheOldWhileCurrentThenOpensTheNewWhileCurrent) {
  RecordingScene a(log, "A");
  RecordingScene b(log, "B");
  Game::GameScene::ChangeToScene(a);
  Game::GameScene::ChangeToScene(b);
  Game::GameScene::ChangeToScene(b);
  EXPECT_EQ(log, EventLog({"A.OnOpen (current)", "A.OnClose (current)", "B.OnOpen (current)",
                           "B.OnClose (current)", "B.OnOpen (current)"}));
  EXPECT_EQ(Game::theCurrentScene, &b);
}

TEST_F(GameLoopTest, DestroyingASceneThatIsNotCurrentLeavesTheCurrentScene) {
  RecordingScene current(log, "current");
  Game::GameScene::ChangeToScene(current);
  { RecordingScene other(log, "other"); }
  EXPECT_EQ(Game::theCurrentScene, &current);
}

TEST_F(GameLoopTest, EntityFlagsSelectThePasses) {
  RecordingScene scene(log, "scene");
  RecordingEntity active(log, "active");
  RecordingEntity inactive(log, "inactive");
  RecordingEntity invisible(log, "invisible");
  RecordingEntity twice(log, "twice");
  inactive.isActive = false;
  invisible.isVisible = false;
  scene.AddEntity(&active);
  scene.AddEntity(&inactive);
  scene.AddEntity(&invisible);
  scene.AddEntity(&twice);
  scene.AddEntity(&twice);
  Frame(scene, 0.015f);
  EXPECT_EQ(log, EventLog({"scene.Simulate", "active.Simulate", "invisible.Simulate", "twice.Simulate",
                           "twice.Simulate", "scene.Update", "active.Update", "invisible.Update",
                           "twice.Update", "twice.Update", "scene.Render", "active.Render",
                           "inactive.Render", "twice.Render", "twice.Render"}));
}

TEST_F(GameLoopTest, GraphicsAreDrawnAfterEntitiesAndTheListFlagsStopOnlyThem) {
  RecordingScene scene(log, "scene");
  RecordingGraphic graphic(log, "graphic");
  RecordingEntity entity(log, "entity");
  scene.AddGraphic(&graphic);  // added first, drawn last
  scene.AddEntity(&entity);
  Frame(scene, 0.0f);
  EXPECT_EQ(log, EventLog({"scene.Update", "entity.Update", "graphic.Update", "scene.Render",
                           "entity.Render", "graphic.Render"}));

  log.clear();
  scene.graphics.isActive = false;
  Frame(scene, 0.0f);
  EXPECT_EQ(log, EventLog({"scene.Update", "entity.Update", "scene.Render", "entity.Render",
                           "graphic.Render"}));

  log.clear();
  scene.graphics.isActive = true;
  scene.graphics.isVisible = false;
  Frame(scene, 0.0f);
  EXPECT_EQ(log, EventLog({"scene.Update", "entity.Update", "graphic.Update", "scene.Render",
                           "entity.Render"}));

  log.clear();
  scene.RemoveGraphic(&graphic);
  scene.graphics.isVisible = true;
  Frame(scene, 0.0f);
  EXPECT_EQ(log, EventLog({"scene.Update", "entity.Update", "scene.Render", "entity.Render"}));
}

TEST_F(GameLoopTest, OnlyTheScenesEntityListReachesSimulate) {
  RecordingScene scene(log, "scene");
  RecordingEntity outer(log, "outer");
  RecordingEntity nested(log, "nested");
  RecordingEntity loose(log, "loose");
  outer.AddGraphic(&nested);
  scene.AddEntity(&outer);
  scene.AddGraphic(&loose);
  Frame(scene, 0.015f);
  EXPECT_EQ(log, EventLog({"scene.Simulate", "outer.Simulate", "scene.Update", "outer.Update",
                           "nested.Update", "loose.Update", "scene.Render", "outer.Render",
                           "nested.Render", "loose.Render"}));
}

TEST_F(GameLoopTest, DefaultSceneUpdateNeverUpdatesWhatWasAddedToIt) {
  RecordingEntity entity(log, "entity");
  RecordingGraphic graphic(log, "graphic");
  theDefaultScene.AddEntity(&entity);
  theDefaultScene.AddGraphic(&graphic);
  theDefaultScene.Update(0.01f);
  EXPECT_EQ(log, EventLog());
  theDefaultScene.entities.clear();
  theDefaultScene.RemoveGraphic(&graphic);
}

class GameApplicationTest : public KelpforgeTests::ScriptedPlatformTest {
protected:
  void TearDown() override {
    theGameApplicationHandler.gameApplication = nullptr;
    ScriptedPlatformTest::TearDown();
  }
  ReportCapture reports;
};

TEST_F(GameApplicationTest, ASecondApplicationIsReportedAndStillReplacesTheFirst) {
  testing::internal::CaptureStdout();
  Game::GameApplication first;
  EXPECT_EQ(Game::theGameApplication, &first);
  EXPECT_TRUE(reports.messages.empty());
  {
    Game::GameApplication second;
    EXPECT_EQ(Game::theGameApplication, &second);
    EXPECT_EQ(theGameApplicationHandler.gameApplication, &second);
  }
  const std::string printed = testing::internal::GetCapturedStdout();
  ASSERT_FALSE(reports.messages.empty());
  EXPECT_EQ(reports.messages[0], "kfInternalError: GameApplication has already been set.");
  EXPECT_NE(printed.find("FILE kelpforge/game/kf_game_application.cpp["), std::string::npos);
  EXPECT_EQ(Game::theGameApplication, nullptr);  // the second one cleared it when destroyed
}

TEST_F(GameApplicationTest, OpeningWithoutAnApplicationReportsAndStillResetsTheClock) {
  FedGameCounter counter;
  counter.count = 777;
  ScopedGameCounter installed(counter);
  theGameTimer = GameTimer{};
  testing::internal::CaptureStdout();
  theGameApplicationHandler.OnWindowOpen();
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(reports.messages, std::vector<std::string>({"kfInternalError: Game Application has not been set."}));
  EXPECT_EQ(theGameTimer.counterFrequency, counter.frequency);
  EXPECT_EQ(theGameTimer.startCount, 777);
  EXPECT_EQ(theGameTimer.elapsedTime, 0.0);
  EXPECT_EQ(theGameApplicationHandler.frameElapsed, 0.0);
}

TEST_F(GameApplicationTest, RunGameOpensTheSceneAndCloseGameEndsTheLoop) {
  EventLog log;
  RecordingScene scene(log, "scene");
  FedGameCounter counter;
  ScopedGameCounter installed(counter);
  Game::GameApplication application;
  EXPECT_TRUE(application.IsOpen());
  int presents = 0;
  platform.onPresent = [&](int count) {
    presents = count;
    counter.Advance(0.01);
  };
  scene.onSimulate = [&] {
    if (scene.simulateCount == 3) {
      Game::GameApplication::CloseGame();
    }
  };
  application.RunGame(scene);
  EXPECT_EQ(Game::theCurrentScene, &scene);
  EXPECT_EQ(log.front(), "scene.OnOpen (current)");
  EXPECT_EQ(scene.simulateCount, 3);
  EXPECT_EQ(log.back(), "scene.Render");  // the closing frame finishes
  EXPECT_EQ(presents, static_cast<int>(scene.updateSteps.size()));
  EXPECT_TRUE(reports.messages.empty());
}

TEST_F(GameApplicationTest, AMinimizedWindowGoesOnUpdatingButDrawsNothing) {
  EventLog log;
  RecordingScene scene(log, "scene");
  FedGameCounter counter;
  ScopedGameCounter installed(counter);
  Game::GameApplication application;
  scene.onUpdate = [&](int update) {
    counter.Advance(0.011);
    if (update == 1 || update == 3) {
      platform.QueueSize(update == 1 ? 0 : 640, update == 1 ? 0 : 360);  // minimized, then restored
    } else if (update == 5) {
      Game::GameApplication::CloseGame();
    }
  };
  application.RunGame(scene);
  EXPECT_EQ(std::count(log.begin(), log.end(), "scene.Render"), 3);  // updates 2 and 3 draw nothing
  EXPECT_EQ(scene.updateSteps.size(), 5u);
  EXPECT_EQ(scene.simulateCount, 4);  // the game went on while nothing was drawn
}

TEST_F(GameApplicationTest, ZeroCounterFrequencyStandsTheClockStill) {
  FedGameCounter counter(0);
  ScopedGameCounter installed(counter);
  ResetGameTimer();
  counter.count += 1000;
  UpdateGameTimer();
  EXPECT_EQ(theGameTimer.elapsedTime, 0.0);
}

}  // namespace
