#include "sim/gateway_node.h"

#include <algorithm>

#include "link/messages.h"
#include "model/gateway_image.h"
#include "model/le.h"

namespace corvane::sim {
namespace {

using G = GatewayImage;

constexpr int kOldCacheFirst = 1754;
constexpr int kOldCacheEnd = 16090;

// Days since 1970-01-01 of a civil date, and back (proleptic Gregorian calendar).
int64_t DaysFromCivil(int y, int m, int d) {
  y -= m <= 2 ? 1 : 0;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
}

// Three-letter manufacturer code of a wireless M-Bus telegram: five bits per letter.
constexpr uint16_t Manufacturer(const char (&code)[4]) {
  return static_cast<uint16_t>(((code[0] - 64) << 10) | ((code[1] - 64) << 5) | (code[2] - 64));
}

void PutBcd(std::vector<uint8_t>& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) {
    out.push_back(static_cast<uint8_t>((value % 10) | ((value / 10 % 10) << 4)));
    value /= 100;
  }
}

// The meters heard on the wireless M-Bus side: manufacturer, serial, version, device type and
// how they send (CI-field; encrypted or not).
struct WmbusMeter {
  uint16_t manufacturer;
  uint32_t serial;
  uint8_t version;
  uint8_t device_type;  // 0x07 water, 0x04 heat, 0x03 gas, 0x02 electricity, 0x08 allocator
  uint8_t ci;           // 0x72 long header, 0x7A short header, 0x8D extended link layer
  bool encrypted;
};

constexpr std::array<WmbusMeter, 6> kWmbusMeters = {{
    {Manufacturer("KAM"), 67123401, 0x1B, 0x07, 0x7A, true},
    {Manufacturer("DME"), 43120587, 0x70, 0x07, 0x72, false},
    {Manufacturer("LUG"), 19870342, 0x0A, 0x04, 0x72, false},
    {Manufacturer("TCH"), 80554113, 0x94, 0x08, 0x8D, true},
    {Manufacturer("ZRI"), 31004410, 0x01, 0x03, 0x8D, false},
    {Manufacturer("ITW"), 55210076, 0x33, 0x02, 0x7A, false},
}};

}  // namespace

GatewayNode::Layout GatewayNode::LayoutFor(uint16_t firmware) {
  if (firmware < 400) {
    return {50,           52,    252,   1052,  1352,  1354, kOldCacheFirst,
            kOldCacheEnd, 18212, 19012, 19038, 19042, false};
  }
  return {G::kDevices,
          G::kRegDevices,
          G::kRegUniDevices,
          G::kRegDeviceStatus,
          G::kRegOutput,
          G::kRegCaptured,
          G::kRegCacheFirst,
          G::kRegCacheLast + 1,
          G::kRegUniStatus,
          G::kRegModbusTable,
          G::kRegClock,
          G::kRegUnixTime,
          true};
}

GatewayNode::GatewayNode(RfAddress address, const NodeSettings& settings, uint16_t firmware)
    : TableRoutingNode(address, settings, TableOf(LayoutFor(firmware))),
      layout_(LayoutFor(firmware)),
      firmware_(firmware) {}

int GatewayNode::map_size() const {
  if (older_layout()) {
    // The older map ends with the wireless M-Bus key, which firmware 3.12 brought.
    return registers()[G::kRegVersion] < kOlderKeyFirmware ? kPre400Map.reg_key : kPre400Map.words;
  }
  return std::min(MapSize(registers()[G::kRegVersion]), word_count());
}

void GatewayNode::SetBridge(RfAddress far_end, std::span<const uint8_t> modbus_addresses) {
  Reg(G::kRegBridgeAddress) = static_cast<uint16_t>(far_end);
  Reg(G::kRegBridgeAddress + 1) = static_cast<uint16_t>(far_end >> 16);
  for (uint8_t n : modbus_addresses) {
    Reg(G::kRegBridgeBits + n / 16) |= static_cast<uint16_t>(1u << (n % 16));
  }
}

bool GatewayNode::output_on() const { return (registers()[G::kRegIndicators] & 0x8000) != 0; }

