// The Win32/WGL window system. Implements every operation of the WindowSystem seam with the
// plain Windows API: the class "KelpforgeApplication", one overlapping window at (50, 50) whose
// client area is sized exactly, a double-buffered 32-bit RGBA pixel format with 16-bit depth and
// 8-bit stencil, a WGL context, the thread's own message queue, borderless fullscreen as a
// popup over the window's monitor, and for pacing the performance counter, a waitable-timer sleep
// and the monitor's refresh rate. Windows messages need no translation: a trampoline hands each
// one to the shared WindowProcedure, holding back the size messages of a drag until it ends.
// Of the results of the window and OpenGL calls only the window creation's is examined: its
// failure is reported here.
#include "kelpforge/application/implementation/windows/kfi_realtime_windows_application.h"

#include <GL/gl.h>
#include <timeapi.h>

#include <memory>

#include "kelpforge/application/implementation/kf_window_system.h"
#include "kelpforge/core/kf_error.h"

namespace Kelpforge::Application::kfImplementation {

namespace {

constexpr wchar_t kWindowClassName[] = L"KelpforgeApplication";
constexpr wchar_t kInitialCaption[] = L"Kelpforge Project";
// WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN.
constexpr DWORD kWindowStyle = 0x6CF0000;
// A class brush may be a system colour index plus one: index 4 (COLOR_MENU) here.
constexpr INT_PTR kBackgroundBrush = 5;
// The program's own icon, when its executable carries one: icon resource 1, which Explorer
// shows for the file too.
const LPCWSTR kProgramIcon = MAKEINTRESOURCEW(1);
// IDI_APPLICATION and IDC_ARROW, in their wide form whatever UNICODE says.
const LPCWSTR kApplicationIcon = MAKEINTRESOURCEW(32512);
const LPCWSTR kArrowCursor = MAKEINTRESOURCEW(32512);
constexpr int kWindowLeft = 50;
constexpr int kWindowTop = 50;

// Not named by every SDK's headers; older systems (and Wine) refuse it.
#ifndef CREATE_WAITABLE_TIMER_HIGH_RESOLUTION
#define CREATE_WAITABLE_TIMER_HIGH_RESOLUTION 0x00000002
#endif

struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

HWND ToHwnd(WindowHandle window) {
  return reinterpret_cast<HWND>(window);
}

HDC ToHdc(DeviceContext deviceContext) {
  return reinterpret_cast<HDC>(deviceContext);
}

PIXELFORMATDESCRIPTOR PixelFormatRequest() {
  PIXELFORMATDESCRIPTOR request{};
  request.nSize = sizeof(PIXELFORMATDESCRIPTOR);
  request.nVersion = 1;
  request.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  request.iPixelType = PFD_TYPE_RGBA;
  request.cColorBits = 32;
  request.cDepthBits = 16;
  request.cStencilBits = 8;
  request.iLayerType = PFD_MAIN_PLANE;
  return request;
}

LRESULT CALLBACK WindowProcedureTrampoline(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

class Win32WindowSystem final : public WindowSystem {
public:
  ~Win32WindowSystem() override {
    if (state.raisedTimerResolution) {
      timeEndPeriod(1);
    }
  }

  WindowHandle RegisterAndCreateWindow(std::int32_t width, std::int32_t height) override {
    // Close leaves the quit message of an earlier window in this thread's queue; it belongs to
    // that window's life and would end the new window's first drain.
    MSG staleQuit;
    while (PeekMessageW(&staleQuit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != 0) {
    }

    const HINSTANCE instance = GetModuleHandleW(nullptr);

    WNDCLASSW windowClass{};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = WindowProcedureTrampoline;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, kProgramIcon);
    if (windowClass.hIcon == nullptr) {
      windowClass.hIcon = LoadIconW(nullptr, kApplicationIcon);
    }
    windowClass.hCursor = LoadCursorW(nullptr, kArrowCursor);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(kBackgroundBrush);
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = kWindowClassName;
    // A second registration in the same process fails and leaves the first one in place, which
    // names the same procedure.
    RegisterClassW(&windowClass);

    // The create message reaches the shared procedure inside this call and records the window.
    state.reportedSize = -1;
    state.inSizeMove = false;
    state.fullscreen = false;
    state.window = CreateWindowExW(0, kWindowClassName, kInitialCaption, kWindowStyle, kWindowLeft,
                                   kWindowTop, width, height, nullptr, nullptr, instance, nullptr);
    KF_REPORT_ERROR_IF(state.window == nullptr,
                       "kfError: Windows could not create the window (error %lu); no window can be shown.",
                       GetLastError());
    return reinterpret_cast<WindowHandle>(state.window);
  }

  void FitClientArea(WindowHandle window, std::int32_t width, std::int32_t height) override {
    // The outer size was the requested client size; grow it by whatever the frame, the caption
    // and the borders of this desktop's theme take.
    RECT clientRect{};
    RECT windowRect{};
    GetClientRect(ToHwnd(window), &clientRect);
    GetWindowRect(ToHwnd(window), &windowRect);
    const int outerWidth =
        (windowRect.right - windowRect.left) - (clientRect.right - clientRect.left) + width;
    const int outerHeight =
        (windowRect.bottom - windowRect.top) - (clientRect.bottom - clientRect.top) + height;
    SetWindowPos(ToHwnd(window), nullptr, 0, 0, outerWidth, outerHeight, SWP_NOZORDER | SWP_NOMOVE);
    GetClientRect(ToHwnd(window), &clientRect);
    state.reportedSize = SizeParameter(clientRect.right, clientRect.bottom);
  }

  void CreateRenderContext(WindowHandle window) override {
    const HDC deviceContext = GetDC(ToHwnd(window));
    const PIXELFORMATDESCRIPTOR request = PixelFormatRequest();
    const int pixelFormat = ChoosePixelFormat(deviceContext, &request);
    SetPixelFormat(deviceContext, pixelFormat, &request);
    const HGLRC context = wglCreateContext(deviceContext);
    wglMakeCurrent(deviceContext, context);
    ReleaseDC(ToHwnd(window), deviceContext);

    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  }

  void DestroyRenderContext(WindowHandle window) override {
    const HDC deviceContext = GetDC(ToHwnd(window));
    const HGLRC context = wglGetCurrentContext();
    wglMakeCurrent(deviceContext, nullptr);
    wglDeleteContext(context);
    ReleaseDC(ToHwnd(window), deviceContext);
  }

  void ShowAppWindow(WindowHandle window) override {
    UpdateWindow(ToHwnd(window));
    ShowWindow(ToHwnd(window), SW_SHOW);
  }

  void DestroyAppWindow(WindowHandle window) override {
    // The destroy message reaches the shared procedure inside this call.
    DestroyWindow(ToHwnd(window));
  }

  bool TakeNextMessage(Message& message) override {
    if (PeekMessageW(&state.takenMessage, nullptr, 0, 0, PM_REMOVE) != TRUE) {
      return false;
    }
    message = Message{reinterpret_cast<WindowHandle>(state.takenMessage.hwnd),
                      state.takenMessage.message, state.takenMessage.wParam,
                      state.takenMessage.lParam};
    return true;
  }

  void DispatchTakenMessage(const Message& message) override {
    // The loop hands back the message it just took; keep its time and cursor position.
    MSG native = state.takenMessage;
    native.hwnd = ToHwnd(message.window);
    native.message = message.message;
    native.wParam = message.wParam;
    native.lParam = message.lParam;
    TranslateMessage(&native);
    DispatchMessageW(&native);
  }

  void PostQuit(int exitCode) override { PostQuitMessage(exitCode); }

  std::intptr_t CallDefaultProcedure(const Message& message) override {
    // With no menu to take it, Alt+Enter's character would make the default procedure beep.
    if (message.message == WM_SYSCHAR && message.wParam == VK_RETURN) {
      return 0;
    }
    return DefWindowProcW(ToHwnd(message.window), message.message, message.wParam, message.lParam);
  }

  DeviceContext AcquireDeviceContext(WindowHandle window) override {
    return reinterpret_cast<DeviceContext>(GetDC(ToHwnd(window)));
  }

  void ReleaseDeviceContext(WindowHandle window, DeviceContext deviceContext) override {
    ReleaseDC(ToHwnd(window), ToHdc(deviceContext));
  }

  void PresentBackBuffer(DeviceContext deviceContext) override { SwapBuffers(ToHdc(deviceContext)); }

  void SetCaption(WindowHandle window, const std::wstring& caption) override {
    SetWindowTextW(ToHwnd(window), caption.c_str());
  }

  void SetFullscreen(WindowHandle window, bool fullscreen) override {
    const HWND hwnd = ToHwnd(window);
    if (fullscreen == state.fullscreen || IsWindow(hwnd) == FALSE) {
      return;
    }
    state.fullscreen = fullscreen;
    if (fullscreen) {
      state.windowed.style = GetWindowLongPtrW(hwnd, GWL_STYLE);
      state.windowed.placement.length = sizeof(WINDOWPLACEMENT);
      GetWindowPlacement(hwnd, &state.windowed.placement);
      MONITORINFO monitor{};
      monitor.cbSize = sizeof(monitor);
      GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor);
      SetWindowLongPtrW(hwnd, GWL_STYLE, (state.windowed.style & ~WS_OVERLAPPEDWINDOW) | WS_POPUP);
      const RECT& area = monitor.rcMonitor;
      SetWindowPos(hwnd, HWND_TOP, area.left, area.top, area.right - area.left,
                   area.bottom - area.top, SWP_NOOWNERZORDER | SWP_FRAMECHANGED | SWP_SHOWWINDOW);
    } else {
      SetWindowLongPtrW(hwnd, GWL_STYLE, state.windowed.style);
      SetWindowPlacement(hwnd, &state.windowed.placement);
      SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOOWNERZORDER | SWP_FRAMECHANGED);
    }
  }

