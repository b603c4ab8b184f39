// Replaces the global operator new/delete for the test programs and counts allocations.
#include "tests/support/allocation_counter.h"

#include <cstdlib>
#include <new>

namespace {

// Per thread: the GL driver allocates on its own worker threads (llvmpipe compiles and
// rasterizes there), which says nothing about the code under test.
thread_local std::size_t theAllocationCount = 0;

void* CountedAllocate(std::size_t size) {
  ++theAllocationCount;
  void* memory = std::malloc(size == 0 ? 1 : size);
  if (memory == nullptr) {
    throw std::bad_alloc();
  }
  return memory;
}

void* CountedAllocateAligned(std::size_t size, std::align_val_t alignment) {
  ++theAllocationCount;
  const auto align = static_cast<std::size_t>(alignment);
  const std::size_t rounded = (size + align - 1) / align * align;
#ifdef _WIN32
  // The Windows C library has no aligned_alloc; its aligned blocks need _aligned_free.
  void* memory = _aligned_malloc(rounded == 0 ? align : rounded, align);
#else
  void* memory = std::aligned_alloc(align, rounded == 0 ? align : rounded);
#endif
  if (memory == nullptr) {
    throw std::bad_alloc();
  }
  return memory;
}

void FreeAligned(void* memory) {
#ifdef _WIN32
  _aligned_free(memory);
#else
  std::free(memory);
#endif
}

}  // namespace

void* operator new(std::size_t size) { return CountedAllocate(size); }
void* operator new[](std::size_t size) { return CountedAllocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return CountedAllocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return CountedAllocate(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new(std::size_t size, std::align_val_t alignment) {
  return CountedAllocateAligned(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
  return CountedAllocateAligned(size, alignment);
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, std::align_val_t) noexcept { FreeAligned(memory); }
void operator delete[](void* memory, std::align_val_t) noexcept { FreeAligned(memory); }
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept { FreeAligned(memory); }
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept { FreeAligned(memory); }

namespace KelpforgeTests {

AllocationCounter::AllocationCounter() : start_(theAllocationCount) {}
AllocationCounter::~AllocationCounter() = default;

std::size_t AllocationCounter::Count() const {
  return theAllocationCount - start_;
}

}  // namespace KelpforgeTests
