// The seam between the platform-independent run loop and a window system. The loop, the window
// procedure, the key table and the open/run/close protocol are written once against this
// interface; each platform (X11/GLX, Win32/WGL, the scripted test platform) only translates.
// Message codes and parameters are those of the Windows API on every platform.
#pragma once

#include <cstdint>
#include <string>

namespace Kelpforge::Application::kfImplementation {

using WindowHandle = std::uintptr_t;  // 0: no window
using DeviceContext = std::uintptr_t;

enum MessageCode : std::uint32_t {
  kMessageCreate = 1,
  kMessageDestroy = 2,
  kMessageActivate = 6,
  kMessagePaint = 15,
  kMessageClose = 16,
  kMessageQuit = 18,
  kMessageKeyDown = 256,
  kMessageKeyUp = 257,
  kMessageLeftButtonDown = 513,
  kMessageLeftButtonUp = 514,
  kMessageRightButtonDown = 516,
  kMessageRightButtonUp = 517,
  kMessageMiddleButtonDown = 519,
  kMessageMiddleButtonUp = 520,
};

// Bit 30 of a key-down message's second parameter: the key was already down (auto-repeat).
constexpr std::intptr_t kKeyWasDownBit = std::intptr_t{1} << 30;

struct Message {
  WindowHandle window = 0;
  std::uint32_t message = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
};

class WindowSystem {
public:
  virtual ~WindowSystem() = default;

  // Creates the window at (50, 50) with the caption "Kelpforge Project" and the given outer
  // size. The create message reaches WindowProcedure before this returns. Returns 0 (after
  // reporting why) when no window could be made.
  virtual WindowHandle RegisterAndCreateWindow(std::int32_t width, std::int32_t height) = 0;
  // Makes the client area exactly width x height, keeping the position.
  virtual void FitClientArea(WindowHandle window, std::int32_t width, std::int32_t height) = 0;
  // Creates a double-buffered RGBA context, makes it current and clears the buffers.
  virtual void CreateRenderContext(WindowHandle window) = 0;
  virtual void DestroyRenderContext(WindowHandle window) = 0;
  // Updates and shows the window.
  virtual void ShowAppWindow(WindowHandle window) = 0;
  // Destroys the window; the destroy message reaches WindowProcedure before this returns.
  virtual void DestroyAppWindow(WindowHandle window) = 0;

  // Takes the next pending message without waiting; false when there is none.
  virtual bool TakeNextMessage(Message& message) = 0;
  // Translates and dispatches a taken message to WindowProcedure (the quit message is ignored).
  virtual void DispatchTakenMessage(const Message& message) = 0;
  virtual void PostQuit(int exitCode) = 0;
  // The default handling of a message; the close message destroys the window.
  virtual std::intptr_t CallDefaultProcedure(const Message& message) = 0;

  virtual DeviceContext AcquireDeviceContext(WindowHandle window) = 0;
  virtual void ReleaseDeviceContext(WindowHandle window, DeviceContext deviceContext) = 0;
  virtual void PresentBackBuffer(DeviceContext deviceContext) = 0;

  virtual void SetCaption(WindowHandle window, const std::wstring& caption) = 0;
};

// The platform's own window system, defined by the one platform that the build picks.
WindowSystem& NativeWindowSystem();

// The window system the loop talks to: the native one unless a test installed another.
WindowSystem& CurrentWindowSystem();
// Installs `windowSystem` (null: back to the native one).
void SetWindowSystem(WindowSystem* windowSystem);

// The window recorded when it was created (0 before that, or when creation failed).
WindowHandle RecordedWindowHandle();

// Routes one message; every platform sends its window messages here.
std::intptr_t WindowProcedure(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam);

// Input state, owned by the loop (kf_input.cpp).
void BuildKeyTable();
void CopyCurrentKeyStatesToPrevious();
void HandleInputMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
void ResetInputState();

// Returns the process-wide platform and input state to its start values (tests run many
// applications in one process).
void ResetApplicationState();

}  // namespace Kelpforge::Application::kfImplementation
