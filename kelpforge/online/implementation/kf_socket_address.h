// Socket addresses and NetworkAddress, both ways, for the BSD-socket and the Winsock transport
// alike (the two share the sockaddr structures): an IPv4 peer of an IPv6 socket travels as
// ::ffff:a.b.c.d and comes back as the IPv4 address it is.
#pragma once

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#endif

#include <cstdint>
#include <cstring>

#include "kelpforge/online/implementation/kf_network_address.h"

namespace Kelpforge::Online::kfImplementation {

inline NetworkAddress FromSockaddr(const sockaddr_storage& storage) {
  if (storage.ss_family == AF_INET6) {
    const auto& v6 = reinterpret_cast<const sockaddr_in6&>(storage);
    return NetworkAddress::FromIpv6Bytes(reinterpret_cast<const std::uint8_t*>(&v6.sin6_addr), ntohs(v6.sin6_port));
  }
  const auto& v4 = reinterpret_cast<const sockaddr_in&>(storage);
  const auto* raw = reinterpret_cast<const std::uint8_t*>(&v4.sin_addr);
  return NetworkAddress::Ipv4(raw[0], raw[1], raw[2], raw[3], ntohs(v4.sin_port));
}

// Fills `storage` with `to` as a socket of that family needs it; gives the address's length.
inline int ToSockaddr(const NetworkAddress& to, bool socketIsIpv6, sockaddr_storage& storage) {
  std::memset(&storage, 0, sizeof storage);
  if (socketIsIpv6) {
    auto& v6 = reinterpret_cast<sockaddr_in6&>(storage);
    v6.sin6_family = AF_INET6;
    v6.sin6_port = htons(to.port);
    auto* raw = reinterpret_cast<std::uint8_t*>(&v6.sin6_addr);
    if (to.isIpv6) {
      std::memcpy(raw, to.bytes.data(), 16);
    } else {
      raw[10] = 0xFF;
      raw[11] = 0xFF;
      std::memcpy(raw + 12, to.bytes.data(), 4);
    }
    return sizeof(sockaddr_in6);
  }
  auto& v4 = reinterpret_cast<sockaddr_in&>(storage);
  v4.sin_family = AF_INET;
  v4.sin_port = htons(to.port);
  std::memcpy(&v4.sin_addr, to.bytes.data(), 4);
  return sizeof(sockaddr_in);
}

}  // namespace Kelpforge::Online::kfImplementation