void GatewayNode::InitRegisters() {
  RoutingNode::InitRegisters();
  Reg(G::kRegIdentification) = 1293;
  Reg(G::kRegVersion) = firmware_;
  // Modbus slave address 1 at 9600 baud (code 13), no parity, one stop bit.
  Reg(G::kRegModbusLine) = 0x0D01;
  Reg(G::kRegSerialFormat) = 0;
  Reg(G::kRegOwnAddress) = static_cast<uint16_t>(address());
  Reg(G::kRegOwnAddress + 1) = static_cast<uint16_t>(address() >> 16);
  if (!older_layout()) {
    Reg(G::kRegRfReinits) = static_cast<uint16_t>(random().Below(4));
    Reg(G::kRegModbusTimeout) = 1000;
    Reg(G::kRegAlarmLostTimeout) = 3600;
    for (int i = 0; i < G::kFifo2Entries; ++i) Reg(G::kRegFifo2Table + 2 * i) = 0x00FF;
    for (int i = 0; i < 8; ++i) Reg(G::kRegKey + i) = static_cast<uint16_t>(random().Next());
    ScheduleWmbus();
  } else if (firmware_ >= kOlderKeyFirmware) {
    for (int i = 0; i < 8; ++i)
      Reg(kPre400Map.reg_key + i) = static_cast<uint16_t>(random().Next());
  }
  Reg(layout_.reg_clock + 3) = 1;  // clock set
}

uint32_t GatewayNode::ClockNow() {
  return static_cast<uint32_t>(static_cast<int64_t>(UnixNow()) + clock_offset_);
}

void GatewayNode::UpdateLive() {
  RoutingNode::UpdateLive();
  // The clock runs by itself from whatever it was last set to.
  const uint32_t clock = ClockNow();
  int y = 0, m = 0, d = 0;
  CivilFromDays(clock / 86400, y, m, d);
  const uint32_t s = clock % 86400;
  Reg(layout_.reg_clock) = static_cast<uint16_t>((y - 2000) | (m << 8));
  Reg(layout_.reg_clock + 1) = static_cast<uint16_t>(d | ((s / 3600) << 8));
  Reg(layout_.reg_clock + 2) = static_cast<uint16_t>((s / 60 % 60) | ((s % 60) << 8));
  const auto unix_time = static_cast<uint32_t>(static_cast<int64_t>(UnixNow()) + unix_offset_);
  Reg(layout_.reg_unix) = static_cast<uint16_t>(unix_time);
  Reg(layout_.reg_unix + 1) = static_cast<uint16_t>(unix_time >> 16);
  if (!older_layout()) {
    Reg(G::kRegCpuTemperature) = static_cast<uint16_t>(3350 + random().Between(0, 180));
  }
}

std::span<uint16_t> GatewayNode::CacheArea() {
  return registers().subspan(static_cast<size_t>(layout_.cache_first),
                             static_cast<size_t>(layout_.cache_end - layout_.cache_first));
}

void GatewayNode::PlaceNewModbusAddress(int index) {
  // Modbus slave addresses from 2 on: the gateway itself is usually slave 1.
  const int byte = index;
  uint16_t& w = Reg(layout_.reg_modbus + byte / 2);
  const auto ma = static_cast<uint16_t>(index + 2);
  w = byte % 2 == 0 ? static_cast<uint16_t>((w & 0xFF00) | ma)
                    : static_cast<uint16_t>((w & 0x00FF) | (ma << 8));
}

bool GatewayNode::SetModbusAddress(RfAddress node, uint8_t modbus_address) {
  const int entry = EntryOf(node);
  if (entry < 0) return false;
  uint16_t& w = Reg(layout_.reg_modbus + entry / 2);
  w = entry % 2 == 0 ? static_cast<uint16_t>((w & 0xFF00) | modbus_address)
                     : static_cast<uint16_t>((w & 0x00FF) | (modbus_address << 8));
  return true;
}

bool GatewayNode::SetHub(RfAddress node, RfAddress hub) {
  const int entry = EntryOf(node);
  if (entry < 0) return false;
  hubs_[static_cast<size_t>(entry)] = hub;
  return true;
}

