// The register image of a gateway with firmware 4.00 and later: 19618 registers that are both the
// gateway's register map and its configuration blob in the project. Typed access to the records
// inside it, the map size per firmware version, the cache placement, the Modbus address collision
// check, the default image and the conversion of a blob in the older (pre-4.00) layout.
//
// Layouts: a stored blob whose register 1 (firmware version x 100) is 1..399 holds the older
// layout; 0 (no version known yet) and 400 and above hold the 4.00 layout. 399 is the mark the
// older dialog leaves when it met a newer gateway, so it names the older layout too. A blob is
// converted only when LayoutOf says kPre400; a converted blob carries 400 and is never converted
// again.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "model/rf_address.h"

namespace corvane {

// One bidirectional (paired) device: 4 registers. The fan-coil controller's routed devices use
// the same layout.
struct GwDeviceEntry {
  static constexpr int kWords = 4;
  static constexpr uint16_t kCountMask = 0x0FFF;
  static constexpr uint16_t kCachedForceBit = 0x1000;
  static constexpr int kPriorityShift = 13;
  static constexpr uint16_t kPriorityMask = 0x6000;
  static constexpr uint16_t kCachedBit = 0x8000;

  RfAddress address = 0;  // 0 = free entry
  uint16_t mb_start = 0;  // first cache register of the copy; 0 when not cached
  uint16_t flags = 0;     // MB_cnt, cached force, connection priority, cached

  static GwDeviceEntry FromWords(std::span<const uint16_t> words);  // at least kWords
  void ToWords(std::span<uint16_t> words) const;

  uint16_t MbCount() const { return flags & kCountMask; }
  void SetMbCount(uint16_t count) {
    flags = static_cast<uint16_t>((flags & ~kCountMask) | (count & kCountMask));
  }
  bool Cached() const { return (flags & kCachedBit) != 0; }
  void SetCached(bool on) { SetFlag(kCachedBit, on); }
  bool CachedForce() const { return (flags & kCachedForceBit) != 0; }
  void SetCachedForce(bool on) { SetFlag(kCachedForceBit, on); }
  // 0 "Direct Connection Disable" .. 3 "Priority High".
  int Priority() const { return (flags & kPriorityMask) >> kPriorityShift; }
  void SetPriority(int priority) {
    flags = static_cast<uint16_t>((flags & ~kPriorityMask) |
                                  ((priority << kPriorityShift) & kPriorityMask));
  }

  bool operator==(const GwDeviceEntry&) const = default;

 private:
  void SetFlag(uint16_t bit, bool on) {
    flags = static_cast<uint16_t>(on ? (flags | bit) : (flags & ~bit));
  }
};

// What the gateway knows of a paired device: 6 registers, read only for the tool.
struct GwDeviceStatus {
  static constexpr int kWords = 6;

  uint32_t last_comm = 0;  // Unix seconds (UTC); 0 = never
  RfAddress hub = 0;
  uint8_t spare = 0;
  int8_t rssi_dev_to_gw = 0;  // dBm
  int8_t rssi_gw_to_dev = 0;  // dBm
  uint8_t state = 0;          // bit 0 read state, bit 1 write state

  static GwDeviceStatus FromWords(std::span<const uint16_t> words);
  bool ReadBit() const { return (state & 0x01) != 0; }
  bool WriteBit() const { return (state & 0x02) != 0; }
};

// One unidirectional (transmit-only) device and the two of its registers the gateway captures.
struct GwUniEntry {
  static constexpr int kWords = 4;
  static constexpr uint16_t kRegisterMask = 0x7FFF;
  static constexpr uint16_t kFifoBit = 0x8000;

  RfAddress address = 0;          // 0 = free entry
  std::array<uint16_t, 2> reg{};  // MB_reg_1, MB_reg_2: register number (0-based) + FIFO bit

  static GwUniEntry FromWords(std::span<const uint16_t> words);
  void ToWords(std::span<uint16_t> words) const;

  // which = 0 or 1.
  uint16_t Register(int which) const { return reg[which] & kRegisterMask; }
  bool StoreInFifo(int which) const { return (reg[which] & kFifoBit) != 0; }

  bool operator==(const GwUniEntry&) const = default;
};

struct GwUniStatus {
  static constexpr int kWords = 4;

  uint32_t last_reception = 0;  // Unix seconds (UTC); 0 = never
  int8_t rssi = 0;              // dBm

