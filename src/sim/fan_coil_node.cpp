#include "sim/fan_coil_node.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "link/messages.h"
#include "model/fan_coil_image.h"
#include "model/le.h"

namespace corvane::sim {
namespace {

using F = FanCoilImage;

// The weather outside and how the room follows it (time constants in seconds).
constexpr double kOutside = 6.0;
constexpr double kLossClosed = 4.0 * 3600;
constexpr double kLossOpen = 1.0 * 3600;
// What the coil does to the room at full output with the fan at full speed, degrees per hour.
constexpr double kHeatPerHour = 8.0;
constexpr double kCoolPerHour = 7.0;
// People and equipment while the room is used.
constexpr double kGainPerHour = 0.3;
// Setpoints shift by this much while nobody is there (hundredths).
constexpr int kSetback = 300;

void SetByte(std::span<uint16_t> regs, int reg, int i, uint8_t value) {
  uint16_t& w = regs[static_cast<size_t>(reg + i / 2)];
  w = i % 2 == 0 ? static_cast<uint16_t>((w & 0xFF00) | value)
                 : static_cast<uint16_t>((w & 0x00FF) | value << 8);
}

uint8_t GetByte(std::span<const uint16_t> regs, int reg, int i) {
  const uint16_t w = regs[static_cast<size_t>(reg + i / 2)];
  return static_cast<uint8_t>(i % 2 == 0 ? w : w >> 8);
}

void PutBcd(std::vector<uint8_t>& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) {
    out.push_back(static_cast<uint8_t>((value % 10) | ((value / 10 % 10) << 4)));
    value /= 100;
  }
}

}  // namespace

FanCoilNode::FanCoilNode(RfAddress address, const NodeSettings& settings)
    : TableRoutingNode(address, settings,
                       {F::kRegDevices, F::kDevices, F::kRegCacheFirst, F::kRegCacheLast + 1}) {}

void FanCoilNode::InitRegisters() {
  RoutingNode::InitRegisters();
  Reg(F::kRegIdentification) = 1292;
  Reg(F::kRegVersion) = kFirmware;
  Reg(F::kRegModbusLine) = 0x1101;  // slave 1 at 115200 baud
  Reg(F::kRegOwnAddress) = static_cast<uint16_t>(address());
  Reg(F::kRegOwnAddress + 1) = static_cast<uint16_t>(address() >> 16);
  // A 4-pipe unit with a 3-speed fan under automatic regulation, both inputs in use.
  Reg(F::kRegRegulator) = F::kFourPipes | F::kValveExercise | F::kRegulationOn;
  Reg(F::kRegPBand) = 20;  // tenths of a degree
  Reg(F::kRegIConst) = 1800;
  Reg(F::kRegDConst) = 0;
  Reg(F::kRegFanMode) = 1;  // Fan Auto
  Reg(F::kRegDiOptions) = 0x0003;
  Reg(F::kRegChangeOver) = 30;
  Reg(F::kRegSetpointHeat) = 2100;
  Reg(F::kRegSetpointCool) = 2500;
  room_ = 19.0 + random().Between(0, 100) / 100.0;
  Reg(F::kRegClock + 3) = 1;  // clock set
  regulated_at_ = context().Now();
  ScheduleInputs();
  ScheduleWmbus();
}

// ---------------------------------------------------------------------------------------------
// Routes: the paired-device table in the register map

std::span<uint16_t> FanCoilNode::CacheArea() {
  return registers().subspan(F::kRegCacheFirst, F::kRegCacheLast + 1 - F::kRegCacheFirst);
}

