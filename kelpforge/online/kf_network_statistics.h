// What an online match measures, for a game's overlay and for tests: the round trip, how far
// ahead this side runs, rollbacks, waits at the prediction limit, and the traffic each way with
// the IP and UDP headers counted. A short history keeps the last seconds of it for line graphs.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace Kelpforge::Online {

struct NetworkStatistics {
  // Seconds; 0 until the first quality report has come back.
  double roundTrip = 0.0;
  // Steps this side runs ahead of the other (negative: behind), averaged over about a second.
  double stepsAhead = 0.0;
  // Over the last second.
  int rolledBackStepsPerSecond = 0;
  double sentBytesPerSecond = 0.0;
  double receivedBytesPerSecond = 0.0;
  // Over the whole match.
  int rollbacks = 0;
  int worstRollbackDepth = 0;
  // Steps the prediction limit held back, and the longest wait it caused (seconds).
  int stalledSteps = 0;
  double longestStall = 0.0;
  int stepsGivenBack = 0;
  std::uint64_t datagramsSent = 0;
  std::uint64_t datagramsReceived = 0;
  // Malformed, truncated, oversized, of another version or game, from another address or without
  // the peer's nonce: dropped unread.
  std::uint64_t datagramsDropped = 0;
  int checksumsCompared = 0;
};

// The statistics sampled ten times a second over the last five seconds, oldest first.
struct NetworkHistory {
  static constexpr std::size_t kSamples = 50;
  static constexpr double kSampleInterval = 0.1;
  struct Sample {
    float roundTripMilliseconds = 0.0f;
    float rolledBackStepsPerSecond = 0.0f;
    float stepsAhead = 0.0f;
    float sentKilobytesPerSecond = 0.0f;
    float receivedKilobytesPerSecond = 0.0f;
  };
  std::array<Sample, kSamples> samples{};
  // Samples taken so far (at most kSamples are kept); the newest is at (count - 1) % kSamples.
  std::size_t count = 0;

  const Sample& Oldest(std::size_t age) const;
  void Add(const Sample& sample);
};

}  // namespace Kelpforge::Online
