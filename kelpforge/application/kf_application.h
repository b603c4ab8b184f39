// The platform application: one window with an OpenGL context, the real-time run loop, and the
// handler interface through which the platform calls the program.
#pragma once

#include <cstdint>
#include <string>

namespace Kelpforge::Application {

// The requested size of the window's client (drawable) area, in pixels.
struct WindowProperties {
  std::int32_t windowWidth = 1280;
  std::int32_t windowHeight = 720;
};

// Implemented by the program; the platform never destroys it.
class ApplicationHandlerInterface {
public:
  virtual ~ApplicationHandlerInterface() = 0;
  virtual void OnWindowOpen() {}
  virtual void OnWindowClose() {}
  virtual void OnBecomeActive() {}
  virtual void OnBecomeInactive() {}
  virtual void OnRealtimeUpdate() {}
  virtual void OnPlatformSignalA(std::int32_t, std::int32_t) {}
  virtual void OnPlatformSignalB(std::int32_t, std::int32_t) {}
  virtual void CollectWindowProperties(WindowProperties&) {}
};

inline ApplicationHandlerInterface::~ApplicationHandlerInterface() {}

// Creates and shows the window and its OpenGL context (current on this thread afterwards) and
// records the handler.
void Open(ApplicationHandlerInterface& applicationHandler);
// Runs passes until the quit message is seen or Close is called.
void Run(ApplicationHandlerInterface& applicationHandler);
// Destroys the context and the window and forgets the handler; may be called inside a pass.
void Close(ApplicationHandlerInterface& applicationHandler);

// False when the latest Open could not create a window (no display, say); Run then returns at
// once and a program should end with a failure status.
bool HasWindow();
// True from Open's creation of the OpenGL context until Close destroys it; textures can only be
// made while it holds.
bool HasRenderContext();

// Borderless fullscreen on the monitor that holds the window, or back to the earlier size and
// place. F11 and Alt+Enter toggle it in every program. Frames keep drawing in the asked size,
// scaled to fit.
void SetFullscreen(bool fullscreen);
bool IsFullscreen();

void SetWindowTitle(const std::string& title);
std::wstring ToWideString(const std::string& text);

}  // namespace Kelpforge::Application
