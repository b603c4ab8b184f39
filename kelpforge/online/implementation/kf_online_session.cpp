#include "kelpforge/online/implementation/kf_online_session.h"

#include <algorithm>
#include <cmath>

#include "kelpforge/core/kf_error.h"

namespace Kelpforge::Online::kfImplementation {

namespace {

constexpr double kStepSeconds = 0.01;
// Refusals of a third machine go out at most this often, so a flood of Hellos sends no flood back.
constexpr double kFullInterval = 0.1;
constexpr int kGiveBackEvery = 10;
constexpr int kChecksumCopies = 3;

std::uint32_t Milliseconds(double seconds) {
  return static_cast<std::uint32_t>(static_cast<std::int64_t>(std::floor(seconds * 1000.0)) & 0xFFFFFFFF);
}

}  // namespace

OnlineSession::OnlineSession(RollbackGame& game, const SessionSettings& settings, double now)
    : game(game),
      settings(settings),
      localPlayer(settings.isHost ? 0 : 1),
      phase(settings.isHost ? SessionPhase::WaitingForPeer : SessionPhase::Connecting),
      peer(settings.peer),
      createdAt(now),
      now(now) {
  this->settings.inputDelay = std::clamp(settings.inputDelay, 0, kMaximumInputDelay);
  // The steps before the delay takes hold have neutral local inputs, sent like any other.
  localQueued = this->settings.inputDelay;
}

void OnlineSession::Drop() { ++statistics.datagramsDropped; }

void OnlineSession::Receive(std::span<const std::byte> bytes, std::size_t size, const NetworkAddress& from,
                            double time) {
  now = time;
  ++statistics.datagramsReceived;
  AccountTraffic(now, 0, size + static_cast<std::size_t>(from.HeaderBytes()), 0);
  if (phase == SessionPhase::Ended) {
    return;
  }
  Datagram datagram;
  if (size > kMaximumDatagramSize ||
      DecodeDatagram(bytes.first(std::min(size, bytes.size())), settings.lowestInput, settings.highestInput,
                     datagram) != DecodeFailure::None) {
    Drop();
    return;
  }
  const bool ourGame = datagram.GameName() == settings.gameName;
  switch (phase) {
    case SessionPhase::WaitingForPeer:
      if (datagram.kind != DatagramKind::Hello || !ourGame) {
        Drop();
        return;
      }
      peer = from;
      peerNonce = datagram.senderNonce;
      Start(now);
      {
        Datagram welcome;
        welcome.kind = DatagramKind::Welcome;
        welcome.joinerNonce = peerNonce;
        welcome.SetGameName(settings.gameName);
        Send(welcome, peer, now);
      }
      return;
    case SessionPhase::Connecting:
      if (!(from == peer)) {
        Drop();
      } else if (datagram.kind == DatagramKind::Welcome && datagram.joinerNonce == settings.nonce && ourGame) {
        peerNonce = datagram.senderNonce;
        // The Welcome answers the latest Hello: a first measure of the round trip.
        statistics.roundTrip = std::max(0.0, now - lastHello);
        Start(now);
      } else if (datagram.kind == DatagramKind::Full && datagram.joinerNonce == settings.nonce) {
        End(EndReason::MatchFull);
      } else {
        Drop();
      }
      return;
    case SessionPhase::Running:
      HandleRunning(datagram, from, now);
      return;
    case SessionPhase::Ended:
      return;
  }
}

void OnlineSession::HandleRunning(const Datagram& datagram, const NetworkAddress& from, double time) {
  if (datagram.kind == DatagramKind::Hello) {
    if (from == peer && datagram.senderNonce == peerNonce) {
      // Our Welcome was lost: the joiner still asks.
      if (settings.isHost) {
        Datagram welcome;
        welcome.kind = DatagramKind::Welcome;
        welcome.joinerNonce = peerNonce;
        welcome.SetGameName(settings.gameName);
        Send(welcome, peer, time);
      }
    } else if (settings.isHost && time - lastFullSent >= kFullInterval) {
      Datagram full;
      full.kind = DatagramKind::Full;
      full.joinerNonce = datagram.senderNonce;
      Send(full, from, time);
      lastFullSent = time;
    } else {
      Drop();
    }
    return;
  }
  // A datagram without the peer's nonce is not from the peer, whatever its address says.
  if (!(from == peer) || datagram.senderNonce != peerNonce) {
    Drop();
    return;
  }
  lastReceived = time;
  switch (datagram.kind) {
    case DatagramKind::Input:
      HandleInput(datagram, time);
      break;
    case DatagramKind::QualityReport: {
      Datagram reply;
      reply.kind = DatagramKind::QualityReply;
      reply.clockMilliseconds = datagram.clockMilliseconds;
      Send(reply, peer, time);
      break;
    }
    case DatagramKind::QualityReply: {
      const std::uint32_t elapsed = Milliseconds(time) - datagram.clockMilliseconds;
      if (elapsed <= 10000) {
        const double sample = elapsed / 1000.0;
        statistics.roundTrip = statistics.roundTrip <= 0.0 ? sample : 0.75 * statistics.roundTrip + 0.25 * sample;
      } else {
        Drop();
      }
      break;
    }
    case DatagramKind::Checksum:
      HandleChecksum(static_cast<std::int32_t>(datagram.firstStep), datagram.checksum, true);
      break;
    case DatagramKind::Goodbye:
      End(EndReason::PeerLeft);
      break;
    default:
      break;
  }
}

void OnlineSession::HandleInput(const Datagram& datagram, double time) {
  // A peer never acknowledges inputs it was never sent.
  if (datagram.acknowledgedUpTo > static_cast<std::uint32_t>(localQueued)) {
    Drop();
    return;
  }
  peerAcknowledged = std::max(peerAcknowledged, static_cast<std::int32_t>(datagram.acknowledgedUpTo));

  // How far ahead this side runs: the remote's step when it sent this, plus half the round trip
  // in steps of 0.01 s, against the step this side is at now.
  if (statistics.roundTrip > 0.0) {
    const double remoteNow = datagram.senderStep + statistics.roundTrip / 2.0 / kStepSeconds;
    advantages[advantageCount % kAdvantageSamples] = {time, currentStep - remoteNow};
    ++advantageCount;
  }

  std::int32_t step = static_cast<std::int32_t>(datagram.firstStep);
  for (std::size_t run = 0; run < datagram.runCount; ++run) {
    for (int i = 0; i < datagram.runs[run].length; ++i, ++step) {
      if (step < remoteKnown) {
        continue;
      }
      // A gap (an older acknowledgement) or a step the rings cannot hold yet: the rest waits
      // for a later datagram.
      if (step > remoteKnown || step >= currentStep + kInputRing / 2) {
        return;
      }
      const PlayerInput value = datagram.runs[run].value;
      remoteInputs[step % kInputRing] = value;
      if (step < currentStep && remoteUsed[step % kInputRing] != value && firstIncorrect < 0) {
        firstIncorrect = step;
      }
      ++remoteKnown;
    }
  }
}

void OnlineSession::HandleChecksum(std::int32_t step, std::uint32_t checksum, bool remote) {
  auto& mine = remote ? remoteChecksums : localChecksums;
  auto& next = remote ? remoteChecksumNext : localChecksumNext;
  const auto& theirs = remote ? localChecksums : remoteChecksums;
  for (const StepChecksum& known : mine) {
    if (known.step == step) {
      return;  // a repeated copy
    }
  }
  mine[next] = {step, checksum};
  next = (next + 1) % kChecksumSlots;
  for (const StepChecksum& other : theirs) {
    if (other.step != step) {
      continue;
    }
    ++statistics.checksumsCompared;
    const std::uint32_t here = remote ? other.checksum : checksum;
    const std::uint32_t there = remote ? checksum : other.checksum;
    if (here != there) {
      KF_REPORT_ERROR_IF(true, "kfError: The online game went out of step at step %d (%08x here, %08x there).",
                         static_cast<int>(step), static_cast<unsigned>(here), static_cast<unsigned>(there));
      End(EndReason::OutOfStep);
    }
    return;
  }
}

void OnlineSession::Start(double time) {
  phase = SessionPhase::Running;
  lastReceived = time;
}

void OnlineSession::End(EndReason reason) {
  if (phase == SessionPhase::Ended) {
    return;
  }
  const bool wasRunning = phase == SessionPhase::Running;
  phase = SessionPhase::Ended;
  endReason = reason;
  interrupted = false;
  // The peer hears of it at once instead of after five seconds of silence.
  if (wasRunning && (reason == EndReason::Left || reason == EndReason::OutOfStep)) {
    Datagram goodbye;
    goodbye.kind = DatagramKind::Goodbye;
    Send(goodbye, peer, now);
  }
}

void OnlineSession::Leave() { End(EndReason::Left); }

void OnlineSession::Abandon(EndReason reason) { End(reason); }

void OnlineSession::RunStep(std::int32_t step, bool isReplay) {
  SavedState& saved = states[step % kStateRing];
  saved.size = std::min(game.SaveState(std::span<std::byte, kMaximumStateSize>(saved.bytes)), kMaximumStateSize);
  saved.step = step;
  if (step % kChecksumInterval == 0) {
    saved.checksum = game.Checksum(std::span<const std::byte>(saved.bytes.data(), saved.size));
  }

  StepInputs inputs;
  inputs.step = step;
  inputs.isReplay = isReplay;
  inputs.isConfirmed = step < remoteKnown;
  inputs.inputs[localPlayer] = localInputs[step % kInputRing];
  // The prediction is the last input that arrived (neutral before any did).
  const PlayerInput remote = step < remoteKnown ? remoteInputs[step % kInputRing]
                             : remoteKnown > 0  ? remoteInputs[(remoteKnown - 1) % kInputRing]
                                                : 0;
  remoteUsed[step % kInputRing] = remote;
  inputs.inputs[1 - localPlayer] = remote;
  game.AdvanceStep(inputs);
}

void OnlineSession::RollBack() {
  const std::int32_t from = firstIncorrect;
  firstIncorrect = -1;
  const SavedState& saved = states[from % kStateRing];
  if (from >= currentStep || saved.step != from) {
    return;
  }
  game.LoadState(std::span<const std::byte>(saved.bytes.data(), saved.size));
  const int depth = currentStep - from;
  ++statistics.rollbacks;
  statistics.worstRollbackDepth = std::max(statistics.worstRollbackDepth, depth);
  AccountTraffic(now, 0, 0, depth);
  for (std::int32_t step = from; step < currentStep; ++step) {
    RunStep(step, true);
  }
}

void OnlineSession::TakeChecksums() {
  // A state is confirmed once every input before it is known; it is still in the ring then,
  // since no side runs more than the prediction limit past its last confirmed step.
  while (phase == SessionPhase::Running && nextChecksumStep < currentStep && nextChecksumStep <= remoteKnown) {
    const SavedState& saved = states[nextChecksumStep % kStateRing];
    if (saved.step == nextChecksumStep) {
      const StepChecksum value{nextChecksumStep, saved.checksum};
      auto slot = std::min_element(checksumsToSend.begin(), checksumsToSend.end(),
                                   [](const ChecksumToSend& a, const ChecksumToSend& b) { return a.copiesLeft < b.copiesLeft; });
      *slot = {value, kChecksumCopies};
      HandleChecksum(value.step, value.checksum, false);
    }
    nextChecksumStep += kChecksumInterval;
  }
}

double OnlineSession::AverageAdvantage(double time) const {
  double sum = 0.0;
  int count = 0;
  const std::size_t kept = std::min(advantageCount, kAdvantageSamples);
  for (std::size_t i = 0; i < kept; ++i) {
    if (time - advantages[i].time <= 1.0) {
      sum += advantages[i].advantage;
      ++count;
    }
  }
  return count > 0 ? sum / count : 0.0;
}

bool OnlineSession::ShouldGiveBack() const {
  return statistics.stepsAhead > 1.0 && currentStep - lastGivenBack >= kGiveBackEvery;
}

int OnlineSession::RunFrame(int offered, double time) {
  now = time;
  if (phase == SessionPhase::WaitingForPeer || phase == SessionPhase::Connecting) {
    if (time - createdAt >= kConnectTimeout) {
      End(EndReason::NobodyCame);
    } else if (phase == SessionPhase::Connecting && time - lastHello >= kKeepAliveInterval) {
      Datagram hello;
      hello.kind = DatagramKind::Hello;
      hello.SetGameName(settings.gameName);
      Send(hello, peer, time);
      lastHello = time;
    }
    return 0;
  }
  if (phase != SessionPhase::Running) {
    return 0;
  }
  if (time - lastReceived >= kGoneAfter) {
    End(EndReason::PeerSilent);
    return 0;
  }
  interrupted = time - lastReceived >= kInterruptedAfter;

  if (firstIncorrect >= 0) {
    RollBack();
  }
  TakeChecksums();

  statistics.stepsAhead = AverageAdvantage(time);
  int ran = 0;
  bool stalled = false;
  for (int i = 0; i < offered; ++i) {
    if (currentStep - remoteKnown >= kMaximumPredictedSteps) {
      statistics.stalledSteps += offered - i;
      stalled = true;
      break;
    }
    if (ShouldGiveBack()) {
      // The step's time passes without it: this side falls back by one step against the other.
      lastGivenBack = currentStep;
      ++statistics.stepsGivenBack;
      for (std::size_t s = 0; s < std::min(advantageCount, kAdvantageSamples); ++s) {
        advantages[s].advantage -= 1.0;
      }
      statistics.stepsAhead -= 1.0;
      continue;
    }
    localInputs[localQueued % kInputRing] = game.LocalInput(localPlayer);
    ++localQueued;
    RunStep(currentStep, false);
    ++currentStep;
    ++ran;
  }
  if (stalled) {
    if (stallStarted < 0.0) stallStarted = time;
    statistics.longestStall = std::max(statistics.longestStall, time - stallStarted);
  } else {
    stallStarted = -1.0;
  }
  TakeChecksums();
  SendFrameDatagrams(time);
  return ran;
}

void OnlineSession::SendFrameDatagrams(double time) {
  if (phase != SessionPhase::Running) {
    return;
  }
  if (peerAcknowledged < localQueued || acknowledgementSent != remoteKnown) {
    // Every input the peer has not acknowledged, as runs of equal values; a long silence may
    // leave more than one datagram holds, and the rest follows once the first part is acknowledged.
    Datagram input;
    input.kind = DatagramKind::Input;
    input.acknowledgedUpTo = static_cast<std::uint32_t>(remoteKnown);
    input.senderStep = static_cast<std::uint32_t>(currentStep);
    // Inputs older than the ring are gone; a peer that still lacks them never gets this far
    // behind, since neither side runs past the prediction limit.
    const std::int32_t first = std::max(peerAcknowledged, localQueued - kInputRing);
    input.firstStep = static_cast<std::uint32_t>(first);
    std::size_t total = 0;
    for (std::int32_t step = first; step < localQueued; ++step) {
      const PlayerInput value = localInputs[step % kInputRing];
      InputRun* last = input.runCount > 0 ? &input.runs[input.runCount - 1] : nullptr;
      if (last != nullptr && last->value == value && last->length < 255) {
        ++last->length;
      } else if (input.runCount < kMaximumInputRuns) {
        input.runs[input.runCount++] = {value, 1};
      } else {
        break;
      }
      if (++total == kMaximumInputsPerDatagram) break;
    }
    Send(input, peer, time);
    acknowledgementSent = remoteKnown;
  }
  for (ChecksumToSend& pending : checksumsToSend) {
    if (pending.copiesLeft > 0) {
      Datagram checksum;
      checksum.kind = DatagramKind::Checksum;
      checksum.firstStep = static_cast<std::uint32_t>(pending.value.step);
      checksum.checksum = pending.value.checksum;
      Send(checksum, peer, time);
      --pending.copiesLeft;
    }
  }
  if (time - lastQualityReport >= kQualityReportInterval) {
    Datagram report;
    report.kind = DatagramKind::QualityReport;
    report.clockMilliseconds = Milliseconds(time);
    report.advantageTenths = static_cast<std::int16_t>(std::clamp(statistics.stepsAhead * 10.0, -30000.0, 30000.0));
    Send(report, peer, time);
    lastQualityReport = time;
  }
  if (time - lastSent >= kKeepAliveInterval) {
    Datagram keepAlive;
    keepAlive.kind = DatagramKind::KeepAlive;
    Send(keepAlive, peer, time);
  }
}

void OnlineSession::Send(Datagram& datagram, const NetworkAddress& to, double time) {
  if (outboxCount == outbox.size()) {
    return;  // the caller did not empty the outbox; UDP would have lost it as well
  }
  datagram.senderNonce = settings.nonce;
  Outgoing& out = outbox[outboxCount++];
  out.size = EncodeDatagram(datagram, out.bytes);
  out.to = to;
  lastSent = time;
  ++statistics.datagramsSent;
  AccountTraffic(time, out.size + static_cast<std::size_t>(to.HeaderBytes()), 0, 0);
}

void OnlineSession::AccountTraffic(double time, std::size_t sent, std::size_t received, int rolledBack) {
  const auto index = static_cast<std::int64_t>(std::floor(time / 0.1));
  TrafficBucket& bucket = traffic[static_cast<std::size_t>(((index % kTrafficBuckets) + kTrafficBuckets) % kTrafficBuckets)];
  if (bucket.index != index) {
    bucket = {index, 0, 0, 0};
  }
  bucket.sent += sent;
  bucket.received += received;
  bucket.rolledBack += rolledBack;
  std::size_t sentTotal = 0;
  std::size_t receivedTotal = 0;
  int rolledBackTotal = 0;
  for (const TrafficBucket& each : traffic) {
    if (each.index > index - kTrafficBuckets) {
      sentTotal += each.sent;
      receivedTotal += each.received;
      rolledBackTotal += each.rolledBack;
    }
  }
  statistics.sentBytesPerSecond = static_cast<double>(sentTotal);
  statistics.receivedBytesPerSecond = static_cast<double>(receivedTotal);
  statistics.rolledBackStepsPerSecond = rolledBackTotal;
}

}  // namespace Kelpforge::Online::kfImplementation
