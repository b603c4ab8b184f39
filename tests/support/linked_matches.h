// Two online matches joined by an in-memory link with a fed clock: a host at 127.0.0.1:24680 and a
// joiner at 127.0.0.2:40000, each stepping its own accumulator as the game loop does (frame
// clamp and step cap included), so a test plays a whole match frame by frame, deterministically.
#pragma once

#include <array>
#include <functional>
#include <memory>

#include "kelpforge/online/implementation/kf_match_parts.h"
#include "kelpforge/online/implementation/kf_memory_link.h"

namespace KelpforgeTests {

namespace OnlineImpl = Kelpforge::Online::kfImplementation;

inline OnlineImpl::NetworkAddress HostAddress() { return OnlineImpl::NetworkAddress::Ipv4(127, 0, 0, 1, 24680); }
inline OnlineImpl::NetworkAddress JoinerAddress() { return OnlineImpl::NetworkAddress::Ipv4(127, 0, 0, 2, 40000); }

class LinkedMatches {
public:
  LinkedMatches(Kelpforge::Online::RollbackGame& hostGame, Kelpforge::Online::RollbackGame& joinerGame,
                const OnlineImpl::LinkConditions& conditions, int inputDelay = 0)
      : link(conditions) {
    Kelpforge::Online::MatchSettings settings;
    settings.gameName = "Linked";
    settings.inputDelay = inputDelay;
    auto clock = [this] { return now; };
    OnlineImpl::SessionSettings host = OnlineImpl::SettingsFor(settings, true);
    host.nonce = 0x1111;
    OnlineImpl::SessionSettings joiner = OnlineImpl::SettingsFor(settings, false);
    joiner.nonce = 0x2222;
    joiner.peer = HostAddress();
    matches[0] = std::make_unique<Kelpforge::Online::OnlineMatch>(
        std::make_unique<Kelpforge::Online::OnlineMatch::Parts>(hostGame, host, link.Endpoint(HostAddress()), clock));
    matches[1] = std::make_unique<Kelpforge::Online::OnlineMatch>(
        std::make_unique<Kelpforge::Online::OnlineMatch::Parts>(joinerGame, joiner, link.Endpoint(JoinerAddress()), clock));
    view = {matches[0].get(), matches[1].get()};
  }

  // One frame of `frameTime` on both sides (or on those `running` names), the host first.
  void Frame(double frameTime = 1.0 / 60.0, std::array<bool, 2> running = {true, true}) {
    now += frameTime;
    link.SetTime(now);
    for (int side = 0; side < 2; ++side) {
      if (!running[side]) continue;
      float step = static_cast<float>(frameTime);
      step = step > 1.0f / 30.0f ? 1.0f / 30.0f : step;
      accumulators[side] += step;
      int offered = 0;
      for (; accumulators[side] > 0.01f && offered < 5; ++offered) accumulators[side] -= 0.01f;
      if (runSide) {
        runSide(side, offered);
      } else {
        matches[side]->RunFrame(offered);
      }
    }
  }

  Kelpforge::Online::OnlineMatch& Host() { return *view[0]; }
  Kelpforge::Online::OnlineMatch& Joiner() { return *view[1]; }
  // Hands a match to whoever plays it (a scene that runs it from its own RunFixedSteps).
  std::unique_ptr<Kelpforge::Online::OnlineMatch> Release(int side) { return std::move(matches[side]); }

  double now = 100.0;
  OnlineImpl::MemoryLink link;
  std::array<std::unique_ptr<Kelpforge::Online::OnlineMatch>, 2> matches;
  std::array<float, 2> accumulators{};
  std::array<Kelpforge::Online::OnlineMatch*, 2> view{};
  // Runs a side's frame instead of its match's RunFrame.
  std::function<void(int side, int offered)> runSide;
};

}  // namespace KelpforgeTests
