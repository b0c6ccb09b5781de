// Bytes as upper-case hex pairs separated by blanks ("6A 03 00 00 1F"): how the tests spell
// the bytes they expect on the wire.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace corvane::testing {

inline std::string Hex(const uint8_t* p, size_t n) {
  std::string out;
  char b[4];
  for (size_t i = 0; i < n; ++i) {
    std::snprintf(b, sizeof b, i ? " %02X" : "%02X", p[i]);
    out += b;
  }
  return out;
}

}  // namespace corvane::testing
