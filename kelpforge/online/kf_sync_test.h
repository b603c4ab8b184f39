// The sync test for game programmers: every fixed step is run, loaded back and run again with
// the same inputs (both taken from the game's local inputs), and the checksums compared; so is
// the state saved after loading against the one saved before. The first step that differs is
// reported once through the error facility: its game is not deterministic, or its save and load
// leave something out.
#pragma once

#include <array>
#include <cstdint>

#include "kelpforge/online/kf_rollback_game.h"

namespace Kelpforge::Online {

class SyncTest {
public:
  explicit SyncTest(RollbackGame& game);

  // Runs `offered` steps, each checked.
  void RunFrame(int offered);
  // The first step found to differ, or -1.
  std::int32_t FirstMismatch() const { return firstMismatch; }
  std::int32_t StepsChecked() const { return step; }

private:
  RollbackGame& game;
  std::int32_t step = 0;
  std::int32_t firstMismatch = -1;
  std::array<std::byte, kMaximumStateSize> before{};
  std::array<std::byte, kMaximumStateSize> after{};
};

}  // namespace Kelpforge::Online
