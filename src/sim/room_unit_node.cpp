#include "sim/room_unit_node.h"

#include <algorithm>
#include <chrono>
#include <string>
#include <string_view>

#include "link/messages.h"
#include "model/le.h"
#include "sim/demo_network.h"

namespace corvane::sim {
namespace {

constexpr int kByteSeconds = 170;  // then minutes, hours, weekday, day, month, year - 2000
constexpr int kCo2Outside = 420;   // ppm the room falls back to
constexpr int kCo2Highest = 2500;

uint8_t Bcd(int value) { return static_cast<uint8_t>(((value / 10) << 4) | (value % 10)); }
int FromBcd(int bcd) { return (bcd >> 4) * 10 + (bcd & 0x0F); }

std::string_view DemoName(RfAddress address) {
  switch (address) {
    case demo::kRoomUnit:
      return "Office 2.08";
    case demo::kRoutedRoomUnit:
      return "Archive";
    case demo::kFanCoilRoomUnit:
      return "Meeting room";
    default:
      return {};
  }
}

}  // namespace

SimTime RoomUnitNode::now() const { return clock_ == nullptr ? 0 : clock_->Now(); }

bool RoomUnitNode::has_co2() const {
  if (co2_meter()) return true;
  if (!thermostat()) return false;
  const uint16_t model = registers()[kWordModelCode];
  return model == 0x0515 || model == 0x0516;
}

bool RoomUnitNode::occupied() const { return (now() / 60000) % 45 < 20; }

int64_t RoomUnitNode::clock_seconds() const { return clock_base_ + (now() - clock_set_at_) / 1000; }

void RoomUnitNode::InitRegisters() {
  SimNode::InitRegisters();
  clock_ = &context();
  started_ = true;
  last_update_ = now();
  if (const std::string_view name = DemoName(address()); !name.empty()) SetName(name);
  if (thermostat()) {
    // The unit behind the gateway is the plain model; the one in the office measures CO2.
    word(kWordModelCode) = address() == demo::kRoutedRoomUnit ? 0x050E : 0x0515;
    word(kWordDeviceId) = 1082;
    constexpr uint16_t kSetPoints[] = {2200, 1600, 1000, 2600, 2500, 3000};
    for (int i = 0; i < 6; ++i) word(kWordSetPoints + i) = kSetPoints[i];
    word(kWordSetMode) = 0x0001;  // Day
    word(kWordActMode) = 0x0001;
    word(66) = 0x0001;         // fan auto
    word(67) = 3 | (60 << 8);  // contrast 3, CO2 every 60 s
    word(68) = 0x0003;         // residential, absolute, fan 3 speed
    word(69) = 350;
    word(70) = 350;
    word(71) = 1000;
    word(72) = 4000;
    word(76) = 50 | (5 << 8);
    word(77) = 0x35 | (30 << 8);
    word(78) = 30 | (1 << 8);
    word(79) = 15 | (50 << 8);
    word(80) = 0x0FFF;
    word(81) = 0x001F;
    word(82) = 0x001F;
    for (int day = 0; day < 7; ++day) {
      constexpr uint16_t kDay[] = {360, 0, 480, 1, 840, 0, 1320, 1, 1435, 0x8000, 1435, 0x8000};
      for (int i = 0; i < 12; ++i) word(89 + 12 * day + i) = kDay[i];
    }
    word(176) = 180;  // CO2 ABC period, hours
    word(kWordVcpu) = static_cast<uint16_t>(300 + random().Below(20));
    word(kWordTemperature) = static_cast<uint16_t>(2080 + random().Below(150));
    word(kWordHumidity) = static_cast<uint16_t>(3800 + random().Below(1200));
    word(kWordOutsideTemp) =
        static_cast<uint16_t>(static_cast<int16_t>(450 + random().Between(-300, 300)));
    word(kWordCo2) = has_co2() ? static_cast<uint16_t>(kCo2Outside + random().Below(200)) : 0;
    // The clock was set some minutes before the simulation started (local time of the site).
    clock_base_ = kEpochAtStart + 8 * 3600 + static_cast<int64_t>(random().Below(3600));
    clock_set_at_ = now();
  } else if (co2_meter()) {
    word(kWordModelCode) = 0x051A;
    word(kWordDeviceId) = 1207;
    word(kWordTemperature) = static_cast<uint16_t>(2100 + random().Below(150));
    word(kWordHumidity) = static_cast<uint16_t>(4000 + random().Below(1000));
    word(kWordCo2) = static_cast<uint16_t>(kCo2Outside + random().Below(300));
    word(59) = 30;  // CO2 read period, s
    constexpr uint16_t kThresholds[] = {800, 1000, 1500, 2000};
    for (int i = 0; i < 4; ++i) word(kWordCThresholds + i) = kThresholds[i];
    word(kWordCLedPeriods) = 40 | (20 << 8);  // green 10 s, yellow 5 s
    word(kWordCLedPeriods + 1) = 4;           // red 1 s
    word(67) = 180;
    word(kWordCCpuVolt) = static_cast<uint16_t>(305 + random().Below(20));
  }
}

bool RoomUnitNode::Writable(int w) const {
  if (!SimNode::Writable(w)) return false;
  // What the unit measures or counts itself; a record written back does not overwrite it.
  if (thermostat()) {
    return !(w >= kWordTemperature && w <= kWordCo2) && w != kWordActMode && w != kWordVcpu &&
           w != 189;
  }
  if (co2_meter()) {
    return w != kWordTemperature && w != kWordHumidity && w != kWordCo2 && w != 72 &&
           w != kWordCCpuVolt && w != 76 && w != kWordCStatus;
  }
  return true;
}

void RoomUnitNode::DriftMeasurements(int seconds) {
  // Room temperature wandering slowly around the set point in force.
  const int target = thermostat() ? static_cast<int16_t>(word(kWordActualHeat)) : 2150;
  int t = static_cast<int16_t>(word(kWordTemperature));
  t += random().Between(-3, 3) + (target > t ? 1 : target < t ? -1 : 0);
  t = std::clamp(t, target - 250, target + 250);
  word(kWordTemperature) = static_cast<uint16_t>(static_cast<int16_t>(t));
  const int rh =
      std::clamp(static_cast<int16_t>(word(kWordHumidity)) + random().Between(-20, 20), 2500, 7000);
  word(kWordHumidity) = static_cast<uint16_t>(rh);
  if (!has_co2()) return;
  int co2 = word(kWordCo2);
  if (occupied()) {
    co2 += seconds * 8 / 10 + random().Between(0, 2);  // people breathing: about 50 ppm a minute
  } else {
    co2 -= std::max(1, (co2 - kCo2Outside) * std::min(seconds, 600) / 600);  // airing
  }
  word(kWordCo2) = static_cast<uint16_t>(std::clamp(co2, kCo2Outside, kCo2Highest));
}

void RoomUnitNode::WriteClock() {
  using namespace std::chrono;
  const int64_t t = clock_seconds();
  const sys_days day{days(t / 86400)};
  const year_month_day ymd(day);
  const int64_t in_day = t % 86400;
  auto put = [&](int b, int value) {
    uint16_t& w = word(b / 2);
    const auto v = static_cast<uint16_t>(Bcd(value));
    w = b % 2 ? static_cast<uint16_t>((w & 0x00FF) | (v << 8))
              : static_cast<uint16_t>((w & 0xFF00) | v);
  };
  put(kByteSeconds, static_cast<int>(in_day % 60));
  put(kByteSeconds + 1, static_cast<int>(in_day / 60 % 60));
  put(kByteSeconds + 2, static_cast<int>(in_day / 3600));
  put(kByteSeconds + 3, static_cast<int>(weekday(day).iso_encoding()));
  put(kByteSeconds + 4, static_cast<int>(static_cast<unsigned>(ymd.day())));
  put(kByteSeconds + 5, static_cast<int>(static_cast<unsigned>(ymd.month())));
  put(kByteSeconds + 6, (static_cast<int>(ymd.year()) - 2000) % 100);
}

void RoomUnitNode::UpdateLive() {
  SimNode::UpdateLive();
  if (!started_ || !(thermostat() || co2_meter())) return;
  if (thermostat()) {
    // The set points in force follow the set mode: day, night or attenuation.
    const uint16_t mode = word(kWordSetMode);
    const int index = (mode & 0x0002) ? 1 : (mode & 0x0004) ? 2 : 0;
    word(kWordActualHeat) = word(kWordSetPoints + index);
    word(kWordActualCool) = word(kWordSetPoints + 3 + index);
    WriteClock();
  }
  const int seconds = static_cast<int>((now() - last_update_) / 1000);
  if (seconds > 0) {
    DriftMeasurements(seconds);
    last_update_ += static_cast<SimTime>(seconds) * 1000;
  }
  if (co2_meter()) {
    // "PRG" while the CO2 level stands above the red threshold: the unit blinks red.
    const bool alarm = word(kWordCo2) >= word(kWordCThresholds + 3);
    word(kWordCStatus) = static_cast<uint16_t>((word(kWordCStatus) & ~1u) | (alarm ? 1 : 0));
  }
}

void RoomUnitNode::OnWritten(uint16_t first, int count) {
  if (!thermostat() || first > kWordClock + 3 || first + count <= kWordClock) return;
  // The tool set the clock: it runs on from what was written (a day the month lacks reads as
  // its last day).
  using namespace std::chrono;
  auto byte = [&](int b) { return FromBcd(b % 2 ? word(b / 2) >> 8 : word(b / 2) & 0xFF); };
  const int m = std::clamp(byte(kByteSeconds + 5), 1, 12);
  const int d = std::clamp(byte(kByteSeconds + 4), 1, 31);
  const year_month_day ymd(year(2000 + byte(kByteSeconds + 6)), month(static_cast<unsigned>(m)),
                           day(static_cast<unsigned>(d)));
  const sys_days date = ymd.ok() ? sys_days(ymd) : sys_days(ymd.year() / ymd.month() / last);
  clock_base_ = date.time_since_epoch().count() * 86400LL +
                std::min(byte(kByteSeconds + 2), 23) * 3600 +
                std::min(byte(kByteSeconds + 1), 59) * 60 + std::min(byte(kByteSeconds), 59);
  clock_set_at_ = now();
  WriteClock();
}

void RoomUnitNode::BuildStatus(MessageBuilder& status) {
  SimNode::BuildStatus(status);
  if (thermostat()) {
    status.AddRegisters(MSG_REG_BLOCK_82, MSG_REG_WORD_84, kWordTemperature,
                        &word(kWordTemperature), 7);
  } else if (co2_meter()) {
    status.AddRegisters(MSG_REG_BLOCK_82, MSG_REG_WORD_84, kWordTemperature,
                        &word(kWordTemperature), 5);
  }
}

bool RoomUnitNode::Intercept(const AirFrame& frame) {
  // The Calidor-D keeps the plain node's answer.
  if (!(thermostat() || co2_meter())) return false;
  return AnswerStoreAfterStoring(frame);
}

}  // namespace corvane::sim