void FanCoilNode::OnRouteChanged(int index) {
  const Route& r = route(index);
  if (index >= routes_seen_) {
    // Called by AddRoute: the controller writes the new entry; later it follows the table.
    routes_seen_ = index + 1;
    if (!PlaceNewEntry(index)) return;  // no room in the table
    // Modbus slave addresses from 2 on (the controller is slave 1), inputs numbered from 1.
    SetByte(registers(), F::kRegModbusTable, index, static_cast<uint8_t>(index + 2));
    SetByte(registers(), F::kRegInputNumbers, index, static_cast<uint8_t>(index + 1));
    Reg(F::kRegRfInputs) = static_cast<uint16_t>(std::min(routes_seen_, F::kDevices));
  }
  const int entry = EntryOf(r.address);
  if (entry < 0) return;  // the tool removed it from the table
  const int s = F::kRegDeviceStatus + 6 * entry;
  Reg(s) = static_cast<uint16_t>(r.last_heard);
  Reg(s + 1) = static_cast<uint16_t>(r.last_heard >> 16);
  Reg(s + 2) = 0;  // heard directly, no hub
  Reg(s + 3) = 0;
  const int8_t back =
      r.last_heard == 0
          ? 0
          : static_cast<int8_t>(std::clamp(r.rssi + random().Between(-4, 4), -127, 0));
  Reg(s + 4) = static_cast<uint16_t>(static_cast<uint8_t>(r.rssi) << 8);
  const uint8_t state = r.last_heard == 0 ? 0x03 : 0x00;
  Reg(s + 5) = static_cast<uint16_t>(static_cast<uint8_t>(back) | (state << 8));
}

// ---------------------------------------------------------------------------------------------
// The regulator and the room

void FanCoilNode::UpdateLive() {
  RoutingNode::UpdateLive();
  const SimTime now = context().Now();
  double left = static_cast<double>(now - regulated_at_) / 1000.0;
  regulated_at_ = now;
  // Steps of at most 5 s; a long quiet spell is covered more coarsely.
  const double step = left > 3600 ? left / 720 : 5.0;
  // The configuration the regulator follows does not change while it runs: read it once.
  const FanCoilImage config(registers().first(F::kConfigWords));
  while (left > 0) {
    const double dt = std::min(left, step);
    Regulate(config, dt);
    left -= dt;
  }
  Reg(F::kRegCpuTemperature) = static_cast<uint16_t>(3420 + random().Between(0, 150));

  using namespace std::chrono;
  const sys_seconds clock{std::chrono::seconds(static_cast<int64_t>(UnixNow()) + clock_offset_)};
  const sys_days day = floor<days>(clock);
  const year_month_day ymd{day};
  const hh_mm_ss<std::chrono::seconds> hms{clock - day};
  const uint8_t bytes[6] = {static_cast<uint8_t>(static_cast<int>(ymd.year()) - 2000),
                            static_cast<uint8_t>(unsigned(ymd.month())),
                            static_cast<uint8_t>(unsigned(ymd.day())),
                            static_cast<uint8_t>(hms.hours().count()),
                            static_cast<uint8_t>(hms.minutes().count()),
                            static_cast<uint8_t>(hms.seconds().count())};
  for (int i = 0; i < 6; ++i) SetByte(registers(), F::kRegClock, i, bytes[i]);
  const auto unix_time = static_cast<uint32_t>(static_cast<int64_t>(UnixNow()) + unix_offset_);
  Reg(F::kRegUnixTime) = static_cast<uint16_t>(unix_time);
  Reg(F::kRegUnixTime + 1) = static_cast<uint16_t>(unix_time >> 16);
}

