// The fan-coil controller (0x001): a routing node for up to 8 paired room units whose tables are
// its register map (entries, status records, Modbus addresses and input numbers at the registers
// FanCoilImage names; cached copies in registers 218-14553, answered at 4000 + n), with a
// regulator that drives a heating and a cooling valve and a fan of up to three speeds from the
// actual temperature and the two setpoints, and a room that warms and cools with it. Its presence
// and window inputs change now and then; it receives wireless M-Bus frames into a FIFO whose head
// it shows at registers 16610-16674 and drops once the tool has read it.
//
// The register map is the truth: what the tool writes (the regulator's configuration, the manual
// control values, the paired-device table) is what the controller works with from then on.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <utility>
#include <vector>

#include "model/fan_coil_image.h"
#include "sim/routing_node.h"

namespace corvane::sim {

class FanCoilNode : public TableRoutingNode {
 public:
  static constexpr uint16_t kFirmware = 312;
  static constexpr size_t kWmbusQueue = 8;

  FanCoilNode(RfAddress address, const NodeSettings& settings);
  const char* family() const override { return "fan-coil"; }

  // The room's temperature in hundredths of a degree, as the controller's own sensor has it.
  int room_temperature() const { return static_cast<int>(room_ * 100); }
  // The raw states of the two digital inputs (before the DI options).
  bool presence_input() const { return presence_raw_; }
  bool window_input() const { return window_raw_; }
  void SetInputs(bool presence, bool window) {
    presence_raw_ = presence;
    window_raw_ = window;
  }
  // Every write the controller took, as (first register, count), in order.
  const std::vector<std::pair<int, int>>& writes() const { return writes_; }
  void ForgetWrites() { writes_.clear(); }
  size_t wmbus_waiting() const { return wmbus_.size(); }
  // Puts a telegram into the wireless M-Bus FIFO now (received with `rssi`).
  void ReceiveWmbus(std::vector<uint8_t> telegram, int8_t rssi);

 protected:
  void InitRegisters() override;
  void UpdateLive() override;
  bool Intercept(const AirFrame& frame) override;
  void OnWritten(uint16_t first, int count) override;
  std::span<uint16_t> CacheArea() override;
  void OnRouteChanged(int index) override;

 private:
  struct WmbusFrame {
    uint32_t time = 0;
    int8_t rssi = 0;
    std::vector<uint8_t> bytes;
  };

  void Regulate(const FanCoilImage& config, double seconds);
  void ScheduleInputs();
  void ScheduleWmbus();
  void LoadWmbusHead();
  std::vector<uint8_t> NextTelegram();
  uint16_t& Reg(int reg) { return word(reg); }

  int routes_seen_ = 0;
  SimTime regulated_at_ = 0;
  double room_ = 19.0;  // degrees
  double integral_heat_ = 0;
  double integral_cool_ = 0;
  double previous_error_ = 0;
  bool cooling_mode_ = false;     // a 2-pipe unit either heats or cools
  double mode_held_seconds_ = 0;  // since the last change-over
  bool presence_raw_ = true;
  bool window_raw_ = false;
  int64_t clock_offset_ = 3600;  // device clock ahead of UTC: the building's local time
  int64_t unix_offset_ = 0;
  std::deque<WmbusFrame> wmbus_;
  bool wmbus_head_loaded_ = false;
  uint32_t telegrams_ = 0;
  std::vector<std::pair<int, int>> writes_;
};

}  // namespace corvane::sim