void GatewayNode::OnRouteChanged(int index) {
  if (index >= routes_seen_) {
    // Called by AddRoute: the gateway writes the new entry; later it never touches it again.
    routes_seen_ = index + 1;
    // The older layout has room for 50.
    if (PlaceNewEntry(index)) PlaceNewModbusAddress(index);
  }
  const Route& r = route(index);
  const int entry = EntryOf(r.address);
  if (entry < 0) return;  // the tool removed it from the table
  const int s = layout_.reg_status + 6 * entry;
  Reg(s) = static_cast<uint16_t>(r.last_heard);
  Reg(s + 1) = static_cast<uint16_t>(r.last_heard >> 16);
  const RfAddress hub = hubs_[static_cast<size_t>(entry)];
  Reg(s + 2) = static_cast<uint16_t>(hub);
  Reg(s + 3) = static_cast<uint16_t>(hub >> 16);
  // How the device hears the gateway: about as well, give or take a few dB.
  const int8_t back =
      r.last_heard == 0
          ? 0
          : static_cast<int8_t>(std::clamp(r.rssi + random().Between(-4, 4), -127, 0));
  Reg(s + 4) = static_cast<uint16_t>(static_cast<uint8_t>(r.rssi) << 8);
  // Read and write state bits set while the device has not answered since it was paired.
  const uint8_t state = r.last_heard == 0 ? 0x03 : 0x00;
  Reg(s + 5) = static_cast<uint16_t>(static_cast<uint8_t>(back) | (state << 8));
}

void GatewayNode::OnUnidirectionalChanged(int index) {
  if (index < uni_seen_) return;  // captures follow the register table (Overhear)
  uni_seen_ = index + 1;
  const UniEntry& e = unidirectional(index);
  const int entry = layout_.reg_uni + 4 * index;
  Reg(entry) = static_cast<uint16_t>(e.address);
  Reg(entry + 1) = static_cast<uint16_t>(e.address >> 16);
  Reg(entry + 2) = e.registers[0];
  Reg(entry + 3) = e.registers[1];
}

void GatewayNode::Overhear(const AirFrame& frame) {
  RoutingNode::Overhear(frame);
  const auto regs = registers();
  for (int i = 0; i < G::kUniDevices; ++i) {
    const int e = layout_.reg_uni + 4 * i;
    if (WordsToU32(regs[static_cast<size_t>(e)], regs[static_cast<size_t>(e + 1)]) ==
        frame.source) {
      CaptureUni(i, frame);
    }
  }
}

void GatewayNode::CaptureUni(int index, const AirFrame& frame) {
  const int e = layout_.reg_uni + 4 * index;
  const uint32_t now = UnixNow();
  ForEachMessage(frame.payload.data(), frame.length,
                 [&](uint8_t type, int size, const uint8_t* payload) {
                   if (!IsRegisterDataType(type) || size < 4) return;
                   const int first = GetU16(payload);
                   const bool block = IsRegisterBlockType(type);
                   const int count = block ? std::min<int>(payload[2], (size - 3) / 2) : 1;
                   const uint8_t* values = block ? payload + 3 : payload + 2;
                   for (int k = 0; k < 2; ++k) {
                     const uint16_t setting = Reg(e + 2 + k);
                     const int r = setting & GwUniEntry::kRegisterMask;
                     if (r < first || r >= first + count) continue;
                     const uint16_t value = GetU16(values + 2 * (r - first));
                     Reg(layout_.reg_captured + 2 * index + k) = value;
                     // The older firmware has no FIFOs: bit 15 means nothing there.
                     if (layout_.fifos && (setting & GwUniEntry::kFifoBit) != 0) {
                       PushWriteLog({frame.source, static_cast<uint16_t>(r), {value}});
                       AppendFifo2(index, value);
                     }
                   }
                 });
  const int s = layout_.reg_uni_status + 4 * index;
  Reg(s) = static_cast<uint16_t>(now);
  Reg(s + 1) = static_cast<uint16_t>(now >> 16);
  Reg(s + 2) = static_cast<uint8_t>(frame.link_rssi);
}

void GatewayNode::AppendFifo2(int entry, uint16_t value) {
  if (!fifo2_recording_ || fifo2_count_ >= G::kFifo2Entries) return;
  const uint32_t now = UnixNow();
  const auto tdif = static_cast<uint8_t>(std::min<uint32_t>(now - fifo2_last_, 255));
  fifo2_last_ = now;
  const int at = G::kRegFifo2Table + 2 * fifo2_count_;
  Reg(at) = static_cast<uint16_t>(entry | (tdif << 8));
  Reg(at + 1) = value;
  ++fifo2_count_;
  if (fifo2_count_ < G::kFifo2Entries) Reg(at + 2) = 0x00FF;
  Reg(G::kRegFifo2Control) = static_cast<uint16_t>(fifo2_count_);
}

