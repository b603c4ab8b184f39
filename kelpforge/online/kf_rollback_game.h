// What a game gives the framework to play online or to be sync-tested: its whole simulation state
// saved into and loaded from a buffer (with a checksum over it), one fixed step run with every
// player's input, and the local player's input for the coming step as a small integer. The
// session calls these from inside the game loop's fixed steps, on the game's thread.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace Kelpforge::Online {

// One player's input for one step: a small integer whose meaning is the game's.
using PlayerInput = std::int8_t;

inline constexpr int kPlayerCount = 2;
// A saved state is at most this many bytes.
inline constexpr std::size_t kMaximumStateSize = 1024;
// Steps run ahead of the last confirmed remote input before the local game waits (250 ms).
inline constexpr int kMaximumPredictedSteps = 25;
inline constexpr int kMaximumInputDelay = 10;
// Both sides compare the checksum of each confirmed state whose step is a multiple of this.
inline constexpr int kChecksumInterval = 100;
inline constexpr std::uint16_t kDefaultPort = 24680;

struct StepInputs {
  // The step being run, 0 for the first step of the match.
  std::int32_t step = 0;
  std::array<PlayerInput, kPlayerCount> inputs{};
  // True when this step is run again after a rollback: whatever it derives (sounds, texts) was
  // already derived the first time and must not be repeated.
  bool isReplay = false;
  // True when every input of this and all earlier steps is the real one: the step's result is
  // final and is never run again.
  bool isConfirmed = false;
};

class RollbackGame {
public:
  virtual ~RollbackGame();

  // Writes the whole simulation state into `buffer` and returns the bytes written.
  virtual std::size_t SaveState(std::span<std::byte, kMaximumStateSize> buffer) = 0;
  // Puts the simulation back into a state SaveState wrote.
  virtual void LoadState(std::span<const std::byte> state) = 0;
  // A checksum over a saved state; FNV-1a over its bytes unless the game knows better (a state
  // holding padding or unused bytes must not let them change the checksum).
  virtual std::uint32_t Checksum(std::span<const std::byte> state);
  // One fixed step with these inputs.
  virtual void AdvanceStep(const StepInputs& step) = 0;
  // The input of local `player` for the step about to be run (the session asks once per step).
  virtual PlayerInput LocalInput(int player) = 0;
};

// FNV-1a, 32 bits.
std::uint32_t ChecksumOf(std::span<const std::byte> bytes);

// Lets a derived event (a sound, a particle burst) happen at most once per (step, event),
// however often a rollback runs that step again, and lets one from a predicted step that a
// rollback undid not happen a second time. It remembers the events of the last steps a rollback
// can reach; it never allocates.
class StepEventFilter {
public:
  // True the first time (step, event) is asked for; false again for the same pair.
  bool FirstTime(std::int32_t step, std::uint32_t event);
  void Clear();

private:
  struct Entry {
    std::int32_t step = -1;
    std::uint32_t event = 0;
  };
  static constexpr std::size_t kEntries = 64;
  std::array<Entry, kEntries> entries{};
  std::size_t next = 0;
};

}  // namespace Kelpforge::Online
