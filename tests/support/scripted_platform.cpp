#include "tests/support/scripted_platform.h"

#include <algorithm>

namespace KelpforgeTests {

using Kelpforge::Application::kfImplementation::ResetApplicationState;
using Kelpforge::Application::kfImplementation::SetWindowSystem;

void ScriptedPlatformTest::SetUp() {
  ResetApplicationState();
  SetWindowSystem(&platform);
}

void ScriptedPlatformTest::TearDown() {
  SetWindowSystem(nullptr);
  ResetApplicationState();
}

void RecordingHandler::OnWindowOpen() {
  events.push_back("OnWindowOpen");
  if (platform != nullptr) {
    contextCurrentAtOpen = platform->contextCurrent;
    const std::vector<std::string> log = platform->LogText();
    shownAtOpen = std::find(log.begin(), log.end(), "ShowAppWindow") != log.end();
  }
}

void RecordingHandler::OnRealtimeUpdate() {
  ++updateCount;
  events.push_back("OnRealtimeUpdate");
  if (onUpdate) {
    onUpdate(updateCount);
  }
}

void RecordingHandler::CollectWindowProperties(Kelpforge::Application::WindowProperties& properties) {
  events.push_back("CollectWindowProperties " + std::to_string(properties.windowWidth) + "x" +
                   std::to_string(properties.windowHeight));
  if (platform != nullptr) {
    windowExistedAtCollect = platform->windowExists;
  }
  if (requestedWidth != 0) {
    properties.windowWidth = requestedWidth;
    properties.windowHeight = requestedHeight;
  }
}

}  // namespace KelpforgeTests