  static GwUniStatus FromWords(std::span<const uint16_t> words);
};

// The gateway's clock bytes: year - 2000, month, day, hour, minute, second, set flag, spare.
struct GwClock {
  uint8_t year = 0;
  uint8_t month = 0;
  uint8_t day = 0;
  uint8_t hour = 0;
  uint8_t minute = 0;
  uint8_t second = 0;
  uint8_t set_flag = 0;
  uint8_t spare = 0;

  bool operator==(const GwClock&) const = default;
};

// Head of the register-write log.
struct GwWriteLogHead {
  RfAddress address = 0;
  uint16_t reg = 0;              // 0-based
  uint16_t count = 0;            // 0 = log empty; may exceed the four values held
  std::vector<uint16_t> values;  // the first min(count, 4)
};

// Head of the wireless M-Bus frame FIFO.
struct GwWmbusHead {
  uint32_t time = 0;           // Unix seconds (UTC)
  uint8_t length = 0;          // as the status register tells it; 0 = FIFO empty
  int8_t rssi = 0;             // dBm
  std::vector<uint8_t> frame;  // the first min(length, kWmbusFrameBytes) bytes
};

struct GwFifo2Entry {
  uint8_t index = 0;
  uint8_t tdif = 0;
  uint16_t reg = 0;
  bool operator==(const GwFifo2Entry&) const = default;
};

// A range of cache registers [first, end).
struct CacheArea {
  int first = 0;
  int end = 0;
  bool operator==(const CacheArea&) const = default;
};

// Where the records lie in one layout of the gateway's map. Registers 0-51 and the record
// formats are the same in both layouts; the older one has 50 paired devices instead of 78 and
// everything behind them moved down.
struct GatewayMap {
  int words = 0;  // registers in the image
  int devices = 0;
  int reg_devices = 0;
  int reg_uni_devices = 0;
  int reg_device_status = 0;
  int reg_output = 0;
  int reg_captured = 0;
  CacheArea cache;
  int reg_uni_status = 0;
  int reg_modbus_table = 0;
  int reg_clock = 0;      // 4 registers of clock bytes
  int reg_unix_time = 0;  // 2 registers
  int reg_key = 0;        // 8 registers
  bool operator==(const GatewayMap&) const = default;
};

// Firmware 4.00 and later.
inline constexpr GatewayMap kV400Map{19618,         78,    52,    364,   1164,  1632, 1634,
                                     {2034, 16370}, 18492, 19292, 19332, 19336, 19338};
// Firmware before 4.00.
inline constexpr GatewayMap kPre400Map{19053,         50,    52,    252,   1052,  1352, 1354,
                                       {1754, 16090}, 18212, 19012, 19038, 19042, 19044};

class GatewayImage {
 public:
  static constexpr int kWords = 19618;
  static constexpr int kBytes = 2 * kWords;

  static constexpr int kRegIdentification = 0;
  static constexpr int kRegVersion = 1;
  static constexpr int kRegCommand = 2;
  static constexpr uint16_t kStoreRequestBit = 0x0100;
  static constexpr uint16_t kStoreDoneBit = 0x0200;
  static constexpr int kRegModbusLine = 3;  // low: slave address, high: baud code
  static constexpr int kRegSerialFormat = 4;
  static constexpr int kRegDeviceId = 5;
  static constexpr int kRegHardware = 6;
  static constexpr int kRegName = 8;
  static constexpr int kRegKeptValue = 16;
  static constexpr int kRegPassword = 18;
  static constexpr int kTextBytes = 16;
  static constexpr int kRegRadio = 26;  // low: frequency index, high: RF power code
  static constexpr int kRegEepromWrites = 27;
  static constexpr int kRegUptime = 28;
  static constexpr int kRegBackgroundRssi = 30;
  static constexpr int kRegIndicators = 31;
  static constexpr int kRegCpuTemperature = 32;
  static constexpr int kRegOptions = 33;
  static constexpr int kRegOwnAddress = 50;
  static constexpr int kRegDevices = 52;
  static constexpr int kDevices = 78;
  static constexpr int kRegUniDevices = 364;
  static constexpr int kUniDevices = 200;
  static constexpr int kRegDeviceStatus = 1164;
  static constexpr int kRegOutput = 1632;
  static constexpr uint16_t kOutputOnBit = 0x0001;
  static constexpr uint16_t kOutputOffBit = 0x0002;
  static constexpr int kRegCaptured = 1634;
  static constexpr int kRegCacheFirst = 2034;
  static constexpr int kRegCacheLast = 16369;
  static constexpr int kRegWmbusHead = 18418;
  static constexpr int kRegWmbusFrame = 18420;
  static constexpr int kRegWmbusStatus = 18482;
  // Frame bytes held between the head's time and the status register.
  static constexpr int kWmbusFrameBytes = 2 * (kRegWmbusStatus - kRegWmbusFrame);
  static constexpr int kRegWriteLog = 18484;
  static constexpr int kRegWriteLogCount = 18487;
  static constexpr int kWriteLogValues = 4;
  static constexpr int kRegUniStatus = 18492;
  static constexpr int kRegModbusTable = 19292;
  static constexpr int kRegRfReinits = 19331;
  static constexpr int kRegClock = 19332;
  static constexpr int kRegUnixTime = 19336;
  static constexpr int kRegKey = 19338;
  static constexpr int kRegTxAddress = 19346;
  static constexpr int kRegTxData = 19348;
  static constexpr int kTxDataBytes = 40;
  static constexpr int kRegTxLength = 19368;
  static constexpr int kRegTxTrigger = 19369;
  static constexpr int kRegFifo2Control = 19370;
  static constexpr uint16_t kFifo2Start = 0x8000;
  static constexpr int kRegFifo2Table = 19372;
  static constexpr int kFifo2Entries = 32;
  static constexpr int kRegModbusTimeout = 19500;
  static constexpr int kRegAlarmLostTimeout = 19501;
  static constexpr int kRegBridgeAddress = 19600;
  static constexpr int kRegBridgeBits = 19602;

