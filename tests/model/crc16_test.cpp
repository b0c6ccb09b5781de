#include "model/crc16.h"

#include <gtest/gtest.h>

#include <cstring>

#include "model/le.h"

namespace corvane {
namespace {

TEST(Crc16Modbus, KnownVectorsAndChaining) {
  const char* check = "123456789";
  const auto* bytes = reinterpret_cast<const uint8_t*>(check);
  EXPECT_EQ(Crc16Modbus(bytes, 9), 0x4B37);
  // A Modbus RTU request: 01 03 00 00 00 0A -> CRC bytes C5 CD on the wire (low byte first).
  const uint8_t request[] = {0x01, 0x03, 0x00, 0x00, 0x00, 0x0A};
  EXPECT_EQ(Crc16Modbus(request, sizeof request), 0xCDC5);
  EXPECT_EQ(Crc16Modbus(nullptr, 0), 0xFFFF);
  // Feeding the running value back in gives the same result as one pass.
  EXPECT_EQ(Crc16Modbus(bytes + 4, 5, Crc16Modbus(bytes, 4)), 0x4B37);
}

TEST(LittleEndian, RoundTripsAndSignedness) {
  uint8_t buffer[4] = {};
  PutU32(buffer, 0x0030ABCD);
  EXPECT_EQ(buffer[0], 0xCD);
  EXPECT_EQ(buffer[3], 0x00);
  EXPECT_EQ(GetU32(buffer), 0x0030ABCDu);
  PutU16(buffer, 0xFF8C);
  EXPECT_EQ(GetI16(buffer), -116);
  EXPECT_EQ(WordsToU32(0xABCD, 0x0030), 0x0030ABCDu);
}

}  // namespace
}  // namespace corvane
