// The platform-independent half of the platform application: Open, Run, Close, the window
// procedure, the window title, fullscreen and the drawing space, written once against the
// WindowSystem seam.
#include <locale>
#include <sstream>

#include "kelpforge/application/implementation/kf_frame_pacing.h"
#include "kelpforge/application/implementation/kf_window_system.h"
#include "kelpforge/application/kf_application.h"
#include "kelpforge/core/kf_error.h"

namespace Kelpforge::Application {

namespace kfImplementation {
namespace {

ApplicationHandlerInterface* theCurrentHandler = nullptr;
bool theOpenMark = false;
bool theRunningMark = false;
bool theRenderContextMark = false;
WindowHandle theWindowHandle = 0;
WindowSystem* theInstalledWindowSystem = nullptr;
bool theFullscreenMark = false;
DrawingSpace theDrawingSpace;
FramePacer theFramePacer;

constexpr std::uintptr_t kVirtualKeyReturn = 0x0D;
constexpr std::uintptr_t kVirtualKeyF11 = 0x7A;

void SetClientSize(std::int32_t width, std::int32_t height) {
  theDrawingSpace.clientWidth = width;
  theDrawingSpace.clientHeight = height;
  theDrawingSpace.viewport =
      FitViewport(theDrawingSpace.askedWidth, theDrawingSpace.askedHeight, width, height);
}

// F11 and Alt+Enter belong to every game; neither is a tracked key, so the key states stay as
// they are. A held key's repeats do not toggle again.
bool IsFullscreenToggle(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  if ((lParam & kKeyWasDownBit) != 0) {
    return false;
  }
  return (message == kMessageKeyDown && wParam == kVirtualKeyF11) ||
         (message == kMessageSystemKeyDown && wParam == kVirtualKeyReturn &&
          (lParam & kKeyAltDownBit) != 0);
}

}  // namespace

ViewportRectangle FitViewport(std::int32_t askedWidth, std::int32_t askedHeight,
                              std::int32_t clientWidth, std::int32_t clientHeight) {
  if (askedWidth <= 0 || askedHeight <= 0 || clientWidth <= 0 || clientHeight <= 0) {
    return ViewportRectangle{};
  }
  // Cross-multiplied in 64 bits: exact, and no division by a size that might be zero.
  const std::int64_t aw = askedWidth;
  const std::int64_t ah = askedHeight;
  const std::int64_t cw = clientWidth;
  const std::int64_t ch = clientHeight;
  std::int64_t width = cw;
  std::int64_t height = ch;
  if (aw * ch > ah * cw) {
    height = (2 * ah * cw + aw) / (2 * aw);  // the width limits: bars above and below
  } else if (aw * ch < ah * cw) {
    width = (2 * aw * ch + ah) / (2 * ah);  // the height limits: bars left and right
  }
  return ViewportRectangle{static_cast<std::int32_t>((cw - width) / 2),
                           static_cast<std::int32_t>((ch - height) / 2),
                           static_cast<std::int32_t>(width), static_cast<std::int32_t>(height)};
}

const DrawingSpace& CurrentDrawingSpace() {
  return theDrawingSpace;
}

WindowSystem& CurrentWindowSystem() {
  return theInstalledWindowSystem != nullptr ? *theInstalledWindowSystem : NativeWindowSystem();
}

void SetWindowSystem(WindowSystem* windowSystem) {
  theInstalledWindowSystem = windowSystem;
}

std::intptr_t WindowProcedure(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                              std::intptr_t lParam) {
  KF_REPORT_ERROR_IF(theCurrentHandler == nullptr,
                     "kfInternalError: Expected to have a valid ApplicationHandler at this moment.");

  // Notifications are skipped when there is no handler: the report above has said so, and
  // calling through a null handler would crash.
  switch (message) {
    case kMessageCreate:
      KF_REPORT_ERROR_IF(theWindowHandle != 0,
                         "kfInternalError: Expected window handle to be unused at this moment.");
      theWindowHandle = window;
      break;
    case kMessageDestroy:
      if (theCurrentHandler != nullptr) {
        theCurrentHandler->OnWindowClose();
      }
      CurrentWindowSystem().PostQuit(0);
      break;
    case kMessageSize:
      SetClientSize(SizeParameterWidth(lParam), SizeParameterHeight(lParam));
      break;
    case kMessageActivate:
      if (theCurrentHandler != nullptr) {
        if (wParam != 0) {
          theCurrentHandler->OnBecomeActive();
        } else {
          theCurrentHandler->OnBecomeInactive();
        }
      }
      break;
    case kMessagePaint: {
      // A repaint only presents what the back buffer holds; the next pass draws a new frame.
      WindowSystem& windowSystem = CurrentWindowSystem();
      const DeviceContext deviceContext = windowSystem.AcquireDeviceContext(theWindowHandle);
      windowSystem.PresentBackBuffer(deviceContext);
      windowSystem.ReleaseDeviceContext(theWindowHandle, deviceContext);
      break;
    }
    case kMessageKeyDown:
    case kMessageSystemKeyDown:
      if (IsFullscreenToggle(message, wParam, lParam)) {
        SetFullscreen(!theFullscreenMark);
      }
      HandleInputMessage(message, wParam, lParam);
      break;
    case kMessageKeyUp:
    case kMessageLeftButtonDown:
    case kMessageLeftButtonUp:
    case kMessageRightButtonDown:
    case kMessageRightButtonUp:
    case kMessageMiddleButtonDown:
    case kMessageMiddleButtonUp:
      HandleInputMessage(message, wParam, lParam);
      break;
    default:
      break;
  }

  return CurrentWindowSystem().CallDefaultProcedure(Message{window, message, wParam, lParam});
}

WindowHandle RecordedWindowHandle() {
  return theWindowHandle;
}

void ResetApplicationState() {
  theCurrentHandler = nullptr;
  theOpenMark = false;
  theRunningMark = false;
  theRenderContextMark = false;
  theWindowHandle = 0;
  theFullscreenMark = false;
  theDrawingSpace = DrawingSpace{};
  ResetInputState();
}

}  // namespace kfImplementation

using namespace kfImplementation;

void Open(ApplicationHandlerInterface& applicationHandler) {
  KF_REPORT_ERROR_IF(theOpenMark,
                     "kfExternalError: Kelpforge currently supports only a single application at a time.");
  KF_REPORT_ERROR_IF(theCurrentHandler != nullptr,
                     "kfInternalError: Expected application handler to by null at this moment.");
  KF_REPORT_ERROR_IF(theRunningMark,
                     "kfInternalError: Expected application not to be running at this moment.");

  theOpenMark = true;
  theCurrentHandler = &applicationHandler;

  WindowProperties properties;
  properties.windowWidth = 1280;
  properties.windowHeight = 720;
  theCurrentHandler->CollectWindowProperties(properties);

  WindowSystem& windowSystem = CurrentWindowSystem();
  const WindowHandle createdWindow =
      windowSystem.RegisterAndCreateWindow(properties.windowWidth, properties.windowHeight);

  // A window system that made no window has already reported why (no display, say); the checks
  // are about a window it did make.
  if (createdWindow != 0 || theWindowHandle != 0) {
    KF_REPORT_ERROR_IF(theWindowHandle == 0, "kfInternalError, Expected window handle to be valid.");
    KF_REPORT_ERROR_IF(theWindowHandle != createdWindow,
                       "kfInternalError, Expected window handle to match.");
  }

  // Frames draw in the asked size whatever the client becomes; size messages move the client,
  // including one sent while the client is fitted (a screen smaller than the asked size).
  theFullscreenMark = false;
  theDrawingSpace.askedWidth = properties.windowWidth;
  theDrawingSpace.askedHeight = properties.windowHeight;
  SetClientSize(properties.windowWidth, properties.windowHeight);
  windowSystem.FitClientArea(theWindowHandle, properties.windowWidth, properties.windowHeight);
  BuildKeyTable();
  windowSystem.CreateRenderContext(theWindowHandle);
  theRenderContextMark = theWindowHandle != 0;
  theCurrentHandler->OnWindowOpen();
  windowSystem.ShowAppWindow(theWindowHandle);
}

void Run(ApplicationHandlerInterface& applicationHandler) {
  KF_REPORT_ERROR_IF(&applicationHandler != theCurrentHandler,
                     "kfInternalError: applicationHandler changed from Open() to Run().");

  // Without a window there is nothing to pump and no quit message will ever come: return
  // instead of spinning. The failure was reported when the window could not be made.
  if (theWindowHandle == 0 || theCurrentHandler == nullptr) {
    return;
  }

  WindowSystem& windowSystem = CurrentWindowSystem();
  const DeviceContext deviceContext = windowSystem.AcquireDeviceContext(theWindowHandle);
  theRunningMark = true;
  theFramePacer.Start(windowSystem, theWindowHandle);

  do {
    StartInputPass();

    // The drain goes on after a quit message until the queue is empty.
    Message message;
    while (windowSystem.TakeNextMessage(message)) {
      if (message.message == kMessageQuit) {
        theRunningMark = false;
      }
      windowSystem.DispatchTakenMessage(message);
    }
    if (!theRunningMark) {
      break;
    }

    theCurrentHandler->OnRealtimeUpdate();
    // A minimized window has nothing to show: no present, and the pacer sleeps instead.
    const bool visible = !theDrawingSpace.viewport.IsEmpty();
    if (visible) {
      windowSystem.PresentBackBuffer(deviceContext);
    }
    if (theRunningMark) {
      theFramePacer.EndPass(windowSystem, theWindowHandle, visible);
    }
  } while (theRunningMark);

  windowSystem.ReleaseDeviceContext(theWindowHandle, deviceContext);
}

void Close(ApplicationHandlerInterface& applicationHandler) {
  KF_REPORT_ERROR_IF(&applicationHandler != theCurrentHandler,
                     "kfInternalError: applicationHandler changed from Open() to Close().");

  WindowSystem& windowSystem = CurrentWindowSystem();
  windowSystem.DestroyRenderContext(theWindowHandle);
  theRenderContextMark = false;
  windowSystem.DestroyAppWindow(theWindowHandle);

  theRunningMark = false;
  theOpenMark = false;
  theCurrentHandler = nullptr;
}

bool HasWindow() {
  return theWindowHandle != 0;
}

void SetFullscreen(bool fullscreen) {
  if (!theOpenMark || theWindowHandle == 0 || fullscreen == theFullscreenMark) {
    return;
  }
  theFullscreenMark = fullscreen;
  CurrentWindowSystem().SetFullscreen(theWindowHandle, fullscreen);
}

bool IsFullscreen() {
  return theFullscreenMark;
}

bool HasRenderContext() {
  return theRenderContextMark;
}

std::wstring ToWideString(const std::string& text) {
  std::wostringstream stream;
  const auto& facet = std::use_facet<std::ctype<wchar_t>>(stream.getloc());
  for (const char byte : text) {
    stream << facet.widen(static_cast<char>(static_cast<unsigned char>(byte)));
  }
  return stream.str();
}

void SetWindowTitle(const std::string& title) {
  CurrentWindowSystem().SetCaption(theWindowHandle, ToWideString(title));
}

}  // namespace Kelpforge::Application
