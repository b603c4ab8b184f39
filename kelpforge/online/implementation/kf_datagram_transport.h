// The seam between the online session and the network: send one datagram to an address, take
// the next one that has arrived without waiting. UDP sockets implement it on each platform
// (posix/, windows/), and the in-memory link of kf_memory_link.h in tests.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "kelpforge/online/implementation/kf_network_address.h"

namespace Kelpforge::Online::kfImplementation {

class DatagramTransport {
public:
  virtual ~DatagramTransport() = default;
  // False when the datagram could not be handed to the network; UDP may still lose it later.
  virtual bool Send(std::span<const std::byte> datagram, const NetworkAddress& to) = 0;
  // The next datagram that has arrived, copied into `buffer` (cut to its size, with `size` the
  // whole datagram's length, so a longer one shows as oversized); nothing when none is waiting.
  struct Received {
    std::size_t size = 0;
    NetworkAddress from;
  };
  virtual std::optional<Received> Receive(std::span<std::byte> buffer) = 0;
  // Set once the network has told that the peer cannot be reached (an ICMP port unreachable).
  virtual bool PeerUnreachable() const { return false; }
};

// A UDP socket bound to `port` on every local address (IPv6 and IPv4 where the system can, IPv4
// alone where it cannot), or to an ephemeral port of `family` when `port` is 0. Non-blocking.
// Null with `failure` set when no socket could be opened.
std::unique_ptr<DatagramTransport> OpenUdpTransport(std::uint16_t port, bool ipv6, std::string& failure);
// An ephemeral-port socket that talks to `peer` alone: the system then drops datagrams from
// anywhere else and reports a peer that cannot be reached (an ICMP port unreachable).
std::unique_ptr<DatagramTransport> OpenConnectedUdpTransport(const NetworkAddress& peer, std::string& failure);
// `host` as a numeric address or a name; nothing with `failure` set when it does not resolve.
std::optional<NetworkAddress> ResolveAddress(const std::string& host, std::uint16_t port, std::string& failure);

}  // namespace Kelpforge::Online::kfImplementation
