// Native handle of the Win32/WGL platform, for tests that inspect the real window.
#pragma once

#include <windows.h>

namespace Kelpforge::Application::kfImplementation {

// The platform's window (null before the first window and after it is destroyed).
HWND Win32Window();

}  // namespace Kelpforge::Application::kfImplementation
