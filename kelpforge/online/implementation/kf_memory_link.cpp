#include "kelpforge/online/implementation/kf_memory_link.h"

#include <algorithm>

namespace Kelpforge::Online::kfImplementation {

class MemoryEndpoint final : public DatagramTransport {
public:
  MemoryEndpoint(MemoryLink& link, const NetworkAddress& address) : link(link), address(address) {}
  bool Send(std::span<const std::byte> datagram, const NetworkAddress& to) override {
    link.Inject(datagram, address, to);
    return true;
  }
  std::optional<Received> Receive(std::span<std::byte> buffer) override { return link.Take(address, buffer); }

private:
  MemoryLink& link;
  NetworkAddress address;
};

namespace {

constexpr std::size_t kPoolSize = 512;
// A reordered datagram is held back this much beyond its delay.
constexpr double kReorderHold = 0.03;

}  // namespace

MemoryLink::MemoryLink(const LinkConditions& conditions)
    : conditions(conditions), random(conditions.seed * 0x9E3779B97F4A7C15ull + 1), pool(kPoolSize) {
  lastArrival.reserve(16);
}

MemoryLink::~MemoryLink() = default;

std::unique_ptr<DatagramTransport> MemoryLink::Endpoint(const NetworkAddress& address) {
  return std::make_unique<MemoryEndpoint>(*this, address);
}

void MemoryLink::SetTime(double time) { now = time; }

double MemoryLink::Uniform() {
  // xorshift64*: enough for link conditions, the same on every platform.
  random ^= random >> 12;
  random ^= random << 25;
  random ^= random >> 27;
  return static_cast<double>((random * 2685821657736338717ull) >> 11) * (1.0 / 9007199254740992.0);
}

void MemoryLink::Inject(std::span<const std::byte> bytes, const NetworkAddress& from, const NetworkAddress& to) {
  if (Uniform() < conditions.dropRate) {
    return;
  }
  const int copies = Uniform() < conditions.duplicateRate ? 2 : 1;
  for (int copy = 0; copy < copies; ++copy) {
    double arrival = now + conditions.delay + (2.0 * Uniform() - 1.0) * conditions.jitter;
    if (Uniform() < conditions.reorderRate) {
      Queue(bytes, from, to, arrival + kReorderHold);
      continue;
    }
    auto last = std::find_if(lastArrival.begin(), lastArrival.end(), [&](const auto& entry) { return entry.first == to; });
    if (last == lastArrival.end()) {
      lastArrival.push_back({to, arrival});
    } else {
      arrival = std::max(arrival, last->second);
      last->second = arrival;
    }
    Queue(bytes, from, to, arrival);
  }
}

void MemoryLink::Queue(std::span<const std::byte> bytes, const NetworkAddress& from, const NetworkAddress& to,
                       double arrival) {
  auto slot = std::find_if(pool.begin(), pool.end(), [](const InFlight& entry) { return !entry.used; });
  if (slot == pool.end()) {
    return;  // a full pool loses the datagram, as a full socket buffer would
  }
  slot->used = true;
  slot->arrival = arrival;
  slot->order = nextOrder++;
  slot->from = from;
  slot->to = to;
  slot->size = std::min(bytes.size(), slot->bytes.size());
  std::copy_n(bytes.begin(), slot->size, slot->bytes.begin());
}

std::optional<DatagramTransport::Received> MemoryLink::Take(const NetworkAddress& at, std::span<std::byte> buffer) {
  InFlight* first = nullptr;
  for (InFlight& entry : pool) {
    if (entry.used && entry.to == at && entry.arrival <= now &&
        (first == nullptr || entry.arrival < first->arrival ||
         (entry.arrival == first->arrival && entry.order < first->order))) {
      first = &entry;
    }
  }
  if (first == nullptr) {
    return std::nullopt;
  }
  first->used = false;
  std::copy_n(first->bytes.begin(), std::min(first->size, buffer.size()), buffer.begin());
  return DatagramTransport::Received{first->size, first->from};
}

std::size_t MemoryLink::Pending() const {
  return static_cast<std::size_t>(std::count_if(pool.begin(), pool.end(), [](const InFlight& e) { return e.used; }));
}

}  // namespace Kelpforge::Online::kfImplementation
