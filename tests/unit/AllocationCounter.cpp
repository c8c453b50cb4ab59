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
// The library's temporary buffers use the nothrow forms; they must come from
// the same heap as the deletes below.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return operator new(size);
  } catch (...) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
  return operator new(size, std::nothrow);
}
// Not inlined, so the compiler does not pair a new-expression with free().
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
