// The Win32/WGL platform against a real window system (Wine inside Xvfb in the test runs): the
// window class, the window's geometry and caption as USER32 reports them, the pixel format and
// context, and posted window messages going through the real queue and dispatch into the key
// state and the handler.
#include "kelpforge/application/implementation/windows/kfi_realtime_windows_application.h"

#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "kelpforge/application/implementation/kf_window_system.h"
#include "kelpforge/application/kf_application.h"
#include "kelpforge/application/kf_input.h"
#include "tests/support/gl_surface.h"
#include "tests/support/scripted_platform.h"

namespace {

namespace App = Kelpforge::Application;
using namespace Kelpforge::Application::kfImplementation;
using KelpforgeTests::RecordingHandler;

constexpr WPARAM kVirtualKeyW = 0x57;
constexpr LPARAM kFirstPress = 0x00110001;    // repeat count 1, scan code of W
constexpr LPARAM kAutoRepeat = 0x40110001;    // the same with bit 30: the key was already down
constexpr LPARAM kRelease = 0xC0110001;       // key-up: bits 30 and 31
const LPCWSTR kSystemArrowCursor = MAKEINTRESOURCEW(32512);
const LPCWSTR kSystemApplicationIcon = MAKEINTRESOURCEW(32512);

bool QuitIsPending() {
  MSG message;
  return PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != 0;
}

std::wstring Caption() {
  wchar_t text[256] = {};
  const int length = GetWindowTextW(Win32Window(), text, 256);
  return std::wstring(text, static_cast<std::size_t>(length));
}

int CountOf(const std::vector<std::string>& events, const std::string& event) {
  return static_cast<int>(std::count(events.begin(), events.end(), event));
}

// The notifications a handler received in the drain of the pass now updating: those after
// `seen` of them, leaving out the update itself. Moves `seen` past them.
std::vector<std::string> ArrivedThisPass(const RecordingHandler& handler, std::size_t& seen) {
  std::vector<std::string> arrived(handler.events.begin() + static_cast<long>(seen),
                                   handler.events.end() - 1);
  seen = handler.events.size();
  return arrived;
}

// The native window system with a log of the present path, so a test can see which presents a
// pass made and where they came from.
class PresentRecorder final : public WindowSystem {
public:
  WindowHandle RegisterAndCreateWindow(std::int32_t width, std::int32_t height) override {
    return Native().RegisterAndCreateWindow(width, height);
  }
  void FitClientArea(WindowHandle window, std::int32_t width, std::int32_t height) override {
    Native().FitClientArea(window, width, height);
  }
  void CreateRenderContext(WindowHandle window) override { Native().CreateRenderContext(window); }
  void DestroyRenderContext(WindowHandle window) override { Native().DestroyRenderContext(window); }
  void ShowAppWindow(WindowHandle window) override { Native().ShowAppWindow(window); }
  void DestroyAppWindow(WindowHandle window) override { Native().DestroyAppWindow(window); }
  bool TakeNextMessage(Message& message) override { return Native().TakeNextMessage(message); }
  void DispatchTakenMessage(const Message& message) override {
    Native().DispatchTakenMessage(message);
  }
  void PostQuit(int exitCode) override { Native().PostQuit(exitCode); }
  std::intptr_t CallDefaultProcedure(const Message& message) override {
    return Native().CallDefaultProcedure(message);
  }
  DeviceContext AcquireDeviceContext(WindowHandle window) override {
    log.push_back("Acquire");
    return Native().AcquireDeviceContext(window);
  }
  void ReleaseDeviceContext(WindowHandle window, DeviceContext deviceContext) override {
    log.push_back("Release");
    Native().ReleaseDeviceContext(window, deviceContext);
  }
  void PresentBackBuffer(DeviceContext deviceContext) override {
    log.push_back("Present");
    Native().PresentBackBuffer(deviceContext);
  }
  void SetCaption(WindowHandle window, const std::wstring& caption) override {
    Native().SetCaption(window, caption);
  }
  void SetFullscreen(WindowHandle window, bool fullscreen) override {
    Native().SetFullscreen(window, fullscreen);
  }
  std::int64_t ClockNanoseconds() override { return Native().ClockNanoseconds(); }
  void SleepUntil(std::int64_t nanoseconds) override { Native().SleepUntil(nanoseconds); }
  double RefreshRate(WindowHandle window) override { return Native().RefreshRate(window); }

