// RF addresses: 32 bits, the top 12 name the device type, the low 20 number the device.
#pragma once

#include <cstdint>

namespace corvane {

using RfAddress = uint32_t;

inline constexpr RfAddress ADDR_DONGLE = 0xFFFFFFFD;
inline constexpr uint16_t kTypeDongleLocal = 0xFFF;
inline constexpr uint16_t kTypeModbusSide = 0xFFE;
inline constexpr RfAddress kNoAddress = 0;

constexpr uint16_t TypeOf(RfAddress address) { return static_cast<uint16_t>(address >> 20); }

// Every address with type 0xFFF belongs to the dongle itself (ADDR_DONGLE among them).
constexpr bool IsDongleLocal(RfAddress address) { return TypeOf(address) == kTypeDongleLocal; }

// A device that sits on the Modbus side of a gateway.
constexpr bool IsModbusSide(RfAddress address) { return TypeOf(address) == kTypeModbusSide; }

}  // namespace corvane
