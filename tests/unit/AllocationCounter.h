// Counts heap allocations of the whole test binary while a test switches it
// on (the global operator new is replaced in AllocationCounter.cpp).
#pragma once

namespace lensoro::test {

extern bool gCountAllocations;
extern long gAllocations;
// Non-zero: every allocation of exactly this many bytes throws
// std::bad_alloc, as when memory runs out.
extern unsigned long gFailAllocationsOfSize;

// Fails the allocations of one size during its lifetime.
class TFailAllocationsScope {
 public:
  explicit TFailAllocationsScope(unsigned long size) { gFailAllocationsOfSize = size; }
  ~TFailAllocationsScope() { gFailAllocationsOfSize = 0; }
  TFailAllocationsScope(const TFailAllocationsScope&) = delete;
  TFailAllocationsScope& operator=(const TFailAllocationsScope&) = delete;
};

// Counts the allocations made during its lifetime.
class TAllocationScope {
 public:
  TAllocationScope() {
    gAllocations = 0;
    gCountAllocations = true;
  }
  ~TAllocationScope() { gCountAllocations = false; }
  long Count() const { return gAllocations; }
};

}  // namespace lensoro::test
