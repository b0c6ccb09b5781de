#include "sim/sensor_nodes.h"

#include <algorithm>
#include <string>
#include <string_view>

#include "link/messages.h"
#include "model/le.h"
#include "sim/demo_network.h"

namespace corvane::sim {
namespace {

// Names the demo network's sensors carry, so the lists read like a real site.
std::string_view DemoName(RfAddress address) {
  switch (address) {
    case demo::kClimate:
      return "Office climate";
    case demo::kClimateS:
      return "Cellar";
    case demo::kGatewayClimate:
      return "Server room";
    case demo::kCounter:
      return "Water meter";
    case demo::kWindow:
      return "Kitchen window";
    default:
      return {};
  }
}

void NameForDemo(SimNode& node) {
  if (const std::string_view name = DemoName(node.address()); !name.empty()) node.SetName(name);
}

int Signed(uint16_t word) { return static_cast<int16_t>(word); }
uint16_t Word(int value) { return static_cast<uint16_t>(static_cast<int16_t>(value)); }

// An alarm with hysteresis: "on" above "off" watches for high values, "on" below "off" for low
// ones; equal thresholds (a record left at zero) switch nothing.
bool Alarm(bool active, int value, int on, int off) {
  if (on > off) return active ? value > off : value >= on;
  if (on < off) return active ? value < off : value <= on;
  return false;
}

// The CPU runs from the battery through a regulator that drops a tenth of a volt.
uint8_t CpuVoltage(uint16_t battery_word) {
  return static_cast<uint8_t>(std::max(18, (battery_word & 0xFF) - 1));
}

}  // namespace

// --- SensorNode -------------------------------------------------------------------------------

bool SensorNode::Intercept(const AirFrame& frame) {
  if (replaying()) return false;
  AirFrame adjusted = frame;
  const bool changed = Adjust(adjusted);
  if (AnswerStoreAfterStoring(adjusted)) return true;
  if (changed) Replay(adjusted);
  return changed;
}

// --- ClimateNode ------------------------------------------------------------------------------

void ClimateNode::InitRegisters() {
  SensorNode::InitRegisters();
  word(kWordModelCode) = has_humidity() ? 0xF018 : 0xF017;
  // The cellar's sensor was never updated: it runs firmware from before the longer record.
  if (address() == demo::kClimateS) word(kWordFirmware) = 401;
  NameForDemo(*this);
  temperature_ = 2000 + static_cast<int>(random().Below(300));
  humidity_ = has_humidity() ? 4000 + static_cast<int>(random().Below(1500)) : 0;
  word(kWordAlarmTempOn) = Word(2800);
  word(kWordAlarmTempOff) = Word(2700);
  if (has_humidity()) {
    word(kWordAlarmRhOn) = Word(7000);
    word(kWordAlarmRhOff) = Word(6500);
    word(kWordHeatingTime) = 10;    // s
    word(kWordHeatingPeriod) = 60;  // min
  }
  word(kWordMeasurePeriod) = 8;
  word(kWordTransmitPeriod) = 5;
  word(70) = 50;  // change thresholds: 0.50 degrees, 2.00 %, 2.00 degrees
  word(71) = 200;
  word(72) = 200;
}

int ClimateNode::map_words() const {
  return registers()[kWordFirmware] < 402 ? kOldFirmwareWords : word_count();
}

void ClimateNode::UpdateLive() {
  SensorNode::UpdateLive();
  // Slow random walks: 15 to 30 degrees, 20 to 80 % relative humidity.
  temperature_ = std::clamp(temperature_ + random().Between(-5, 5), 1500, 3000);
  const int t = temperature_ + Signed(word(kWordCorrTemp));
  word(kWordTemperature) = Word(t);
  word(kWordCpuTemperature) =
      Word(temperature_ + 400 + random().Between(-20, 20) + Signed(word(kWordCorrCpu)));
  int rh = 0;
  if (has_humidity()) {
    humidity_ = std::clamp(humidity_ + random().Between(-20, 20), 2000, 8000);
    rh = std::clamp(humidity_ + Signed(word(kWordCorrRh)), 0, 10000);
  }
  word(kWordHumidity) = Word(rh);

  uint8_t status = static_cast<uint8_t>(word(kWordCpuVoltageStatus) >> 8);
  auto set = [&status](uint8_t bit, bool on) {
    status = static_cast<uint8_t>(on ? status | bit : status & ~bit);
  };
  set(kTempAlarm, Alarm((status & kTempAlarm) != 0, t, Signed(word(kWordAlarmTempOn)),
                        Signed(word(kWordAlarmTempOff))));
  set(kRhAlarm, has_humidity() && Alarm((status & kRhAlarm) != 0, rh, Signed(word(kWordAlarmRhOn)),
                                        Signed(word(kWordAlarmRhOff))));
  // The heater drives moisture out of the humidity sensor at the start of each period.
  const uint32_t period_s = 60u * word(kWordHeatingPeriod);
  set(kHeating,
      has_humidity() && period_s > 0 && uptime_seconds() % period_s < word(kWordHeatingTime));
  word(kWordCpuVoltageStatus) =
      static_cast<uint16_t>(CpuVoltage(word(kWordBattery)) | (status << 8));
}

void ClimateNode::BuildStatus(MessageBuilder& status) {
  SensorNode::BuildStatus(status);
  status.AddRegisters(MSG_REG_BLOCK_82, MSG_REG_WORD_84, kWordTemperature, &word(kWordTemperature),
                      4);
}

bool ClimateNode::Adjust(AirFrame& frame) {
  const int words = map_words();
  if (words >= word_count()) return false;
  bool changed = false;
  uint8_t* const base = frame.payload.data();
  ForEachMessage(base, frame.length, [&](uint8_t type, int length, const uint8_t* payload) {
    if (type == MSG_REG_READ && length == 3) {
      const int first = GetU16(payload);
      const int count = payload[2];
      if (first + count <= words) return;
      if (first >= words) {
        Violation("read from register " + std::to_string(first) + " past the " +
                  std::to_string(words) + " registers of firmware " +
                  std::to_string(registers()[kWordFirmware]));
        return;
      }
      // This firmware answers the registers it has.
      base[payload - base + 2] = static_cast<uint8_t>(words - first);
      changed = true;
      return;
    }
    if (type != MSG_REG_WORD && type != MSG_REG_BLOCK) return;
    uint16_t first = 0;
    int count = 0;
    std::string problem;
    if (ParseRegisterWrite(type, length, payload, first, count, problem) && first + count > words) {
      Violation("write of registers " + std::to_string(first) + ".." +
                std::to_string(first + count - 1) + " past the " + std::to_string(words) +
                " registers of firmware " + std::to_string(registers()[kWordFirmware]));
    }
  });
  return changed;
}

// --- CounterNode ------------------------------------------------------------------------------

uint32_t CounterNode::Get32(int w) const {
  const auto regs = registers();
  return regs[static_cast<size_t>(w)] |
         (static_cast<uint32_t>(regs[static_cast<size_t>(w) + 1]) << 16);
}

void CounterNode::Set32(int w, uint32_t value) {
  word(w) = static_cast<uint16_t>(value);
  word(w + 1) = static_cast<uint16_t>(value >> 16);
}

SimTime CounterNode::period_ms() {
  return static_cast<SimTime>(std::max<int>(1, word(kWordTransmitPeriod))) * 60000;
}

void CounterNode::InitRegisters() {
  SensorNode::InitRegisters();
  word(kWordModelCode) = 0xF027;
  word(kWordDeviceId) = 1188;
  NameForDemo(*this);
  Set32(kWordCount, 100000 + random().Below(50000));
  word(kWordCpuTemperature) = Word(2300 + static_cast<int>(random().Below(200)));
  word(kWordInput) = 2;  // pull up 220k, threshold 1.6 V
  word(kWordTransmitPeriod) = 5;
  word(60) = 200;  // CPU temperature change threshold 2.00 degrees
  const SimTime now = context().Now();
  period_start_ = now;
  next_pulse_ = now + 1000 + static_cast<SimTime>(random().Below(2000));
}

void CounterNode::UpdateLive() {
  SensorNode::UpdateLive();
  const SimTime now = context().Now();
  // Pulses and period ends in the order they happened since the last look.
  for (;;) {
    const SimTime period_end = period_start_ + period_ms();
    if (std::min(next_pulse_, period_end) > now) break;
    if (period_end <= next_pulse_) {
      Set32(kWordCountLast, Get32(kWordCountActual));
      Set32(kWordCountActual, 0);
      period_start_ = period_end;
      continue;
    }
    Set32(kWordCount, Get32(kWordCount) + 1);
    Set32(kWordCountActual, Get32(kWordCountActual) + 1);
    next_pulse_ += 1000 + static_cast<SimTime>(random().Below(2000));
  }
  word(kWordCountTime) = static_cast<uint16_t>((now - period_start_) / 1000);
  const int cpu =
      std::clamp(Signed(word(kWordCpuTemperature)) + random().Between(-3, 3), 1800, 3200);
  word(kWordCpuTemperature) = Word(cpu);
}

void CounterNode::OnWritten(uint16_t first, int count) {
  if (first > kWordCount || first + count < kWordCount + 2) return;
  if (Get32(kWordCount) != kResetValue) return;  // a count written back stands as it is
  Set32(kWordCount, 0);
  Set32(kWordCountActual, 0);
  period_start_ = context().Now();
  word(kWordCountTime) = 0;
  ++resets_;
}

void CounterNode::BuildStatus(MessageBuilder& status) {
  SensorNode::BuildStatus(status);
  status.AddRegisters(MSG_REG_BLOCK_82, MSG_REG_WORD_84, kWordCount, &word(kWordCount), 8);
}

// --- WindowContactNode ------------------------------------------------------------------------

void WindowContactNode::InitRegisters() {
  SensorNode::InitRegisters();
  word(kWordModelCode) = 1297;
  word(kWordDeviceId) = 1216;
  NameForDemo(*this);
  temperature_ = 1900 + static_cast<int>(random().Below(300));
  word(kWordTemperatureThreshold) = 200;
  ScheduleToggle();
}

void WindowContactNode::ScheduleToggle() {
  // Someone opens or shuts the window every half minute to two minutes.
  const SimTime delay = 30000 + static_cast<SimTime>(random().Below(90000));
  context().At(context().Now() + delay, [this] {
    Toggle();
    TransmitStatus();
    ScheduleToggle();
  });
}

void WindowContactNode::Toggle() {
  word(kWordWindowState) =
      static_cast<uint16_t>((word(kWordWindowState) & 0xFF00) | (window_open() ? 0 : 1));
  ++changes_;
}

void WindowContactNode::PressButton() {
  // The magnet moved past the contact: the window changes over and the node reports it.
  Toggle();
  SensorNode::PressButton();
}

void WindowContactNode::UpdateLive() {
  SensorNode::UpdateLive();
  temperature_ = std::clamp(temperature_ + random().Between(-4, 4), 1200, 2800);
  word(kWordTemperature) = Word(temperature_ + Signed(word(kWordTemperatureCorr)));
  word(kWordCpuVoltage) = static_cast<uint16_t>((word(kWordCpuVoltage) & 0x00FF) |
                                                (CpuVoltage(word(kWordBattery)) << 8));
}

void WindowContactNode::BuildStatus(MessageBuilder& status) {
  SensorNode::BuildStatus(status);
  status.AddRegisters(MSG_REG_BLOCK_82, MSG_REG_WORD_84, kWordWindowState, &word(kWordWindowState),
                      2);
  status.AddRegisters(MSG_REG_BLOCK_82, MSG_REG_WORD_84, kWordTemperature, &word(kWordTemperature),
                      1);
}

}  // namespace corvane::sim
