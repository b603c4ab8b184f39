#include "kelpforge/online/kf_sync_test.h"

#include "kelpforge/core/kf_error.h"

namespace Kelpforge::Online {

SyncTest::SyncTest(RollbackGame& game) : game(game) {}

void SyncTest::RunFrame(int offered) {
  for (int i = 0; i < offered; ++i, ++step) {
    StepInputs inputs;
    inputs.step = step;
    inputs.isConfirmed = true;
    for (int player = 0; player < kPlayerCount; ++player) {
      inputs.inputs[player] = game.LocalInput(player);
    }
    const std::size_t beforeSize = game.SaveState(before);
    const std::uint32_t saved = game.Checksum(std::span<const std::byte>(before.data(), beforeSize));
    game.AdvanceStep(inputs);
    const std::size_t firstSize = game.SaveState(after);
    const std::uint32_t first = game.Checksum(std::span<const std::byte>(after.data(), firstSize));

    game.LoadState(std::span<const std::byte>(before.data(), beforeSize));
    const std::size_t loadedSize = game.SaveState(after);
    const std::uint32_t loaded = game.Checksum(std::span<const std::byte>(after.data(), loadedSize));
    inputs.isReplay = true;
    game.AdvanceStep(inputs);
    const std::size_t secondSize = game.SaveState(after);
    const std::uint32_t second = game.Checksum(std::span<const std::byte>(after.data(), secondSize));

    if (firstMismatch < 0 && (loaded != saved || second != first)) {
      firstMismatch = step;
      KF_REPORT_ERROR_IF(true, "kfError: The sync test found step %d running differently when run again (%08x, then %08x).",
                         static_cast<int>(step), static_cast<unsigned>(loaded != saved ? saved : first),
                         static_cast<unsigned>(loaded != saved ? loaded : second));
    }
  }
}

}  // namespace Kelpforge::Online
