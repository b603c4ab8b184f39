// The game clock's counter: the platform's high-resolution monotonic counter, or a counter that a
// test feeds, so frames can be driven with chosen durations.
#pragma once

#include <cstdint>

namespace Kelpforge::Game::kfImplementation {

class GameCounter {
public:
  virtual ~GameCounter() = default;
  // Counts per second.
  virtual std::int64_t Frequency() = 0;
  virtual std::int64_t Count() = 0;
};

// QueryPerformanceCounter on Windows, clock_gettime(CLOCK_MONOTONIC) in nanoseconds elsewhere.
GameCounter& NativeGameCounter();

// The counter the game clock reads: the native one unless a test installed another.
GameCounter& CurrentGameCounter();
// Installs `counter` (null: back to the native one).
void SetGameCounter(GameCounter* counter);

}  // namespace Kelpforge::Game::kfImplementation
