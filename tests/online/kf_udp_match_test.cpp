// Online matches over real UDP sockets on loopback, IPv4 and IPv6, with the game clock fed: the
// host and the joiner find each other and confirm steps; a joiner whose host does not listen is
// told it cannot be reached (Linux reports the ICMP answer on the joiner's connected socket).
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <unistd.h>

#include "kelpforge/online/kf_online_match.h"
#include "tests/support/fed_game_counter.h"

namespace {

namespace Online = Kelpforge::Online;

class StepCounter final : public Online::RollbackGame {
public:
  std::size_t SaveState(std::span<std::byte, Online::kMaximumStateSize> buffer) override {
    std::memcpy(buffer.data(), &steps, sizeof steps);
    return sizeof steps;
  }
  void LoadState(std::span<const std::byte> state) override { std::memcpy(&steps, state.data(), sizeof steps); }
  void AdvanceStep(const Online::StepInputs&) override { ++steps; }
  Online::PlayerInput LocalInput(int) override { return static_cast<Online::PlayerInput>(steps / 17 % 3 - 1); }
  std::int32_t steps = 0;
};

std::uint16_t TestPort(int offset) { return static_cast<std::uint16_t>(42000 + getpid() % 5000 * 3 + offset); }

TEST(UdpMatchTest, HostAndJoinerPlayOverIpv4AndIpv6LoopbackAndAnAbsentHostIsUnreachable) {
  KelpforgeTests::FedGameCounter counter;
  KelpforgeTests::ScopedGameCounter installed(counter);
  Online::MatchSettings settings;
  settings.gameName = "UDP test";
  int offset = 0;
  for (const std::string host : {"127.0.0.1", "::1"}) {
    SCOPED_TRACE(host);
    StepCounter hostGame, joinerGame;
    std::string failure;
    const std::uint16_t port = TestPort(offset++);
    auto hosting = Online::OnlineMatch::Host(hostGame, port, settings, failure);
    ASSERT_NE(hosting, nullptr) << failure;
    auto joining = Online::OnlineMatch::Join(joinerGame, host, port, settings, failure);
    if (joining == nullptr && host == "::1") {
      GTEST_SKIP() << "no IPv6 loopback here: " << failure;
    }
    ASSERT_NE(joining, nullptr) << failure;
    for (int frame = 0; frame < 200; ++frame) {
      counter.Advance(0.01);
      joining->RunFrame(1);
      hosting->RunFrame(1);
    }
    EXPECT_EQ(hosting->Status(), Online::MatchStatus::Playing);
    EXPECT_EQ(joining->Status(), Online::MatchStatus::Playing);
    EXPECT_GT(hosting->ConfirmedUpTo(), 100);
    EXPECT_GT(joining->ConfirmedUpTo(), 100);
    EXPECT_EQ(hosting->Statistics().datagramsDropped, 0u);
  }
#ifndef _WIN32
  StepCounter alone;
  std::string failure;
  auto joining = Online::OnlineMatch::Join(alone, "127.0.0.1", TestPort(2), settings, failure);
  ASSERT_NE(joining, nullptr) << failure;
  for (int frame = 0; frame < 20 && joining->Status() == Online::MatchStatus::Connecting; ++frame) {
    counter.Advance(0.25);
    joining->RunFrame(1);
  }
  EXPECT_EQ(joining->Status(), Online::MatchStatus::NoConnection);
  EXPECT_EQ(joining->NoConnectionText(), "the host cannot be reached");
#endif
}

}  // namespace
