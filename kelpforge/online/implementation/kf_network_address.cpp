#include "kelpforge/online/implementation/kf_network_address.h"

#include <cstdio>

namespace Kelpforge::Online::kfImplementation {

NetworkAddress NetworkAddress::Ipv4(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d,
                                    std::uint16_t port) {
  NetworkAddress address;
  address.bytes[0] = a;
  address.bytes[1] = b;
  address.bytes[2] = c;
  address.bytes[3] = d;
  address.port = port;
  return address;
}

NetworkAddress NetworkAddress::FromIpv6Bytes(const std::uint8_t* raw, std::uint16_t port) {
  bool mapped = raw[10] == 0xFF && raw[11] == 0xFF;
  for (int i = 0; i < 10; ++i) {
    mapped = mapped && raw[i] == 0;
  }
  if (mapped) {
    return Ipv4(raw[12], raw[13], raw[14], raw[15], port);
  }
  NetworkAddress address;
  address.isIpv6 = true;
  for (int i = 0; i < 16; ++i) {
    address.bytes[i] = raw[i];
  }
  address.port = port;
  return address;
}

std::string NetworkAddress::ToString() const {
  char text[64];
  if (!isIpv6) {
    std::snprintf(text, sizeof text, "%u.%u.%u.%u:%u", bytes[0], bytes[1], bytes[2], bytes[3], port);
    return text;
  }
  // Full groups without the :: shortening; enough to tell peers apart in a message.
  std::snprintf(text, sizeof text, "[%x:%x:%x:%x:%x:%x:%x:%x]:%u", bytes[0] << 8 | bytes[1], bytes[2] << 8 | bytes[3],
                bytes[4] << 8 | bytes[5], bytes[6] << 8 | bytes[7], bytes[8] << 8 | bytes[9],
                bytes[10] << 8 | bytes[11], bytes[12] << 8 | bytes[13], bytes[14] << 8 | bytes[15], port);
  return text;
}

}  // namespace Kelpforge::Online::kfImplementation
