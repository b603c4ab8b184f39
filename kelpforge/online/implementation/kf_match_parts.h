// What an OnlineMatch is made of: the session, the transport it talks through and the clock it
// reads. The game-facing constructors put UDP and the game clock in; tests put an in-memory link
// and a clock of their own.
#pragma once

#include <functional>
#include <memory>

#include "kelpforge/online/implementation/kf_datagram_transport.h"
#include "kelpforge/online/implementation/kf_online_session.h"
#include "kelpforge/online/kf_online_match.h"

namespace Kelpforge::Online {

struct OnlineMatch::Parts {
  Parts(RollbackGame& game, const kfImplementation::SessionSettings& settings,
        std::unique_ptr<kfImplementation::DatagramTransport> transport, std::function<double()> clock);

  std::function<double()> clock;
  kfImplementation::OnlineSession session;
  std::unique_ptr<kfImplementation::DatagramTransport> transport;
  NetworkHistory history;
  double nextSample = 0.0;
  std::array<std::byte, kfImplementation::kMaximumDatagramSize> receiveBuffer{};
};

namespace kfImplementation {

// A random 32-bit nonce from the system's entropy, never 0.
std::uint32_t MakeNonce();
SessionSettings SettingsFor(const MatchSettings& match, bool isHost);

}  // namespace kfImplementation

}  // namespace Kelpforge::Online
