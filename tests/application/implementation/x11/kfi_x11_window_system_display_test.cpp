// The X11/GLX platform against a real X server (Xvfb in the test runs): window geometry and
// caption as the server sees them, XTest key input, the window manager's close request, and
// the GL context's availability inside OnWindowOpen.
// GoogleTest comes before the X headers, whose None and Bool macros would clash with it.
#include <gtest/gtest.h>

#include "kelpforge/application/implementation/x11/kfi_x11_window_system.h"

#include <GL/gl.h>
#include <GL/glx.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

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

class X11PlatformTest : public testing::Test {
protected:
  void SetUp() override { ResetApplicationState(); }
  void TearDown() override { ResetApplicationState(); }

  static std::string NetWmName() {
    Display* display = X11Display();
    const Atom property = XInternAtom(display, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(display, X11Window(), property, 0, 1024, False, utf8, &type, &format, &count,
                       &after, &data);
    std::string name(reinterpret_cast<const char*>(data), count);
    XFree(data);
    return name;
  }

  static std::string WmName() {
    char* name = nullptr;
    XFetchName(X11Display(), X11Window(), &name);
    std::string result = name != nullptr ? name : "";
    XFree(name);
    return result;
  }

  struct Geometry {
    int x, y;
    unsigned width, height;
  };

  static Geometry WindowGeometry() {
    XWindowAttributes attributes{};
    XGetWindowAttributes(X11Display(), X11Window(), &attributes);
    int rootX = 0;
    int rootY = 0;
    ::Window child = 0;
    XTranslateCoordinates(X11Display(), X11Window(), attributes.root, 0, 0, &rootX, &rootY, &child);
    return {rootX, rootY, static_cast<unsigned>(attributes.width), static_cast<unsigned>(attributes.height)};
  }

  // Sends a key through XTest on the platform's own connection; XSync makes the resulting
  // events wait on that connection for the next drain.
  static void FakeKey(KeySym keySym, bool down) {
    Display* display = X11Display();
    XTestFakeKeyEvent(display, XKeysymToKeycode(display, keySym), down ? True : False, CurrentTime);
    XSync(display, False);
  }

  RecordingHandler handler;
};

TEST_F(X11PlatformTest, ClientAreaIsExactlyTheRequestedSizeAt50By50) {
  App::Open(handler);
  ASSERT_NE(X11Window(), 0u);
  Geometry geometry = WindowGeometry();
  EXPECT_EQ(geometry.width, 1280u);
  EXPECT_EQ(geometry.height, 720u);
  EXPECT_EQ(geometry.x, 50);
  EXPECT_EQ(geometry.y, 50);
  App::Close(handler);

  ResetApplicationState();
  handler.requestedWidth = 640;
  handler.requestedHeight = 480;
  App::Open(handler);
  geometry = WindowGeometry();
  EXPECT_EQ(geometry.width, 640u);
  EXPECT_EQ(geometry.height, 480u);
  App::Close(handler);
}

TEST_F(X11PlatformTest, CaptionReadsBackFromTheServer) {
  App::Open(handler);
  EXPECT_EQ(WmName(), "Kelpforge Project");
  EXPECT_EQ(NetWmName(), "Kelpforge Project");
  App::SetWindowTitle("Rally Court");
  EXPECT_EQ(WmName(), "Rally Court");
  EXPECT_EQ(NetWmName(), "Rally Court");
  App::SetWindowTitle("");
  EXPECT_EQ(WmName(), "");
  EXPECT_EQ(NetWmName(), "");
  App::Close(handler);
}

class ContextProbe final : public RecordingHandler {
public:
  void OnWindowOpen() override {
    contextCurrent = glXGetCurrentContext() != nullptr;
    surface = KelpforgeTests::ReadGlSurface();
  }
  bool contextCurrent = false;
  KelpforgeTests::GlSurface surface;
};

TEST_F(X11PlatformTest, OpenGLContextIsCurrentInsideOnWindowOpen) {
  ContextProbe probe;
  App::Open(probe);
  EXPECT_TRUE(probe.contextCurrent);
  KelpforgeTests::ExpectRequestedSurface(probe.surface);
  App::Close(probe);
  EXPECT_EQ(glXGetCurrentContext(), nullptr);
}

TEST_F(X11PlatformTest, XTestKeysReachTheKeyStateAndRepeatsPressOnce) {
  App::Open(handler);
  XSetInputFocus(X11Display(), X11Window(), RevertToParent, CurrentTime);
  XSync(X11Display(), False);

  std::vector<std::string> seen;
  handler.onUpdate = [&](int pass) {
    seen.push_back(std::string(App::IsKeyDown(App::KeyW) ? "down" : "up") +
                   (App::IsKeyPressed(App::KeyW) ? "+pressed" : ""));
    switch (pass) {
      case 1: FakeKey(XK_w, true); break;
      case 2: FakeKey(XK_w, true); break;  // a second press without release: a repeat
      case 3: FakeKey(XK_w, true); break;
      case 4: FakeKey(XK_w, false); break;
      case 5: App::Close(handler); break;
    }
  };
  App::Run(handler);
  EXPECT_EQ(seen, std::vector<std::string>({"up", "down+pressed", "down", "down", "up"}));
}

TEST_F(X11PlatformTest, WindowManagerCloseEndsRunWithOneOnWindowClose) {
  App::Open(handler);
  handler.onUpdate = [&](int pass) {
    if (pass == 2) {
      Display* display = X11Display();
      XEvent event{};
      event.xclient.type = ClientMessage;
      event.xclient.window = X11Window();
      event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
      event.xclient.format = 32;
      event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
      event.xclient.data.l[1] = CurrentTime;
      XSendEvent(display, X11Window(), False, NoEventMask, &event);
      XSync(display, False);
    }
    if (pass > 50) {
      App::Close(handler);  // never reached when the close request works
    }
  };
  App::Run(handler);
  EXPECT_EQ(handler.updateCount, 2);
  EXPECT_EQ(std::count(handler.events.begin(), handler.events.end(), "OnWindowClose"), 1);
  EXPECT_EQ(X11Window(), 0u);
}

}  // namespace