  std::int64_t ClockNanoseconds() override {
    // The counter's frequency is fixed at boot.
    static const std::int64_t perSecond = [] {
      LARGE_INTEGER frequency;
      QueryPerformanceFrequency(&frequency);
      return frequency.QuadPart > 0 ? static_cast<std::int64_t>(frequency.QuadPart) : std::int64_t{1};
    }();
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    // Split so the multiplication cannot overflow after months of uptime.
    return count.QuadPart / perSecond * 1'000'000'000 +
           count.QuadPart % perSecond * 1'000'000'000 / perSecond;
  }

  void SleepUntil(std::int64_t nanoseconds) override {
    if (!state.timerTried) {
      state.timerTried = true;
      state.timer.reset(CreateWaitableTimerExW(nullptr, nullptr, CREATE_WAITABLE_TIMER_HIGH_RESOLUTION,
                                               TIMER_ALL_ACCESS));
      if (!state.timer) {
        // Without high-resolution timers (Wine, Windows before 10 version 1803) a plain timer
        // wakes on the system tick, 15.6 ms unless raised: ask for 1 ms for the process's life.
        state.timer.reset(CreateWaitableTimerW(nullptr, TRUE, nullptr));
        state.raisedTimerResolution = timeBeginPeriod(1) == TIMERR_NOERROR;
      }
    }
    // The timer takes a relative time, so each wait is measured afresh against the one absolute
    // deadline; a wait that ends early is followed by another.
    for (std::int64_t remaining = nanoseconds - ClockNanoseconds(); remaining > 0 && state.timer;
         remaining = nanoseconds - ClockNanoseconds()) {
      LARGE_INTEGER due;
      due.QuadPart = -((remaining + 99) / 100);  // 100 ns units, negative: relative
      SetWaitableTimer(state.timer.get(), &due, 0, nullptr, nullptr, FALSE);
      WaitForSingleObject(state.timer.get(), INFINITE);
    }
  }

