// The run loop's pacing: decides from the measured passes whether the buffer swap already waits
// for the display, and otherwise sleeps to an absolute deadline one refresh period after the
// last, so waking late never adds up. Only when a pass starts changes; what a pass does does not.
#include "kelpforge/application/implementation/kf_frame_pacing.h"

namespace Kelpforge::Application::kfImplementation {

namespace {

constexpr double kUnknownRefreshRate = 60.0;
// Passes timed before each decision, and the share of the refresh period from which a pass
// counts as paced by the display.
constexpr int kSampledPasses = 30;
constexpr double kDisplayPacedShare = 0.75;
constexpr std::int64_t kNanosecondsPerSecond = 1'000'000'000;

}  // namespace

void FramePacer::Start(WindowSystem& windowSystem, WindowHandle window) {
  *this = FramePacer{};
  ReadRefreshRate(windowSystem, window);
  passStart = windowSystem.ClockNanoseconds();
  deadline = passStart;
}

void FramePacer::ReadRefreshRate(WindowSystem& windowSystem, WindowHandle window) {
  double rate = windowSystem.RefreshRate(window);
  // Rates below 20 Hz or above 1 kHz are no monitor's; they come from broken mode lines.
  if (!(rate >= 20.0 && rate <= 1000.0)) {
    rate = kUnknownRefreshRate;
  }
  period = static_cast<std::int64_t>(static_cast<double>(kNanosecondsPerSecond) / rate + 0.5);
}

void FramePacer::EndPass(WindowSystem& windowSystem, WindowHandle window, bool presented) {
  const std::int64_t now = windowSystem.ClockNanoseconds();
  if (presented) {
    // A swap that waits for the display stretches the pass (the present itself, or the next
    // GL call for drivers that queue swaps) to about a refresh period. A pass that long gains
    // nothing from sleeping either.
    if (static_cast<double>(now - passStart) >= kDisplayPacedShare * static_cast<double>(period)) {
      ++displayPaced;
    }
    if (++sampled == kSampledPasses) {
      swapWaits = 2 * displayPaced > sampled;
      sampled = 0;
      displayPaced = 0;
      ReadRefreshRate(windowSystem, window);  // the window may have moved to another monitor
    }
    if (swapWaits) {
      deadline = now;
      passStart = now;
      return;
    }
  }

  // A pass up to one period late is made up by the next; further behind, the deadlines start
  // again from now rather than running a burst of passes to catch up.
  deadline += period;
  if (deadline < now - period) {
    deadline = now;
  }
  if (deadline > now) {
    windowSystem.SleepUntil(deadline);
  }
  passStart = windowSystem.ClockNanoseconds();
}

}  // namespace Kelpforge::Application::kfImplementation
