// The simulated two-output node (0x005, 0x007) and one-output node with temperature sensor
// (0x017). Its outputs follow the output commands the tool writes, the test presses the tool
// sends in the name of a control device, and the frames of the linked control devices it hears
// on the air, each through the output's mode (on/off, change state, impulse, jalousie, PWM).
#pragma once

#include <array>

#include "sim/node.h"

namespace corvane::sim {

class OutputNode : public SimNode {
 public:
  static constexpr int kWordOutputState = 31;  // high byte: bit 0 output 1, bit 1 output 2
  static constexpr int kWordRssiFirst = 50;
  static constexpr int kWordDevicesFirst = 60;
  static constexpr int kWordOutput1 = 124;
  static constexpr int kWordTemperature = 125;  // one-output type
  static constexpr int kWordPressTimes = 126;
  static constexpr int kWordCommand = 127;  // high byte
  static constexpr int kWordHysteresis = 132;
  static constexpr int kWordThresholdOn = 133;
  static constexpr int kWordThresholdOff = 134;
  static constexpr int kWordRhOn = 135;
  static constexpr int kWordRhOff = 136;
  static constexpr int kWordLiveFirst = 138;
  static constexpr int kWordCounter = 153;
  static constexpr int kControlDevices = 16;

  // What a control device reported for one of its rows.
  enum class Event { kOn, kOff, kLongPress };

  OutputNode(RfAddress address, const NodeSettings& settings);
  const char* family() const override { return "output"; }
  int outputs() const { return type() == 0x017 ? 1 : 2; }
  bool output_on(int output) const;
  // Switchings of the outputs so far (the node's counter word).
  int switchings() const { return switchings_; }

  bool overhears() const override { return true; }
  bool OverhearsFrom(RfAddress source) const override;
  void Overhear(const AirFrame& frame) override;

  // Control device k reported `event` on row `row`: the linked outputs act.
  void Report(int k, int row, Event event);

 protected:
  void InitRegisters() override;
  void UpdateLive() override;
  void BuildStatus(MessageBuilder& status) override;
  bool HandleOther(const AirFrame& frame, uint8_t type, int length, const uint8_t* payload,
                   MessageBuilder& answer) override;
  void OnWritten(uint16_t first, int count) override;

 private:
  enum class Action { kOn, kOff, kToggle };
  int EntryOf(RfAddress address) const;
  void Act(int output, Action action);
  void Switch(int output, bool on);
  // Turns the output off after `ms`, unless something switched it since.
  void OffAfter(int output, SimTime ms);
  // A control device's measured values: the rows of its thresholds switch when they cross.
  void TakeMeasurements(int k, const uint8_t* messages, int length);
  void Threshold(int k, int row, int value, int on, int off);

  std::array<int, 2> generation_{};  // bumped by every switching, to drop stale off timers
  // Per control device and row: the last threshold event (-1 = none yet).
  std::array<std::array<int, 4>, kControlDevices> threshold_state_{};
  int switchings_ = 0;
  bool started_ = false;
};

}  // namespace corvane::sim
