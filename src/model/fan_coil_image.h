// The register image of a fan-coil controller: 16676 registers that are both the controller's
// register map and its configuration blob in the project. Typed access to what its window shows
// and edits (the regulator's configuration and state, the manual control values, the 8 paired
// devices with their Modbus addresses and input numbers, the clock and the wireless M-Bus FIFO
// head), the cache placement over the controller's own cache area and the default image.
//
// The paired-device entries and status records have the gateway's layouts (GwDeviceEntry,
// GwDeviceStatus); only their place in the map and the size of the table differ.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "model/gateway_image.h"
#include "model/rf_address.h"

namespace corvane {

class FanCoilImage {
 public:
  static constexpr int kWords = 16676;
  static constexpr int kBytes = 2 * kWords;

  static constexpr int kRegIdentification = 0;
  static constexpr int kRegVersion = 1;
  static constexpr int kRegCommand = 2;
  static constexpr uint16_t kStoreRequestBit = 0x0100;
  static constexpr uint16_t kStoreDoneBit = 0x0200;
  static constexpr int kRegModbusLine = 3;    // low: slave address, high: baud code
  static constexpr int kRegSerialFormat = 4;  // bits 0-1 parity, bit 2 stop bits
  static constexpr int kRegDeviceId = 5;
  static constexpr int kRegHardware = 6;
  static constexpr int kRegName = 8;
  static constexpr int kRegKeptValue = 16;
  static constexpr int kRegPassword = 18;
  static constexpr int kTextBytes = 16;
  static constexpr int kRegRadio = 26;  // low: frequency index, high: RF power list index
  static constexpr int kRegEepromWrites = 27;
  static constexpr int kRegUptime = 28;
  static constexpr int kRegBackgroundRssi = 30;
  static constexpr int kRegIndicators = 31;  // high byte bit 0: PRG
  static constexpr int kRegOwnAddress = 50;
  static constexpr int kRegOptions = 53;  // low: system mode, high: beacon
  static constexpr int kRegClock = 54;    // 4 registers of clock bytes
  static constexpr int kRegUnixTime = 58;
  static constexpr int kRegRegulator = 68;
  static constexpr int kRegPBand = 69;
  static constexpr int kRegIConst = 70;
  static constexpr int kRegDConst = 71;
  static constexpr int kRegFanMode = 72;    // one bit set: Auto, OFF, Manual 1..3
  static constexpr int kRegDiOptions = 73;  // bits 0-3 the four DI options
  static constexpr int kRegChangeOver = 74;
  static constexpr int kRegManual = 76;         // low: enable bits, high: manual fan stage
  static constexpr int kRegManualOutputs = 77;  // low: heat, high: cool
  static constexpr int kRegManualInputs = 78;   // bit 0 presence, bit 1 window
  static constexpr int kRegActualTemp = 80;
  static constexpr int kRegSetpointHeat = 81;
  static constexpr int kRegSetpointCool = 82;
  static constexpr int kRegRfInputs = 85;
  static constexpr int kRegRoomInputs = 86;  // bits 0-4 from the paired room units
  static constexpr int kRegOutputPins = 88;  // bits 0-4 Heat, Cool, Fan 1..3
  static constexpr int kRegPidOutputs = 89;  // low: heat, high: cool
  static constexpr int kRegPidFan = 90;
  static constexpr int kRegCpuTemperature = 91;
  static constexpr int kRegInputNumbers = 93;  // 8 bytes, one per paired entry
  static constexpr int kRegPwmHeat = 106;
  static constexpr int kRegPwmCool = 107;
  static constexpr int kRegDevices = 116;
  static constexpr int kDevices = 8;
  static constexpr int kRegModbusTable = 148;  // 8 bytes, one per paired entry
  static constexpr int kRegDeviceStatus = 152;
  // The block the window reads and writes: everything up to the cache area.
  static constexpr int kConfigWords = 218;
  static constexpr int kRegCacheFirst = 218;
  static constexpr int kRegCacheLast = 14553;
  static constexpr CacheArea kCacheArea{kRegCacheFirst, kRegCacheLast + 1};
  static constexpr int kRegWmbusHead = 16610;
  static constexpr int kRegWmbusFrame = 16612;
  static constexpr int kRegWmbusStatus = 16674;
  static constexpr int kWmbusFrameBytes = 2 * (kRegWmbusStatus - kRegWmbusFrame);

  // Register 68.
  static constexpr uint16_t kStopFanOnHeat = 1u << 2;
  static constexpr uint16_t kStopFanOnCool = 1u << 3;
  static constexpr int kFanTypeShift = 4;
  static constexpr uint16_t kFanTypeMask = 0x0030;
  static constexpr uint16_t kValveExercise = 1u << 6;
  static constexpr uint16_t kValveInverted = 1u << 7;
  static constexpr uint16_t kValvesOffWithFan = 1u << 8;
  static constexpr uint16_t kRegulationOn = 1u << 12;
  static constexpr uint16_t kFourPipes = 1u << 15;
  // The bits register 68 carries; the others are written as 0.
  static constexpr uint16_t kRegulatorBits = kStopFanOnHeat | kStopFanOnCool | kFanTypeMask |
                                             kValveExercise | kValveInverted | kValvesOffWithFan |
                                             kRegulationOn | kFourPipes;
  // Register 76 low byte.
  enum ManualBit : uint8_t {
    kManualFan = 1u << 0,
    kManualHeat = 1u << 1,
    kManualCool = 1u << 2,
    kManualPresence = 1u << 3,
    kManualWindow = 1u << 4,
    kManualChangeOver = 1u << 5,
    kManualTemperature = 1u << 6,
    kManualSetpoints = 1u << 7,
  };
  // "Fan Auto", "Fan OFF", "Fan Manual 1".."Fan Manual 3".
  static constexpr int kFanModes = 5;