void FanCoilNode::Regulate(const FanCoilImage& view, double dt) {
  const uint16_t config = view.Word(F::kRegRegulator);
  const uint16_t di = view.Word(F::kRegDiOptions);

  // Inputs: the digital inputs as their options say, unless the tool sets them by hand.
  bool presence = (di & 0x01) == 0 || (presence_raw_ != ((di & 0x04) != 0));
  bool window = (di & 0x02) != 0 && (window_raw_ != ((di & 0x08) != 0));
  if (view.Manual(F::kManualPresence)) presence = (view.Low(F::kRegManualInputs) & 0x01) != 0;
  if (view.Manual(F::kManualWindow)) window = (view.Low(F::kRegManualInputs) & 0x02) != 0;

  // The temperature the regulator works from: the room's, or the tool's.
  if (!view.Manual(F::kManualTemperature)) {
    Reg(F::kRegActualTemp) = static_cast<uint16_t>(static_cast<int16_t>(std::lround(room_ * 100)));
  }
  if (!view.Manual(F::kManualSetpoints)) {
    // The room unit's setpoints, lowered (raised for cooling) while nobody is there.
    Reg(F::kRegSetpointHeat) = static_cast<uint16_t>(presence ? 2100 : 2100 - kSetback);
    Reg(F::kRegSetpointCool) = static_cast<uint16_t>(presence ? 2500 : 2500 + kSetback);
  }
  const double actual = static_cast<int16_t>(Reg(F::kRegActualTemp)) / 100.0;
  const double heat_sp = static_cast<int16_t>(Reg(F::kRegSetpointHeat)) / 100.0;
  const double cool_sp = static_cast<int16_t>(Reg(F::kRegSetpointCool)) / 100.0;

  // PID on the deviation from the nearer setpoint; P band in tenths of a degree, I in seconds.
  const double band = std::max<int>(view.Word(F::kRegPBand), 1) / 10.0;
  const double i_const = view.Word(F::kRegIConst);
  const double d_const = view.Word(F::kRegDConst);
  const double heat_error = heat_sp - actual;
  const double cool_error = actual - cool_sp;
  auto pid = [&](double error, double& integral) {
    if (i_const > 0) integral = std::clamp(integral + error / band * dt / i_const, 0.0, 1.0);
    const double derivative = dt > 0 ? (error - previous_error_) / dt : 0;
    return std::clamp(100 * (error / band + integral + d_const * derivative / band), 0.0, 100.0);
  };
  double heat = 0;
  double cool = 0;
  const bool regulating = (config & F::kRegulationOn) != 0 && !window;
  if (regulating) {
    heat = pid(heat_error, integral_heat_);
    cool = pid(cool_error, integral_cool_);
  } else {
    integral_heat_ = integral_cool_ = 0;
  }
  previous_error_ = heat_error > 0 ? heat_error : cool_error;
  if ((config & F::kFourPipes) == 0) {
    // One coil for both: it changes over only after the change-over period.
    mode_held_seconds_ += dt;
    const bool wants_cool = cool > 0 && heat == 0;
    const bool wants_heat = heat > 0 && cool == 0;
    if (!view.Manual(F::kManualChangeOver) &&
        mode_held_seconds_ >= 60.0 * view.Word(F::kRegChangeOver) &&
        ((cooling_mode_ && wants_heat) || (!cooling_mode_ && wants_cool))) {
      cooling_mode_ = !cooling_mode_;
      mode_held_seconds_ = 0;
    }
    (cooling_mode_ ? heat : cool) = 0;
  }
  if (view.Manual(F::kManualHeat)) heat = std::min<int>(view.Low(F::kRegManualOutputs), 100);
  if (view.Manual(F::kManualCool)) cool = std::min<int>(view.High(F::kRegManualOutputs), 100);

  // The fan: by demand, by the fan mode, or by hand; never faster than the fan has stages.
  const int demand = static_cast<int>(std::max(heat, cool));
  int stage = demand > 66 ? 3 : demand > 33 ? 2 : demand > 0 ? 1 : 0;
  const int mode = view.FanMode().value_or(0);
  if (mode == 1) stage = 0;
  if (mode >= 2) stage = mode - 1;
  if (view.Manual(F::kManualFan)) stage = std::min(view.ManualFan(), 3);
  stage = std::min(stage, 3 - view.FanType());
  if ((config & F::kStopFanOnHeat) != 0 && heat > 0) stage = 0;
  if ((config & F::kStopFanOnCool) != 0 && cool > 0) stage = 0;
  if ((config & F::kValvesOffWithFan) != 0 && stage == 0) heat = cool = 0;

  // The room: losses to the outside (fast with the window open), what the coil brings with the
  // air the fan moves (a little by convection when it stands still), and the people in it.
  const double air = stage == 0 ? 0.15 : 0.4 + 0.2 * stage;
  const double loss = (kOutside - room_) / (window ? kLossOpen : kLossClosed);
  const double coil = (heat * kHeatPerHour - cool * kCoolPerHour) / 100 * air / 3600;
  const double gains = presence ? kGainPerHour / 3600 : 0;
  room_ += (loss + coil + gains) * dt;

  const auto heat_out = static_cast<uint8_t>(std::lround(heat));
  const auto cool_out = static_cast<uint8_t>(std::lround(cool));
  Reg(F::kRegPidOutputs) = static_cast<uint16_t>(heat_out | cool_out << 8);
  Reg(F::kRegPidFan) = static_cast<uint16_t>(stage == 0 ? 0 : std::max(demand, 33 * stage));
  Reg(F::kRegPwmHeat) = static_cast<uint16_t>(heat_out * 10);
  Reg(F::kRegPwmCool) = static_cast<uint16_t>(cool_out * 10);
  const bool inverted = (config & F::kValveInverted) != 0;
  uint16_t pins = 0;
  if ((heat_out > 0) != inverted) pins |= 0x01;
  if ((cool_out > 0) != inverted) pins |= 0x02;
  if (stage > 0) pins |= static_cast<uint16_t>(0x04 << (stage - 1));
  Reg(F::kRegOutputPins) = pins;
  // What the room units report: presence, window, heat and cool demand, the last mode.
  uint16_t room = static_cast<uint16_t>((presence ? 0x01 : 0) | (window ? 0x02 : 0) |
                                        (heat_out > 0 ? 0x04 : 0) | (cool_out > 0 ? 0x08 : 0));
  if (cool_out > 0) cooling_mode_ = (config & F::kFourPipes) != 0 ? true : cooling_mode_;
  if (heat_out > 0 && (config & F::kFourPipes) != 0) cooling_mode_ = false;
  if (cooling_mode_) room |= 0x10;
  Reg(F::kRegRoomInputs) = room;
}

