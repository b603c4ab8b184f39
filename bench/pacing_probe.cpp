// The real Rally Court loop timed from outside, with nothing added to the product: the game's own
// library, a window system wrapped around the native one that stamps every present, and a court
// that counts its simulated steps. After the given seconds it closes the game and prints the
// frame intervals (p50, p99, max), simulated time against wall time, the refresh rate the window
// system reports and the process's CPU over the run, one "name value" pair a line.
//   pacing_probe <seconds> (run from the repository root, which holds data/)
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "kelpforge/application/implementation/kf_window_system.h"
#include "kelpforge/application/kf_application.h"
#include "kelpforge/game/kf_game_application.h"
#include "kelpforge/graphics/kf_sprite_manager.h"
#include "rally_court/rally_court_scene.h"

namespace {

using namespace Kelpforge::Application::kfImplementation;

class StampingWindowSystem final : public WindowSystem {
public:
  StampingWindowSystem() { presents.reserve(1'000'000); }

  WindowHandle RegisterAndCreateWindow(std::int32_t width, std::int32_t height) override {
    return native.RegisterAndCreateWindow(width, height);
  }
  void FitClientArea(WindowHandle window, std::int32_t width, std::int32_t height) override {
    native.FitClientArea(window, width, height);
  }
  void CreateRenderContext(WindowHandle window) override { native.CreateRenderContext(window); }
  void DestroyRenderContext(WindowHandle window) override { native.DestroyRenderContext(window); }
  void ShowAppWindow(WindowHandle window) override { native.ShowAppWindow(window); }
  void DestroyAppWindow(WindowHandle window) override { native.DestroyAppWindow(window); }
  bool TakeNextMessage(Message& message) override { return native.TakeNextMessage(message); }
  void DispatchTakenMessage(const Message& message) override { native.DispatchTakenMessage(message); }
  void PostQuit(int exitCode) override { native.PostQuit(exitCode); }
  std::intptr_t CallDefaultProcedure(const Message& message) override {
    return native.CallDefaultProcedure(message);
  }
  DeviceContext AcquireDeviceContext(WindowHandle window) override {
    return native.AcquireDeviceContext(window);
  }
  void ReleaseDeviceContext(WindowHandle window, DeviceContext deviceContext) override {
    native.ReleaseDeviceContext(window, deviceContext);
  }
  void PresentBackBuffer(DeviceContext deviceContext) override {
    native.PresentBackBuffer(deviceContext);
    if (presents.size() < presents.capacity()) {
      presents.push_back(native.ClockNanoseconds());
    }
  }
  void SetCaption(WindowHandle window, const std::wstring& caption) override {
    native.SetCaption(window, caption);
  }
  void SetFullscreen(WindowHandle window, bool fullscreen) override {
    native.SetFullscreen(window, fullscreen);
  }
  std::int64_t ClockNanoseconds() override { return native.ClockNanoseconds(); }
  void SleepUntil(std::int64_t nanoseconds) override { native.SleepUntil(nanoseconds); }
  double RefreshRate(WindowHandle window) override {
    refreshRate = native.RefreshRate(window);
    return refreshRate;
  }

  WindowSystem& native = NativeWindowSystem();
  std::vector<std::int64_t> presents;
  double refreshRate = -1.0;  // never asked
};

StampingWindowSystem theStamper;

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The game's court, counting the fixed steps it simulates from its first update on and closing
// the game once `seconds` of wall time have passed.
class TimedCourt final : public RallyCourt::RallyCourtScene {
public:
  explicit TimedCourt(double runSeconds) : seconds(runSeconds) {}
  void Simulate() override {
    if (firstUpdate != 0) {
      ++steps;
    }
    RallyCourtScene::Simulate();
  }
  void Update(float deltaTime) override {
    const std::int64_t now = theStamper.ClockNanoseconds();
    if (firstUpdate == 0) {
      firstUpdate = now;
      cpuAtStart = CpuSeconds();
    }
    lastUpdate = now;
    if (static_cast<double>(now - firstUpdate) / 1e9 >= seconds && !closing) {
      closing = true;
      cpuAtEnd = CpuSeconds();
      Kelpforge::Game::GameApplication::CloseGame();
    }
    RallyCourtScene::Update(deltaTime);
  }

  double seconds;
  std::int64_t firstUpdate = 0;
  std::int64_t lastUpdate = 0;
  long steps = 0;
  double cpuAtStart = 0.0;
  double cpuAtEnd = 0.0;
  bool closing = false;
};

double Percentile(std::vector<double> values, double share) {
  if (values.empty()) {
    return 0.0;
  }
  std::sort(values.begin(), values.end());
  const auto index = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1) + 0.5);
  return values[index];
}

}  // namespace

int main(int argc, char** argv) {
  const double seconds = argc > 1 ? std::atof(argv[1]) : 20.0;
  SetWindowSystem(&theStamper);
  Kelpforge::Game::GameApplication application;
  if (!application.IsOpen()) {
    return 1;
  }
  Kelpforge::Graphics::LoadSpriteSheet("prototype_sheet", "data/prototyping_sheet.txt");
  TimedCourt court(seconds);
  Kelpforge::Application::SetWindowTitle("Rally Court");
  application.RunGame(court);

  std::vector<double> intervals;
  for (std::size_t i = 1; i < theStamper.presents.size(); ++i) {
    if (theStamper.presents[i] >= court.firstUpdate) {
      intervals.push_back(static_cast<double>(theStamper.presents[i] - theStamper.presents[i - 1]) / 1e6);
    }
  }
  const double wall = static_cast<double>(court.lastUpdate - court.firstUpdate) / 1e9;
  const double simulated = static_cast<double>(court.steps) * 0.01;
  std::printf("refresh_rate_hz %.3f\n", theStamper.refreshRate);
  std::printf("frames %zu\n", intervals.size());
  std::printf("frames_per_second %.1f\n", static_cast<double>(intervals.size()) / wall);
  std::printf("interval_p50_ms %.3f\n", Percentile(intervals, 0.50));
  std::printf("interval_p99_ms %.3f\n", Percentile(intervals, 0.99));
  std::printf("interval_max_ms %.3f\n", intervals.empty() ? 0.0 : *std::max_element(intervals.begin(), intervals.end()));
  std::printf("wall_seconds %.3f\n", wall);
  std::printf("simulated_seconds %.3f\n", simulated);
  std::printf("simulated_over_wall %.5f\n", wall > 0 ? simulated / wall : 0.0);
  std::printf("cpu_percent %.1f\n", wall > 0 ? (court.cpuAtEnd - court.cpuAtStart) / wall * 100.0 : 0.0);
  return 0;
}
