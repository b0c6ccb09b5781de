// Gatrix gateways (0x008, 0x015, 0x016, 0x018) and the transmit-only meters they capture.
//
// A gateway is a routing node whose tables are its register map: the paired-device entries, their
// status records and Modbus addresses, the unidirectional entries with their captured values and
// status, the cache area holding the copies of cached devices, the clock, the output, the
// register-write log, FIFO2, the wireless M-Bus frame FIFO and the transmit request. The register
// numbers are those of GatewayImage for firmware 4.00 and later; an older gateway (3.05 to 3.12)
// keeps the older layout (50 paired devices, smaller tables, no FIFOs). Registers at or above the
// map size of the firmware version do not exist: reads of them go unanswered, writes to them are
// refused.
//
// The register map is the truth: what the tool writes into the tables is what the gateway works
// with from then on (which registers of a unidirectional device it captures and logs, where a
// cached copy lives); the gateway itself only adds entries when a device is paired.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <vector>

#include "sim/routing_node.h"

namespace corvane::sim {

class GatewayNode : public TableRoutingNode {
 public:
  // One firmware per generation of the register map (MapSize changes between them).
  // Before 4.00: 3.05 (too old for the tool), 3.10 and 3.11 without the wireless M-Bus key, 3.12
  // with it.
  static constexpr std::array<uint16_t, 10> kGenerations = {305, 310, 311, 312, 400,
                                                            403, 407, 410, 423, 424};
  static constexpr uint16_t kOlderKeyFirmware = 312;
  static constexpr uint16_t kDefaultFirmware = 410;
  static constexpr int kCacheAreaFirst = 2034;
  static constexpr int kCacheAreaEnd = 16370;
  // Frames the wireless M-Bus FIFO holds behind its head; older ones are dropped when it is full.
  static constexpr size_t kWmbusQueue = 16;
  static constexpr size_t kWriteLogQueue = 64;

  GatewayNode(RfAddress address, const NodeSettings& settings,
              uint16_t firmware = kDefaultFirmware);
  const char* family() const override { return "gateway"; }

  // Registers that exist in this gateway, from the firmware version it runs now.
  int map_size() const;
  bool older_layout() const { return layout_.devices < 78; }

  // Modbus address and hub of a paired device (after AddRoute). False when it is not paired.
  bool SetModbusAddress(RfAddress node, uint8_t modbus_address);
  bool SetHub(RfAddress node, RfAddress hub);
  // The Modbus bridge (firmware 4.24): requests for the listed Modbus slave addresses go to the
  // gateway `far_end` over the radio.
  void SetBridge(RfAddress far_end, std::span<const uint8_t> modbus_addresses);
  // Output state (register 31 high byte bit 7).
  bool output_on() const;
  // Frames put on the air by transmit requests: destination and data.
  struct Transmitted {
    RfAddress to = 0;
    std::vector<uint8_t> data;
  };
  const std::vector<Transmitted>& transmitted() const { return transmitted_; }
  // Frames waiting behind the head of the wireless M-Bus FIFO, and write-log entries behind the
  // head of the write log.
  size_t wmbus_waiting() const { return wmbus_.size(); }
  size_t write_log_waiting() const { return write_log_.size(); }
  // Puts a telegram into the wireless M-Bus FIFO now (received with `rssi`).
  void ReceiveWmbus(std::vector<uint8_t> telegram, int8_t rssi);

  void Overhear(const AirFrame& frame) override;

 protected:
  void InitRegisters() override;
  void UpdateLive() override;
  bool Intercept(const AirFrame& frame) override;
  void OnWritten(uint16_t first, int count) override;
  std::span<uint16_t> CacheArea() override;
  void OnRouteChanged(int index) override;
  void OnUnidirectionalChanged(int index) override;

 private:
  // Where the tables are: the 4.00 layout of GatewayImage, or the older one.
  struct Layout {
    int devices;
    int reg_devices;
    int reg_uni;
    int reg_status;
    int reg_output;
    int reg_captured;
    int cache_first;
    int cache_end;
    int reg_uni_status;
    int reg_modbus;
    int reg_clock;
    int reg_unix;
    bool fifos;  // write log, FIFO2, wireless M-Bus FIFO, transmit request
  };
  struct LogEntry {
    RfAddress address = 0;
    uint16_t reg = 0;
    std::vector<uint16_t> values;
  };
  static Layout LayoutFor(uint16_t firmware);
  static Table TableOf(const Layout& l) {
    return {l.reg_devices, l.devices, l.cache_first, l.cache_end};
  }
  // The Modbus address of a new entry: from 2 on, the gateway itself is usually slave 1.
  void PlaceNewModbusAddress(int index);
  void CaptureUni(int entry, const AirFrame& frame);
  void AppendFifo2(int entry, uint16_t value);
  void PushWriteLog(LogEntry entry);
  void LoadWriteLogHead();
  void LoadWmbusHead();
  void ScheduleWmbus();
  std::vector<uint8_t> NextTelegram();
  void TakeTransmitRequest();
  uint32_t ClockNow();
  uint16_t& Reg(int reg) { return word(reg); }

  Layout layout_;
  uint16_t firmware_;
  int routes_seen_ = 0;
  int uni_seen_ = 0;
  std::array<RfAddress, kMaxRoutes> hubs_{};
  int64_t clock_offset_ = 3600;  // device clock ahead of UTC: the building's local time
  int64_t unix_offset_ = 0;
  bool fifo2_recording_ = false;
  uint32_t fifo2_last_ = 0;
  int fifo2_count_ = 0;
  std::deque<LogEntry> write_log_;
  struct WmbusFrame {
    uint32_t time = 0;
    int8_t rssi = 0;
    std::vector<uint8_t> bytes;
  };
  std::deque<WmbusFrame> wmbus_;
  bool wmbus_head_loaded_ = false;
  uint32_t meter_counter_ = 0;
  std::vector<Transmitted> transmitted_;
};

// A transmit-only meter: registers 0-1 a consumption counter (litres, low word first) that grows
// while it runs, register 2 the flow in litres per hour; it transmits them periodically.
class MeterNode : public SimNode {
 public:
  MeterNode(RfAddress address, const NodeSettings& settings);
  const char* family() const override { return "meter"; }
  bool listens() const override { return false; }

 protected:
  void UpdateLive() override;
  void BuildStatus(MessageBuilder& status) override;

 private:
  uint32_t base_ = 0;
  int flow_ = 0;
};

}  // namespace corvane::sim
