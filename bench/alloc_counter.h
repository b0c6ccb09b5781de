// Counts heap allocations made by a benchmark program, so a benchmark can prove that a path
// allocates nothing. Link alloc_counter.cpp into the program to replace operator new.
#pragma once

#include <atomic>

namespace corvane::bench {
extern std::atomic<long> g_allocations;
}  // namespace corvane::bench
