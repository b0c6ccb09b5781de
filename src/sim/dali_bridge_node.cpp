#include "sim/dali_bridge_node.h"

#include <algorithm>
#include <bit>
#include <string_view>

#include "link/messages.h"
#include "model/le.h"
#include "sim/demo_network.h"

namespace corvane::sim {
namespace {

// Frames of the demo sites' bridges.
constexpr uint32_t kOff = 0xFF00;       // broadcast off
constexpr uint32_t kGroup0On = 0x8105;  // group 0: recall max
constexpr uint32_t kGroup0Off = 0x8100;
constexpr uint32_t kGroup0Up = 0x8101;
constexpr uint32_t kGroup0Down = 0x8102;
constexpr uint32_t kAllOn = 0xFF05;
constexpr uint32_t kMarker16 = 1u << 16;

struct DemoBridge {
  RfAddress node;
  std::string_view name;
  RfAddress control;
};
// Each bridge takes the buttons of one push-button device of the site: button 1 switches group 0
// (with push/pull), button 2 dims it (and brightens it with the input switched back), button 3
// everything on, button 4 everything off.
constexpr DemoBridge kDemoBridges[] = {
    {demo::kLightingBridgeB, "Office DALI", demo::kKeypad},
    {demo::kLightingBridgeA, "Corridor DALI", demo::kInputX},
};

constexpr uint8_t kStatusLampOn = 0x04;

}  // namespace

DaliBridgeNode::DaliBridgeNode(RfAddress address, const NodeSettings& settings)
    : SimNode(address, settings) {
  for (int i = 0; i < kBallasts; ++i) {
    Ballast& b = ballasts_[static_cast<size_t>(i)];
    // Ballasts 0 and 1 light one room (group 0), 2 and 3 the other (group 1).
    b.groups = static_cast<uint16_t>(1u << (i / 2));
    // Memory bank 0: last location, checksum, last bank, GTIN, firmware, serial number.
    b.bank0 = {kBankSize - 1,
               0,
               0,
               0x04,
               0x05,
               0x2C,
               0x8A,
               0x31,
               0x17,
               2,
               1,
               0,
               0,
               0,
               0,
               0x12,
               0x34,
               0x56,
               static_cast<uint8_t>(0x70 + i),
               1,
               0,
               0,
               0,
               0,
               0,
               0,
               0};
    uint8_t sum = 0;
    for (size_t loc = 2; loc < b.bank0.size(); ++loc)
      sum = static_cast<uint8_t>(sum + b.bank0[loc]);
    b.bank0[1] = static_cast<uint8_t>(0x100 - sum);
  }
}

void DaliBridgeNode::InitRegisters() {
  SimNode::InitRegisters();
  word(kWordModelCode) = 1296;
  word(kWordBattery) = 0;              // mains powered, not in programming mode
  word(kWordFrequencyPower) = 2 << 8;  // the bridge's own RF power list: "+10 dBm"
  SetName("DALI interface");
  word(kWordInfo) = 0x0201;  // bus interface 1, revision 2
  word(kWordInfo + 1) = static_cast<uint16_t>(kBallasts);
  word(kWordSystem) = static_cast<uint16_t>(static_cast<uint8_t>(-2) << 8);
  SetWord32(kWordCommand, kMarker16 | kOff);
  SetWord32(kWordTrigger, kMarker16 | 0x0100);
  SetWord32(kWordGetActual, kMarker16 | 0x01A0);
  word(kWordRisingEdge) = 38;
  word(kWordFallingEdge) = 14;
  for (const DemoBridge& demo : kDemoBridges) {
    if (demo.node != address()) continue;
    SetName(demo.name);
    const int w = kWordDevicesFirst;
    SetWord32(w, demo.control);
    auto set = [&](int kind, int button, uint32_t frame) {
      SetWord32(w + 2 + 8 * kind + 2 * button, frame == 0 ? 0 : kMarker16 | frame);
    };
    set(0, 0, kGroup0On);
    SetWord32(w + 2, Word32(w + 2) | (1u << 28));  // button 1: push/pull
    set(1, 0, kGroup0Off);
    set(2, 0, kGroup0Up);
    set(0, 1, kGroup0Down);
    set(1, 1, kGroup0Up);
    set(2, 1, kGroup0Down);
    set(0, 2, kAllOn);
    set(0, 3, kOff);
  }
}

uint32_t DaliBridgeNode::Word32(int w) const {
  const auto regs = registers();
  return regs[static_cast<size_t>(w)] | static_cast<uint32_t>(regs[static_cast<size_t>(w + 1)])
                                            << 16;
}

void DaliBridgeNode::SetWord32(int w, uint32_t value) {
  word(w) = static_cast<uint16_t>(value);
  word(w + 1) = static_cast<uint16_t>(value >> 16);
}

void DaliBridgeNode::UpdateLive() {
  SimNode::UpdateLive();
  // The bridge keeps asking its get-actual-value command for the value it reports.
  if (const auto value = ExecuteWord(Word32(kWordGetActual))) word(kWordActualValue) = *value;
}

// ---------------------------------------------------------------------------------------------
// The bus

std::optional<uint8_t> DaliBridgeNode::ExecuteWord(uint32_t command_word) {
  const uint32_t frame = command_word & 0x0FFFFFFF;
  if (frame == 0 || std::bit_width(frame) - 1 != 16) return std::nullopt;
  return Execute(static_cast<uint16_t>(frame));
}

bool DaliBridgeNode::Addressed(const Ballast& b, int index, uint8_t address) const {
  if ((address >> 1) == 0x7F) return true;  // broadcast
  if ((address & 0x80) == 0) return ((address >> 1) & 0x3F) == index;
  if ((address & 0xE0) == 0x80) return (b.groups >> ((address >> 1) & 0x0F)) & 1;
  return false;
}

std::optional<uint8_t> DaliBridgeNode::Execute(uint16_t frame) {
  ++commands_executed_;
  const auto address = static_cast<uint8_t>(frame >> 8);
  const auto data = static_cast<uint8_t>(frame);
  // Special commands (101xxxx1, 110xxxx1) address every ballast.
  if (address == 0xA3) {
    dtr0_ = data;
    return std::nullopt;
  }
  if (address == 0xC3) {
    dtr1_ = data;
    return std::nullopt;
  }
  if ((address & 0xE1) == 0xA1 || (address & 0xE1) == 0xC1) return std::nullopt;

  std::optional<uint8_t> answer;
  for (int i = 0; i < kBallasts; ++i) {
    Ballast& b = ballasts_[static_cast<size_t>(i)];
    if (!Addressed(b, i, address)) continue;
    std::optional<uint8_t> reply;
    if ((address & 1) == 0) {
      // Direct arc power; 0xFF leaves the level as it is.
      if (data != 0xFF) {
        b.level = data == 0 ? 0 : std::clamp(data, b.min_level, b.max_level);
        if (b.level != 0) b.last_active = b.level;
      }
    } else {
      reply = Command(b, data);
    }
    // Several answers at once would collide on the bus; the first ballast's is reported.
    if (reply && !answer) answer = reply;
  }
  return answer;
}

std::optional<uint8_t> DaliBridgeNode::Command(Ballast& b, uint8_t command) {
  auto set_level = [&](int level) {
    b.level = static_cast<uint8_t>(level);
    if (level != 0) b.last_active = b.level;
  };
  switch (command) {
    case 0x00:  // off
      b.level = 0;
      return std::nullopt;
    case 0x01:  // up: brighter while on
      if (b.level != 0) set_level(std::min(b.level + 16, static_cast<int>(b.max_level)));
      return std::nullopt;
    case 0x02:  // down: dimmer while on
      if (b.level != 0) set_level(std::max(b.level - 16, static_cast<int>(b.min_level)));
      return std::nullopt;
    case 0x03:  // step up
      if (b.level != 0 && b.level < b.max_level) set_level(b.level + 1);
      return std::nullopt;
    case 0x04:  // step down
      if (b.level > b.min_level) set_level(b.level - 1);
      return std::nullopt;
    case 0x05:  // recall max level
      set_level(b.max_level);
      return std::nullopt;
    case 0x06:  // recall min level
      set_level(b.min_level);
      return std::nullopt;
    case 0x07:  // step down and off
      if (b.level <= b.min_level) {
        b.level = 0;
      } else {
        set_level(b.level - 1);
      }
      return std::nullopt;
    case 0x08:  // on and step up
      set_level(b.level == 0 ? b.min_level : std::min<int>(b.level + 1, b.max_level));
      return std::nullopt;
    case 0x09:  // the stored (last active) level
    case 0x0A:
      set_level(b.last_active);
      return std::nullopt;
    case 0x21:  // store the actual level in DTR0
      dtr0_ = b.level;
      return std::nullopt;
    case 0x2A:
      b.max_level = std::max<uint8_t>(dtr0_, b.min_level);
      return std::nullopt;
    case 0x2B:
      b.min_level = std::clamp<uint8_t>(dtr0_, 1, b.max_level);
      return std::nullopt;
    case 0x90:  // status
      return static_cast<uint8_t>(b.level != 0 ? kStatusLampOn : 0);
    case 0x91:  // control gear present
      return 0xFF;
    case 0x93:  // lamp power on
      if (b.level != 0) return 0xFF;
      return std::nullopt;
    case 0x98:
      return dtr0_;
    case 0xA0:
      return b.level;
    case 0xA1:
      return b.max_level;
    case 0xA2:
      return b.min_level;
    case 0xC0:
      return static_cast<uint8_t>(b.groups);
    case 0xC1:
      return static_cast<uint8_t>(b.groups >> 8);
    case 0xC5: {  // read memory location DTR0 of bank DTR1
      if (dtr1_ != 0 || dtr0_ >= kBankSize) return std::nullopt;
      const uint8_t value = b.bank0[dtr0_];
      ++dtr0_;
      return value;
    }
    default:
      if (command >= 0x60 && command <= 0x6F)
        b.groups |= static_cast<uint16_t>(1u << (command & 15));
      if (command >= 0x70 && command <= 0x7F)
        b.groups &= static_cast<uint16_t>(~(1u << (command & 15)));
      return std::nullopt;
  }
}

// ---------------------------------------------------------------------------------------------
// What the tool writes

void DaliBridgeNode::OnWritten(uint16_t first, int count) {
  // A command of its own: the record's copy of the last command travels with every RAM write
  // and must not run again then.
  if (first != kWordCommand || count < 2) return;
  const std::optional<uint8_t> answer = ExecuteWord(Word32(kWordCommand));
  // The backward frame below its marker, as the command words hold their frames; 0 for none.
  SetWord32(kWordResponse, answer ? 0x100u | *answer : 0u);
}

// ---------------------------------------------------------------------------------------------
// Control devices

int DaliBridgeNode::EntryOf(RfAddress address) const {
  if (address == 0) return -1;
  for (int k = 0; k < kControlDevices; ++k) {
    if (Word32(kWordDevicesFirst + kDeviceWords * k) == address) return k;
  }
  return -1;
}

void DaliBridgeNode::Overhear(const AirFrame& frame) {
  const int k = EntryOf(frame.source);
  if (k < 0) return;
  // The bridge measures how it hears each of its control devices.
  const int rssi_word = kWordRssiFirst + k / 2;
  const auto rssi = static_cast<uint8_t>(std::clamp(frame.link_rssi - 3, -120, -20));
  word(rssi_word) = k % 2 == 0 ? static_cast<uint16_t>((word(rssi_word) & 0xFF00) | rssi)
                               : static_cast<uint16_t>((word(rssi_word) & 0x00FF) | rssi << 8);
  TakeReport(k, frame.payload.data(), frame.length, false);
}

bool DaliBridgeNode::HandleOther(const AirFrame&, uint8_t type, int length, const uint8_t* payload,
                                 MessageBuilder&) {
  if (type != MSG_RF_FRAME) return false;
  // A frame in the name of a control device: [source][sequence][messages].
  if (length < 5) return true;
  const int k = EntryOf(GetU32(payload));
  if (k >= 0) TakeReport(k, payload + 5, length - 5, true);
  return true;
}

void DaliBridgeNode::TakeReport(int k, const uint8_t* messages, int length, bool test_press) {
  // Push-button devices report their inputs in words 50..51: A (switched on) and B (short
  // press) bytes in word 50, D (long press) in the high byte of word 51, one bit per input.
  ForEachMessage(messages, length, [&](uint8_t type, int len, const uint8_t* p) {
    if (!IsRegisterBlockType(type) || len < 5) return;
    const uint16_t first = GetU16(p);
    const int count = std::min<int>(p[2], (len - 3) / 2);
    if (first != 50 || count < 1) return;
    const uint8_t a = p[3];
    const uint8_t b = p[4];
    const uint8_t d = count >= 2 ? p[6] : 0;
    for (int button = 0; button < 4; ++button) {
      const int bit = 1 << button;
      if (d & bit) {
        Pressed(k, button, Press::kLong);
      } else if (b & bit) {
        Pressed(k, button,
                test_press  ? Press::kPush
                : (a & bit) ? Press::kShortOn
                            : Press::kShortOff);
      }
    }
  });
}

void DaliBridgeNode::Pressed(int k, int button, Press press) {
  const int entry = kWordDevicesFirst + kDeviceWords * k;
  const uint32_t on = Word32(entry + 2 + 2 * button);
  const uint32_t off = Word32(entry + 10 + 2 * button);
  const uint32_t long_press = Word32(entry + 18 + 2 * button);
  bool& toggled = toggled_on_[static_cast<size_t>(k)][static_cast<size_t>(button)];
  if (press == Press::kLong) {
    ExecuteWord(long_press);
    return;
  }
  bool switch_on = press != Press::kShortOff;
  if (on & (1u << 28)) {
    // Push/pull: one button switches on and off in turn.
    switch_on = !toggled;
  }
  toggled = switch_on;
  ExecuteWord(switch_on ? on : off);
}

}  // namespace corvane::sim
