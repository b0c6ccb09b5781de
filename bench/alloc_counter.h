// Counts heap allocations made by the benchmark process, so a benchmark can prove that a path
// allocates nothing. Include from exactly one translation unit per benchmark program.
#pragma once

#include <atomic>
#include <cstdlib>
#include <new>

namespace corvane::bench {
inline std::atomic<long> g_allocations{0};
}  // namespace corvane::bench

void* operator new(std::size_t size) {
  corvane::bench::g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
