// The battery sensor families: climate sensors, the pulse counter and the window contact. Their
// values change by themselves on the simulation's clock, and a store request is answered the way
// their firmware does it (the same as the input nodes'): the record is stored first, then the
// node reports its EEPROM control word and acknowledges the write.
#pragma once

#include <cstdint>

#include "sim/node.h"

namespace corvane::sim {

// What the sensor families share: the store answer, and a hook that lets a family adjust or
// check a frame before the register handling sees it.
class SensorNode : public SimNode {
 public:
  using SimNode::SimNode;

 protected:
  bool Intercept(const AirFrame& frame) override;
  // Called for each frame addressed to the node, before the store answer is looked for; a
  // family changes `frame` in place (returning true) to answer it as changed.
  virtual bool Adjust(AirFrame& /*frame*/) { return false; }
};

// Climate sensors: 0x00A (model 0xF018, temperature and humidity) and 0x00D (model 0xF017,
// temperature only). Temperature and humidity drift slowly; each carries the correction of the
// record; the CPU runs a few degrees warmer. The temperature and humidity alarms switch by their
// on/off thresholds (on above off: an alarm above "on", cleared at or below "off"; on below off:
// an alarm at or below "on"; equal: no alarm). The heater of the humidity sensor runs for the
// heating time at the start of every heating period. Firmware before 4.02 has no registers past
// word 93: it answers a longer read with the words it has.
class ClimateNode : public SensorNode {
 public:
  static constexpr int kWordTemperature = 50;
  static constexpr int kWordCpuTemperature = 51;
  static constexpr int kWordCpuVoltageStatus = 52;  // low byte 0.1 V, high byte status bits
  static constexpr int kWordHumidity = 53;
  static constexpr int kWordAlarmTempOn = 64;
  static constexpr int kWordAlarmTempOff = 65;
  static constexpr int kWordAlarmRhOn = 66;
  static constexpr int kWordAlarmRhOff = 67;
  static constexpr int kWordMeasurePeriod = 68;
  static constexpr int kWordTransmitPeriod = 69;
  static constexpr int kWordCorrTemp = 73;
  static constexpr int kWordCorrRh = 74;
  static constexpr int kWordCorrCpu = 75;
  static constexpr int kWordHeatingTime = 78;
  static constexpr int kWordHeatingPeriod = 79;
  static constexpr uint8_t kHeating = 0x01;
  static constexpr uint8_t kTempAlarm = 0x02;
  static constexpr uint8_t kRhAlarm = 0x04;
  // Registers that firmware before 4.02 has.
  static constexpr int kOldFirmwareWords = 94;

  using SensorNode::SensorNode;
  const char* family() const override { return "climate"; }
  bool has_humidity() const { return type() != 0x00D; }
  // The air around the sensor, before the record's corrections.
  int true_temperature() const { return temperature_; }
  int true_humidity() const { return humidity_; }

 protected:
  void InitRegisters() override;
  void UpdateLive() override;
  void BuildStatus(MessageBuilder& status) override;
  bool Adjust(AirFrame& frame) override;

 private:
  int map_words() const;

  int temperature_ = 2150;  // 0.01 degrees
  int humidity_ = 4500;     // 0.01 %
};

// Pulse counter (0x00F): pulses arrive every one to three seconds. Count (words 50..51) holds
// them all, Count Actual (54..55) those of the running period and Count Time (56) its age in
// seconds; at the end of each transmit period (word 59, minutes) Count Actual moves to Count
// Last (52..53). A write of 0x80000000 to the count starts it again from zero; any other count
// written is taken as the new count.
class CounterNode : public SensorNode {
 public:
  static constexpr int kWordCount = 50;
  static constexpr int kWordCountLast = 52;
  static constexpr int kWordCountActual = 54;
  static constexpr int kWordCountTime = 56;
  static constexpr int kWordCpuTemperature = 57;
  static constexpr int kWordInput = 58;
  static constexpr int kWordTransmitPeriod = 59;
  static constexpr uint32_t kResetValue = 0x80000000u;

  using SensorNode::SensorNode;
  const char* family() const override { return "counter"; }
  uint32_t count() const { return Get32(kWordCount); }
  int resets() const { return resets_; }

 protected:
  void InitRegisters() override;
  void UpdateLive() override;
  void BuildStatus(MessageBuilder& status) override;
  void OnWritten(uint16_t first, int count) override;

 private:
  uint32_t Get32(int word) const;
  void Set32(int word, uint32_t value);
  SimTime period_ms();

  SimTime next_pulse_ = 0;
  SimTime period_start_ = 0;
  int resets_ = 0;
};

// Window contact (0x012): the window opens and closes now and then (byte 100: 1 open, 0 shut),
// and the magnet, its button, switches it over at once; each change is transmitted. Temperature
// in word 54 with the correction of word 55, CPU voltage in byte 103.
class WindowContactNode : public SensorNode {
 public:
  static constexpr int kWordWindowState = 50;
  static constexpr int kWordCpuVoltage = 51;  // high byte
  static constexpr int kWordTemperature = 54;
  static constexpr int kWordTemperatureCorr = 55;
  static constexpr int kWordTemperatureThreshold = 56;

  using SensorNode::SensorNode;
  const char* family() const override { return "window contact"; }
  void PressButton() override;
  bool window_open() const { return (registers()[kWordWindowState] & 0x00FF) != 0; }
  int changes() const { return changes_; }

 protected:
  void InitRegisters() override;
  void UpdateLive() override;
  void BuildStatus(MessageBuilder& status) override;

 private:
  void Toggle();
  void ScheduleToggle();

  int temperature_ = 2000;
  int changes_ = 0;
};

}  // namespace corvane::sim
