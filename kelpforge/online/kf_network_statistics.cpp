#include "kelpforge/online/kf_network_statistics.h"

namespace Kelpforge::Online {

const NetworkHistory::Sample& NetworkHistory::Oldest(std::size_t index) const {
  const std::size_t kept = count < kSamples ? count : kSamples;
  const std::size_t first = count - kept;
  return samples[(first + index) % kSamples];
}

void NetworkHistory::Add(const Sample& sample) {
  samples[count % kSamples] = sample;
  ++count;
}

}  // namespace Kelpforge::Online
