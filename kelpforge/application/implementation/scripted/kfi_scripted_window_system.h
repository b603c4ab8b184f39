// The scripted window system: no window and no server, an in-memory message queue that tests
// fill with exact messages, and a log of every window-system call in order. It implements the
// whole WindowSystem seam so the run loop and the open/run/close protocol can be driven pass by
// pass. It hosts no OpenGL context; tests that need pixels use the native platform.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "kelpforge/application/implementation/kf_window_system.h"

namespace Kelpforge::Application::kfImplementation {

class ScriptedWindowSystem final : public WindowSystem {
public:
  ScriptedWindowSystem();

  // --- the seam ---
  WindowHandle RegisterAndCreateWindow(std::int32_t width, std::int32_t height) override;
  void FitClientArea(WindowHandle window, std::int32_t width, std::int32_t height) override;
  void CreateRenderContext(WindowHandle window) override;
  void DestroyRenderContext(WindowHandle window) override;
  void ShowAppWindow(WindowHandle window) override;
  void DestroyAppWindow(WindowHandle window) override;
  bool TakeNextMessage(Message& message) override;
  void DispatchTakenMessage(const Message& message) override;
  void PostQuit(int exitCode) override;
  std::intptr_t CallDefaultProcedure(const Message& message) override;
  DeviceContext AcquireDeviceContext(WindowHandle window) override;
  void ReleaseDeviceContext(WindowHandle window, DeviceContext deviceContext) override;
  void PresentBackBuffer(DeviceContext deviceContext) override;
  void SetCaption(WindowHandle window, const std::wstring& caption) override;
  void SetFullscreen(WindowHandle window, bool fullscreen) override;
  std::int64_t ClockNanoseconds() override { return clockNanoseconds; }
  void SleepUntil(std::int64_t nanoseconds) override;
  double RefreshRate(WindowHandle) override { return refreshRate; }

  // --- the script ---
  // Appends a message for the window to the queue, as the window system would.
  void QueueMessage(std::uint32_t message, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
  void QueueKeyDown(std::uint32_t virtualKey, bool wasDown = false);
  void QueueKeyUp(std::uint32_t virtualKey);
  // The user's close command (the close button): its default handling destroys the window.
  void QueueClose();
  // The user (or the window manager) gave the client area a new size.
  void QueueSize(std::int32_t width, std::int32_t height);

  // Creation outcomes: the handle creation returns and the one the create message carries
  // (both 0 simulate a failed creation, which is reported as the native systems report it).
  WindowHandle createdHandle = 0x5C1;
  WindowHandle createMessageHandle = 0x5C1;
  bool sendCreateMessage = true;

  // Called at every present, with the number of presents so far; lets a test act between passes.
  std::function<void(int)> onPresent;

  // The window-system calls, in order, by name ("RegisterAndCreateWindow", "FitClientArea",
  // "CreateRenderContext", "ShowAppWindow", "DestroyRenderContext", "DestroyAppWindow",
  // "AcquireDeviceContext", "ReleaseDeviceContext", "SetCaption", "SetFullscreen on",
  // "SetFullscreen off"). Names are literals and the
  // log is reserved up front, so logging allocates nothing inside a pass. Presents are counted.
  std::vector<const char*> log;
  std::vector<std::string> LogText() const;
  int presentCount = 0;
  std::int32_t createWidth = 0;
  std::int32_t createHeight = 0;
  std::int32_t clientWidth = 0;
  std::int32_t clientHeight = 0;
  std::wstring caption;
  bool windowExists = false;
  bool contextCurrent = false;
  // Fullscreen covers this screen; leaving it queues the earlier client size again.
  std::int32_t screenWidth = 1920;
  std::int32_t screenHeight = 1080;
  bool fullscreen = false;

  // A fed clock: it moves only by presents (each takes presentNanoseconds, as a swap that waits
  // for the display would) and by sleeps (to their deadline), or when the test moves it.
  std::int64_t clockNanoseconds = 0;
  std::int64_t presentNanoseconds = 0;
  double refreshRate = 0.0;  // unknown
  int sleepCount = 0;

private:
  std::deque<Message> queue_;
  WindowHandle window_ = 0;
  std::int32_t windowedWidth_ = 0;
  std::int32_t windowedHeight_ = 0;
};

}  // namespace Kelpforge::Application::kfImplementation