void GatewayNode::PushWriteLog(LogEntry entry) {
  if (write_log_.size() >= kWriteLogQueue) write_log_.pop_front();
  write_log_.push_back(std::move(entry));
  if (Reg(G::kRegWriteLogCount) == 0) LoadWriteLogHead();
}

void GatewayNode::LoadWriteLogHead() {
  for (int i = 0; i < 8; ++i) Reg(G::kRegWriteLog + i) = 0;
  if (write_log_.empty()) return;
  const LogEntry e = std::move(write_log_.front());
  write_log_.pop_front();
  Reg(G::kRegWriteLog) = static_cast<uint16_t>(e.address);
  Reg(G::kRegWriteLog + 1) = static_cast<uint16_t>(e.address >> 16);
  Reg(G::kRegWriteLog + 2) = e.reg;
  for (size_t i = 0; i < e.values.size() && i < 4; ++i) {
    Reg(G::kRegWriteLog + 4 + static_cast<int>(i)) = e.values[i];
  }
  Reg(G::kRegWriteLogCount) = static_cast<uint16_t>(e.values.size());
}

void GatewayNode::ReceiveWmbus(std::vector<uint8_t> telegram, int8_t rssi) {
  if (!layout_.fifos) return;
  if (telegram.size() > static_cast<size_t>(G::kWmbusFrameBytes)) {
    telegram.resize(G::kWmbusFrameBytes);
  }
  if (wmbus_.size() >= kWmbusQueue) wmbus_.pop_front();
  wmbus_.push_back({UnixNow(), rssi, std::move(telegram)});
  if (!wmbus_head_loaded_) LoadWmbusHead();
}

void GatewayNode::LoadWmbusHead() {
  for (int r = G::kRegWmbusHead; r <= G::kRegWmbusStatus; ++r) Reg(r) = 0;
  wmbus_head_loaded_ = !wmbus_.empty();
  if (wmbus_.empty()) return;
  const WmbusFrame f = std::move(wmbus_.front());
  wmbus_.pop_front();
  Reg(G::kRegWmbusHead) = static_cast<uint16_t>(f.time);
  Reg(G::kRegWmbusHead + 1) = static_cast<uint16_t>(f.time >> 16);
  for (size_t i = 0; i < f.bytes.size(); ++i) {
    uint16_t& w = Reg(G::kRegWmbusFrame + static_cast<int>(i / 2));
    w = i % 2 == 0 ? static_cast<uint16_t>((w & 0xFF00) | f.bytes[i])
                   : static_cast<uint16_t>((w & 0x00FF) | (f.bytes[i] << 8));
  }
  Reg(G::kRegWmbusStatus) =
      static_cast<uint16_t>(f.bytes.size() | (static_cast<uint8_t>(f.rssi) << 8));
}

void GatewayNode::ScheduleWmbus() {
  const SimTime delay = 10000 + static_cast<SimTime>(random().Below(25000));
  context().At(context().Now() + delay, [this] {
    const int8_t rssi = static_cast<int8_t>(-55 - random().Between(0, 40));
    ReceiveWmbus(NextTelegram(), rssi);
    ScheduleWmbus();
  });
}

