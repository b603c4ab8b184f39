// The scripted window system: an in-memory queue and a call log (see the header).
#include "kelpforge/application/implementation/scripted/kfi_scripted_window_system.h"

#include <algorithm>
#include <string>

#include "kelpforge/core/kf_error.h"

namespace Kelpforge::Application::kfImplementation {

ScriptedWindowSystem::ScriptedWindowSystem() {
  log.reserve(4096);
}

std::vector<std::string> ScriptedWindowSystem::LogText() const {
  return std::vector<std::string>(log.begin(), log.end());
}

WindowHandle ScriptedWindowSystem::RegisterAndCreateWindow(std::int32_t width, std::int32_t height) {
  log.push_back("RegisterAndCreateWindow");
  createWidth = width;
  createHeight = height;
  // Like the native window systems, a creation that makes no window says why.
  KF_REPORT_ERROR_IF(createdHandle == 0 && createMessageHandle == 0,
                     "kfError: The script makes window creation fail.");
  if (createdHandle == 0 && createMessageHandle == 0) {
    return 0;
  }
  // As on the native platforms, a new window does not inherit an earlier window's messages.
  queue_.clear();
  presentCount = 0;
  window_ = createdHandle;
  windowExists = true;
  clientWidth = width;
  clientHeight = height;
  caption = L"Kelpforge Project";
  fullscreen = false;
  if (sendCreateMessage) {
    WindowProcedure(createMessageHandle, kMessageCreate, 0, 0);
  }
  return createdHandle;
}

void ScriptedWindowSystem::FitClientArea(WindowHandle window, std::int32_t width, std::int32_t height) {
  log.push_back("FitClientArea");
  // As on Windows, a client larger than the screen is capped to it, and the size message comes
  // at once, while the client is fitted.
  clientWidth = std::min(width, screenWidth);
  clientHeight = std::min(height, screenHeight);
  if (clientWidth != width || clientHeight != height) {
    WindowProcedure(window, kMessageSize, 0, SizeParameter(clientWidth, clientHeight));
  }
}

void ScriptedWindowSystem::CreateRenderContext(WindowHandle) {
  log.push_back("CreateRenderContext");
  contextCurrent = true;
}

void ScriptedWindowSystem::DestroyRenderContext(WindowHandle) {
  log.push_back("DestroyRenderContext");
  contextCurrent = false;
}

void ScriptedWindowSystem::ShowAppWindow(WindowHandle) {
  log.push_back("ShowAppWindow");
}

void ScriptedWindowSystem::DestroyAppWindow(WindowHandle window) {
  log.push_back("DestroyAppWindow");
  if (!windowExists) {
    return;
  }
  WindowProcedure(window, kMessageDestroy, 0, 0);
  windowExists = false;
}

bool ScriptedWindowSystem::TakeNextMessage(Message& message) {
  if (queue_.empty()) {
    return false;
  }
  message = queue_.front();
  queue_.pop_front();
  return true;
}

void ScriptedWindowSystem::DispatchTakenMessage(const Message& message) {
  if (message.window != 0) {
    WindowProcedure(message.window, message.message, message.wParam, message.lParam);
  }
}

void ScriptedWindowSystem::PostQuit(int exitCode) {
  queue_.push_back(Message{0, kMessageQuit, static_cast<std::uintptr_t>(exitCode), 0});
}

std::intptr_t ScriptedWindowSystem::CallDefaultProcedure(const Message& message) {
  if (message.message == kMessageClose) {
    DestroyAppWindow(message.window);
  }
  return 0;
}

DeviceContext ScriptedWindowSystem::AcquireDeviceContext(WindowHandle window) {
  log.push_back("AcquireDeviceContext");
  return window;
}

void ScriptedWindowSystem::ReleaseDeviceContext(WindowHandle, DeviceContext) {
  log.push_back("ReleaseDeviceContext");
}

void ScriptedWindowSystem::PresentBackBuffer(DeviceContext) {
  clockNanoseconds += presentNanoseconds;
  ++presentCount;
  if (onPresent) {
    onPresent(presentCount);
  }
}

void ScriptedWindowSystem::SetCaption(WindowHandle, const std::wstring& newCaption) {
  log.push_back("SetCaption");
  caption = newCaption;
}

void ScriptedWindowSystem::SetFullscreen(WindowHandle, bool on) {
  log.push_back(on ? "SetFullscreen on" : "SetFullscreen off");
  if (on == fullscreen) {
    return;
  }
  fullscreen = on;
  // Like a window manager, the new client size comes back later as a message.
  if (on) {
    windowedWidth_ = clientWidth;
    windowedHeight_ = clientHeight;
    QueueSize(screenWidth, screenHeight);
  } else {
    QueueSize(windowedWidth_, windowedHeight_);
  }
}

void ScriptedWindowSystem::SleepUntil(std::int64_t nanoseconds) {
  ++sleepCount;
  if (nanoseconds > clockNanoseconds) {
    clockNanoseconds = nanoseconds;
  }
}

void ScriptedWindowSystem::QueueSize(std::int32_t width, std::int32_t height) {
  clientWidth = width;
  clientHeight = height;
  QueueMessage(kMessageSize, 0, SizeParameter(width, height));
}

void ScriptedWindowSystem::QueueMessage(std::uint32_t message, std::uintptr_t wParam,
                                        std::intptr_t lParam) {
  queue_.push_back(Message{window_, message, wParam, lParam});
}

void ScriptedWindowSystem::QueueKeyDown(std::uint32_t virtualKey, bool wasDown) {
  QueueMessage(kMessageKeyDown, virtualKey, wasDown ? kKeyWasDownBit : 0);
}

void ScriptedWindowSystem::QueueKeyUp(std::uint32_t virtualKey) {
  QueueMessage(kMessageKeyUp, virtualKey, kKeyWasDownBit);
}

void ScriptedWindowSystem::QueueClose() {
  QueueMessage(kMessageClose);
}

}  // namespace Kelpforge::Application::kfImplementation
