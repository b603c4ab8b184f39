// One online match between two peers, free of sockets and clocks: datagrams come in through
// Receive, go out through the outbox, and the time is whatever the caller says, so tests drive
// it exactly as UDP and the game clock do. It keeps both players' inputs, predicts the remote
// one (its last known value), saves a state before every step, rolls back and runs again within
// the frame when a real input differs from the prediction, waits at the prediction limit, gives
// back steps when it runs ahead, and compares checksums of confirmed states with the peer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "kelpforge/online/implementation/kf_datagram.h"
#include "kelpforge/online/implementation/kf_network_address.h"
#include "kelpforge/online/kf_network_statistics.h"
#include "kelpforge/online/kf_rollback_game.h"

namespace Kelpforge::Online::kfImplementation {

enum class SessionPhase { WaitingForPeer, Connecting, Running, Ended };

enum class EndReason {
  None,
  PeerLeft,     // the peer said goodbye
  PeerSilent,   // nothing from the peer for kGoneAfter
  OutOfStep,    // the checksums of a confirmed state differed
  NobodyCame,   // no handshake within kConnectTimeout
  MatchFull,    // the host plays a match with somebody else
  Unreachable,  // the network says the host cannot be reached
  Left,         // this side left
};

inline constexpr double kKeepAliveInterval = 0.2;
inline constexpr double kQualityReportInterval = 1.0;
inline constexpr double kInterruptedAfter = 0.75;
inline constexpr double kGoneAfter = 5.0;
inline constexpr double kConnectTimeout = 60.0;

struct SessionSettings {
  bool isHost = true;
  std::string gameName;
  int inputDelay = 0;
  PlayerInput lowestInput = -1;
  PlayerInput highestInput = 1;
  // This side's random nonce; the peer's comes in the handshake.
  std::uint32_t nonce = 1;
  // The joiner's host; a host learns its peer from the first Hello.
  NetworkAddress peer;
};

class OnlineSession {
public:
  OnlineSession(RollbackGame& game, const SessionSettings& settings, double now);

  // One datagram of `size` bytes (of which `bytes` holds at most kMaximumDatagramSize) from `from`.
  void Receive(std::span<const std::byte> bytes, std::size_t size, const NetworkAddress& from, double now);
  // Runs what the frame allows of `offered` steps, rolling back first where a real input
  // differed from its prediction; returns the new steps run. Nothing runs before the match starts
  // or after it ended.
  int RunFrame(int offered, double now);
  // Says goodbye and ends the match.
  void Leave();
  // Ends the match for a reason the caller found (the network says the host is unreachable).
  void Abandon(EndReason reason);

  struct Outgoing {
    std::array<std::byte, kMaximumDatagramSize> bytes{};
    std::size_t size = 0;
    NetworkAddress to;
  };
  std::span<const Outgoing> Outbox() const { return {outbox.data(), outboxCount}; }
  void ClearOutbox() { outboxCount = 0; }

  SessionPhase Phase() const { return phase; }
  EndReason Reason() const { return endReason; }
  bool IsInterrupted() const { return interrupted; }
  int LocalPlayer() const { return localPlayer; }
  std::int32_t CurrentStep() const { return currentStep; }
  // The first step whose remote input has not arrived.
  std::int32_t ConfirmedUpTo() const { return remoteKnown; }
  const NetworkStatistics& Statistics() const { return statistics; }
  const NetworkAddress& Peer() const { return peer; }

private:
  static constexpr std::int32_t kInputRing = 256;
  static constexpr std::int32_t kStateRing = 32;
  static constexpr std::size_t kOutboxSize = 16;
  static constexpr std::size_t kAdvantageSamples = 128;
  static constexpr std::size_t kChecksumSlots = 8;
  static constexpr int kTrafficBuckets = 10;

  struct SavedState {
    std::array<std::byte, kMaximumStateSize> bytes{};
    std::size_t size = 0;
    std::int32_t step = -1;
    std::uint32_t checksum = 0;
  };
  struct StepChecksum {
    std::int32_t step = -1;
    std::uint32_t checksum = 0;
  };

  void Start(double now);
  void End(EndReason reason);
  void Drop();
  void HandleRunning(const Datagram& datagram, const NetworkAddress& from, double now);
  void HandleInput(const Datagram& datagram, double now);
  void HandleChecksum(std::int32_t step, std::uint32_t checksum, bool remote);
  void RunStep(std::int32_t step, bool isReplay);
  void RollBack();
  void TakeChecksums();
  bool ShouldGiveBack() const;
  void SendFrameDatagrams(double now);
  void Send(Datagram& datagram, const NetworkAddress& to, double now);
  void AccountTraffic(double now, std::size_t sent, std::size_t received, int rolledBack);
  double AverageAdvantage(double now) const;

  RollbackGame& game;
  SessionSettings settings;
  int localPlayer;
  SessionPhase phase;
  EndReason endReason = EndReason::None;
  NetworkAddress peer;
  std::uint32_t peerNonce = 0;
  double createdAt;
  double lastReceived = 0.0;
  double lastSent = -1.0e9;
  double lastHello = -1.0e9;
  double lastQualityReport = -1.0e9;
  double lastFullSent = -1.0e9;
  double stallStarted = -1.0;
  double now = 0.0;
  bool interrupted = false;

  std::int32_t currentStep = 0;
  // Local inputs are queued up to here (the current step plus the input delay).
  std::int32_t localQueued = 0;
  // The first local step the peer has not acknowledged.
  std::int32_t peerAcknowledged = 0;
  std::int32_t remoteKnown = 0;
  std::int32_t acknowledgementSent = -1;
  // The first step whose remote input turned out to differ from its prediction, or -1.
  std::int32_t firstIncorrect = -1;
  std::array<PlayerInput, kInputRing> localInputs{};
  std::array<PlayerInput, kInputRing> remoteInputs{};
  std::array<PlayerInput, kInputRing> remoteUsed{};
  std::array<SavedState, kStateRing> states{};

  struct AdvantageSample {
    double time = 0.0;
    double advantage = 0.0;
  };
  std::array<AdvantageSample, kAdvantageSamples> advantages{};
  std::size_t advantageCount = 0;
  std::int32_t lastGivenBack = -1000;

  std::int32_t nextChecksumStep = 0;
  std::array<StepChecksum, kChecksumSlots> localChecksums{};
  std::array<StepChecksum, kChecksumSlots> remoteChecksums{};
  std::size_t localChecksumNext = 0;
  std::size_t remoteChecksumNext = 0;
  struct ChecksumToSend {
    StepChecksum value;
    int copiesLeft = 0;
  };
  std::array<ChecksumToSend, 4> checksumsToSend{};

  struct TrafficBucket {
    std::int64_t index = -1;
    std::size_t sent = 0;
    std::size_t received = 0;
    int rolledBack = 0;
  };
  std::array<TrafficBucket, kTrafficBuckets> traffic{};

  std::array<Outgoing, kOutboxSize> outbox{};
  std::size_t outboxCount = 0;
  NetworkStatistics statistics;
};

}  // namespace Kelpforge::Online::kfImplementation
