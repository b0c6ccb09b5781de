#include "alloc_counter.h"

#include <cstdlib>
#include <new>

namespace corvane::bench {
std::atomic<long> g_allocations{0};
}  // namespace corvane::bench

// Kept out of line, in its own file, so the compiler never pairs an inlined malloc with a
// delete it cannot see through.
void* operator new(std::size_t size) {
  corvane::bench::g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