void FanCoilNode::ScheduleInputs() {
  // Somebody comes or goes every few minutes; the window opens now and then for a short while.
  const SimTime delay = 120000 + static_cast<SimTime>(random().Below(480000));
  context().At(context().Now() + delay, [this] {
    UpdateLive();
    if (random().Below(4) == 0) {
      window_raw_ = !window_raw_;
    } else {
      presence_raw_ = !presence_raw_;
    }
    ScheduleInputs();
  });
}

// ---------------------------------------------------------------------------------------------
// Writes by the tool, the wireless M-Bus FIFO

void FanCoilNode::OnWritten(uint16_t first, int count) {
  writes_.emplace_back(first, count);
  const int end = first + count;
  auto overlaps = [&](int lo, int hi) { return first <= hi && lo < end; };
  if (CoversTable(first, count)) FollowTable();
  if (overlaps(F::kRegClock, F::kRegClock + 2)) {
    const auto regs = registers();
    const int y = 2000 + GetByte(regs, F::kRegClock, 0), mo = GetByte(regs, F::kRegClock, 1);
    const int d = GetByte(regs, F::kRegClock, 2), h = GetByte(regs, F::kRegClock, 3);
    const int mi = GetByte(regs, F::kRegClock, 4), s = GetByte(regs, F::kRegClock, 5);
    if (mo >= 1 && mo <= 12 && d >= 1 && d <= 31 && h < 24 && mi < 60 && s < 60) {
      using namespace std::chrono;
      const sys_days day{year{y} / month{static_cast<unsigned>(mo)} / static_cast<unsigned>(d)};
      const int64_t set = day.time_since_epoch().count() * 86400 + h * 3600 + mi * 60 + s;
      clock_offset_ = set - static_cast<int64_t>(UnixNow());
    }
  }
  if (overlaps(F::kRegUnixTime, F::kRegUnixTime + 1)) {
    unix_offset_ =
        static_cast<int64_t>(WordsToU32(Reg(F::kRegUnixTime), Reg(F::kRegUnixTime + 1))) -
        static_cast<int64_t>(UnixNow());
  }
}