  static constexpr CacheArea kCacheArea{kRegCacheFirst, kRegCacheLast + 1};

  // A zeroed image of the layout.
  explicit GatewayImage(const GatewayMap& map = kV400Map);
  // A copy of the first words the layout holds; missing words read as 0.
  explicit GatewayImage(std::span<const uint16_t> words, const GatewayMap& map = kV400Map);

  // The record accessors below follow this layout; the kReg constants name the 4.00 layout and
  // the registers both layouts share (0-51).
  const GatewayMap& map() const { return *map_; }

  std::span<uint16_t> words() { return words_; }
  std::span<const uint16_t> words() const { return words_; }

  uint16_t Word(int reg) const { return words_[static_cast<size_t>(reg)]; }
  void SetWord(int reg, uint16_t value) { words_[static_cast<size_t>(reg)] = value; }
  uint32_t U32(int reg) const;  // low word first
  void SetU32(int reg, uint32_t value);
  // Byte i of a byte field is the low byte of register reg + i/2 for even i, the high for odd.
  std::vector<uint8_t> Bytes(int reg, int count) const;
  // Writes the bytes and zeros up to field_bytes.
  void SetBytes(int reg, int field_bytes, std::span<const uint8_t> bytes);

  uint16_t Version() const { return Word(kRegVersion); }
  RfAddress OwnAddress() const { return U32(kRegOwnAddress); }

  GwDeviceEntry Device(int i) const;
  void SetDevice(int i, const GwDeviceEntry& entry);
  GwDeviceStatus DeviceStatus(int i) const;
  GwUniEntry UniDevice(int i) const;
  void SetUniDevice(int i, const GwUniEntry& entry);
  GwUniStatus UniStatus(int i) const;
  // which = 0 or 1: the value captured from unidirectional entry i's first or second register.
  uint16_t CapturedValue(int i, int which) const {
    return Word(map_->reg_captured + 2 * i + which);
  }

  // Modbus address of bidirectional entry i; 0 = none.
  uint8_t ModbusAddress(int i) const;
  void SetModbusAddress(int i, uint8_t address);
  std::span<uint16_t> DeviceTable() {
    return words().subspan(static_cast<size_t>(map_->reg_devices),
                           static_cast<size_t>(map_->devices * GwDeviceEntry::kWords));
  }
  std::vector<RfAddress> DeviceAddresses() const;
  std::vector<uint8_t> ModbusAddresses() const;

  GwClock Clock() const;
  void SetClock(const GwClock& clock);
  uint32_t UnixTime() const { return U32(map_->reg_unix_time); }
  void SetUnixTime(uint32_t seconds) { SetU32(map_->reg_unix_time, seconds); }

  std::array<uint8_t, kTextBytes> Key() const;
  void SetKey(const std::array<uint8_t, kTextBytes>& key);

