// A UDP peer's address, IPv4 or IPv6, as the online code compares and prints it. An IPv4 peer
// seen through a dual-stack IPv6 socket (::ffff:a.b.c.d) is kept as the IPv4 address it is, so
// the same peer compares equal whichever socket saw it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace Kelpforge::Online::kfImplementation {

struct NetworkAddress {
  bool isIpv6 = false;
  // IPv4 in the first four bytes, network order.
  std::array<std::uint8_t, 16> bytes{};
  std::uint16_t port = 0;

  friend bool operator==(const NetworkAddress&, const NetworkAddress&) = default;

  static NetworkAddress Ipv4(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d, std::uint16_t port);
  // From 16 bytes in network order; a v4-mapped address becomes IPv4.
  static NetworkAddress FromIpv6Bytes(const std::uint8_t* address, std::uint16_t port);
  // "127.0.0.1:24680" or "[::1]:24680".
  std::string ToString() const;
  // Bytes a datagram costs on the wire beyond its payload: the IP and UDP headers.
  int HeaderBytes() const { return isIpv6 ? 48 : 28; }
};

}  // namespace Kelpforge::Online::kfImplementation
