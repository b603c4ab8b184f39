#include "kelpforge/online/kf_online_match.h"

#include <algorithm>
#include <random>

#include "kelpforge/game/implementation/kf_game_clock.h"
#include "kelpforge/online/implementation/kf_match_parts.h"

namespace Kelpforge::Online {

using namespace kfImplementation;

namespace {

// The game clock's counter, which tests feed like the game loop's.
double GameClockSeconds() {
  Game::kfImplementation::GameCounter& counter = Game::kfImplementation::CurrentGameCounter();
  const std::int64_t frequency = counter.Frequency();
  return frequency > 0 ? static_cast<double>(counter.Count()) / static_cast<double>(frequency) : 0.0;
}

}  // namespace

namespace kfImplementation {

std::uint32_t MakeNonce() {
  std::random_device device;
  std::uint32_t nonce = 0;
  while (nonce == 0) nonce = device();
  return nonce;
}

SessionSettings SettingsFor(const MatchSettings& match, bool isHost) {
  SessionSettings settings;
  settings.isHost = isHost;
  settings.gameName = match.gameName.substr(0, kMaximumGameNameLength);
  settings.inputDelay = match.inputDelay;
  settings.lowestInput = match.lowestInput;
  settings.highestInput = match.highestInput;
  settings.nonce = MakeNonce();
  return settings;
}

}  // namespace kfImplementation

OnlineMatch::Parts::Parts(RollbackGame& game, const SessionSettings& settings,
                          std::unique_ptr<DatagramTransport> transport, std::function<double()> clock)
    : clock(std::move(clock)), session(game, settings, this->clock()), transport(std::move(transport)) {}

std::unique_ptr<OnlineMatch> OnlineMatch::Host(RollbackGame& game, std::uint16_t port, const MatchSettings& settings,
                                               std::string& failure) {
  auto transport = OpenUdpTransport(port, false, failure);
  if (!transport) return nullptr;
  return std::make_unique<OnlineMatch>(
      std::make_unique<Parts>(game, SettingsFor(settings, true), std::move(transport), GameClockSeconds));
}

std::unique_ptr<OnlineMatch> OnlineMatch::Join(RollbackGame& game, const std::string& host, std::uint16_t port,
                                               const MatchSettings& settings, std::string& failure) {
  const auto address = ResolveAddress(host, port, failure);
  if (!address) return nullptr;
  auto transport = OpenConnectedUdpTransport(*address, failure);
  if (!transport) return nullptr;
  SessionSettings session = SettingsFor(settings, false);
  session.peer = *address;
  return std::make_unique<OnlineMatch>(
      std::make_unique<Parts>(game, session, std::move(transport), GameClockSeconds));
}

OnlineMatch::OnlineMatch(std::unique_ptr<Parts> parts) : parts(std::move(parts)) {}

OnlineMatch::~OnlineMatch() { Leave(); }

namespace {

void Flush(OnlineMatch::Parts& parts) {
  for (const OnlineSession::Outgoing& out : parts.session.Outbox()) {
    parts.transport->Send(std::span<const std::byte>(out.bytes.data(), out.size), out.to);
  }
  parts.session.ClearOutbox();
}

}  // namespace

int OnlineMatch::RunFrame(int offered) {
  Parts& p = *parts;
  const double now = p.clock();
  while (const auto received = p.transport->Receive(p.receiveBuffer)) {
    p.session.Receive(p.receiveBuffer, received->size, received->from, now);
    Flush(p);
  }
  if (p.transport->PeerUnreachable() && p.session.Phase() == SessionPhase::Connecting) {
    p.session.Abandon(EndReason::Unreachable);
  }
  const int ran = p.session.RunFrame(offered, now);
  Flush(p);

  if (p.session.Phase() == SessionPhase::Running && now >= p.nextSample) {
    const NetworkStatistics& s = p.session.Statistics();
    p.history.Add({static_cast<float>(s.roundTrip * 1000.0), static_cast<float>(s.rolledBackStepsPerSecond),
                   static_cast<float>(s.stepsAhead), static_cast<float>(s.sentBytesPerSecond / 1000.0),
                   static_cast<float>(s.receivedBytesPerSecond / 1000.0)});
    p.nextSample = now + NetworkHistory::kSampleInterval;
  }
  return ran;
}

MatchStatus OnlineMatch::Status() const {
  const OnlineSession& session = parts->session;
  switch (session.Phase()) {
    case SessionPhase::WaitingForPeer:
      return MatchStatus::WaitingForPlayer;
    case SessionPhase::Connecting:
      return MatchStatus::Connecting;
    case SessionPhase::Running:
      return session.IsInterrupted() ? MatchStatus::Interrupted : MatchStatus::Playing;
    case SessionPhase::Ended:
      break;
  }
  switch (session.Reason()) {
    case EndReason::OutOfStep:
      return MatchStatus::OutOfStep;
    case EndReason::NobodyCame:
    case EndReason::MatchFull:
    case EndReason::Unreachable:
      return MatchStatus::NoConnection;
    default:
      return MatchStatus::OtherPlayerLeft;
  }
}

bool OnlineMatch::IsOver() const { return parts->session.Phase() == SessionPhase::Ended; }

std::string OnlineMatch::NoConnectionText() const {
  switch (parts->session.Reason()) {
    case EndReason::NobodyCame:
      return parts->session.LocalPlayer() == 0 ? "nobody joined within 60 s" : "the host did not answer within 60 s";
    case EndReason::MatchFull:
      return "the host is already playing a match";
    case EndReason::Unreachable:
      return "the host cannot be reached";
    default:
      return "";
  }
}

int OnlineMatch::LocalPlayer() const { return parts->session.LocalPlayer(); }

std::int32_t OnlineMatch::CurrentStep() const { return parts->session.CurrentStep(); }

std::int32_t OnlineMatch::ConfirmedUpTo() const {
  return std::min(parts->session.ConfirmedUpTo(), parts->session.CurrentStep());
}

const NetworkStatistics& OnlineMatch::Statistics() const { return parts->session.Statistics(); }

const NetworkHistory& OnlineMatch::History() const { return parts->history; }

void OnlineMatch::Leave() {
  if (parts->session.Phase() == SessionPhase::Ended) return;
  parts->session.Leave();
  Flush(*parts);
}

}  // namespace Kelpforge::Online