  // The transmit request, the logs and FIFO2 exist in the 4.00 layout only.
  // Fills the transmit request (address, data, length, trigger 1). The data area holds 40 bytes:
  // longer data would overwrite the length and trigger registers, so it is refused (false) and
  // nothing is changed.
  bool SetTransmitRequest(RfAddress address, std::span<const uint8_t> data);

  GwWriteLogHead WriteLogHead() const;
  GwWmbusHead WmbusHead() const;
  // The FIFO2 table up to its first index 0xFF, at most 32 entries.
  std::vector<GwFifo2Entry> Fifo2Table() const;

 private:
  const GatewayMap* map_;
  std::vector<uint16_t> words_;
};

// Registers that exist in a gateway of the version (register 1): the tool stops waiting for the
// ones at or above this. Version 0 (not known) and unlisted versions have the full map.
int MapSize(uint16_t version);

enum class GatewayLayout { kV400, kPre400 };

// The layout a stored blob holds, from its register 1 (see the top of this file). A blob too
// short to hold register 1 has no version and reads as the 4.00 layout.
GatewayLayout LayoutOf(std::span<const uint16_t> blob);

// True when a version reported by a gateway means firmware older than the 4.00 dialog handles
// (1..398). 0 is no version, never an older one.
constexpr bool IsOlderThanV400(uint16_t version) { return version >= 1 && version <= 398; }

// Converts a blob in the older layout to the 4.00 layout in place; every old register is read
// from a copy taken before the first change. Returns false and leaves the blob untouched when
// it is not in the older layout. Words past kWords are not touched; a shorter blob gets the
// converted words that fit.
bool ConvertPre400Image(std::span<uint16_t> blob);

// The way back, for a gateway found to run older firmware than its blob's layout: the first 50
// paired devices with their status and Modbus addresses, cache starts moved back by the 280
// registers the area moved (a start that would fall below 1 becomes 0), the unidirectional records,
// the captured values, clock, Unix time and key; registers 0-51 stay. Register 1 keeps its value,
// which the caller sets. Words past the older image are cleared up to the 4.00 image's end.
void ConvertToPre400Image(std::span<uint16_t> blob);

// Cache placement over a table of GwDeviceEntry words (4 per entry, back to back): keeps valid
// ranges in order, moves overlapping ones behind their predecessor, places new ones at the next
// free register, and clears MB_start of entries that are not cached (a free entry, address 0, is
// never cached: its cached bit is cleared too). A range is never placed past
// the end of the area: a cached entry whose range would not fit gets MB_start 0 and its cached
// bit cleared (MB_cnt stays, so the user can shrink it and cache it again). Returns the indices of
// those entries, in order; empty when everything fit.
std::vector<int> PlaceCache(std::span<uint16_t> table, CacheArea area);
inline std::vector<int> PlaceCache(GatewayImage& image) {
  return PlaceCache(image.DeviceTable(), image.map().cache);
}

// Cache compression: every cached entry is placed anew, back to back from the start of the area,
// with the same rule for entries that do not fit as PlaceCache.
std::vector<int> CompressCache(std::span<uint16_t> table, CacheArea area);
inline std::vector<int> CompressCache(GatewayImage& image) {
  return CompressCache(image.DeviceTable(), image.map().cache);
}

struct ModbusCollision {
  int first = 0;   // entry index, the lower one
  int second = 0;  // entry index
  uint8_t modbus_address = 0;
  RfAddress first_address = 0;
  RfAddress second_address = 0;
};

// The first pair of entries (i ascending, then j) with non-zero RF addresses that differ and the
// same non-zero Modbus address; nothing is changed. addresses and modbus are indexed by entry;
// entries past the shorter of the two are not looked at.
std::optional<ModbusCollision> FindModbusCollision(std::span<const RfAddress> addresses,
                                                   std::span<const uint8_t> modbus);
std::optional<ModbusCollision> FindModbusCollision(const GatewayImage& image);
// "Modbus address collision modbus address %d added to device 0x%08X and 0x%08X".
std::u16string CollisionMessage(const ModbusCollision& collision);

// The image "Default" makes from the working image: zeroed, identification 1293, the working
// version (400 when 0), Modbus address 1 at 115200 Bd, the working device id (1141 when 0), the
// working hardware number, name "RS485 Gateway", the kept value of registers 16-17, the default
// network password, frequency index 0 and RF power code 2.
GatewayImage DefaultGatewayImage(const GatewayImage& working);

}  // namespace corvane
