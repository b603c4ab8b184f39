// Native handle of the Win32/WGL platform, for tests that inspect the real window.
#pragma once

#include <windows.h>

namespace Kelpforge::Application::kfImplementation {

// The window made by the latest creation (null before the first); IsWindow tells whether it
// still exists.
HWND Win32Window();

}  // namespace Kelpforge::Application::kfImplementation
