// Little-endian reads and writes. Every multi-byte integer on the wire, in registers, in project
// files and in firmware containers is little-endian; byte layouts go through these, never casts.
#pragma once

#include <cstdint>

namespace corvane {

constexpr uint16_t GetU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

constexpr int16_t GetI16(const uint8_t* p) { return static_cast<int16_t>(GetU16(p)); }

constexpr uint32_t GetU32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

constexpr void PutU16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}

constexpr void PutU32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

// A 32-bit value held in two consecutive registers, low word first.
constexpr uint32_t WordsToU32(uint16_t low, uint16_t high) {
  return static_cast<uint32_t>(low) | (static_cast<uint32_t>(high) << 16);
}

constexpr uint8_t LowByte(uint16_t w) { return static_cast<uint8_t>(w); }
constexpr uint8_t HighByte(uint16_t w) { return static_cast<uint8_t>(w >> 8); }

}  // namespace corvane
