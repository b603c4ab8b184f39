// Counts calls of the global operator new on the calling thread while an AllocationCounter is
// alive, so a test can show that a pass, a frame or a render allocates nothing.
#pragma once

#include <cstddef>

namespace KelpforgeTests {

class AllocationCounter {
public:
  AllocationCounter();
  ~AllocationCounter();
  AllocationCounter(const AllocationCounter&) = delete;
  AllocationCounter& operator=(const AllocationCounter&) = delete;

  // Allocations made since this counter was created.
  std::size_t Count() const;

private:
  std::size_t start_;
};

}  // namespace KelpforgeTests
