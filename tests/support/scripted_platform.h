// A test fixture that installs the scripted window system and starts every test from the
// platform's start state; and a handler that records every notification it receives.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "kelpforge/application/implementation/scripted/kfi_scripted_window_system.h"
#include "kelpforge/application/kf_application.h"

namespace KelpforgeTests {

class ScriptedPlatformTest : public testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  Kelpforge::Application::kfImplementation::ScriptedWindowSystem platform;
};

class RecordingHandler : public Kelpforge::Application::ApplicationHandlerInterface {
public:
  void OnWindowOpen() override;
  void OnWindowClose() override { events.push_back("OnWindowClose"); }
  void OnBecomeActive() override { events.push_back("OnBecomeActive"); }
  void OnBecomeInactive() override { events.push_back("OnBecomeInactive"); }
  void OnRealtimeUpdate() override;
  void OnPlatformSignalA(std::int32_t, std::int32_t) override { events.push_back("OnPlatformSignalA"); }
  void OnPlatformSignalB(std::int32_t, std::int32_t) override { events.push_back("OnPlatformSignalB"); }
  void CollectWindowProperties(Kelpforge::Application::WindowProperties& properties) override;

  // Set by tests: the size to ask for, and what to do in each update (given its 1-based number).
  int requestedWidth = 0;
  int requestedHeight = 0;
  std::function<void(int)> onUpdate;

  // The scripted platform, to observe its state from inside the notifications.
  const Kelpforge::Application::kfImplementation::ScriptedWindowSystem* platform = nullptr;

  std::vector<std::string> events;
  int updateCount = 0;
  bool contextCurrentAtOpen = false;
  bool shownAtOpen = false;
  bool windowExistedAtCollect = true;
};

}  // namespace KelpforgeTests
