// UDP through Winsock 2 on Windows: WSAStartup once for the process (kept until exit), one
// non-blocking socket (FIONBIO), IPv6 dual-stack where the system allows it and IPv4 alone
// otherwise, names resolved with getaddrinfo. WSAECONNRESET on a UDP receive is how Windows
// reports an ICMP "port unreachable": the peer is marked unreachable. Needs ws2_32.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstring>

#include "kelpforge/online/implementation/kf_datagram_transport.h"
#include "kelpforge/online/implementation/kf_socket_address.h"

namespace Kelpforge::Online::kfImplementation {

namespace {

bool StartWinsock(std::string& failure) {
  static const int status = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data);
  }();
  if (status != 0) {
    failure = "Winsock 2 did not start (error " + std::to_string(status) + ")";
  }
  return status == 0;
}

class SocketHandle {
public:
  explicit SocketHandle(SOCKET handle) : handle(handle) {}
  ~SocketHandle() {
    if (handle != INVALID_SOCKET) closesocket(handle);
  }
  SocketHandle(const SocketHandle&) = delete;
  SocketHandle& operator=(const SocketHandle&) = delete;
  SOCKET handle;
};

class WinsockUdpTransport final : public DatagramTransport {
public:
  WinsockUdpTransport(SOCKET handle, bool isIpv6) : socket(handle), isIpv6(isIpv6) {}

  bool Connect(const NetworkAddress& peer) {
    sockaddr_storage address;
    const int length = ToSockaddr(peer, isIpv6, address);
    connected = ::connect(socket.handle, reinterpret_cast<const sockaddr*>(&address), length) == 0;
    return connected;
  }

  bool Send(std::span<const std::byte> datagram, const NetworkAddress& to) override {
    if (to.isIpv6 && !isIpv6) return false;
    sockaddr_storage address;
    const int length = ToSockaddr(to, isIpv6, address);
    // A connected socket sends to its peer only.
    const int sent = connected ? send(socket.handle, reinterpret_cast<const char*>(datagram.data()),
                                      static_cast<int>(datagram.size()), 0)
                               : sendto(socket.handle, reinterpret_cast<const char*>(datagram.data()),
                                        static_cast<int>(datagram.size()), 0,
                                        reinterpret_cast<const sockaddr*>(&address), length);
    return sent == static_cast<int>(datagram.size());
  }

  std::optional<Received> Receive(std::span<std::byte> buffer) override {
    for (;;) {
      sockaddr_storage address{};
      int length = sizeof address;
      const int size = recvfrom(socket.handle, reinterpret_cast<char*>(buffer.data()), static_cast<int>(buffer.size()),
                                0, reinterpret_cast<sockaddr*>(&address), &length);
      if (size >= 0) {
        return Received{static_cast<std::size_t>(size), FromSockaddr(address)};
      }
      const int error = WSAGetLastError();
      // Winsock cuts a datagram longer than the buffer and says so; it counts as oversized.
      if (error == WSAEMSGSIZE) {
        return Received{buffer.size() + 1, FromSockaddr(address)};
      }
      if (error == WSAECONNRESET) {
        unreachable = true;
        continue;
      }
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

std::unique_ptr<WinsockUdpTransport> Bound(int family, std::uint16_t port, std::string& failure) {
  const SOCKET handle = ::socket(family, SOCK_DGRAM, IPPROTO_UDP);
  if (handle == INVALID_SOCKET) {
    failure = "cannot open a UDP socket (Winsock error " + std::to_string(WSAGetLastError()) + ")";
    return nullptr;
  }
  auto transport = std::make_unique<WinsockUdpTransport>(handle, family == AF_INET6);
  u_long nonBlocking = 1;
  ioctlsocket(handle, FIONBIO, &nonBlocking);
  sockaddr_storage address{};
  int length = 0;
  if (family == AF_INET6) {
    const DWORD off = 0;
    setsockopt(handle, IPPROTO_IPV6, IPV6_V6ONLY, reinterpret_cast<const char*>(&off), sizeof off);
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
  if (bind(handle, reinterpret_cast<const sockaddr*>(&address), length) != 0) {
    failure = "cannot listen on UDP port " + std::to_string(port) + " (Winsock error " +
              std::to_string(WSAGetLastError()) + ")";
    return nullptr;
  }
  return transport;
}

}  // namespace

std::unique_ptr<DatagramTransport> OpenUdpTransport(std::uint16_t port, bool ipv6, std::string& failure) {
  if (!StartWinsock(failure)) return nullptr;
  if (port != 0 || ipv6) {
    if (auto transport = Bound(AF_INET6, port, failure)) return transport;
    if (ipv6) return nullptr;
  }
  return Bound(AF_INET, port, failure);
}

std::unique_ptr<DatagramTransport> OpenConnectedUdpTransport(const NetworkAddress& peer, std::string& failure) {
  if (!StartWinsock(failure)) return nullptr;
  auto transport = Bound(peer.isIpv6 ? AF_INET6 : AF_INET, 0, failure);
  if (transport && !transport->Connect(peer)) {
    failure = "cannot reach " + peer.ToString() + " (Winsock error " + std::to_string(WSAGetLastError()) + ")";
    return nullptr;
  }
  return transport;
}

std::optional<NetworkAddress> ResolveAddress(const std::string& host, std::uint16_t port, std::string& failure) {
  if (!StartWinsock(failure)) return std::nullopt;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_DGRAM;
  addrinfo* found = nullptr;
  const int status = getaddrinfo(host.c_str(), nullptr, &hints, &found);
  if (status != 0 || found == nullptr) {
    failure = "cannot find the host " + host + " (error " + std::to_string(status) + ")";
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
