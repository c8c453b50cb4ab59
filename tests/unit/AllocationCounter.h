// Counts heap allocations of the whole test binary while a test switches it
// on (the global operator new is replaced in AllocationCounter.cpp).
#pragma once

namespace lensoro::test {

extern bool gCountAllocations;
extern long gAllocations;

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
