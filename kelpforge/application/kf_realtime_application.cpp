// The platform-independent half of the platform application: Open, Run, Close, the window
// procedure and the window title, written once against the WindowSystem seam.
#include <locale>
#include <sstream>

#include "kelpforge/application/kf_application.h"
#include "kelpforge/application/kf_window_system.h"
#include "kelpforge/core/kf_error.h"

namespace Kelpforge::Application {

namespace kfImplementation {
namespace {

ApplicationHandlerInterface* theCurrentHandler = nullptr;
bool theOpenMark = false;
bool theRunningMark = false;
WindowHandle theWindowHandle = 0;
WindowSystem* theInstalledWindowSystem = nullptr;

}  // namespace

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
  theWindowHandle = 0;
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

  KF_REPORT_ERROR_IF(theWindowHandle == 0, "kfInternalError, Expected window handle to be valid.");
  KF_REPORT_ERROR_IF(theWindowHandle != createdWindow,
                     "kfInternalError, Expected window handle to match.");

  windowSystem.FitClientArea(theWindowHandle, properties.windowWidth, properties.windowHeight);
  BuildKeyTable();
  windowSystem.CreateRenderContext(theWindowHandle);
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

  do {
    CopyCurrentKeyStatesToPrevious();

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
    windowSystem.PresentBackBuffer(deviceContext);
  } while (theRunningMark);

  windowSystem.ReleaseDeviceContext(theWindowHandle, deviceContext);
}

void Close(ApplicationHandlerInterface& applicationHandler) {
  KF_REPORT_ERROR_IF(&applicationHandler != theCurrentHandler,
                     "kfInternalError: applicationHandler changed from Open() to Close().");

  WindowSystem& windowSystem = CurrentWindowSystem();
  windowSystem.DestroyRenderContext(theWindowHandle);
  windowSystem.DestroyAppWindow(theWindowHandle);

  theRunningMark = false;
  theOpenMark = false;
  theCurrentHandler = nullptr;
}

bool HasWindow() {
  return theWindowHandle != 0;
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
