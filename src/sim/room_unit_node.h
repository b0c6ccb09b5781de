// Room units: the Calidor thermostat (0x002), the Calidor-C CO2 meter (0x011) and the Calidor-D
// (0x013, transmit-only in the demo network, where UnidirectionalNode stands for it). Battery
// nodes that sleep between their status frames.
#pragma once

#include <cstdint>

#include "sim/node.h"

namespace corvane::sim {

// The Calidor keeps its measurements (temperature, set points in force, humidity, CO2), its
// settings and a BCD clock (bytes 170..176) that runs from the simulation's clock; a write of
// the clock words sets it. Whether it has a CO2 sensor shows in its model code (0x0515 with,
// 0x050E without). The Calidor-C measures temperature, humidity and CO2 and keeps its LED
// thresholds. CO2 rises while the room is occupied (20 minutes of every 45) and falls back
// towards the outside level otherwise. A store request is answered the way this firmware does
// it: the record is stored first, then the node reports its EEPROM control word and
// acknowledges.
class RoomUnitNode : public SimNode {
 public:
  // Calidor.
  static constexpr int kWordTemperature = 50;
  static constexpr int kWordActualHeat = 51;
  static constexpr int kWordActualCool = 52;
  static constexpr int kWordHumidity = 53;
  static constexpr int kWordCo2 = 54;
  static constexpr int kWordOutsideTemp = 55;
  static constexpr int kWordSetPoints = 58;
  static constexpr int kWordActMode = 64;
  static constexpr int kWordSetMode = 65;
  static constexpr int kWordClock = 85;  // 85..88
  static constexpr int kWordVcpu = 186;
  // Calidor-C.
  static constexpr int kWordCLock = 58;
  static constexpr int kWordCThresholds = 60;  // 60..63: yellow off/on, red off/on
  static constexpr int kWordCLedPeriods = 64;
  static constexpr int kWordCStatus = 66;
  static constexpr int kWordCCpuVolt = 73;

  // 2026-01-01 00:00:00, where the simulated network's clock starts.
  static constexpr int64_t kEpochAtStart = 1767225600;

  using SimNode::SimNode;
  const char* family() const override { return "room unit"; }

  bool has_co2() const;
  bool occupied() const;
  // The unit's clock as seconds since 1970 (what bytes 170..176 show, weekday aside).
  int64_t clock_seconds() const;

 protected:
  void InitRegisters() override;
  void UpdateLive() override;
  void BuildStatus(MessageBuilder& status) override;
  bool Intercept(const AirFrame& frame) override;
  void OnWritten(uint16_t first, int count) override;
  bool Writable(int word) const override;

 private:
  bool thermostat() const { return type() == 0x002; }
  bool co2_meter() const { return type() == 0x011; }
  SimTime now() const;
  void WriteClock();
  void DriftMeasurements(int seconds);

  bool started_ = false;
  int64_t clock_base_ = 0;    // the clock at clock_set_at_
  SimTime clock_set_at_ = 0;  // simulation time of the last setting
  SimTime last_update_ = 0;
  const SimContext* clock_ = nullptr;
};

}  // namespace corvane::sim