std::vector<uint8_t> GatewayNode::NextTelegram() {
  const WmbusMeter& m = kWmbusMeters[meter_counter_ % kWmbusMeters.size()];
  const uint32_t round = meter_counter_ / kWmbusMeters.size();
  ++meter_counter_;
  const auto access = static_cast<uint8_t>(meter_counter_);
  std::vector<uint8_t> t = {0, 0x44, static_cast<uint8_t>(m.manufacturer),
                            static_cast<uint8_t>(m.manufacturer >> 8)};
  PutBcd(t, m.serial, 4);
  t.push_back(m.version);
  t.push_back(m.device_type);
  t.push_back(m.ci);
  // Meter reading: grows every telegram (volume in litres, energy in kWh).
  const uint32_t reading = 12000 + (m.serial % 5000) + round * 7;
  std::vector<uint8_t> records = {0x0C, 0x13};  // 8-digit BCD, volume
  PutBcd(records, reading, 4);
  records.insert(records.end(), {0x04, 0x6D});  // date and time of the reading
  const uint32_t now = UnixNow();
  for (int i = 0; i < 4; ++i) records.push_back(static_cast<uint8_t>(now >> (8 * i)));
  records.insert(records.end(), {0x02, 0xFD, 0x17, 0x00, 0x00});  // error flags: none
  auto scramble = [&](std::vector<uint8_t>& bytes) {
    // What an AES-encrypted payload looks like without the key: whole 16-byte blocks of noise.
    bytes.resize((bytes.size() + 2 + 15) / 16 * 16);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random().Next());
  };
  if (m.ci == 0x8D) {
    t.push_back(0x20);  // communication control
    t.push_back(access);
    const uint32_t session = (m.encrypted ? 0x20000000u : 0u) | (round & 0x0FFFFFFF);
    for (int i = 0; i < 4; ++i) t.push_back(static_cast<uint8_t>(session >> (8 * i)));
    t.push_back(static_cast<uint8_t>(reading * 31));  // payload check
    t.push_back(static_cast<uint8_t>(reading * 17));
    if (m.encrypted) scramble(records);
  } else {
    if (m.ci == 0x72) {
      PutBcd(t, m.serial, 4);
      t.insert(t.end(), {static_cast<uint8_t>(m.manufacturer),
                         static_cast<uint8_t>(m.manufacturer >> 8), m.version, m.device_type});
    }
    t.push_back(access);
    t.push_back(0x00);  // status
    // Configuration word: mode 5 (AES with the meter's key) and the number of blocks.
    const size_t blocks = (records.size() + 2 + 15) / 16;
    t.push_back(m.encrypted ? static_cast<uint8_t>(blocks << 4) : 0x00);
    t.push_back(m.encrypted ? 0x05 : 0x00);
    if (m.encrypted) {
      scramble(records);
    }
  }
  t.insert(t.end(), records.begin(), records.end());
  t[0] = static_cast<uint8_t>(t.size() - 1);
  return t;
}

bool GatewayNode::Intercept(const AirFrame& frame) {
  if (replaying() || frame.kind == FrameKind::kAnswer) return RoutingNode::Intercept(frame);
  const int map = map_size();
  bool changed = false;
  bool pop_wmbus = false;
  MessageBuilder kept;
  MessageBuilder refused;
  ForEachMessage(frame.payload.data(), frame.length,
                 [&](uint8_t type, int length, const uint8_t* payload) {
                   if (type == MSG_REG_READ && length == 3) {
                     const int first = GetU16(payload);
                     const int count = payload[2];
                     const int head = wmbus_head_loaded_ ? (Reg(G::kRegWmbusStatus) & 0xFF) : 0;
                     if (layout_.fifos && head > 0 && first <= G::kRegWmbusHead &&
                         first + count >= G::kRegWmbusHead + (head + 5) / 2) {
                       pop_wmbus = true;  // the whole head frame is taken
                     }
                     if (first >= map) {
                       // No such registers: nothing answers.
                       changed = true;
                       return;
                     }
                     if (first + count > map) {
                       uint8_t cut[3] = {payload[0], payload[1], static_cast<uint8_t>(map - first)};
                       kept.Add(type, cut, 3);
                       changed = true;
                       return;
                     }
                   } else if (type == MSG_REG_WORD || type == MSG_REG_BLOCK) {
                     uint16_t first = 0;
                     int count = 0;
                     std::string problem;
                     if (ParseRegisterWrite(type, length, payload, first, count, problem) &&
                         first + count > map) {
                       refused.AddWriteAck(MSG_REG_WRITE_ACK, first, count, 1);
                       changed = true;
                       return;
                     }
                   }
                   kept.Add(type, payload, length);
                 });
  if (!changed && !pop_wmbus) return false;
  if (!kept.empty()) {
    AirFrame rest = frame;
    rest.length = 0;
    rest.Append(kept.data(), kept.length());
    Replay(rest);
  }
  if (!refused.empty()) {
    Transmit(frame.source, FrameKind::kAnswer, refused, settings_.rssi_at_dongle);
  }
  if (pop_wmbus) LoadWmbusHead();
  return true;
}

