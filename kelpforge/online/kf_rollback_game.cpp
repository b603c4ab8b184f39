#include "kelpforge/online/kf_rollback_game.h"

namespace Kelpforge::Online {

RollbackGame::~RollbackGame() = default;

std::uint32_t RollbackGame::Checksum(std::span<const std::byte> state) { return ChecksumOf(state); }

std::uint32_t ChecksumOf(std::span<const std::byte> bytes) {
  std::uint32_t hash = 2166136261u;
  for (const std::byte value : bytes) {
    hash = (hash ^ static_cast<std::uint32_t>(value)) * 16777619u;
  }
  return hash;
}

bool StepEventFilter::FirstTime(std::int32_t step, std::uint32_t event) {
  for (const Entry& entry : entries) {
    if (entry.step == step && entry.event == event) {
      return false;
    }
  }
  // Oldest out: the entries cover far more steps than a rollback reaches back.
  entries[next] = {step, event};
  next = (next + 1) % kEntries;
  return true;
}

void StepEventFilter::Clear() {
  entries.fill({});
  next = 0;
}

}  // namespace Kelpforge::Online
