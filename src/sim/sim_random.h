// A small seedable generator (SplitMix64): the whole simulation must replay the same way for the
// same seed, so nothing here touches the host's entropy.
#pragma once

#include <cstdint>

namespace corvane::sim {

class SimRandom {
 public:
  explicit SimRandom(uint64_t seed) : state_(seed) {}

  uint64_t Next() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }

  // Uniform in [0, bound); 0 when bound is 0.
  uint64_t Below(uint64_t bound) { return bound == 0 ? 0 : Next() % bound; }

  // Uniform in [lo, hi].
  int Between(int lo, int hi) {
    return lo + static_cast<int>(Below(static_cast<uint64_t>(hi - lo + 1)));
  }

  // True with the given probability (0..1).
  bool Chance(double probability) {
    if (probability <= 0.0) return false;
    if (probability >= 1.0) return true;
    return static_cast<double>(Next() >> 11) * 0x1.0p-53 < probability;
  }

 private:
  uint64_t state_;
};

}  // namespace corvane::sim