  std::vector<std::string> log;

private:
  static WindowSystem& Native() { return NativeWindowSystem(); }
};

class Win32PlatformTest : public testing::Test {
protected:
  void SetUp() override {
    ResetApplicationState();
    DrainThreadQueue();
  }
  void TearDown() override {
    SetWindowSystem(nullptr);
    if (Win32Window() != nullptr && IsWindow(Win32Window())) {
      DestroyWindow(Win32Window());
    }
    DrainThreadQueue();
    ResetApplicationState();
  }

  // A test that ran a window before leaves its quit message and stray posts behind.
  static void DrainThreadQueue() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE) != 0) {
    }
  }

  static void Post(UINT message, WPARAM wParam, LPARAM lParam) {
    PostMessageW(Win32Window(), message, wParam, lParam);
  }

  RecordingHandler handler;
};

TEST_F(Win32PlatformTest, WindowClassAndStyleAreTheOnesAskedFor) {
  App::Open(handler);
  ASSERT_NE(Win32Window(), nullptr);

  WNDCLASSW windowClass{};
  ASSERT_NE(GetClassInfoW(GetModuleHandleW(nullptr), L"KelpforgeApplication", &windowClass), 0);
  EXPECT_EQ(windowClass.style, static_cast<UINT>(CS_HREDRAW | CS_VREDRAW));
  EXPECT_EQ(windowClass.hbrBackground, reinterpret_cast<HBRUSH>(5));
  EXPECT_EQ(windowClass.hCursor, LoadCursorW(nullptr, kSystemArrowCursor));
  EXPECT_EQ(windowClass.hIcon, LoadIconW(nullptr, kSystemApplicationIcon));
  EXPECT_EQ(windowClass.cbClsExtra, 0);
  EXPECT_EQ(windowClass.cbWndExtra, 0);
  EXPECT_EQ(windowClass.lpszMenuName, nullptr);

  wchar_t className[64] = {};
  GetClassNameW(Win32Window(), className, 64);
  EXPECT_EQ(std::wstring(className), L"KelpforgeApplication");
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(Win32Window(), GWL_STYLE));
  EXPECT_EQ(style & ~static_cast<DWORD>(WS_VISIBLE), 0x6CF0000u);
  EXPECT_TRUE(IsWindowVisible(Win32Window()));
  EXPECT_EQ(GetParent(Win32Window()), nullptr);
  App::Close(handler);
}

TEST_F(Win32PlatformTest, ClientAreaIsExactlyTheRequestedSizeWhateverTheFrameTakes) {
  struct Size {
    int width, height;
  };
  for (const Size size : {Size{1280, 720}, Size{640, 480}}) {
    ResetApplicationState();
    handler.requestedWidth = size.width == 1280 ? 0 : size.width;  // 0: keep the default
    handler.requestedHeight = size.width == 1280 ? 0 : size.height;
    App::Open(handler);
    ASSERT_NE(Win32Window(), nullptr);

    RECT client{};
    RECT outer{};
    GetClientRect(Win32Window(), &client);
    GetWindowRect(Win32Window(), &outer);
    EXPECT_EQ(client.right - client.left, size.width);
    EXPECT_EQ(client.bottom - client.top, size.height);
    EXPECT_EQ(outer.left, 50);
    EXPECT_EQ(outer.top, 50);
    // The frame and caption took room, which the fit gave back to the client area.
    EXPECT_GT(outer.right - outer.left, size.width);
    EXPECT_GT(outer.bottom - outer.top, size.height);
    App::Close(handler);
  }
}

class ContextProbe final : public RecordingHandler {
public:
  void OnWindowOpen() override {
    RecordingHandler::OnWindowOpen();
    contextCurrent = wglGetCurrentContext() != nullptr;
    visibleAtOpen = IsWindowVisible(Win32Window()) != 0;
    surface = KelpforgeTests::ReadGlSurface();
  }
  bool contextCurrent = false;
  bool visibleAtOpen = true;
  KelpforgeTests::GlSurface surface;
};