  FanCoilImage() : words_(kWords, 0) {}
  // A copy of the first words the image holds; missing words read as 0.
  explicit FanCoilImage(std::span<const uint16_t> words);

  std::span<uint16_t> words() { return words_; }
  std::span<const uint16_t> words() const { return words_; }
  uint16_t Word(int reg) const { return words_[static_cast<size_t>(reg)]; }
  void SetWord(int reg, uint16_t value) { words_[static_cast<size_t>(reg)] = value; }
  uint8_t Low(int reg) const { return static_cast<uint8_t>(Word(reg)); }
  uint8_t High(int reg) const { return static_cast<uint8_t>(Word(reg) >> 8); }
  void SetLow(int reg, uint8_t value) {
    SetWord(reg, static_cast<uint16_t>((Word(reg) & 0xFF00) | value));
  }
  void SetHigh(int reg, uint8_t value) {
    SetWord(reg, static_cast<uint16_t>((Word(reg) & 0x00FF) | value << 8));
  }
  uint32_t U32(int reg) const;
  void SetU32(int reg, uint32_t value);
  // Byte i of a byte field at reg: the low byte of register reg + i/2 for even i, else the high.
  uint8_t Byte(int reg, int i) const { return i % 2 == 0 ? Low(reg + i / 2) : High(reg + i / 2); }
  void SetByte(int reg, int i, uint8_t value) {
    if (i % 2 == 0) {
      SetLow(reg + i / 2, value);
    } else {
      SetHigh(reg + i / 2, value);
    }
  }

  uint16_t Version() const { return Word(kRegVersion); }
  RfAddress OwnAddress() const { return U32(kRegOwnAddress); }

  // The "Fan" list entry register 72 selects: the highest set bit, 1 ("Fan OFF") when the
  // register is 0; nullopt when that bit names no entry (bit 5 or higher).
  std::optional<int> FanMode() const;
  void SetFanMode(int index) { SetWord(kRegFanMode, static_cast<uint16_t>(1u << index)); }
  int FanType() const { return (Word(kRegRegulator) & kFanTypeMask) >> kFanTypeShift; }
  bool Manual(ManualBit bit) const { return (Low(kRegManual) & bit) != 0; }
  int ManualFan() const { return High(kRegManual); }
  int16_t ActualTemp() const { return static_cast<int16_t>(Word(kRegActualTemp)); }
  int16_t SetpointHeat() const { return static_cast<int16_t>(Word(kRegSetpointHeat)); }
  int16_t SetpointCool() const { return static_cast<int16_t>(Word(kRegSetpointCool)); }

  GwDeviceEntry Device(int i) const;
  void SetDevice(int i, const GwDeviceEntry& entry);
  GwDeviceStatus DeviceStatus(int i) const;
  uint8_t ModbusAddress(int i) const { return Byte(kRegModbusTable, i); }
  void SetModbusAddress(int i, uint8_t address) { SetByte(kRegModbusTable, i, address); }
  uint8_t InputNumber(int i) const { return Byte(kRegInputNumbers, i); }
  void SetInputNumber(int i, uint8_t number) { SetByte(kRegInputNumbers, i, number); }
  std::span<uint16_t> DeviceTable() {
    return words().subspan(kRegDevices, kDevices * GwDeviceEntry::kWords);
  }
  std::vector<RfAddress> DeviceAddresses() const;
  std::vector<uint8_t> ModbusAddresses() const;

  GwClock Clock() const;
  void SetClock(const GwClock& clock);
  uint32_t UnixTime() const { return U32(kRegUnixTime); }
  void SetUnixTime(uint32_t seconds) { SetU32(kRegUnixTime, seconds); }

  GwWmbusHead WmbusHead() const;

  bool operator==(const FanCoilImage&) const = default;

 private:
  std::vector<uint16_t> words_;
};

// Cache placement over the controller's 8 entries and its cache area (see PlaceCache of the
// gateway image): ranges never reach past register 14553; an entry whose range does not fit loses
// its place and its cached bit, and is returned. Entries that are not cached keep their MB_start:
// the controller's table keeps what the user set there.
std::vector<int> PlaceFanCoilCache(FanCoilImage& image);
// Every cached entry anew, back to back from register 218; the same rule for the rest.
std::vector<int> CompressFanCoilCache(FanCoilImage& image);
std::optional<ModbusCollision> FindModbusCollision(const FanCoilImage& image);

// The image "Default" makes from the working image: zeroed; identification and version kept
// (1292 and 400 when 0), Modbus address 1 at 115200 Bd, the working device id (1109 when 0), the
// working hardware number, name "Fancoil 1", the kept value of registers 16-17, the default
// network password, frequency index 0 with RF power entry 2, valve exercise in a 4-pipe unit with
// a 3-speed fan, P band 20, I constant 3600, all four DI options, change-over period 30 minutes.
FanCoilImage DefaultFanCoilImage(const FanCoilImage& working);

}  // namespace corvane
