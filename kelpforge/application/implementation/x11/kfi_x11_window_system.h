// Native handles of the X11/GLX platform, for tests that inspect the real window on the server.
#pragma once

#include <X11/Xlib.h>

namespace Kelpforge::Application::kfImplementation {

// The platform's display connection (null before the first window or when none could be opened).
Display* X11Display();
// The platform's window (0 when there is none).
::Window X11Window();

}  // namespace Kelpforge::Application::kfImplementation
