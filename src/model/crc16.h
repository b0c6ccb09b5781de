#pragma once

#include <cstddef>
#include <cstdint>

namespace corvane {

// CRC-16/MODBUS: reflected polynomial 0xA001, initial value 0xFFFF, no final xor.
uint16_t Crc16Modbus(const uint8_t* data, size_t length, uint16_t crc = 0xFFFF);

}  // namespace corvane
