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
  kMessageSize = 5,
  kMessageActivate = 6,
  kMessagePaint = 15,
  kMessageClose = 16,
  kMessageQuit = 18,
  kMessageKeyDown = 256,
  kMessageKeyUp = 257,
  kMessageSystemKeyDown = 260,
  kMessageLeftButtonDown = 513,
  kMessageLeftButtonUp = 514,
  kMessageRightButtonDown = 516,
  kMessageRightButtonUp = 517,
  kMessageMiddleButtonDown = 519,
  kMessageMiddleButtonUp = 520,
};

// Bit 30 of a key-down message's second parameter: the key was already down (auto-repeat).
constexpr std::intptr_t kKeyWasDownBit = std::intptr_t{1} << 30;
// Bit 29 of a key message's second parameter: Alt was held.
constexpr std::intptr_t kKeyAltDownBit = std::intptr_t{1} << 29;

// The size message's first parameter: the window was minimized (its client is then 0 x 0).
constexpr std::uintptr_t kSizeMinimized = 1;

// The size message carries the client width in the low and the height in the high 16 bits of
// its second parameter.
constexpr std::intptr_t SizeParameter(std::int32_t width, std::int32_t height) {
  return static_cast<std::intptr_t>((static_cast<std::uint32_t>(width) & 0xFFFFu) |
                                    ((static_cast<std::uint32_t>(height) & 0xFFFFu) << 16));
}
constexpr std::int32_t SizeParameterWidth(std::intptr_t lParam) {
  return static_cast<std::int32_t>(static_cast<std::uintptr_t>(lParam) & 0xFFFFu);
}
constexpr std::int32_t SizeParameterHeight(std::intptr_t lParam) {
  return static_cast<std::int32_t>((static_cast<std::uintptr_t>(lParam) >> 16) & 0xFFFFu);
}

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

  // Switches between borderless fullscreen on the monitor that holds the window and the
  // earlier windowed size and place. Client-size changes come back as size messages.
  virtual void SetFullscreen(WindowHandle window, bool fullscreen) = 0;

  // Pacing: a monotonic clock in nanoseconds, a sleep that returns at or after an absolute time
  // on that clock, and the refresh rate in hertz of the monitor that holds the window (0 when
  // the window system cannot tell).
  virtual std::int64_t ClockNanoseconds() = 0;
  virtual void SleepUntil(std::int64_t nanoseconds) = 0;
  virtual double RefreshRate(WindowHandle window) = 0;
};

// The platform's own window system, defined by the one platform that the build picks.
WindowSystem& NativeWindowSystem();

// The window system the loop talks to: the native one unless a test installed another.
WindowSystem& CurrentWindowSystem();
// Installs `windowSystem` (null: back to the native one).
void SetWindowSystem(WindowSystem* windowSystem);

// The window recorded when it was created (0 before that, or when creation failed).
WindowHandle RecordedWindowHandle();

// Where a frame's drawing space lands in the window, in window pixels counted from the
// top-left corner; empty when nothing can be shown.
struct ViewportRectangle {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  // A minimized window's: nothing to draw on.
  bool IsEmpty() const { return width <= 0 || height <= 0; }
  friend bool operator==(const ViewportRectangle&, const ViewportRectangle&) = default;
};

// The asked drawing space scaled to the client area with its aspect ratio kept and centred.
// Rounding rule: the side that limits the scale fills the client exactly; the other side is
// asked x client / asked of the limiting side, rounded to the nearest pixel (halves up); the
// bars split what is left, the odd pixel going to the right or bottom bar. An empty asked size
// or client gives an empty rectangle.
ViewportRectangle FitViewport(std::int32_t askedWidth, std::int32_t askedHeight,
                              std::int32_t clientWidth, std::int32_t clientHeight);

// The drawing space of the open window: the size the handler asked for, the client size as the
// latest size message reported it, and the scaled rectangle between them.
struct DrawingSpace {
  std::int32_t askedWidth = 1280;
  std::int32_t askedHeight = 720;
  std::int32_t clientWidth = 1280;
  std::int32_t clientHeight = 720;
  ViewportRectangle viewport{0, 0, 1280, 720};
};
const DrawingSpace& CurrentDrawingSpace();

// Routes one message; every platform sends its window messages here.
std::intptr_t WindowProcedure(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam);

// Input state, owned by the loop (kf_input.cpp).
void BuildKeyTable();
// Forgets which keys were pressed in the previous pass; Run calls it before each drain.
void StartInputPass();
void HandleInputMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
void ResetInputState();

// Returns the process-wide platform and input state to its start values (tests run many
// applications in one process).
void ResetApplicationState();

}  // namespace Kelpforge::Application::kfImplementation