TEST_F(Win32PlatformTest, ContextIsCurrentInOnWindowOpenBeforeTheWindowShowsAndGoneAfterClose) {
  ContextProbe probe;
  App::Open(probe);
  EXPECT_TRUE(probe.contextCurrent);
  EXPECT_FALSE(probe.visibleAtOpen);
  KelpforgeTests::ExpectRequestedSurface(probe.surface);
  EXPECT_EQ(CountOf(probe.events, "OnWindowOpen"), 1);

  // The pixel format the window got answers the request.
  const HDC deviceContext = GetDC(Win32Window());
  PIXELFORMATDESCRIPTOR format{};
  const int index = GetPixelFormat(deviceContext);
  ASSERT_GT(index, 0);
  DescribePixelFormat(deviceContext, index, sizeof(format), &format);
  ReleaseDC(Win32Window(), deviceContext);
  const DWORD wanted = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
  EXPECT_EQ(format.dwFlags & wanted, wanted);
  EXPECT_EQ(format.iPixelType, PFD_TYPE_RGBA);
  EXPECT_EQ(format.cRedBits, 8);
  EXPECT_EQ(format.cGreenBits, 8);
  EXPECT_EQ(format.cBlueBits, 8);
  EXPECT_GE(format.cDepthBits, 16);
  EXPECT_EQ(format.cStencilBits, 8);

  const HWND window = Win32Window();
  App::Close(probe);
  EXPECT_EQ(wglGetCurrentContext(), nullptr);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(CountOf(probe.events, "OnWindowClose"), 1);
  // Close leaves the quit message that the destruction posted in the queue, unread.
  EXPECT_TRUE(QuitIsPending());
}

TEST_F(Win32PlatformTest, ANewWindowForgetsTheQuitThatClosingTheLastOneLeft) {
  App::Open(handler);
  App::Close(handler);
  ASSERT_TRUE(QuitIsPending());

  ResetApplicationState();
  RecordingHandler second;
  App::Open(second);
  second.onUpdate = [&](int pass) {
    if (pass == 2) {
      App::Close(second);
    }
  };
  App::Run(second);
  EXPECT_EQ(second.updateCount, 2);
}

TEST_F(Win32PlatformTest, CaptionIsSetThroughSetWindowTextW) {
  App::Open(handler);
  EXPECT_EQ(Caption(), L"Kelpforge Project");
  App::SetWindowTitle("Rally Court");
  EXPECT_EQ(Caption(), L"Rally Court");
  App::SetWindowTitle("");
  EXPECT_EQ(Caption(), L"");
  EXPECT_EQ(GetWindowTextLengthW(Win32Window()), 0);
  App::Close(handler);
}

// The state of W and the three mouse buttons as the program sees it during a pass.
std::string InputSeen() {
  std::string seen = App::IsKeyDown(App::KeyW) ? "W down" : "W up";
  if (App::IsKeyPressed(App::KeyW)) {
    seen += " pressed";
  }
  seen += App::IsKeyDown(App::KeyMouseLeft) ? ", L" : ", -";
  seen += App::IsKeyDown(App::KeyMouseRight) ? "R" : "-";
  seen += App::IsKeyDown(App::KeyMouseMiddle) ? "M" : "-";
  return seen;
}

int KeysDown() {
  int down = 0;
  for (int key = 0; key < App::KeyCount; ++key) {
    down += App::IsKeyDown(static_cast<App::Key>(key)) ? 1 : 0;
  }
  return down;
}