bool FanCoilNode::Intercept(const AirFrame& frame) {
  if (replaying() || frame.kind == FrameKind::kAnswer) return RoutingNode::Intercept(frame);
  bool pop = false;
  const int head = wmbus_head_loaded_ ? (Reg(F::kRegWmbusStatus) & 0xFF) : 0;
  ForEachMessage(
      frame.payload.data(), frame.length, [&](uint8_t type, int length, const uint8_t* payload) {
        if (type != MSG_REG_READ || length != 3 || head == 0) return;
        const int first = GetU16(payload);
        if (first <= F::kRegWmbusHead && first + payload[2] >= F::kRegWmbusHead + (head + 5) / 2) {
          pop = true;  // the whole head frame is taken
        }
      });
  if (!pop) return false;
  Replay(frame);
  LoadWmbusHead();
  return true;
}

void FanCoilNode::ReceiveWmbus(std::vector<uint8_t> telegram, int8_t rssi) {
  if (telegram.size() > static_cast<size_t>(F::kWmbusFrameBytes)) {
    telegram.resize(F::kWmbusFrameBytes);
  }
  if (wmbus_.size() >= kWmbusQueue) wmbus_.pop_front();
  wmbus_.push_back({UnixNow(), rssi, std::move(telegram)});
  if (!wmbus_head_loaded_) LoadWmbusHead();
}

void FanCoilNode::LoadWmbusHead() {
  for (int r = F::kRegWmbusHead; r <= F::kRegWmbusStatus; ++r) Reg(r) = 0;
  wmbus_head_loaded_ = !wmbus_.empty();
  if (wmbus_.empty()) return;
  const WmbusFrame f = std::move(wmbus_.front());
  wmbus_.pop_front();
  Reg(F::kRegWmbusHead) = static_cast<uint16_t>(f.time);
  Reg(F::kRegWmbusHead + 1) = static_cast<uint16_t>(f.time >> 16);
  for (size_t i = 0; i < f.bytes.size(); ++i) {
    SetByte(registers(), F::kRegWmbusFrame, static_cast<int>(i), f.bytes[i]);
  }
  Reg(F::kRegWmbusStatus) =
      static_cast<uint16_t>(f.bytes.size() | (static_cast<uint8_t>(f.rssi) << 8));
}

void FanCoilNode::ScheduleWmbus() {
  const SimTime delay = 15000 + static_cast<SimTime>(random().Below(30000));
  context().At(context().Now() + delay, [this] {
    ReceiveWmbus(NextTelegram(), static_cast<int8_t>(-60 - random().Between(0, 30)));
    ScheduleWmbus();
  });
}

std::vector<uint8_t> FanCoilNode::NextTelegram() {
  // The room's heat cost allocator and water meter, unencrypted, short header.
  const bool water = telegrams_ % 2 != 0;
  const uint16_t manufacturer = water ? 0x1593 : 0x2C2D;
  const uint32_t serial = water ? 40127733 : 71550219;
  ++telegrams_;
  std::vector<uint8_t> t = {0, 0x44, static_cast<uint8_t>(manufacturer),
                            static_cast<uint8_t>(manufacturer >> 8)};
  PutBcd(t, serial, 4);
  t.push_back(water ? 0x16 : 0x08);  // version
  t.push_back(water ? 0x07 : 0x08);  // water meter, heat cost allocator
  t.insert(t.end(), {0x7A, static_cast<uint8_t>(telegrams_), 0x00, 0x00, 0x00});
  t.insert(t.end(), {0x0C, static_cast<uint8_t>(water ? 0x13 : 0x6E)});
  PutBcd(t, 5000 + telegrams_ * 3, 4);
  t[0] = static_cast<uint8_t>(t.size() - 1);
  return t;
}

}  // namespace corvane::sim
