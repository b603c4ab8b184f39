// A single-producer single-consumer ring of fixed capacity: the game thread pushes, the audio
// thread pops, neither locks nor allocates. Each side owns one index and publishes it with
// release; the other side reads it with acquire, so an item is complete before it is seen.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>

namespace Kelpforge::Audio::kfImplementation {

template <typename Item, std::size_t Capacity>
class RequestRing {
  static_assert(Capacity > 0 && (Capacity & (Capacity - 1)) == 0, "the capacity is a power of two");

public:
  // Producer side. False, leaving the ring as it was, when it is full.
  bool Push(const Item& item) {
    const std::size_t tail = writeIndex.load(std::memory_order_relaxed);
    if (tail - readIndex.load(std::memory_order_acquire) == Capacity) return false;
    items[tail & (Capacity - 1)] = item;
    writeIndex.store(tail + 1, std::memory_order_release);
    return true;
  }

  // Consumer side. False when the ring is empty.
  bool Pop(Item& item) {
    const std::size_t head = readIndex.load(std::memory_order_relaxed);
    if (head == writeIndex.load(std::memory_order_acquire)) return false;
    item = items[head & (Capacity - 1)];
    readIndex.store(head + 1, std::memory_order_release);
    return true;
  }

private:
  std::array<Item, Capacity> items{};
  // On lines of their own, so the two threads do not share a cache line for every request.
  alignas(64) std::atomic<std::size_t> writeIndex{0};
  alignas(64) std::atomic<std::size_t> readIndex{0};
};

}  // namespace Kelpforge::Audio::kfImplementation
