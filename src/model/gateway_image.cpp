#include "model/gateway_image.h"

#include <algorithm>
#include <cstdio>

#include "model/le.h"
#include "model/radio_settings.h"

namespace corvane {

namespace {

uint8_t ByteAt(std::span<const uint16_t> words, size_t i) {
  const uint16_t w = words[i / 2];
  return (i % 2) == 0 ? LowByte(w) : HighByte(w);
}

void SetByteAt(std::span<uint16_t> words, size_t i, uint8_t b) {
  uint16_t& w = words[i / 2];
  w = (i % 2) == 0 ? static_cast<uint16_t>((w & 0xFF00) | b)
                   : static_cast<uint16_t>((w & 0x00FF) | (b << 8));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Records

GwDeviceEntry GwDeviceEntry::FromWords(std::span<const uint16_t> words) {
  GwDeviceEntry e;
  e.address = WordsToU32(words[0], words[1]);
  e.mb_start = words[2];
  e.flags = words[3];
  return e;
}

void GwDeviceEntry::ToWords(std::span<uint16_t> words) const {
  words[0] = static_cast<uint16_t>(address);
  words[1] = static_cast<uint16_t>(address >> 16);
  words[2] = mb_start;
  words[3] = flags;
}

GwDeviceStatus GwDeviceStatus::FromWords(std::span<const uint16_t> words) {
  GwDeviceStatus s;
  s.last_comm = WordsToU32(words[0], words[1]);
  s.hub = WordsToU32(words[2], words[3]);
  s.spare = LowByte(words[4]);
  s.rssi_dev_to_gw = static_cast<int8_t>(HighByte(words[4]));
  s.rssi_gw_to_dev = static_cast<int8_t>(LowByte(words[5]));
  s.state = HighByte(words[5]);
  return s;
}

GwUniEntry GwUniEntry::FromWords(std::span<const uint16_t> words) {
  GwUniEntry e;
  e.address = WordsToU32(words[0], words[1]);
  e.reg = {words[2], words[3]};
  return e;
}

void GwUniEntry::ToWords(std::span<uint16_t> words) const {
  words[0] = static_cast<uint16_t>(address);
  words[1] = static_cast<uint16_t>(address >> 16);
  words[2] = reg[0];
  words[3] = reg[1];
}

GwUniStatus GwUniStatus::FromWords(std::span<const uint16_t> words) {
  GwUniStatus s;
  s.last_reception = WordsToU32(words[0], words[1]);
  s.rssi = static_cast<int8_t>(LowByte(words[2]));
  return s;
}

// ---------------------------------------------------------------------------------------------
// The image

GatewayImage::GatewayImage(const GatewayMap& map)
    : map_(&map), words_(static_cast<size_t>(map.words), 0) {}

GatewayImage::GatewayImage(std::span<const uint16_t> words, const GatewayMap& map)
    : map_(&map), words_(static_cast<size_t>(map.words), 0) {
  std::copy_n(words.begin(), std::min(words.size(), words_.size()), words_.begin());
}

uint32_t GatewayImage::U32(int reg) const { return WordsToU32(Word(reg), Word(reg + 1)); }

void GatewayImage::SetU32(int reg, uint32_t value) {
  SetWord(reg, static_cast<uint16_t>(value));
  SetWord(reg + 1, static_cast<uint16_t>(value >> 16));
}

std::vector<uint8_t> GatewayImage::Bytes(int reg, int count) const {
  const auto field = words().subspan(static_cast<size_t>(reg));
  std::vector<uint8_t> out(static_cast<size_t>(count));
  for (size_t i = 0; i < out.size(); ++i) out[i] = ByteAt(field, i);
  return out;
}

void GatewayImage::SetBytes(int reg, int field_bytes, std::span<const uint8_t> bytes) {
  const auto field = words().subspan(static_cast<size_t>(reg));
  for (size_t i = 0; i < static_cast<size_t>(field_bytes); ++i) {
    SetByteAt(field, i, i < bytes.size() ? bytes[i] : 0);
  }
}

GwDeviceEntry GatewayImage::Device(int i) const {
  return GwDeviceEntry::FromWords(words().subspan(map_->reg_devices + GwDeviceEntry::kWords * i));
}

void GatewayImage::SetDevice(int i, const GwDeviceEntry& entry) {
  entry.ToWords(words().subspan(map_->reg_devices + GwDeviceEntry::kWords * i));
}

GwDeviceStatus GatewayImage::DeviceStatus(int i) const {
  return GwDeviceStatus::FromWords(
      words().subspan(map_->reg_device_status + GwDeviceStatus::kWords * i));
}

GwUniEntry GatewayImage::UniDevice(int i) const {
  return GwUniEntry::FromWords(words().subspan(map_->reg_uni_devices + GwUniEntry::kWords * i));
}

void GatewayImage::SetUniDevice(int i, const GwUniEntry& entry) {
  entry.ToWords(words().subspan(map_->reg_uni_devices + GwUniEntry::kWords * i));
}

GwUniStatus GatewayImage::UniStatus(int i) const {
  return GwUniStatus::FromWords(words().subspan(map_->reg_uni_status + GwUniStatus::kWords * i));
}

uint8_t GatewayImage::ModbusAddress(int i) const {
  return ByteAt(words().subspan(map_->reg_modbus_table), static_cast<size_t>(i));
}

void GatewayImage::SetModbusAddress(int i, uint8_t address) {
  SetByteAt(words().subspan(map_->reg_modbus_table), static_cast<size_t>(i), address);
}

std::vector<RfAddress> GatewayImage::DeviceAddresses() const {
  std::vector<RfAddress> out(static_cast<size_t>(map_->devices));
  for (int i = 0; i < map_->devices; ++i)
    out[i] = U32(map_->reg_devices + GwDeviceEntry::kWords * i);
  return out;
}

std::vector<uint8_t> GatewayImage::ModbusAddresses() const {
  return Bytes(map_->reg_modbus_table, map_->devices);
}

GwClock GatewayImage::Clock() const {
  const std::vector<uint8_t> b = Bytes(map_->reg_clock, 8);
  return {b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7]};
}

void GatewayImage::SetClock(const GwClock& c) {
  const uint8_t b[8] = {c.year, c.month, c.day, c.hour, c.minute, c.second, c.set_flag, c.spare};
  SetBytes(map_->reg_clock, 8, b);
}

std::array<uint8_t, GatewayImage::kTextBytes> GatewayImage::Key() const {
  std::array<uint8_t, kTextBytes> out{};
  for (size_t i = 0; i < out.size(); ++i) out[i] = ByteAt(words().subspan(map_->reg_key), i);
  return out;
}

void GatewayImage::SetKey(const std::array<uint8_t, kTextBytes>& key) {
  SetBytes(map_->reg_key, kTextBytes, key);
}

bool GatewayImage::SetTransmitRequest(RfAddress address, std::span<const uint8_t> data) {
  if (data.size() > static_cast<size_t>(kTxDataBytes)) return false;
  SetU32(kRegTxAddress, address);
  SetBytes(kRegTxData, kTxDataBytes, data);
  SetWord(kRegTxLength, static_cast<uint16_t>(data.size()));
  SetWord(kRegTxTrigger, 1);
  return true;
}

GwWriteLogHead GatewayImage::WriteLogHead() const {
  GwWriteLogHead h;
  h.address = U32(kRegWriteLog);
  h.reg = Word(kRegWriteLog + 2);
  h.count = Word(kRegWriteLogCount);
  const int n = std::min<int>(h.count, kWriteLogValues);
  for (int i = 0; i < n; ++i) h.values.push_back(Word(kRegWriteLogCount + 1 + i));
  return h;
}

GwWmbusHead GatewayImage::WmbusHead() const {
  GwWmbusHead h;
  h.time = U32(kRegWmbusHead);
  h.length = LowByte(Word(kRegWmbusStatus));
  h.rssi = static_cast<int8_t>(HighByte(Word(kRegWmbusStatus)));
  // The length byte can claim up to 255 bytes; only what lies before the status register is
  // frame data, the rest of the image is not.
  h.frame = Bytes(kRegWmbusFrame, std::min<int>(h.length, kWmbusFrameBytes));
  return h;
}

std::vector<GwFifo2Entry> GatewayImage::Fifo2Table() const {
  std::vector<GwFifo2Entry> out;
  for (int k = 0; k < kFifo2Entries; ++k) {
    const uint16_t head = Word(kRegFifo2Table + 2 * k);
    if (LowByte(head) == 0xFF) break;
    out.push_back({LowByte(head), HighByte(head), Word(kRegFifo2Table + 2 * k + 1)});
  }
  return out;
}

// ---------------------------------------------------------------------------------------------
// Versions and layouts

int MapSize(uint16_t version) {
  if (version >= 310 && version <= 311) return 19044;
  if (version >= 400 && version <= 402) return 19346;
  if (version >= 403 && version <= 406) return 19370;
  if (version == 407) return 19468;
  if (version >= 408 && version <= 422) return 19500;
  if (version == 423) return 19600;
  return GatewayImage::kWords;
}

GatewayLayout LayoutOf(std::span<const uint16_t> blob) {
  const uint16_t version = blob.size() > 1 ? blob[GatewayImage::kRegVersion] : 0;
  return (version >= 1 && version <= 399) ? GatewayLayout::kPre400 : GatewayLayout::kV400;
}

namespace {

// Register numbers of the older layout.
constexpr int kOldDevices = kPre400Map.devices;
constexpr int kOldRegDevices = kPre400Map.reg_devices;
constexpr int kOldRegUniDevices = kPre400Map.reg_uni_devices;
constexpr int kOldRegDeviceStatus = kPre400Map.reg_device_status;
constexpr int kOldRegOutput = kPre400Map.reg_output;
constexpr int kOldRegUniStatus = kPre400Map.reg_uni_status;
constexpr int kOldRegModbusTable = kPre400Map.reg_modbus_table;
constexpr int kOldRegClock = kPre400Map.reg_clock;  // clock (4 registers), then the Unix time (2)
constexpr int kOldRegKey = kPre400Map.reg_key;
// The old cache area started at 1754, the new one at 2034.
constexpr int kCacheShift = kV400Map.cache.first - kPre400Map.cache.first;

void Move(const GatewayImage& from, int from_reg, GatewayImage& to, int to_reg, int count) {
  const auto src = from.words().subspan(static_cast<size_t>(from_reg), static_cast<size_t>(count));
  std::copy(src.begin(), src.end(), to.words().begin() + to_reg);
}

void Clear(GatewayImage& image, int first, int last) {
  std::fill(image.words().begin() + first, image.words().begin() + last + 1, uint16_t{0});
}

}  // namespace

bool ConvertPre400Image(std::span<uint16_t> blob) {
  if (LayoutOf(blob) != GatewayLayout::kPre400) return false;
  using G = GatewayImage;
  // Every old register is read from this copy: the new layout overlaps the old one, and moving in
  // place would clear or overwrite old records before they are moved.
  const GatewayImage old(blob);
  // Registers the conversion does not name (0-51 among them) stay as they were.
  GatewayImage out(old);

  Clear(out, G::kRegDevices, G::kRegUniDevices - 1);
  Move(old, kOldRegDevices, out, G::kRegDevices, kOldDevices * GwDeviceEntry::kWords);
  for (int i = 0; i < kOldDevices; ++i) {
    GwDeviceEntry e = out.Device(i);
    if (e.address != 0 && e.mb_start != 0) {
      e.mb_start = static_cast<uint16_t>(e.mb_start + kCacheShift);
      out.SetDevice(i, e);
    }
  }

  Move(old, kOldRegUniDevices, out, G::kRegUniDevices, G::kUniDevices * GwUniEntry::kWords);

  Clear(out, G::kRegDeviceStatus, G::kRegOutput - 1);
  Move(old, kOldRegDeviceStatus, out, G::kRegDeviceStatus, kOldDevices * GwDeviceStatus::kWords);

  out.SetWord(G::kRegOutput, old.Word(kOldRegOutput));
  Clear(out, G::kRegCaptured, G::kRegWmbusStatus);
  Clear(out, G::kRegWriteLog, G::kRegUniStatus - 1);

  Move(old, kOldRegUniStatus, out, G::kRegUniStatus, G::kUniDevices * GwUniStatus::kWords);

  // The 50 old Modbus addresses; entries 50..77 were cleared above, so their addresses go too
  // (whatever the blob held there would otherwise stick to the next device put there).
  for (int i = 0; i < G::kDevices; ++i) {
    const uint8_t address =
        i < kOldDevices ? ByteAt(old.words().subspan(kOldRegModbusTable), static_cast<size_t>(i))
                        : 0;
    out.SetModbusAddress(i, address);
  }

  Move(old, kOldRegClock, out, G::kRegClock, 6);
  Move(old, kOldRegKey, out, G::kRegKey, G::kTextBytes / 2);
  out.SetWord(G::kRegVersion, 400);

  std::copy_n(out.words().begin(), std::min(blob.size(), out.words().size()), blob.begin());
  return true;
}

void ConvertToPre400Image(std::span<uint16_t> blob) {
  const GatewayImage from(blob, kV400Map);
  // Starts as a copy, so the registers both layouts share (0-51) stay.
  GatewayImage to(blob, kPre400Map);
  const GatewayMap& f = kV400Map;
  const GatewayMap& t = kPre400Map;
  std::fill(to.words().begin() + t.reg_devices, to.words().end(), uint16_t{0});
  auto move = [&](int from_reg, int to_reg, int count) {
    std::copy_n(from.words().begin() + from_reg, count, to.words().begin() + to_reg);
  };
  move(f.reg_devices, t.reg_devices, t.devices * GwDeviceEntry::kWords);
  for (int i = 0; i < t.devices; ++i) {
    GwDeviceEntry e = to.Device(i);
    if (e.address == 0 || e.mb_start == 0) continue;
    // A start inside the one area lands inside the other, one outside stays outside, where the
    // dialog's cache placement finds it; only a start below the shift is dropped.
    e.mb_start = e.mb_start > kCacheShift ? static_cast<uint16_t>(e.mb_start - kCacheShift) : 0;
    to.SetDevice(i, e);
  }
  for (int i = 0; i < t.devices; ++i) to.SetModbusAddress(i, from.ModbusAddress(i));
  move(f.reg_uni_devices, t.reg_uni_devices, GatewayImage::kUniDevices * GwUniEntry::kWords);
  move(f.reg_device_status, t.reg_device_status, t.devices * GwDeviceStatus::kWords);
  to.SetWord(t.reg_output, from.Word(f.reg_output));
  move(f.reg_captured, t.reg_captured, 2 * GatewayImage::kUniDevices);
  move(f.reg_uni_status, t.reg_uni_status, GatewayImage::kUniDevices * GwUniStatus::kWords);
  move(f.reg_clock, t.reg_clock, 4);
  move(f.reg_unix_time, t.reg_unix_time, 2);
  move(f.reg_key, t.reg_key, GatewayImage::kTextBytes / 2);

  const auto old_words = static_cast<std::ptrdiff_t>(std::min(blob.size(), to.words().size()));
  std::copy_n(to.words().begin(), old_words, blob.begin());
  // What lies past the older image means nothing in it.
  std::fill(blob.begin() + old_words,
            blob.begin() +
                static_cast<std::ptrdiff_t>(std::min<size_t>(blob.size(), GatewayImage::kWords)),
            uint16_t{0});
}

// ---------------------------------------------------------------------------------------------
// Cache placement and the collision check

namespace {

// Puts entry e at start when its range fits the area, else leaves it uncached and unplaced.
// Returns whether it fit.
bool Place(GwDeviceEntry& e, int start, CacheArea area) {
  // MB_start is a 16-bit register number: no range may start beyond register 65535.
  const int end = std::min(area.end, 0xFFFF);
  if (start + e.MbCount() <= end) {
    e.mb_start = static_cast<uint16_t>(start);
    return true;
  }
  e.mb_start = 0;
  e.SetCached(false);
  return false;
}

template <typename Rule>
std::vector<int> PlaceEntries(std::span<uint16_t> table, Rule start_of) {
  std::vector<int> unfit;
  const size_t entries = table.size() / GwDeviceEntry::kWords;
  for (size_t i = 0; i < entries; ++i) {
    const auto words = table.subspan(i * GwDeviceEntry::kWords, GwDeviceEntry::kWords);
    GwDeviceEntry e = GwDeviceEntry::FromWords(words);
    // A freed entry (address 0) holds no device and so no copy: it keeps no cache space that a
    // real device after it would then miss.
    if (e.address == 0) e.SetCached(false);
    if (!e.Cached()) {
      e.mb_start = 0;
    } else if (!start_of(e)) {
      unfit.push_back(static_cast<int>(i));
    }
    e.ToWords(words);
  }
  return unfit;
}

}  // namespace

std::vector<int> PlaceCache(std::span<uint16_t> table, CacheArea area) {
  int next = area.first;
  return PlaceEntries(table, [&](GwDeviceEntry& e) {
    const int n = e.MbCount();
    const int start = e.mb_start;
    const bool valid = start != 0 && start >= area.first && start + n <= area.end;
    // A valid range stays, unless an earlier one already covers its start: then it follows that.
    if (!Place(e, valid ? std::max(start, next) : next, area)) return false;
    next = e.mb_start + n;
    return true;
  });
}

std::vector<int> CompressCache(std::span<uint16_t> table, CacheArea area) {
  int next = area.first;
  return PlaceEntries(table, [&](GwDeviceEntry& e) {
    if (!Place(e, next, area)) return false;
    next += e.MbCount();
    return true;
  });
}

std::optional<ModbusCollision> FindModbusCollision(std::span<const RfAddress> addresses,
                                                   std::span<const uint8_t> modbus) {
  const size_t n = std::min(addresses.size(), modbus.size());
  for (size_t i = 0; i < n; ++i) {
    if (addresses[i] == 0 || modbus[i] == 0) continue;
    for (size_t j = 0; j < n; ++j) {
      if (modbus[j] == modbus[i] && addresses[j] != 0 && addresses[j] != addresses[i]) {
        return ModbusCollision{static_cast<int>(i), static_cast<int>(j), modbus[i], addresses[i],
                               addresses[j]};
      }
    }
  }
  return std::nullopt;
}

std::optional<ModbusCollision> FindModbusCollision(const GatewayImage& image) {
  return FindModbusCollision(image.DeviceAddresses(), image.ModbusAddresses());
}

std::u16string CollisionMessage(const ModbusCollision& c) {
  char text[96];
  std::snprintf(text, sizeof text,
                "Modbus address collision modbus address %d added to device 0x%08X and 0x%08X",
                c.modbus_address, static_cast<unsigned>(c.first_address),
                static_cast<unsigned>(c.second_address));
  return std::u16string(text, text + std::char_traits<char>::length(text));
}

// ---------------------------------------------------------------------------------------------
// Default image

GatewayImage DefaultGatewayImage(const GatewayImage& working) {
  using G = GatewayImage;
  GatewayImage d;
  d.SetWord(G::kRegIdentification, 1293);
  d.SetWord(G::kRegVersion, working.Version() != 0 ? working.Version() : uint16_t{400});
  d.SetWord(G::kRegModbusLine, 0x1101);
  const uint16_t id = working.Word(G::kRegDeviceId);
  d.SetWord(G::kRegDeviceId, id != 0 ? id : uint16_t{1141});
  d.SetWord(G::kRegHardware, working.Word(G::kRegHardware));
  static constexpr std::string_view kName = "RS485 Gateway";
  d.SetBytes(G::kRegName, G::kTextBytes,
             {reinterpret_cast<const uint8_t*>(kName.data()), kName.size()});
  d.SetU32(G::kRegKeptValue, working.U32(G::kRegKeptValue));
  std::array<uint8_t, G::kTextBytes> password{};
  for (size_t i = 0; i < password.size() && i < kDefaultNetworkPassword.size(); ++i) {
    password[i] = static_cast<uint8_t>(kDefaultNetworkPassword[i]);
  }
  d.SetBytes(G::kRegPassword, G::kTextBytes, password);
  d.SetWord(G::kRegRadio, 0x0200);
  return d;
}

}  // namespace corvane