TEST_F(Win32PlatformTest, PostedKeyAndMouseMessagesReachTheKeyStateThroughTheQueue) {
  App::Open(handler);
  std::vector<std::string> seen;
  std::vector<int> keysDown;
  handler.onUpdate = [&](int pass) {
    seen.push_back(InputSeen());
    keysDown.push_back(KeysDown());
    switch (pass) {
      case 1:
        Post(WM_KEYDOWN, kVirtualKeyW, kFirstPress);
        Post(WM_KEYDOWN, VK_NUMLOCK, kFirstPress);  // untracked keys change nothing
        Post(WM_KEYDOWN, VK_SHIFT, kFirstPress);
        break;
      case 2: Post(WM_KEYDOWN, kVirtualKeyW, kAutoRepeat); break;
      case 3: Post(WM_KEYUP, kVirtualKeyW, kRelease); break;
      case 4: Post(WM_KEYDOWN, kVirtualKeyW, kAutoRepeat); break;  // bit 30 alone is no press
      case 5:
        Post(WM_LBUTTONDOWN, MK_LBUTTON, 0);
        Post(WM_RBUTTONDOWN, MK_RBUTTON, 0);
        Post(WM_MBUTTONDOWN, MK_MBUTTON, 0);
        break;
      case 6:
        Post(WM_LBUTTONUP, 0, 0);
        Post(WM_RBUTTONUP, 0, 0);
        Post(WM_MBUTTONUP, 0, 0);
        break;
      case 7:
        // Down and up again within one drain: a tap, pressed in that pass though not down.
        Post(WM_KEYDOWN, kVirtualKeyW, kFirstPress);
        Post(WM_KEYUP, kVirtualKeyW, kRelease);
        break;
      default: App::Close(handler); break;
    }
  };
  App::Run(handler);
  EXPECT_EQ(seen, std::vector<std::string>({"W up, ---", "W down pressed, ---", "W down, ---",
                                            "W up, ---", "W up, ---", "W up, LRM", "W up, ---",
                                            "W up pressed, ---"}));
  EXPECT_EQ(keysDown, std::vector<int>({0, 1, 1, 0, 0, 3, 0, 0}));
}

TEST_F(Win32PlatformTest, ActivationWithParameterTwoIsActiveAndDeactivationKeepsKeysDown) {
  App::Open(handler);
  std::vector<std::vector<std::string>> eventsByPass;
  std::size_t seen = 0;
  std::vector<bool> wDown;
  handler.onUpdate = [&](int pass) {
    eventsByPass.push_back(ArrivedThisPass(handler, seen));
    wDown.push_back(App::IsKeyDown(App::KeyW));
    switch (pass) {
      case 1:
        Post(WM_KEYDOWN, kVirtualKeyW, kFirstPress);
        Post(WM_ACTIVATE, WA_CLICKACTIVE, 0);  // 2: activated by a click
        break;
      case 2: Post(WM_ACTIVATE, WA_INACTIVE, 0); break;
      case 3: Post(WM_ACTIVATE, WA_ACTIVE, 0); break;
      default: App::Close(handler); break;
    }
  };
  App::Run(handler);
  ASSERT_EQ(eventsByPass.size(), 4u);
  EXPECT_EQ(eventsByPass[1], std::vector<std::string>({"OnBecomeActive"}));
  EXPECT_EQ(eventsByPass[2], std::vector<std::string>({"OnBecomeInactive"}));
  EXPECT_EQ(eventsByPass[3], std::vector<std::string>({"OnBecomeActive"}));
  EXPECT_EQ(wDown, std::vector<bool>({false, true, true, true}));
}

class QuitWatcher final : public RecordingHandler {
public:
  void OnWindowClose() override {
    RecordingHandler::OnWindowClose();
    quitPendingAtClose = QuitIsPending();
  }
  bool quitPendingAtClose = true;
};

TEST_F(Win32PlatformTest, DestroyWindowGivesOnWindowCloseThenTheQuitMessageAndRunEnds) {
  QuitWatcher watcher;
  App::Open(watcher);
  bool closedInsideDestroy = false;
  bool quitPendingAfterDestroy = false;
  watcher.onUpdate = [&](int pass) {
    if (pass == 2) {
      DestroyWindow(Win32Window());
      closedInsideDestroy = CountOf(watcher.events, "OnWindowClose") == 1;
      quitPendingAfterDestroy = QuitIsPending();
    }
    if (pass > 50) {
      App::Close(watcher);  // never reached when the quit message ends the loop
    }
  };
  App::Run(watcher);
  EXPECT_TRUE(closedInsideDestroy);
  EXPECT_FALSE(watcher.quitPendingAtClose);
  EXPECT_TRUE(quitPendingAfterDestroy);
  EXPECT_EQ(watcher.updateCount, 2);
  EXPECT_EQ(CountOf(watcher.events, "OnWindowClose"), 1);
  EXPECT_FALSE(IsWindow(Win32Window()));
  EXPECT_FALSE(QuitIsPending());  // Run took it
}

