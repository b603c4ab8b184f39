#include "kelpforge/game/implementation/kf_game_clock.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif

namespace Kelpforge::Game::kfImplementation {

namespace {

class NativeCounter final : public GameCounter {
public:
#ifdef _WIN32
  std::int64_t Frequency() override {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart;
  }
  std::int64_t Count() override {
    LARGE_INTEGER count;
    QueryPerformanceCounter(&count);
    return count.QuadPart;
  }
#else
  std::int64_t Frequency() override { return 1'000'000'000; }
  std::int64_t Count() override {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
  }
#endif
};

NativeCounter theNativeCounter;
GameCounter* theInstalledCounter = nullptr;

}  // namespace

GameCounter& NativeGameCounter() {
  return theNativeCounter;
}

GameCounter& CurrentGameCounter() {
  return theInstalledCounter != nullptr ? *theInstalledCounter : theNativeCounter;
}

void SetGameCounter(GameCounter* counter) {
  theInstalledCounter = counter;
}

}  // namespace Kelpforge::Game::kfImplementation
