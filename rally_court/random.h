// The game's own 15-bit pseudo-random generator: the same sequence on every platform, starting
// from state 1 and never seeded, so every run deals the same serves and flickers.
#pragma once

#include <cstdint>

namespace RallyCourt {

class Random {
public:
  // The next value, 0 ... 32767.
  std::int32_t Next() {
    state = state * 214013u + 2531011u;
    return static_cast<std::int32_t>((state >> 16) & 0x7FFFu);
  }

  // The next value as a fraction 0 <= r < 1 in single precision.
  float NextFraction() { return static_cast<float>(Next()) * (1.0f / 32768.0f); }

  std::uint32_t state = 1;
};

// The one generator of the game.
extern Random theRandom;

}  // namespace RallyCourt
