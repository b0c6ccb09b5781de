#include "sim/output_node.h"

#include <algorithm>
#include <climits>
#include <string_view>

#include "link/messages.h"
#include "model/le.h"
#include "sim/demo_network.h"

namespace corvane::sim {
namespace {

constexpr uint16_t kModeMask = 0x7000;
constexpr int kModeShift = 12;
enum Mode { kDisabled, kOnOff, kChangeState, kImpulse, kProlonged, kJalousie, kPwm };

// How the demo network's output nodes are wired to the control devices around them.
struct DemoWiring {
  RfAddress node;
  std::string_view name;
  uint16_t output1;
  uint16_t output2;
  RfAddress controls[2];
};
constexpr DemoWiring kDemoWiring[] = {
    // Hall lights: the 6-way input switches the light, the room unit's CO2 the fan (5 s runs).
    {demo::kOutputB, "Hall lights", 0x1000, 0x3005, {demo::kInputX, demo::kRoomUnit}},
    // Blinds: the keypad drives them (2.5 s steps), the climate sensor's humidity the vent.
    {demo::kOutputA, "Blinds", 0x5019, 0x1000, {demo::kKeypad, demo::kClimate}},
    // Door opener: a 3 s pulse from the stair-light node's buttons.
    {demo::kDoor, "Door opener", 0x3003, 0, {demo::kInputB, 0}},
};

}  // namespace

OutputNode::OutputNode(RfAddress address, const NodeSettings& settings)
    : SimNode(address, settings) {
  for (auto& rows : threshold_state_) rows.fill(-1);
}

void OutputNode::InitRegisters() {
  SimNode::InitRegisters();
  started_ = true;
  // Firmware, device ID and hardware number stay the simulator's own (the example firmware
  // containers are built for them).
  word(kWordModelCode) = 1305;
  word(kWordFrequencyPower) = 2 << 8;  // the node's own RF power list: "+10 dBm"
  word(kWordBattery) = 0;              // mains powered
  word(kWordOutput1) = 0x1003;
  if (outputs() == 2) word(kWordOutput1 + 1) = 0x1003;
  word(kWordPressTimes) = 10 | 30 << 8;
  word(kWordCommand) = 50;
  word(kWordThresholdOn) = 1000;  // CO2 ppm
  word(kWordThresholdOff) = 800;
  word(kWordRhOn) = 6500;  // 65.00 %
  word(kWordRhOff) = 5500;
  word(kWordHysteresis) = 50;
  word(155) = 300;  // block time 30.0 s
  for (const DemoWiring& wiring : kDemoWiring) {
    if (wiring.node != address()) continue;
    SetName(wiring.name);
    word(kWordOutput1) = wiring.output1;
    if (outputs() == 2) word(kWordOutput1 + 1) = wiring.output2;
    for (int k = 0; k < 2; ++k) {
      const RfAddress control = wiring.controls[k];
      if (control == 0) continue;
      const int w = kWordDevicesFirst + 4 * k;
      word(w) = static_cast<uint16_t>(control);
      word(w + 1) = static_cast<uint16_t>(control >> 16);
      if (k == 0) {
        // Button 1 switches output 1 on, button 2 off, long presses of both toggle it; buttons
        // 3 and 4 do the same with output 2.
        word(w + 2) = 0x71 | 0x72 << 8;
        word(w + 3) = outputs() == 2 ? 0x81 | 0x82 << 8 : 0x41 | 0x42 << 8;
      } else {
        // Rows CO2 and rH run output 2 while the value is high (output 1 on the one-output
        // type).
        const uint16_t out = outputs() == 2 ? 0x80 : 0x40;
        word(w + 3) = static_cast<uint16_t>((out | 0x09) | (out | 0x09) << 8);
      }
    }
  }
  if (type() == 0x017) word(kWordTemperature) = static_cast<uint16_t>(2150 + random().Below(100));
}

void OutputNode::UpdateLive() {
  SimNode::UpdateLive();
  if (type() != 0x017) return;
  // The sensor sits in the door frame: it follows the hall's temperature slowly.
  const int t = std::clamp(static_cast<int16_t>(word(kWordTemperature)) + random().Between(-4, 4),
                           1500, 2800);
  word(kWordTemperature) = static_cast<uint16_t>(static_cast<int16_t>(t));
}

void OutputNode::BuildStatus(MessageBuilder& status) {
  SimNode::BuildStatus(status);
  if (type() == 0x017) {
    status.AddRegisters(MSG_REG_BLOCK_82, MSG_REG_WORD_84, kWordTemperature,
                        &word(kWordTemperature), 1);
  }
}

bool OutputNode::output_on(int output) const {
  return (registers()[kWordOutputState] >> (8 + output - 1)) & 1;
}

int OutputNode::EntryOf(RfAddress address) const {
  if (address == 0) return -1;
  const auto regs = registers();
  for (int k = 0; k < kControlDevices; ++k) {
    const size_t w = static_cast<size_t>(kWordDevicesFirst + 4 * k);
    if ((regs[w] | static_cast<RfAddress>(regs[w + 1]) << 16) == address) return k;
  }
  return -1;
}

bool OutputNode::OverhearsFrom(RfAddress source) const { return EntryOf(source) >= 0; }

void OutputNode::Overhear(const AirFrame& frame) {
  const int k = EntryOf(frame.source);
  if (k < 0) return;
  // The node measures how it hears each of its control devices.
  const int rssi_word = kWordRssiFirst + k / 2;
  const auto rssi = static_cast<uint8_t>(std::clamp(frame.link_rssi - 4, -120, -20));
  word(rssi_word) = k % 2 == 0 ? static_cast<uint16_t>((word(rssi_word) & 0xFF00) | rssi)
                               : static_cast<uint16_t>((word(rssi_word) & 0x00FF) | rssi << 8);
  const uint16_t control_type = TypeOf(frame.source);
  if (control_type == 0x002 || control_type == 0x011 || control_type == 0x00A ||
      control_type == 0x00D) {
    TakeMeasurements(k, frame.payload.data(), frame.length);
    return;
  }
  // Push-button devices report their inputs in words 50..51: A (switched on), B (short press)
  // and D (long press) bytes, one bit per input.
  ForEachMessage(frame.payload.data(), frame.length,
                 [&](uint8_t type, int length, const uint8_t* payload) {
                   if (!IsRegisterBlockType(type) || length < 7) return;
                   const uint16_t first = GetU16(payload);
                   const int count = payload[2];
                   if (first != 50 || count < 2 || length < 3 + 2 * count) return;
                   const uint8_t a = payload[3];
                   const uint8_t b = payload[4];
                   const uint8_t d = payload[6];
                   for (int row = 0; row < 4; ++row) {
                     const int bit = 1 << row;
                     if (d & bit) {
                       Report(k, row, Event::kLongPress);
                     } else if (b & bit) {
                       Report(k, row, (a & bit) ? Event::kOn : Event::kOff);
                     }
                   }
                 });
}

void OutputNode::TakeMeasurements(int k, const uint8_t* messages, int length) {
  int temperature = INT32_MIN;
  int humidity = INT32_MIN;
  int co2 = INT32_MIN;
  ForEachMessage(messages, length, [&](uint8_t type, int len, const uint8_t* payload) {
    auto take = [&](uint16_t reg, uint16_t value) {
      if (reg == 50) temperature = static_cast<int16_t>(value);
      if (reg == 53) humidity = static_cast<int16_t>(value);
      if (reg == 54) co2 = value;
    };
    if (IsRegisterBlockType(type) && len >= 3) {
      const uint16_t first = GetU16(payload);
      const int count = std::min<int>(payload[2], (len - 3) / 2);
      for (int i = 0; i < count; ++i)
        take(static_cast<uint16_t>(first + i), GetU16(payload + 3 + 2 * i));
    } else if (IsRegisterWordType(type) && len >= 4) {
      take(GetU16(payload), GetU16(payload + 2));
    }
  });
  // The first two control devices' values are kept for the tool to show.
  if (k < 2) {
    const int w = kWordLiveFirst + 6 * k;
    if (temperature != INT32_MIN) word(w) = static_cast<uint16_t>(temperature);
    if (humidity != INT32_MIN) word(w + 3) = static_cast<uint16_t>(humidity);
    if (co2 != INT32_MIN) word(w + 4) = static_cast<uint16_t>(co2);
  }
  const auto s = [&](int w) { return static_cast<int16_t>(word(w)); };
  if (co2 != INT32_MIN) Threshold(k, 2, co2, s(kWordThresholdOn), s(kWordThresholdOff));
  if (humidity != INT32_MIN) Threshold(k, 3, humidity, s(kWordRhOn), s(kWordRhOff));
}

void OutputNode::Threshold(int k, int row, int value, int on, int off) {
  // On at or beyond the On threshold, off at or beyond the Off threshold, in the direction their
  // order gives; in between the last event holds.
  const bool rising = off < on;
  int event = -1;
  if (rising ? value >= on : value <= on) event = 0;
  if (rising ? value <= off : value >= off) event = 1;
  if (event < 0 || event == threshold_state_[static_cast<size_t>(k)][static_cast<size_t>(row)]) {
    return;
  }
  threshold_state_[static_cast<size_t>(k)][static_cast<size_t>(row)] = event;
  Report(k, row, event == 0 ? Event::kOn : Event::kOff);
}

void OutputNode::Report(int k, int row, Event event) {
  const size_t w = static_cast<size_t>(kWordDevicesFirst + 4 * k + 2 + row / 2);
  const uint8_t link = static_cast<uint8_t>(row % 2 == 0 ? word(static_cast<int>(w))
                                                         : word(static_cast<int>(w)) >> 8);
  const int shift = event == Event::kOn ? 0 : event == Event::kOff ? 2 : 4;
  const int what = (link >> shift) & 3;
  if (what == 0) return;
  const Action action = what == 1 ? Action::kOn : what == 2 ? Action::kOff : Action::kToggle;
  if (link & 0x40) Act(1, action);
  if ((link & 0x80) && outputs() == 2) Act(2, action);
}

void OutputNode::Act(int output, Action action) {
  const uint16_t config = word(kWordOutput1 + output - 1);
  const int mode = (config & kModeMask) >> kModeShift;
  const int parameter = config & 0x0FFF;
  const bool on = output_on(output);
  switch (mode) {
    case kDisabled:
      return;
    case kChangeState:
      if (action == Action::kOff) {
        Switch(output, false);
      } else {
        Switch(output, !on);
      }
      return;
    case kImpulse:
    case kProlonged:
      if (action == Action::kOff) {
        Switch(output, false);
        return;
      }
      // A new press during an impulse starts it again only in the prolonged mode.
      if (on && mode == kImpulse) return;
      Switch(output, true);
      OffAfter(output, static_cast<SimTime>(std::max(parameter, 1)) * 1000);
      return;
    case kJalousie:
      if (action == Action::kOff) {
        Switch(output, false);
        return;
      }
      Switch(output, true);
      OffAfter(output, static_cast<SimTime>(std::max(parameter & 0x3F, 1)) * 100);
      return;
    default: {  // on/off and PWM (the duty cycle is not modelled: on means running)
      const bool target = action == Action::kToggle ? !on : action == Action::kOn;
      Switch(output, target);
      const int max_on = word(kWordPressTimes) >> 8;
      if (target && max_on > 0 && mode == kOnOff) OffAfter(output, max_on * 1000);
      return;
    }
  }
}

void OutputNode::Switch(int output, bool on) {
  ++generation_[static_cast<size_t>(output - 1)];
  const auto bit = static_cast<uint16_t>(1u << (8 + output - 1));
  const bool was = output_on(output);
  word(kWordOutputState) = on ? static_cast<uint16_t>(word(kWordOutputState) | bit)
                              : static_cast<uint16_t>(word(kWordOutputState) & ~bit);
  if (was != on) {
    ++switchings_;
    ++word(kWordCounter);
  }
}

void OutputNode::OffAfter(int output, SimTime ms) {
  if (!started_) return;
  const int generation = generation_[static_cast<size_t>(output - 1)];
  context().At(context().Now() + ms, [this, output, generation] {
    if (generation_[static_cast<size_t>(output - 1)] == generation) Switch(output, false);
  });
}

bool OutputNode::HandleOther(const AirFrame&, uint8_t type, int length, const uint8_t* payload,
                             MessageBuilder&) {
  if (type != MSG_RF_FRAME) return false;
  // A frame relayed in the name of a control device: [source][sequence][messages]. The tool's
  // test press sends a register block of registers 9..11 whose middle word names the row.
  if (length < 5) return true;
  const int k = EntryOf(GetU32(payload));
  if (k < 0) return true;
  ForEachMessage(payload + 5, length - 5, [&](uint8_t inner, int len, const uint8_t* p) {
    if (!IsRegisterBlockType(inner) || len < 7) return;
    const uint16_t first = GetU16(p);
    const int count = std::min<int>(p[2], (len - 3) / 2);
    for (int i = 0; i < count; ++i) {
      if (first + i != 10) continue;
      const int rows = GetU16(p + 3 + 2 * i) >> 8;
      for (int row = 0; row < 4; ++row) {
        if (rows & (1 << row)) Report(k, row, Event::kOn);
      }
    }
  });
  return true;
}

void OutputNode::OnWritten(uint16_t first, int count) {
  if (first > kWordCommand || first + count <= kWordCommand) return;
  const int command = word(kWordCommand) >> 8;
  // Bits 0..2 On, Off, long press of output 1; bits 3..5 the same for output 2.
  for (int output = 1; output <= outputs(); ++output) {
    const int bits = command >> (3 * (output - 1));
    if (bits & 1) Act(output, Action::kOn);
    if (bits & 2) Act(output, Action::kOff);
    if (bits & 4) Act(output, Action::kToggle);
  }
  // The command acts once.
  word(kWordCommand) &= 0x00FF;
}

}  // namespace corvane::sim
