// The X11/GLX window system. Implements every operation of the WindowSystem seam: one top-level
// window with a double-buffered RGBA GLX surface (depth >= 16, stencil 8), its client area exactly
// the requested size, placed at (50, 50), captioned through WM_NAME and _NET_WM_NAME, and
// borderless fullscreen (EWMH where a window manager offers it, else moved over the monitor),
// and for pacing the monotonic clock, an absolute-deadline sleep and the monitor's refresh rate
// from RandR.
// X events are translated into the loop's Windows-style messages; posted messages (quit) come
// from our own queue. Not implemented: the Windows class registration and icon, which have no X
// counterpart.
#include "kelpforge/application/implementation/x11/kfi_x11_window_system.h"

#include <GL/gl.h>
#include <GL/glx.h>
#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>
#include <X11/keysym.h>

#include <time.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>

#include "kelpforge/application/implementation/kf_window_system.h"
#include "kelpforge/core/kf_error.h"

namespace Kelpforge::Application::kfImplementation {

namespace {

// Windows virtual-key codes for the X keysyms we translate; the loop's key table speaks these.
std::uint32_t VirtualKeyFromKeySym(KeySym keySym) {
  if (keySym >= XK_0 && keySym <= XK_9) {
    return 0x30 + static_cast<std::uint32_t>(keySym - XK_0);
  }
  if (keySym >= XK_a && keySym <= XK_z) {
    return 0x41 + static_cast<std::uint32_t>(keySym - XK_a);
  }
  if (keySym >= XK_A && keySym <= XK_Z) {
    return 0x41 + static_cast<std::uint32_t>(keySym - XK_A);
  }
  if (keySym >= XK_F1 && keySym <= XK_F12) {
    return 0x70 + static_cast<std::uint32_t>(keySym - XK_F1);
  }
  switch (keySym) {
    case XK_space: return 0x20;
    case XK_Escape: return 0x1B;
    case XK_Return: case XK_KP_Enter: return 0x0D;
    case XK_Left: return 0x25;
    case XK_Up: return 0x26;
    case XK_Right: return 0x27;
    case XK_Down: return 0x28;
    case XK_BackSpace: return 0x08;
    case XK_Tab: return 0x09;
    case XK_Shift_L: case XK_Shift_R: return 0x10;
    case XK_Control_L: case XK_Control_R: return 0x11;
    case XK_Alt_L: case XK_Alt_R: return 0x12;
    default: return 0;
  }
}

std::string ToUtf8(const std::wstring& text) {
  std::string result;
  for (const wchar_t character : text) {
    const auto codePoint = static_cast<std::uint32_t>(character);
    if (codePoint < 0x80) {
      result += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
      result += static_cast<char>(0xC0 | (codePoint >> 6));
      result += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
      result += static_cast<char>(0xE0 | (codePoint >> 12));
      result += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
      result += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
      result += static_cast<char>(0xF0 | (codePoint >> 18));
      result += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
      result += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
      result += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
  }
  return result;
}

// A rectangle of the root window, in pixels.
struct ScreenRectangle {
  int x = 0;
  int y = 0;
  unsigned width = 0;
  unsigned height = 0;
};

// A monitor: where it is, and its refresh rate in hertz (0 when unknown).
struct Monitor {
  ScreenRectangle area;
  double refreshRate = 0.0;
};

// The refresh rate of a RandR mode: pixel clock over the pixels of a whole frame, blanking
// included; a double-scanned mode shows each line twice, an interlaced one half the lines.
double RefreshRateOf(const XRRModeInfo& mode) {
  double lines = static_cast<double>(mode.vTotal);
  if ((mode.modeFlags & RR_DoubleScan) != 0) {
    lines *= 2.0;
  }
  if ((mode.modeFlags & RR_Interlace) != 0) {
    lines /= 2.0;
  }
  if (mode.hTotal == 0 || lines <= 0.0) {
    return 0.0;
  }
  return static_cast<double>(mode.dotClock) / (static_cast<double>(mode.hTotal) * lines);
}

using SwapIntervalExtFunction = void (*)(Display*, GLXDrawable, int);
using SwapIntervalMesaFunction = int (*)(unsigned int);

class X11WindowSystem final : public WindowSystem {
public:
  ~X11WindowSystem() override {
    // The display is left open at exit on purpose: the GL driver may still refer to it from its
    // own exit handlers, and the server frees everything when the connection drops.
  }

  WindowHandle RegisterAndCreateWindow(std::int32_t width, std::int32_t height) override {
    if (!OpenDisplay()) {
      return 0;
    }
    // The quit message that destroying an earlier window posted is left unread by Close; it
    // belongs to that window's life, not to this one's.
    state.postedMessages.clear();
    state.downKeys.fill(false);

    // RGB 8-8-8, depth >= 16, stencil 8, double-buffered.
    int attributes[] = {GLX_RGBA,         GLX_DOUBLEBUFFER,  GLX_RED_SIZE,   8,
                        GLX_GREEN_SIZE,   8,                 GLX_BLUE_SIZE,  8,
                        GLX_DEPTH_SIZE,   16,                GLX_STENCIL_SIZE, 8,
                        None};
    const int screen = DefaultScreen(state.display);
    state.visual = glXChooseVisual(state.display, screen, attributes);
    KF_REPORT_ERROR_IF(state.visual == nullptr,
                       "kfError: The X server offers no double-buffered RGBA OpenGL visual.");
    if (state.visual == nullptr) {
      return 0;
    }

    const ::Window root = RootWindow(state.display, screen);
    XSetWindowAttributes windowAttributes{};
    windowAttributes.colormap = XCreateColormap(state.display, root, state.visual->visual, AllocNone);
    windowAttributes.background_pixel = 0;
    windowAttributes.border_pixel = 0;
    windowAttributes.event_mask = KeyPressMask | KeyReleaseMask | ButtonPressMask |
                                  ButtonReleaseMask | FocusChangeMask | ExposureMask |
                                  StructureNotifyMask;
    state.window = XCreateWindow(
        state.display, root, 50, 50, static_cast<unsigned>(ClampSize(width)),
        static_cast<unsigned>(ClampSize(height)), 0, state.visual->depth, InputOutput,
        state.visual->visual, CWColormap | CWBackPixel | CWBorderPixel | CWEventMask,
        &windowAttributes);
    KF_REPORT_ERROR_IF(state.window == 0, "kfError: The X server could not create the window.");
    if (state.window == 0) {
      return 0;
    }

    // Window managers place windows as they like unless the position comes from the user.
    XSizeHints sizeHints{};
    sizeHints.flags = USPosition | PPosition;
    sizeHints.x = 50;
    sizeHints.y = 50;
    XSetWMNormalHints(state.display, state.window, &sizeHints);

    char className[] = "KelpforgeApplication";
    char instanceName[] = "kelpforge";
    XClassHint classHint{instanceName, className};
    XSetClassHint(state.display, state.window, &classHint);

    state.deleteWindowAtom = XInternAtom(state.display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(state.display, state.window, &state.deleteWindowAtom, 1);
    SetCaption(state.window, L"Kelpforge Project");

    // The create message arrives inside creation, as it does on Windows.
    WindowProcedure(state.window, kMessageCreate, 0, 0);
    return state.window;
  }

  void FitClientArea(WindowHandle window, std::int32_t width, std::int32_t height) override {
    // An X window's size is its client size; the frame belongs to the window manager.
    if (window == 0 || state.display == nullptr) {
      return;
    }
    XResizeWindow(state.display, static_cast<::Window>(window),
                  static_cast<unsigned>(ClampSize(width)), static_cast<unsigned>(ClampSize(height)));
    XSync(state.display, False);
    // The loop takes this size as the client's; later changes come as size messages.
    state.configuredWidth = state.reportedWidth = ClampSize(width);
    state.configuredHeight = state.reportedHeight = ClampSize(height);
  }

  void CreateRenderContext(WindowHandle window) override {
    if (window == 0 || state.visual == nullptr) {
      return;
    }
    state.context = glXCreateContext(state.display, state.visual, nullptr, True);
    KF_REPORT_ERROR_IF(state.context == nullptr, "kfError: Could not create an OpenGL context.");
    if (state.context == nullptr) {
      return;
    }
    glXMakeCurrent(state.display, static_cast<::Window>(window), state.context);
    RequestSwapInterval(static_cast<::Window>(window));
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  }

  void DestroyRenderContext(WindowHandle window) override {
    if (window == 0 || state.display == nullptr) {
      return;
    }
    GLXContext current = glXGetCurrentContext();
    glXMakeCurrent(state.display, None, nullptr);
    if (current != nullptr) {
      glXDestroyContext(state.display, current);
    }
    if (current == state.context) {
      state.context = nullptr;
    }
  }

  void ShowAppWindow(WindowHandle window) override {
    if (window == 0 || state.display == nullptr) {
      return;
    }
    XMapRaised(state.display, static_cast<::Window>(window));
    // Counted as shown from now on, so the configure events that come before the map
    // notification do not report a minimized window.
    state.mapped = true;
    // Map at the requested place even where a window manager moved the request.
    XMoveWindow(state.display, static_cast<::Window>(window), 50, 50);
    XSync(state.display, False);
  }

  void DestroyAppWindow(WindowHandle window) override {
    if (window == 0 || state.display == nullptr || window != state.window) {
      return;
    }
    // X reports destruction asynchronously; the loop expects the destroy message inside this call.
    WindowProcedure(window, kMessageDestroy, 0, 0);
    XDestroyWindow(state.display, state.window);
    XSync(state.display, False);
    state.window = 0;
    state.downKeys.fill(false);
    state.mapped = false;
    state.fullscreen = false;
  }

  bool TakeNextMessage(Message& message) override {
    if (!state.postedMessages.empty()) {
      message = state.postedMessages.front();
      state.postedMessages.pop_front();
      return true;
    }
    while (state.display != nullptr && XPending(state.display) > 0) {
      XEvent event;
      XNextEvent(state.display, &event);
      if (Translate(event, message)) {
        return true;
      }
    }
    return false;
  }

  void DispatchTakenMessage(const Message& message) override {
    // Like DispatchMessageW, a message without a window (the quit message) goes nowhere.
    if (message.window != 0) {
      WindowProcedure(message.window, message.message, message.wParam, message.lParam);
    }
  }

  void PostQuit(int exitCode) override {
    state.postedMessages.push_back(
        Message{0, kMessageQuit, static_cast<std::uintptr_t>(exitCode), 0});
  }

  std::intptr_t CallDefaultProcedure(const Message& message) override {
    if (message.message == kMessageClose) {
      DestroyAppWindow(message.window);
    }
    return 0;
  }

  DeviceContext AcquireDeviceContext(WindowHandle window) override { return window; }
  void ReleaseDeviceContext(WindowHandle, DeviceContext) override {}

  void PresentBackBuffer(DeviceContext deviceContext) override {
    // After the window is gone there is nothing to show on.
    if (deviceContext == 0 || state.display == nullptr || deviceContext != state.window ||
        state.context == nullptr) {
      return;
    }
    glXSwapBuffers(state.display, static_cast<::Window>(deviceContext));
  }

  void SetCaption(WindowHandle window, const std::wstring& caption) override {
    if (window == 0 || state.display == nullptr) {
      return;
    }
    const std::string utf8 = ToUtf8(caption);
    const auto target = static_cast<::Window>(window);
    XStoreName(state.display, target, utf8.c_str());
    const Atom netWmName = XInternAtom(state.display, "_NET_WM_NAME", False);
    const Atom utf8String = XInternAtom(state.display, "UTF8_STRING", False);
    XChangeProperty(state.display, target, netWmName, utf8String, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(utf8.data()),
                    static_cast<int>(utf8.size()));
    XFlush(state.display);
  }

  void SetFullscreen(WindowHandle window, bool fullscreen) override {
    if (window == 0 || state.display == nullptr || window != state.window ||
        fullscreen == state.fullscreen) {
      return;
    }
    state.fullscreen = fullscreen;
    DetectWindowManager();
    if (state.netWmStateFullscreen != 0) {
      SendFullscreenState(fullscreen);
    } else if (fullscreen) {
      MoveOverMonitor();
    } else {
      MoveBackToWindowedRectangle();
    }
    XFlush(state.display);
  }

  std::int64_t ClockNanoseconds() override {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
  }

  void SleepUntil(std::int64_t nanoseconds) override {
    // An absolute deadline: a signal that cuts the sleep short only means sleeping again to the
    // same moment, and oversleeping one frame does not push the next.
    const timespec deadline{static_cast<time_t>(nanoseconds / 1'000'000'000),
                            static_cast<long>(nanoseconds % 1'000'000'000)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
    }
  }

  double RefreshRate(WindowHandle window) override {
    if (window == 0 || state.display == nullptr || window != state.window) {
      return 0.0;
    }
    return MonitorOfWindow().refreshRate;
  }

  Display* display() const { return state.display; }
  ::Window window() const { return state.window; }

private:
  struct State {
    Display* display = nullptr;
    XVisualInfo* visual = nullptr;
    ::Window window = 0;
    GLXContext context = nullptr;
    Atom deleteWindowAtom = 0;
    bool detectableAutoRepeat = false;
    std::array<bool, 256> downKeys{};  // by virtual-key code
    std::deque<Message> postedMessages;

    // The window's size as the server last configured it, and the client size last reported to
    // the loop (0 x 0 while unmapped): a size message goes out only when the two differ.
    std::int32_t configuredWidth = 0;
    std::int32_t configuredHeight = 0;
    std::int32_t reportedWidth = 0;
    std::int32_t reportedHeight = 0;
    bool mapped = false;

    bool fullscreen = false;
    // Where the window was before a fullscreen without a window manager covered the monitor.
    ScreenRectangle windowedRectangle;
    // Asked once per display: _NET_WM_STATE and _NET_WM_STATE_FULLSCREEN, kept only when an
    // EWMH window manager is running and lists them.
    bool windowManagerChecked = false;
    Atom netWmState = 0;
    Atom netWmStateFullscreen = 0;
  };

  static std::int32_t ClampSize(std::int32_t size) { return size > 0 ? size : 1; }

  bool OpenDisplay() {
    if (state.display != nullptr) {
      return true;
    }
    state.display = XOpenDisplay(nullptr);
    const char* name = std::getenv("DISPLAY");
    KF_REPORT_ERROR_IF(state.display == nullptr,
                       "kfError: Cannot open the X display \"%s\"; no window can be shown.",
                       name != nullptr ? name : "");
    if (state.display == nullptr) {
      return false;
    }
    // Without detectable auto-repeat the server sends a KeyRelease before every repeated
    // KeyPress; with it, repeats are plain KeyPress events that our own key record marks.
    Bool supported = False;
    XkbSetDetectableAutoRepeat(state.display, True, &supported);
    state.detectableAutoRepeat = supported == True;
    return true;
  }

  void RequestSwapInterval(::Window window) {
    // The loop does not sleep: its pace is the buffer swap, so ask for vertical sync where offered.
    const char* extensions = glXQueryExtensionsString(state.display, DefaultScreen(state.display));
    if (extensions == nullptr) {
      return;
    }
    if (std::strstr(extensions, "GLX_EXT_swap_control") != nullptr) {
      auto function = reinterpret_cast<SwapIntervalExtFunction>(
          glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXSwapIntervalEXT")));
      if (function != nullptr) {
        function(state.display, window, 1);
        return;
      }
    }
    if (std::strstr(extensions, "GLX_MESA_swap_control") != nullptr) {
      auto function = reinterpret_cast<SwapIntervalMesaFunction>(
          glXGetProcAddressARB(reinterpret_cast<const GLubyte*>("glXSwapIntervalMESA")));
      if (function != nullptr) {
        function(1);
      }
    }
  }

  // The 32-bit window property `name` of `window` (the first value), or 0.
  ::Window WindowProperty(::Window window, const char* name) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    const Atom property = XInternAtom(state.display, name, False);
    ::Window value = 0;
    if (XGetWindowProperty(state.display, window, property, 0, 1, False, XA_WINDOW, &type, &format,
                           &count, &after, &data) == Success &&
        data != nullptr && format == 32 && count == 1) {
      value = static_cast<::Window>(*reinterpret_cast<unsigned long*>(data));
    }
    XFree(data);
    return value;
  }

  // An EWMH window manager names its check window on the root, and the check window names
  // itself; a stale property left by a window manager that has gone fails the second test.
  void DetectWindowManager() {
    if (state.windowManagerChecked) {
      return;
    }
    state.windowManagerChecked = true;
    const ::Window root = DefaultRootWindow(state.display);
    const ::Window check = WindowProperty(root, "_NET_SUPPORTING_WM_CHECK");
    if (check == 0 || WindowProperty(check, "_NET_SUPPORTING_WM_CHECK") != check) {
      return;
    }
    const Atom wmState = XInternAtom(state.display, "_NET_WM_STATE", False);
    const Atom wmStateFullscreen = XInternAtom(state.display, "_NET_WM_STATE_FULLSCREEN", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    const Atom supported = XInternAtom(state.display, "_NET_SUPPORTED", False);
    if (XGetWindowProperty(state.display, root, supported, 0, 4096, False, XA_ATOM, &type, &format,
                           &count, &after, &data) != Success ||
        data == nullptr || format != 32) {
      XFree(data);
      return;
    }
    const auto* atoms = reinterpret_cast<const unsigned long*>(data);
    bool hasState = false;
    bool hasFullscreen = false;
    for (unsigned long i = 0; i < count; ++i) {
      hasState = hasState || atoms[i] == wmState;
      hasFullscreen = hasFullscreen || atoms[i] == wmStateFullscreen;
    }
    XFree(data);
    if (hasState && hasFullscreen) {
      state.netWmState = wmState;
      state.netWmStateFullscreen = wmStateFullscreen;
    }
  }

  // Asks the window manager to add or remove the fullscreen state; it restores the earlier
  // size and place itself.
  void SendFullscreenState(bool fullscreen) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = state.window;
    event.xclient.message_type = state.netWmState;
    event.xclient.format = 32;
    event.xclient.data.l[0] = fullscreen ? 1 : 0;  // _NET_WM_STATE_ADD / _NET_WM_STATE_REMOVE
    event.xclient.data.l[1] = static_cast<long>(state.netWmStateFullscreen);
    event.xclient.data.l[2] = 0;
    event.xclient.data.l[3] = 1;  // a normal application asks
    XSendEvent(state.display, DefaultRootWindow(state.display), False,
               SubstructureNotifyMask | SubstructureRedirectMask, &event);
  }

  ScreenRectangle WindowRectangle() {
    XWindowAttributes attributes{};
    XGetWindowAttributes(state.display, state.window, &attributes);
    ScreenRectangle rectangle;
    ::Window child = 0;
    XTranslateCoordinates(state.display, state.window, attributes.root, 0, 0, &rectangle.x,
                          &rectangle.y, &child);
    rectangle.width = static_cast<unsigned>(attributes.width);
    rectangle.height = static_cast<unsigned>(attributes.height);
    return rectangle;
  }

  // The monitor (RandR CRTC) that holds the window's centre; the whole screen at an unknown
  // rate where RandR tells nothing.
  Monitor MonitorOfWindow() {
    const int screen = DefaultScreen(state.display);
    Monitor monitor;
    monitor.area = ScreenRectangle{0, 0, static_cast<unsigned>(DisplayWidth(state.display, screen)),
                                   static_cast<unsigned>(DisplayHeight(state.display, screen))};
    int eventBase = 0;
    int errorBase = 0;
    if (!XRRQueryExtension(state.display, &eventBase, &errorBase)) {
      return monitor;
    }
    const ScreenRectangle window = WindowRectangle();
    const int centreX = window.x + static_cast<int>(window.width / 2);
    const int centreY = window.y + static_cast<int>(window.height / 2);
    XRRScreenResources* resources =
        XRRGetScreenResourcesCurrent(state.display, RootWindow(state.display, screen));
    if (resources == nullptr) {
      return monitor;
    }
    for (int i = 0; i < resources->ncrtc; ++i) {
      XRRCrtcInfo* crtc = XRRGetCrtcInfo(state.display, resources, resources->crtcs[i]);
      const bool holdsWindow = crtc != nullptr && crtc->mode != None && centreX >= crtc->x &&
                               centreY >= crtc->y && centreX < crtc->x + static_cast<int>(crtc->width) &&
                               centreY < crtc->y + static_cast<int>(crtc->height);
      if (holdsWindow) {
        monitor.area = ScreenRectangle{crtc->x, crtc->y, crtc->width, crtc->height};
        for (int m = 0; m < resources->nmode; ++m) {
          if (resources->modes[m].id == crtc->mode) {
            monitor.refreshRate = RefreshRateOf(resources->modes[m]);
          }
        }
      }
      XRRFreeCrtcInfo(crtc);
      if (holdsWindow) {
        break;
      }
    }
    XRRFreeScreenResources(resources);
    return monitor;
  }

  // Without a window manager nobody else will make the window fullscreen: cover the monitor
  // ourselves. Nothing stops other windows from being raised above it then, and there is no
  // frame to hide; a bare server shows no frames anyway.
  void MoveOverMonitor() {
    state.windowedRectangle = WindowRectangle();
    const ScreenRectangle monitor = MonitorOfWindow().area;
    XMoveResizeWindow(state.display, state.window, monitor.x, monitor.y, monitor.width,
                      monitor.height);
    XRaiseWindow(state.display, state.window);
  }

  void MoveBackToWindowedRectangle() {
    const ScreenRectangle& windowed = state.windowedRectangle;
    XMoveResizeWindow(state.display, state.window, windowed.x, windowed.y, windowed.width,
                      windowed.height);
  }

  // Reports the client size the loop should know now, when it differs from the last report.
  bool ReportSize(Message& message) {
    const std::int32_t width = state.mapped ? state.configuredWidth : 0;
    const std::int32_t height = state.mapped ? state.configuredHeight : 0;
    if (width == state.reportedWidth && height == state.reportedHeight) {
      return false;
    }
    state.reportedWidth = width;
    state.reportedHeight = height;
    message.message = kMessageSize;
    message.wParam = state.mapped ? 0 : kSizeMinimized;
    message.lParam = SizeParameter(width, height);
    return true;
  }

  bool IsAutoRepeatRelease(const XEvent& release) {
    // Without detectable auto-repeat a repeat shows as a release followed at once by a press of
    // the same key with the same time stamp.
    if (state.detectableAutoRepeat || XEventsQueued(state.display, QueuedAfterReading) == 0) {
      return false;
    }
    XEvent next;
    XPeekEvent(state.display, &next);
    return next.type == KeyPress && next.xkey.keycode == release.xkey.keycode &&
           next.xkey.time == release.xkey.time;
  }

  bool Translate(XEvent& event, Message& message) {
    // Events for a window we no longer have (or never had) carry nothing for the loop.
    if (state.window == 0 || event.xany.window != state.window) {
      return false;
    }
    message = Message{state.window, 0, 0, 0};
    switch (event.type) {
      case KeyPress:
      case KeyRelease: {
        const std::uint32_t virtualKey = VirtualKeyFromKeySym(XLookupKeysym(&event.xkey, 0));
        if (virtualKey == 0) {
          return false;
        }
        if (event.type == KeyPress) {
          message.message = kMessageKeyDown;
          message.wParam = virtualKey;
          message.lParam = state.downKeys[virtualKey] ? kKeyWasDownBit : 0;
          state.downKeys[virtualKey] = true;
          // Windows sends Return pressed with Alt held as a system key, which is no game key.
          if ((event.xkey.state & Mod1Mask) != 0 && virtualKey == 0x0D) {
            message.message = kMessageSystemKeyDown;
            message.lParam |= kKeyAltDownBit;
          }
        } else {
          if (IsAutoRepeatRelease(event)) {
            return false;
          }
          message.message = kMessageKeyUp;
          message.wParam = virtualKey;
          message.lParam = kKeyWasDownBit;
          state.downKeys[virtualKey] = false;
        }
        return true;
      }
      case ButtonPress:
      case ButtonRelease: {
        const bool down = event.type == ButtonPress;
        switch (event.xbutton.button) {
          case Button1: message.message = down ? kMessageLeftButtonDown : kMessageLeftButtonUp; break;
          case Button2: message.message = down ? kMessageMiddleButtonDown : kMessageMiddleButtonUp; break;
          case Button3: message.message = down ? kMessageRightButtonDown : kMessageRightButtonUp; break;
          default: return false;  // wheel and extra buttons are not tracked
        }
        return true;
      }
      case FocusIn:
      case FocusOut:
        message.message = kMessageActivate;
        message.wParam = event.type == FocusIn ? 1 : 0;
        return true;
      case ConfigureNotify:
        state.configuredWidth = event.xconfigure.width;
        state.configuredHeight = event.xconfigure.height;
        return ReportSize(message);
      case MapNotify:
        state.mapped = true;
        return ReportSize(message);
      case UnmapNotify:
        // Iconified or withdrawn: nothing can be seen, as with a minimized window on Windows.
        state.mapped = false;
        return ReportSize(message);
      case Expose:
        if (event.xexpose.count != 0) {
          return false;
        }
        message.message = kMessagePaint;
        return true;
      case ClientMessage:
        // The window manager's close button arrives as WM_DELETE_WINDOW, matched by atom.
        if (static_cast<Atom>(event.xclient.data.l[0]) != state.deleteWindowAtom) {
          return false;
        }
        message.message = kMessageClose;
        return true;
      default:
        return false;
    }
  }

  State state;
};

X11WindowSystem& TheX11WindowSystem() {
  static X11WindowSystem windowSystem;
  return windowSystem;
}

}  // namespace

WindowSystem& NativeWindowSystem() {
  return TheX11WindowSystem();
}

Display* X11Display() {
  return TheX11WindowSystem().display();
}

::Window X11Window() {
  return TheX11WindowSystem().window();
}

}  // namespace Kelpforge::Application::kfImplementation
