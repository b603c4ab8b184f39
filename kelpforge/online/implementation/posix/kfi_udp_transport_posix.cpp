// UDP through BSD sockets (Linux and other POSIX systems): one non-blocking socket, IPv6 with
// IPv4 peers seen as v4-mapped where the system allows both on one socket, IPv4 alone where it
// does not; names resolved with getaddrinfo. An ICMP "port unreachable" that the kernel reports
// on a later call marks the peer unreachable. No socket options beyond those are set.
#include <arpa/inet.h>
#include <errno.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "kelpforge/online/implementation/kf_datagram_transport.h"
#include "kelpforge/online/implementation/kf_socket_address.h"

namespace Kelpforge::Online::kfImplementation {

namespace {

class SocketHandle {
public:
  explicit SocketHandle(int descriptor) : descriptor(descriptor) {}
  ~SocketHandle() {
    if (descriptor >= 0) close(descriptor);
  }
  SocketHandle(const SocketHandle&) = delete;
  SocketHandle& operator=(const SocketHandle&) = delete;
  int descriptor;
};

class PosixUdpTransport final : public DatagramTransport {
public:
  PosixUdpTransport(int descriptor, bool isIpv6) : socket(descriptor), isIpv6(isIpv6) {}

  bool Connect(const NetworkAddress& peer) {
    sockaddr_storage address;
    const auto length = static_cast<socklen_t>(ToSockaddr(peer, isIpv6, address));
    connected = ::connect(socket.descriptor, reinterpret_cast<const sockaddr*>(&address), length) == 0;
    return connected;
  }

  bool Send(std::span<const std::byte> datagram, const NetworkAddress& to) override {
    if (to.isIpv6 && !isIpv6) return false;
    sockaddr_storage address;
    const auto length = static_cast<socklen_t>(ToSockaddr(to, isIpv6, address));
    // A connected socket sends to its peer only.
    const ssize_t sent = connected ? send(socket.descriptor, datagram.data(), datagram.size(), MSG_NOSIGNAL)
                                   : sendto(socket.descriptor, datagram.data(), datagram.size(), MSG_NOSIGNAL,
                                            reinterpret_cast<const sockaddr*>(&address), length);
    if (sent < 0 && errno == ECONNREFUSED) unreachable = true;
    return sent == static_cast<ssize_t>(datagram.size());
  }

  std::optional<Received> Receive(std::span<std::byte> buffer) override {
    for (;;) {
      sockaddr_storage address{};
      socklen_t length = sizeof address;
      // MSG_TRUNC: the return value is the datagram's whole length, so an oversized one shows.
      const ssize_t size = recvfrom(socket.descriptor, buffer.data(), buffer.size(), MSG_TRUNC,
                                    reinterpret_cast<sockaddr*>(&address), &length);
      if (size >= 0) {
        return Received{static_cast<std::size_t>(size), FromSockaddr(address)};
      }
      // An earlier datagram's ICMP error surfaces here; other datagrams may still be waiting.
      if (errno == ECONNREFUSED) {
        unreachable = true;
        continue;
      }
      if (errno == EINTR) continue;
      return std::nullopt;
    }
  }

  bool PeerUnreachable() const override { return unreachable; }

private:
  SocketHandle socket;
  bool isIpv6;
  bool connected = false;
  bool unreachable = false;
};

std::unique_ptr<PosixUdpTransport> Bound(int family, std::uint16_t port, std::string& failure) {
  const int descriptor = ::socket(family, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_UDP);
  if (descriptor < 0) {
    failure = std::string("cannot open a UDP socket: ") + std::strerror(errno);
    return nullptr;
  }
  auto transport = std::make_unique<PosixUdpTransport>(descriptor, family == AF_INET6);
  sockaddr_storage address{};
  socklen_t length = 0;
  if (family == AF_INET6) {
    // Both families on one socket; a system that refuses keeps IPv6 only and the caller falls back.
    const int off = 0;
    setsockopt(descriptor, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
    auto& v6 = reinterpret_cast<sockaddr_in6&>(address);
    v6.sin6_family = AF_INET6;
    v6.sin6_addr = in6addr_any;
    v6.sin6_port = htons(port);
    length = sizeof v6;
  } else {
    auto& v4 = reinterpret_cast<sockaddr_in&>(address);
    v4.sin_family = AF_INET;
    v4.sin_addr.s_addr = htonl(INADDR_ANY);
    v4.sin_port = htons(port);
    length = sizeof v4;
  }
  if (bind(descriptor, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
    failure = "cannot listen on UDP port " + std::to_string(port) + ": " + std::strerror(errno);
    return nullptr;
  }
  return transport;
}

}  // namespace

std::unique_ptr<DatagramTransport> OpenUdpTransport(std::uint16_t port, bool ipv6, std::string& failure) {
  if (port != 0 || ipv6) {
    if (auto transport = Bound(AF_INET6, port, failure)) return transport;
    if (ipv6) return nullptr;
  }
  return Bound(AF_INET, port, failure);
}

std::unique_ptr<DatagramTransport> OpenConnectedUdpTransport(const NetworkAddress& peer, std::string& failure) {
  auto transport = Bound(peer.isIpv6 ? AF_INET6 : AF_INET, 0, failure);
  if (transport && !transport->Connect(peer)) {
    failure = "cannot reach " + peer.ToString() + ": " + std::strerror(errno);
    return nullptr;
  }
  return transport;
}

std::optional<NetworkAddress> ResolveAddress(const std::string& host, std::uint16_t port, std::string& failure) {
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* found = nullptr;
  const int status = getaddrinfo(host.c_str(), nullptr, &hints, &found);
  if (status != 0 || found == nullptr) {
    failure = "cannot find the host " + host + ": " + gai_strerror(status);
    return std::nullopt;
  }
  sockaddr_storage storage{};
  std::memcpy(&storage, found->ai_addr, std::min<std::size_t>(found->ai_addrlen, sizeof storage));
  freeaddrinfo(found);
  NetworkAddress address = FromSockaddr(storage);
  address.port = port;
  return address;
}

}  // namespace Kelpforge::Online::kfImplementation