void GatewayNode::OnWritten(uint16_t first, int count) {
  const int end = first + count;
  auto covers = [&](int reg) { return first <= reg && reg < end; };
  auto overlaps = [&](int lo, int hi) { return first <= hi && lo < end; };
  if (CoversTable(first, count)) FollowTable();
  if (covers(layout_.reg_output)) {
    uint16_t& command = Reg(layout_.reg_output);
    uint16_t& indicators = Reg(G::kRegIndicators);
    if ((command & G::kOutputOnBit) != 0) indicators |= 0x8000;
    if ((command & G::kOutputOffBit) != 0) indicators &= 0x7FFF;
    command = 0;  // the command is carried out
  }
  if (overlaps(layout_.reg_clock, layout_.reg_clock + 2)) {
    const uint16_t* c = &Reg(layout_.reg_clock);
    const int y = 2000 + (c[0] & 0xFF), mo = c[0] >> 8, d = c[1] & 0xFF;
    const int h = c[1] >> 8, mi = c[2] & 0xFF, s = c[2] >> 8;
    if (mo >= 1 && mo <= 12 && d >= 1 && d <= 31 && h < 24 && mi < 60 && s < 60) {
      const int64_t set = DaysFromCivil(y, mo, d) * 86400 + h * 3600 + mi * 60 + s;
      clock_offset_ = set - static_cast<int64_t>(UnixNow());
    }
  }
  if (overlaps(layout_.reg_unix, layout_.reg_unix + 1)) {
    unix_offset_ =
        static_cast<int64_t>(WordsToU32(Reg(layout_.reg_unix), Reg(layout_.reg_unix + 1))) -
        static_cast<int64_t>(UnixNow());
  }
  if (!layout_.fifos) return;
  if (covers(G::kRegWriteLogCount) && Reg(G::kRegWriteLogCount) == 0) LoadWriteLogHead();
  if (covers(G::kRegFifo2Control) && (Reg(G::kRegFifo2Control) & G::kFifo2Start) != 0) {
    fifo2_recording_ = true;
    fifo2_count_ = 0;
    fifo2_last_ = UnixNow();
    Reg(G::kRegFifo2Table) = 0x00FF;
    Reg(G::kRegFifo2Control) = 0;
  }
  if (covers(G::kRegTxTrigger) && Reg(G::kRegTxTrigger) == 1) TakeTransmitRequest();
}

void GatewayNode::TakeTransmitRequest() {
  Reg(G::kRegTxTrigger) = 0;  // taken
  const int length = Reg(G::kRegTxLength);
  if (length > G::kTxDataBytes) return;  // longer than the data area: refused
  Transmitted t;
  t.to = WordsToU32(Reg(G::kRegTxAddress), Reg(G::kRegTxAddress + 1));
  for (int i = 0; i < length; ++i) {
    const uint16_t w = Reg(G::kRegTxData + i / 2);
    t.data.push_back(static_cast<uint8_t>(i % 2 == 0 ? w : w >> 8));
  }
  if (t.to == 0) return;
  MessageBuilder messages;
  // Only whole messages go on the air; the node would not make sense of anything else.
  const bool whole =
      ForEachMessage(t.data.data(), length,
                     [&](uint8_t type, int n, const uint8_t* p) { messages.Add(type, p, n); });
  if (whole && !messages.empty()) Transmit(t.to, FrameKind::kForward, messages, 0);
  transmitted_.push_back(std::move(t));
}

// ---------------------------------------------------------------------------------------------

MeterNode::MeterNode(RfAddress address, const NodeSettings& settings) : SimNode(address, settings) {
  base_ = static_cast<uint32_t>(100000 + random().Below(900000));
  flow_ = 20 + static_cast<int>(random().Below(200));
}

void MeterNode::UpdateLive() {
  SimNode::UpdateLive();
  const uint32_t litres =
      base_ + static_cast<uint32_t>(static_cast<int64_t>(uptime_seconds()) * flow_ / 3600);
  word(0) = static_cast<uint16_t>(litres);
  word(1) = static_cast<uint16_t>(litres >> 16);
  word(2) = static_cast<uint16_t>(flow_ + random().Between(-5, 5));
}

void MeterNode::BuildStatus(MessageBuilder& status) {
  status.AddRegisters(MSG_REG_BLOCK_82, MSG_REG_WORD_84, 0, &word(0), 3);
}

}  // namespace corvane::sim
