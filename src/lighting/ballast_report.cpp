#include "lighting/ballast_report.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "ui/text.h"

namespace corvane::lighting {
namespace {

constexpr int kBytes = 2 * kBallastBlockWords;

std::array<uint8_t, kBytes> BytesOf(std::span<const uint16_t> block) {
  std::array<uint8_t, kBytes> b{};
  const size_t words = std::min<size_t>(block.size(), kBallastBlockWords);
  for (size_t w = 0; w < words; ++w) {
    b[2 * w] = static_cast<uint8_t>(block[w]);
    b[2 * w + 1] = static_cast<uint8_t>(block[w] >> 8);
  }
  return b;
}

uint64_t BigEndian(const uint8_t* p, int n) {
  uint64_t v = 0;
  for (int i = 0; i < n; ++i) v = v << 8 | p[i];
  return v;
}

void PutBigEndian(uint8_t* p, int n, uint64_t v) {
  for (int i = n - 1; i >= 0; --i) {
    p[i] = static_cast<uint8_t>(v);
    v >>= 8;
  }
}

uint32_t Little(const uint8_t* p, int n) {
  uint32_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = v << 8 | p[i];
  return v;
}

void PutLittle(uint8_t* p, int n, uint32_t v) {
  for (int i = 0; i < n; ++i) {
    p[i] = static_cast<uint8_t>(v);
    v >>= 8;
  }
}

}  // namespace

BallastData DecodeBallast(std::span<const uint16_t> block) {
  const auto b = BytesOf(block);
  const uint8_t* p = b.data();
  BallastData d;
  d.producer = BigEndian(p + 0, 6);
  d.identification = BigEndian(p + 8, 8);
  d.lumen = Little(p + 16, 4);
  d.nominal_power = static_cast<uint16_t>(Little(p + 20, 2));
  d.min_voltage = static_cast<uint16_t>(Little(p + 22, 2));
  d.max_voltage = static_cast<uint16_t>(Little(p + 24, 2));
  d.cct = static_cast<uint16_t>(Little(p + 26, 2));
  d.cri = p[28];
  d.optics = p[29];
  d.colour = p[30];
  d.input_power = std::bit_cast<float>(Little(p + 32, 4));
  d.apparent_power = std::bit_cast<float>(Little(p + 36, 4));
  d.driver_time = Little(p + 40, 4);
  d.lamp_time = Little(p + 44, 4);
  d.voltage_tenths = static_cast<uint16_t>(Little(p + 48, 2));
  d.frequency = p[50];
  d.power_factor = p[51];
  d.driver_failure = p[52];
  d.undervoltage = p[53];
  d.overvoltage = p[54];
  d.overheated = p[55];
  d.dim_level = p[56];
  d.lamp_failure = p[57];
  return d;
}

void EncodeBallast(const BallastData& d, std::span<uint16_t> block) {
  std::array<uint8_t, kBytes> b{};
  uint8_t* p = b.data();
  PutBigEndian(p + 0, 6, d.producer);
  PutBigEndian(p + 8, 8, d.identification);
  PutLittle(p + 16, 4, d.lumen);
  PutLittle(p + 20, 2, d.nominal_power);
  PutLittle(p + 22, 2, d.min_voltage);
  PutLittle(p + 24, 2, d.max_voltage);
  PutLittle(p + 26, 2, d.cct);
  p[28] = d.cri;
  p[29] = d.optics;
  p[30] = d.colour;
  PutLittle(p + 32, 4, std::bit_cast<uint32_t>(d.input_power));
  PutLittle(p + 36, 4, std::bit_cast<uint32_t>(d.apparent_power));
  PutLittle(p + 40, 4, d.driver_time);
  PutLittle(p + 44, 4, d.lamp_time);
  PutLittle(p + 48, 2, d.voltage_tenths);
  p[50] = d.frequency;
  p[51] = d.power_factor;
  p[52] = d.driver_failure;
  p[53] = d.undervoltage;
  p[54] = d.overvoltage;
  p[55] = d.overheated;
  p[56] = d.dim_level;
  p[57] = d.lamp_failure;
  const size_t words = std::min<size_t>(block.size(), kBallastBlockWords);
  for (size_t w = 0; w < words; ++w) {
    block[w] = static_cast<uint16_t>(b[2 * w] | b[2 * w + 1] << 8);
  }
}

std::u16string BallastReport(const BallastData& d) {
  using ui::AppendFormat;
  std::u16string t;
  AppendFormat(t, "producer             : %lld\r\n", static_cast<long long>(d.producer));
  AppendFormat(t, "Identification number: %lld\r\n", static_cast<long long>(d.identification));
  AppendFormat(t, "Nominal input power  : %d W\r\n", d.nominal_power);
  AppendFormat(t, "Nominal min. voltage : %d V\r\n", d.min_voltage);
  AppendFormat(t, "Nominal max. voltage : %d V\r\n", d.max_voltage);
  AppendFormat(t, "Nominal lumen output : %u lm\r\n", d.lumen);
  AppendFormat(t, "CRI                  : %d\r\n", d.cri);
  AppendFormat(t, "CCT                  : %d\r\n", d.cct);
  AppendFormat(t, "Optics               : %d\r\n", d.optics);
  AppendFormat(t, "Color                : %d\r\n", d.colour);
  AppendFormat(t, "Input power(actual)  : %.3f W\r\n", static_cast<double>(d.input_power));
  AppendFormat(t, "ApparentPower       : %.3f W\r\n", static_cast<double>(d.apparent_power));
  AppendFormat(t, "Driver operating time: %u\r\n", d.driver_time);
  AppendFormat(t, "Input voltage(actual): %d.%01d V\r\n", d.voltage_tenths / 10,
               d.voltage_tenths % 10);
  AppendFormat(t, "Input frequency(actual): %d Hz\r\n", d.frequency);
  AppendFormat(t, "Power factor(actual) : %d.%02d\r\n", d.power_factor / 100, d.power_factor % 100);
  AppendFormat(t, "Driver failure       : %d\r\n", d.driver_failure);
  AppendFormat(t, "Undervoltage(actual) : %d\r\n", d.undervoltage);
  AppendFormat(t, "Overvoltage(actual)   : %d\r\n", d.overvoltage);
  AppendFormat(t, "Driver overheated(actual): %d\r\n", d.overheated);
  AppendFormat(t, "Actual Dim level     : %d\r\n", d.dim_level);
  AppendFormat(t, "Lamp operating time  : %u\r\n", d.lamp_time);
  AppendFormat(t, "Lamp failure         : %d\r\n", d.lamp_failure);
  return t;
}

std::u16string BallastCaption(int k) { return ui::Format("Ballast recalculated data %d", k); }

}  // namespace corvane::lighting
