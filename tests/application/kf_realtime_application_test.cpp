// The open/run/close protocol and the window procedure, driven pass by pass on the scripted
// window system.
#include "kelpforge/application/kf_application.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "kelpforge/application/implementation/kf_window_system.h"
#include "kelpforge/application/kf_input.h"
#include "kelpforge/graphics/kf_texture_manager.h"
#include "tests/support/allocation_counter.h"
#include "tests/support/report_capture.h"
#include "tests/support/scripted_platform.h"

namespace {

namespace App = Kelpforge::Application;
using namespace Kelpforge::Application::kfImplementation;
using KelpforgeTests::RecordingHandler;
using KelpforgeTests::ReportCapture;
using Messages = std::vector<std::string>;

class RunLoopTest : public KelpforgeTests::ScriptedPlatformTest {
protected:
  void SetUp() override {
    ScriptedPlatformTest::SetUp();
    handler.platform = &platform;
    testing::internal::CaptureStdout();
  }
  void TearDown() override {
    printed = testing::internal::GetCapturedStdout();
    if (HasFailure()) {
      std::fputs(printed.c_str(), stdout);  // the failures were printed into the capture
    }
    ScriptedPlatformTest::TearDown();
  }

  RecordingHandler handler;
  ReportCapture reports;
  std::string printed;
};

TEST_F(RunLoopTest, OpenAsksForPropertiesThenCreatesSizesAndNotifiesBeforeShowing) {
  App::Open(handler);

  EXPECT_EQ(handler.events, Messages({"CollectWindowProperties 1280x720", "OnWindowOpen"}));
  EXPECT_FALSE(handler.windowExistedAtCollect);
  EXPECT_TRUE(handler.contextCurrentAtOpen);
  EXPECT_FALSE(handler.shownAtOpen);
  EXPECT_EQ(platform.LogText(), Messages({"RegisterAndCreateWindow", "FitClientArea",
                                    "CreateRenderContext", "ShowAppWindow"}));
  EXPECT_EQ(platform.createWidth, 1280);
  EXPECT_EQ(platform.createHeight, 720);
  EXPECT_EQ(platform.clientWidth, 1280);
  EXPECT_EQ(platform.clientHeight, 720);
  EXPECT_TRUE(App::HasWindow());
  EXPECT_TRUE(reports.messages.empty());
}

TEST_F(RunLoopTest, HandlerMayAskForAnotherClientSize) {
  handler.requestedWidth = 640;
  handler.requestedHeight = 480;
  App::Open(handler);
  EXPECT_EQ(platform.createWidth, 640);
  EXPECT_EQ(platform.createHeight, 480);
  EXPECT_EQ(platform.clientWidth, 640);
  EXPECT_EQ(platform.clientHeight, 480);
}

TEST_F(RunLoopTest, SecondOpenReportsSingleApplicationAndRecordedHandler) {
  App::Open(handler);
  RecordingHandler second;
  App::Open(second);
  EXPECT_EQ(reports.messages,
            Messages({"kfExternalError: Kelpforge currently supports only a single application at a time.",
                      "kfInternalError: Expected application handler to by null at this moment.",
                      "kfInternalError: Expected window handle to be unused at this moment."}));
}

TEST_F(RunLoopTest, SecondOpenInsideRunAlsoReportsRunning) {
  App::Open(handler);
  handler.onUpdate = [&](int) {
    App::Open(handler);
    App::Close(handler);
  };
  App::Run(handler);
  ASSERT_GE(reports.messages.size(), 3u);
  EXPECT_EQ(reports.messages[0],
            "kfExternalError: Kelpforge currently supports only a single application at a time.");
  EXPECT_EQ(reports.messages[1],
            "kfInternalError: Expected application handler to by null at this moment.");
  EXPECT_EQ(reports.messages[2],
            "kfInternalError: Expected application not to be running at this moment.");
}

TEST_F(RunLoopTest, RunAndCloseWithAnotherHandlerReportButNotifyTheRecordedOne) {
  App::Open(handler);
  RecordingHandler stranger;
  handler.onUpdate = [&](int) { App::Close(stranger); };
  App::Run(stranger);

  EXPECT_EQ(reports.messages,
            Messages({"kfInternalError: applicationHandler changed from Open() to Run().",
                      "kfInternalError: applicationHandler changed from Open() to Close()."}));
  EXPECT_TRUE(stranger.events.empty());
  EXPECT_EQ(handler.updateCount, 1);
  EXPECT_EQ(handler.events.back(), "OnWindowClose");
  const std::string out = testing::internal::GetCapturedStdout();
  testing::internal::CaptureStdout();
  EXPECT_NE(out.find("FILE kelpforge/application/kf_realtime_application.cpp["), std::string::npos);
}

TEST_F(RunLoopTest, WindowProcedureWithoutHandlerReportsAndGoesOn) {
  WindowProcedure(1, kMessageActivate, 1, 0);
  WindowProcedure(1, kMessageDestroy, 0, 0);
  EXPECT_EQ(reports.messages,
            Messages(2, "kfInternalError: Expected to have a valid ApplicationHandler at this moment."));
}

TEST_F(RunLoopTest, WindowHandleChecksAfterCreation) {
  platform.createMessageHandle = 0x777;  // the create message names another window
  App::Open(handler);
  EXPECT_EQ(reports.messages, Messages({"kfInternalError, Expected window handle to match."}));

  ResetApplicationState();  // a window was made, but no create message recorded it
  platform.createMessageHandle = 0x5C1;
  platform.sendCreateMessage = false;
  App::Open(handler);
  EXPECT_EQ(reports.messages, Messages({"kfInternalError, Expected window handle to match.",
                                        "kfInternalError, Expected window handle to be valid.",
                                        "kfInternalError, Expected window handle to match."}));
}

TEST_F(RunLoopTest, TexturesMadeBeforeTheWindowsContextAreReportedOnceEach) {
  Kelpforge::Graphics::CreateBuiltInTexture();
  Kelpforge::Graphics::CreateBuiltInTexture();
  App::Open(handler);
  Kelpforge::Graphics::CreateBuiltInTexture();
  EXPECT_EQ(reports.messages,
            Messages(2, "kfError: Cannot create a texture before the window's OpenGL context exists."));
}

TEST_F(RunLoopTest, FailedCreationIsReportedOnceByTheWindowSystemAndRunReturnsAtOnce) {
  platform.createdHandle = 0;
  platform.createMessageHandle = 0;
  App::Open(handler);
  EXPECT_FALSE(App::HasWindow());
  EXPECT_EQ(reports.messages, Messages({"kfError: The script makes window creation fail."}));
  App::Run(handler);
  EXPECT_EQ(handler.updateCount, 0);
  EXPECT_EQ(platform.presentCount, 0);
}

TEST_F(RunLoopTest, CloseInsideAnUpdateEndsRunAfterThatPass) {
  App::Open(handler);
  handler.onUpdate = [&](int update) {
    if (update == 3) {
      App::Close(handler);
      handler.events.push_back("Close returned");
    }
  };
  App::Run(handler);

  EXPECT_EQ(handler.updateCount, 3);
  EXPECT_EQ(handler.events,
            Messages({"CollectWindowProperties 1280x720", "OnWindowOpen", "OnRealtimeUpdate",
                      "OnRealtimeUpdate", "OnRealtimeUpdate", "OnWindowClose", "Close returned"}));
  EXPECT_EQ(platform.presentCount, 3);  // the closing pass still presents
  EXPECT_EQ(platform.LogText(), Messages({"RegisterAndCreateWindow", "FitClientArea",
                                    "CreateRenderContext", "ShowAppWindow", "AcquireDeviceContext",
                                    "DestroyRenderContext", "DestroyAppWindow", "ReleaseDeviceContext"}));
  // The quit message that the destruction posted stays unread.
  Message left;
  EXPECT_TRUE(platform.TakeNextMessage(left));
  EXPECT_EQ(left.message, kMessageQuit);
  EXPECT_TRUE(reports.messages.empty());
}

TEST_F(RunLoopTest, UserCloseNotifiesOnceAndEndsRunWithoutAnotherUpdate) {
  App::Open(handler);
  handler.onUpdate = [&](int update) {
    if (update == 2) {
      platform.QueueClose();
    }
  };
  App::Run(handler);

  EXPECT_EQ(handler.updateCount, 2);
  EXPECT_EQ(std::count(handler.events.begin(), handler.events.end(), "OnWindowClose"), 1);
  EXPECT_EQ(handler.events.back(), "OnWindowClose");
  // The context is not deleted on this path; the open mark stays until the process ends.
  const Messages log = platform.LogText();
  EXPECT_EQ(std::count(log.begin(), log.end(), "DestroyRenderContext"), 0);
  EXPECT_EQ(platform.presentCount, 2);
}

TEST_F(RunLoopTest, DrainGoesOnAfterTheQuitMessage) {
  App::Open(handler);
  platform.PostQuit(0);
  platform.QueueMessage(kMessageActivate, 1);
  App::Run(handler);
  EXPECT_EQ(handler.updateCount, 0);
  EXPECT_EQ(handler.events.back(), "OnBecomeActive");
}

TEST_F(RunLoopTest, ActivationCountsAnyNonZeroParameterAsActive) {
  App::Open(handler);
  platform.QueueMessage(kMessageActivate, 2);  // activated by a click
  platform.QueueMessage(kMessageActivate, 0);
  platform.QueueMessage(kMessageActivate, 1);
  handler.onUpdate = [&](int) { App::Close(handler); };
  App::Run(handler);
  EXPECT_EQ(handler.events,
            Messages({"CollectWindowProperties 1280x720", "OnWindowOpen", "OnBecomeActive",
                      "OnBecomeInactive", "OnBecomeActive", "OnRealtimeUpdate", "OnWindowClose"}));
}

TEST_F(RunLoopTest, RepaintPresentsOnceAndNeverCallsTheHandler) {
  App::Open(handler);
  platform.QueueMessage(kMessagePaint);
  handler.onUpdate = [&](int) {
    EXPECT_EQ(platform.presentCount, 1);  // the repaint's present, before this pass's own
    App::Close(handler);
  };
  App::Run(handler);
  EXPECT_EQ(platform.presentCount, 2);
  EXPECT_EQ(handler.events,
            Messages({"CollectWindowProperties 1280x720", "OnWindowOpen", "OnRealtimeUpdate",
                      "OnWindowClose"}));
}

class DestructionCountingHandler final : public RecordingHandler {
public:
  explicit DestructionCountingHandler(int& destroyed) : destroyed_(destroyed) {}
  ~DestructionCountingHandler() override { ++destroyed_; }

private:
  int& destroyed_;
};

TEST_F(RunLoopTest, SignalsAndTheDestructorAreNeverCalledByThePlatform) {
  int destroyed = 0;
  {
    DestructionCountingHandler counting(destroyed);
    App::Open(counting);
    platform.QueueMessage(kMessageActivate, 1);
    platform.QueueMessage(0x0400, 1, 2);  // an application-defined message: routed nowhere
    counting.onUpdate = [&](int update) {
      if (update == 5) {
        App::Close(counting);
      }
    };
    App::Run(counting);
    EXPECT_EQ(destroyed, 0);
    for (const std::string& event : counting.events) {
      EXPECT_EQ(event.find("OnPlatformSignal"), std::string::npos) << event;
    }
  }
  EXPECT_EQ(destroyed, 1);
}

// Counts notifications without recording them, so the handler itself allocates nothing.
class QuietHandler final : public App::ApplicationHandlerInterface {
public:
  void OnBecomeActive() override { ++activations; }
  void OnRealtimeUpdate() override { onUpdate(++updates); }
  std::function<void(int)> onUpdate;
  int updates = 0;
  int activations = 0;
};

TEST_F(RunLoopTest, OnePassAllocatesNothing) {
  QuietHandler quiet;
  App::Open(quiet);
  std::size_t allocations = 99;
  std::optional<KelpforgeTests::AllocationCounter> counter;
  quiet.onUpdate = [&](int update) {
    if (update == 2) {
      platform.QueueKeyDown(0x57);
      platform.QueueMessage(kMessageLeftButtonDown);
      platform.QueueKeyDown(0x57, true);
      platform.QueueKeyUp(0x57);
      platform.QueueMessage(kMessageActivate, 1);
      platform.QueueMessage(kMessagePaint);
      counter.emplace();
    } else if (update == 3) {
      allocations = counter->Count();
      App::Close(quiet);
    }
  };
  App::Run(quiet);
  EXPECT_EQ(quiet.activations, 1);
  EXPECT_EQ(allocations, 0u);
}

TEST_F(RunLoopTest, TitleIsWidenedAndHandedToTheWindowSystem) {
  App::Open(handler);
  EXPECT_EQ(platform.caption, L"Kelpforge Project");
  App::SetWindowTitle("Rally Court");
  EXPECT_EQ(platform.caption, L"Rally Court");
  App::SetWindowTitle("");
  EXPECT_EQ(platform.caption, L"");
}

TEST_F(RunLoopTest, SizeMessagesScaleTheAskedSpaceIntoExactIntegerViewports) {
  App::Open(handler);
  EXPECT_EQ(CurrentDrawingSpace().viewport, (ViewportRectangle{0, 0, 1280, 720}));
  // Where the asked 1280 x 720 lands in each client: the limiting side fills it, the other
  // rounds to the nearest pixel (halves up), the odd pixel of the bars goes right or down.
  const struct {
    std::int32_t width, height;
    ViewportRectangle expected;
  } cases[] = {
      {1920, 1080, {0, 0, 1920, 1080}},   // the same shape
      {1800, 1000, {11, 0, 1778, 1000}},  // wider: 1777.8 wide, bars left and right
      {1000, 1000, {0, 218, 1000, 563}},  // taller: 562.5 rounds up, the odd pixel below
      {643, 359, {2, 0, 638, 359}},       // odd: 638.2 wide, 5 pixels of bars split 2 and 3
      {1, 1, {0, 0, 1, 1}},
      {0, 0, {0, 0, 0, 0}},               // minimized: nothing to draw on
  };
  for (const auto& client : cases) {
    WindowProcedure(RecordedWindowHandle(), kMessageSize, 0, SizeParameter(client.width, client.height));
    EXPECT_EQ(CurrentDrawingSpace().viewport, client.expected) << client.width << "x" << client.height;
  }
  // Another asked shape, an asked size of nothing, and the largest size a message can carry.
  EXPECT_EQ(FitViewport(640, 480, 1280, 720), (ViewportRectangle{160, 0, 960, 720}));
  EXPECT_EQ(FitViewport(0, 0, 1280, 720), ViewportRectangle{});
  EXPECT_EQ(FitViewport(1280, 720, 65535, 65535), (ViewportRectangle{0, 14336, 65535, 36863}));
}

TEST_F(RunLoopTest, AClientCappedByASmallScreenWhileItIsFittedKeepsItsSize) {
  platform.screenWidth = 1024;
  platform.screenHeight = 600;
  App::Open(handler);
  EXPECT_EQ(CurrentDrawingSpace().clientWidth, 1024);
  EXPECT_EQ(CurrentDrawingSpace().viewport, (ViewportRectangle{0, 12, 1024, 576}));
}

TEST_F(RunLoopTest, F11AndAltEnterToggleFullscreenAndLeaveTheKeysAlone) {
  constexpr std::uintptr_t kF11 = 0x7A;
  constexpr std::uintptr_t kReturn = 0x0D;
  App::Open(handler);
  std::string seen;  // the viewport's width, Fullscreen or Windowed, and Enter when down
  handler.onUpdate = [&](int pass) {
    seen += std::to_string(CurrentDrawingSpace().viewport.width) + (App::IsFullscreen() ? "F" : "W") +
            (App::IsKeyDown(App::KeyEnter) ? "+enter " : " ");
    switch (pass) {
      case 1: platform.QueueKeyDown(kF11); break;
      case 2: platform.QueueKeyDown(kF11, true); break;  // a held key's repeat
      case 3: platform.QueueKeyDown(kF11); break;
      case 4: platform.QueueMessage(kMessageSystemKeyDown, kReturn, kKeyAltDownBit); break;
      case 5: platform.QueueMessage(kMessageSystemKeyDown, kReturn, kKeyAltDownBit | kKeyWasDownBit); break;
      case 6: platform.QueueMessage(kMessageSystemKeyDown, kReturn, kKeyAltDownBit); break;
      case 7:
        platform.QueueKeyDown(kReturn);  // Enter alone is a game key
        App::SetFullscreen(false);       // already windowed: nothing to do
        break;
      default: App::Close(handler); break;
    }
  };
  App::Run(handler);
  // The window system's size message follows each switch within the same drain here.
  EXPECT_EQ(seen, "1280W 1920F 1920F 1280W 1920F 1920F 1280W 1280W+enter ");
  const Messages log = platform.LogText();
  EXPECT_EQ(std::count(log.begin(), log.end(), "SetFullscreen on"), 2);
  EXPECT_EQ(std::count(log.begin(), log.end(), "SetFullscreen off"), 2);
}

TEST_F(RunLoopTest, PassesSleepToTheNextRefreshOnlyWhereTheSwapDoesNotWait) {
  constexpr std::int64_t kPeriod = 16'666'667;  // 60 Hz: the window system knows no rate
  platform.presentNanoseconds = kPeriod;        // a swap that waits for the display
  App::Open(handler);
  std::vector<std::int64_t> presentedAt;
  std::vector<int> sleepsBefore;
  presentedAt.reserve(300);
  platform.onPresent = [&](int) { presentedAt.push_back(platform.clockNanoseconds); };
  handler.onUpdate = [&](int pass) {
    sleepsBefore.push_back(platform.sleepCount);
    switch (pass) {
      case 61: platform.presentNanoseconds = 1'000'000; break;  // vertical sync goes off
      case 151: platform.presentNanoseconds = kPeriod; break;    // and on again
      case 241: platform.QueueSize(0, 0); break;                 // minimized from the next pass
      case 271: App::Close(handler); break;
    }
  };
  App::Run(handler);
  ASSERT_EQ(sleepsBefore.size(), 271u);
  EXPECT_EQ(sleepsBefore[60], 0);
  EXPECT_GT(sleepsBefore[120], 0);  // noticed within two rounds of timed passes
  for (std::size_t pass = 121; pass < 150; ++pass) {
    EXPECT_GE(presentedAt[pass] - presentedAt[pass - 1], kPeriod) << pass;
  }
  EXPECT_EQ(sleepsBefore[239], sleepsBefore[210]);  // the swap waits again: no more sleeps
  // Minimized: nothing presented, one sleep a pass, a refresh period apart at least.
  EXPECT_EQ(presentedAt.size(), 241u);
  EXPECT_EQ(sleepsBefore[270] - sleepsBefore[241], 29);
  EXPECT_GE(platform.clockNanoseconds - presentedAt.back(), 29 * kPeriod);
}

TEST(ToWideString, MapsAsciiToItselfAndKeepsTheLength) {
  std::string ascii;
  for (int byte = 1; byte < 0x80; ++byte) {
    ascii += static_cast<char>(byte);
  }
  const std::wstring wide = App::ToWideString(ascii);
  ASSERT_EQ(wide.size(), ascii.size());
  for (std::size_t i = 0; i < ascii.size(); ++i) {
    EXPECT_EQ(static_cast<int>(wide[i]), static_cast<int>(ascii[i]));
  }
  EXPECT_EQ(App::ToWideString(std::string("a\0b", 3)).size(), 3u);
  EXPECT_EQ(App::ToWideString(""), L"");
}

}  // namespace
