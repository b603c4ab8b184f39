// A game counter that tests feed: time moves only when the test advances it.
#pragma once

#include <cmath>
#include <cstdint>

#include "kelpforge/game/implementation/kf_game_clock.h"

namespace KelpforgeTests {

class FedGameCounter final : public Kelpforge::Game::kfImplementation::GameCounter {
public:
  explicit FedGameCounter(std::int64_t countsPerSecond = 1'000'000'000) : frequency(countsPerSecond) {}
  std::int64_t Frequency() override { return frequency; }
  std::int64_t Count() override { return count; }
  // Moves the counter on by the counts nearest to `seconds`.
  void Advance(double seconds) { count += std::llround(seconds * static_cast<double>(frequency)); }

  std::int64_t frequency;
  std::int64_t count = 1'000'000;
};

// Installs a counter for its lifetime.
class ScopedGameCounter {
public:
  explicit ScopedGameCounter(Kelpforge::Game::kfImplementation::GameCounter& counter) {
    Kelpforge::Game::kfImplementation::SetGameCounter(&counter);
  }
  ~ScopedGameCounter() { Kelpforge::Game::kfImplementation::SetGameCounter(nullptr); }
  ScopedGameCounter(const ScopedGameCounter&) = delete;
  ScopedGameCounter& operator=(const ScopedGameCounter&) = delete;
};

}  // namespace KelpforgeTests
