#include "AllocationCounter.h"

#include <cstdlib>
#include <new>

namespace lensoro::test {
bool gCountAllocations = false;
long gAllocations = 0;
unsigned long gFailAllocationsOfSize = 0;
}  // namespace lensoro::test

void* operator new(std::size_t size) {
  if (lensoro::test::gCountAllocations) ++lensoro::test::gAllocations;
  if (lensoro::test::gFailAllocationsOfSize != 0 && size == lensoro::test::gFailAllocationsOfSize)
    throw std::bad_alloc();
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return operator new(size); }
// Not inlined, so the compiler does not pair a new-expression with free().
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