  double RefreshRate(WindowHandle window) override {
    MONITORINFOEXW monitor{};
    monitor.cbSize = sizeof(monitor);
    if (GetMonitorInfoW(MonitorFromWindow(ToHwnd(window), MONITOR_DEFAULTTONEAREST),
                        reinterpret_cast<MONITORINFO*>(&monitor)) == FALSE) {
      return 0.0;
    }
    DEVMODEW mode{};
    mode.dmSize = sizeof(mode);
    if (EnumDisplaySettingsW(monitor.szDevice, ENUM_CURRENT_SETTINGS, &mode) == FALSE) {
      return 0.0;
    }
    // 0 and 1 stand for the hardware's default rate, which the system does not tell.
    return mode.dmDisplayFrequency > 1 ? static_cast<double>(mode.dmDisplayFrequency) : 0.0;
  }

  // Every message of the window, before the shared procedure sees it. A drag of the frame runs
  // the system's own modal loop and sends a size message for every step of the pointer; the
  // loop hears of the size once, when the drag ends, and only when the size really changed.
  LRESULT Route(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
      case WM_ENTERSIZEMOVE:
        state.inSizeMove = true;
        break;
      case WM_EXITSIZEMOVE: {
        state.inSizeMove = false;
        RECT client{};
        GetClientRect(window, &client);
        const LPARAM size = SizeParameter(client.right, client.bottom);
        if (size != state.reportedSize) {
          state.reportedSize = size;
          WindowProcedure(reinterpret_cast<WindowHandle>(window), WM_SIZE, SIZE_RESTORED, size);
        }
        break;
      }
      case WM_SIZE:
        if (state.inSizeMove || lParam == state.reportedSize) {
          return DefWindowProcW(window, message, wParam, lParam);
        }
        state.reportedSize = lParam;
        break;
      default:
        break;
    }
    return WindowProcedure(reinterpret_cast<WindowHandle>(window), message, wParam, lParam);
  }

  HWND window() const { return state.window; }

private:
  // The style and placement a fullscreen switch replaced, given back when it ends.
  struct WindowedMode {
    LONG_PTR style = 0;
    WINDOWPLACEMENT placement{};
  };
  struct State {
    HWND window = nullptr;
    MSG takenMessage{};
    bool inSizeMove = false;
    LPARAM reportedSize = -1;  // the client size last handed to the loop, as a size parameter
    bool fullscreen = false;
    WindowedMode windowed;
    UniqueHandle timer;
    bool timerTried = false;
    bool raisedTimerResolution = false;
  };
  State state;
};

Win32WindowSystem& TheWin32WindowSystem() {
  static Win32WindowSystem windowSystem;
  return windowSystem;
}

LRESULT CALLBACK WindowProcedureTrampoline(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return TheWin32WindowSystem().Route(window, message, wParam, lParam);
}

}  // namespace

WindowSystem& NativeWindowSystem() {
  return TheWin32WindowSystem();
}

HWND Win32Window() {
  return TheWin32WindowSystem().window();
}

}  // namespace Kelpforge::Application::kfImplementation
