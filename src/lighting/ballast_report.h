// The telemetry a street-light node collects from each of its two DALI ballasts: one 30-register
// block per ballast in the node's record, and the text report the dialog shows for it.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace corvane::lighting {

inline constexpr int kBallastBlockWords = 30;
inline constexpr int kBallastBlockFirst[2] = {664, 694};

// The fields of one block. Offsets are bytes from the start of the block (byte 2w is the low
// byte of word w); the producer and the identification number are big-endian, the rest
// little-endian.
struct BallastData {
  uint64_t producer = 0;  // 6 bytes
  uint64_t identification = 0;
  uint32_t lumen = 0;
  uint16_t nominal_power = 0;
  uint16_t min_voltage = 0;
  uint16_t max_voltage = 0;
  uint16_t cct = 0;
  uint8_t cri = 0;
  uint8_t optics = 0;
  uint8_t colour = 0;
  float input_power = 0;
  float apparent_power = 0;
  uint32_t driver_time = 0;
  uint32_t lamp_time = 0;
  uint16_t voltage_tenths = 0;
  uint8_t frequency = 0;
  uint8_t power_factor = 0;  // hundredths
  uint8_t driver_failure = 0;
  uint8_t undervoltage = 0;
  uint8_t overvoltage = 0;
  uint8_t overheated = 0;
  uint8_t dim_level = 0;
  uint8_t lamp_failure = 0;
};

// `block` holds kBallastBlockWords words (fewer read as zeros).
BallastData DecodeBallast(std::span<const uint16_t> block);
// The inverse, for the simulated node and for tests.
void EncodeBallast(const BallastData& data, std::span<uint16_t> block);

// The report, one line per field, each ending in CR LF.
std::u16string BallastReport(const BallastData& data);
// "Ballast recalculated data %d" with k = 0 for the first ballast, 1 for the second.
std::u16string BallastCaption(int k);

}  // namespace corvane::lighting