TEST_F(Win32PlatformTest, TheUsersCloseCommandDestroysTheWindowThroughTheDefaultProcedure) {
  App::Open(handler);
  handler.onUpdate = [&](int pass) {
    if (pass == 2) {
      Post(WM_CLOSE, 0, 0);
    }
    if (pass > 50) {
      App::Close(handler);
    }
  };
  App::Run(handler);
  // The close, the destruction and the quit all happen in the third pass's drain.
  EXPECT_EQ(handler.updateCount, 2);
  EXPECT_EQ(CountOf(handler.events, "OnWindowClose"), 1);
  EXPECT_EQ(handler.events.back(), "OnWindowClose");
  EXPECT_FALSE(IsWindow(Win32Window()));
}

TEST_F(Win32PlatformTest, APaintPresentsOnceAndNeverCallsTheHandler) {
  PresentRecorder recorder;
  SetWindowSystem(&recorder);
  App::Open(handler);
  std::vector<std::vector<std::string>> logByPass;
  std::vector<std::vector<std::string>> eventsByPass;
  std::size_t seen = 0;
  handler.onUpdate = [&](int pass) {
    logByPass.push_back(recorder.log);
    recorder.log.clear();
    eventsByPass.push_back(ArrivedThisPass(handler, seen));
    switch (pass) {
      case 3: InvalidateRect(Win32Window(), nullptr, FALSE); break;
      case 5: App::Close(handler); break;
      default: break;
    }
  };
  App::Run(handler);
  ASSERT_EQ(logByPass.size(), 5u);
  // Pass 4: the previous pass's own present, then the repaint's acquire, present and release.
  EXPECT_EQ(logByPass[3], std::vector<std::string>({"Present", "Acquire", "Present", "Release"}));
  EXPECT_TRUE(eventsByPass[3].empty());
  // Pass 5: nothing to repaint, only the previous pass's present.
  EXPECT_EQ(logByPass[4], std::vector<std::string>({"Present"}));
}

TEST_F(Win32PlatformTest, ADragResizeReachesTheLoopOnceWhenItEnds) {
  App::Open(handler);
  SendMessageW(Win32Window(), WM_ENTERSIZEMOVE, 0, 0);
  SetWindowPos(Win32Window(), nullptr, 0, 0, 900, 600, SWP_NOZORDER | SWP_NOMOVE);
  SetWindowPos(Win32Window(), nullptr, 0, 0, 1000, 700, SWP_NOZORDER | SWP_NOMOVE);
  EXPECT_EQ(CurrentDrawingSpace().clientWidth, 1280);  // held back while the drag goes on
  SendMessageW(Win32Window(), WM_EXITSIZEMOVE, 0, 0);
  RECT client{};
  GetClientRect(Win32Window(), &client);
  EXPECT_EQ(CurrentDrawingSpace().clientWidth, client.right);
  EXPECT_EQ(CurrentDrawingSpace().clientHeight, client.bottom);
  EXPECT_EQ(CurrentDrawingSpace().viewport.width, client.right);  // narrower than 16:9
  App::Close(handler);
}

// The colour of the window's client pixel (x, y) as the screen shows it.
COLORREF ShownPixel(int x, int y) {
  POINT point{x, y};
  ClientToScreen(Win32Window(), &point);
  const HDC screen = GetDC(nullptr);
  const COLORREF colour = GetPixel(screen, point.x, point.y);
  ReleaseDC(nullptr, screen);
  return colour;
}

TEST_F(Win32PlatformTest, APaintShowsWhatTheBackBufferHolds) {
  App::Open(handler);
  COLORREF beforePaint = 0;
  COLORREF afterPaint = 0;
  handler.onUpdate = [&](int pass) {
    if (pass == 2) {
      glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
      glClear(GL_COLOR_BUFFER_BIT);
      glFinish();
      beforePaint = ShownPixel(640, 360);
      // UpdateWindow sends the paint message at once, so it presents inside this update.
      InvalidateRect(Win32Window(), nullptr, FALSE);
      UpdateWindow(Win32Window());
      afterPaint = ShownPixel(640, 360);
      App::Close(handler);
    }
  };
  App::Run(handler);
  EXPECT_EQ(beforePaint, RGB(0, 0, 0));  // the frame of pass 1, cleared at open
  EXPECT_EQ(afterPaint, RGB(0, 255, 0));
}

}  // namespace
