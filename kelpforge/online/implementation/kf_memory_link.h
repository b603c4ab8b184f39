// An in-memory network for tests: endpoints at made-up addresses exchange datagrams that arrive
// after a one-way delay with jitter, and are dropped, duplicated or reordered at the rates asked,
// all decided by a seeded generator so every run is the same. Time is whatever the test says.
// Datagrams wait in a fixed pool, so a steady exchange allocates nothing.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "kelpforge/online/implementation/kf_datagram.h"
#include "kelpforge/online/implementation/kf_datagram_transport.h"

namespace Kelpforge::Online::kfImplementation {

struct LinkConditions {
  double delay = 0.0;  // one way, seconds
  double jitter = 0.0;  // each datagram's delay varies by up to this either way
  double dropRate = 0.0;
  double duplicateRate = 0.0;
  double reorderRate = 0.0;  // a reordered datagram arrives after ones sent later
  std::uint32_t seed = 1;
};

class MemoryLink {
public:
  explicit MemoryLink(const LinkConditions& conditions);
  ~MemoryLink();
  MemoryLink(const MemoryLink&) = delete;
  MemoryLink& operator=(const MemoryLink&) = delete;

  // An endpoint at `address`; the link must outlive it.
  std::unique_ptr<DatagramTransport> Endpoint(const NetworkAddress& address);
  // Datagrams due by `now` become receivable.
  void SetTime(double now);
  // Puts a datagram on the way as if `from` had sent it (through the same conditions).
  void Inject(std::span<const std::byte> bytes, const NetworkAddress& from, const NetworkAddress& to);
  // Datagrams in flight or waiting to be received.
  std::size_t Pending() const;

private:
  friend class MemoryEndpoint;
  struct InFlight {
    double arrival = 0.0;
    std::uint64_t order = 0;
    NetworkAddress from;
    NetworkAddress to;
    std::size_t size = 0;
    std::array<std::byte, kMaximumDatagramSize + 64> bytes{};
    bool used = false;
  };
  double Uniform();
  void Queue(std::span<const std::byte> bytes, const NetworkAddress& from, const NetworkAddress& to, double arrival);
  std::optional<DatagramTransport::Received> Take(const NetworkAddress& at, std::span<std::byte> buffer);

  LinkConditions conditions;
  std::uint64_t random;
  double now = 0.0;
  std::uint64_t nextOrder = 0;
  // The latest arrival per direction of travel: without reordering, datagrams keep their order.
  std::vector<std::pair<NetworkAddress, double>> lastArrival;
  std::vector<InFlight> pool;
};

}  // namespace Kelpforge::Online::kfImplementation
