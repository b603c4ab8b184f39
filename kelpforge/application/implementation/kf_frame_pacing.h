// When the next pass of the run loop starts. Where the buffer swap waits for the display the
// passes follow each other at once; where it does not (no swap control, vsync off, many virtual
// machines and remote desktops) the loop sleeps to the next refresh instead of spinning. A pass
// that presents nothing (a minimized window) always sleeps.
#pragma once

#include <cstdint>

#include "kelpforge/application/implementation/kf_window_system.h"

namespace Kelpforge::Application::kfImplementation {

class FramePacer {
public:
  // Forgets what earlier runs measured and reads the refresh rate (60 Hz when unknown).
  void Start(WindowSystem& windowSystem, WindowHandle window);
  // Called at the end of every pass, after the present when there was one.
  void EndPass(WindowSystem& windowSystem, WindowHandle window, bool presented);

private:
  void ReadRefreshRate(WindowSystem& windowSystem, WindowHandle window);

  std::int64_t period = 0;       // nanoseconds per refresh
  std::int64_t deadline = 0;     // when the next pass may start
  std::int64_t passStart = 0;    // when this pass started, after any sleep
  bool swapWaits = true;         // until the first decision, as the loop always was
  int sampled = 0;
  int displayPaced = 0;
};

}  // namespace Kelpforge::Application::kfImplementation
