// One class per node family over the shared register-map node. Today most families add only
// their identity and the values that change by themselves; later work extends them with the
// behaviour their dialogs need.
#pragma once

#include <memory>

#include "sim/node.h"
#include "sim/output_node.h"
#include "sim/room_unit_node.h"  // RoomUnitNode (0x002, 0x011, 0x013)
#include "sim/sensor_nodes.h"    // climate sensors, pulse counter, window contact

namespace corvane::sim {

// Four- and six-input nodes and the keypad (0x003, 0x00B, 0x00E, 0x014). Their record holds
// button timing, the button configuration, a temperature and four input indication bytes
// (words 50..51: A = inputs switched on, B = short presses, C = faults, D = long presses). A press
// of the simulated button works through the inputs in turn: it switches the next input over,
// reports a short press of it (every third press a long one) and transmits at once; the press
// bytes clear a second later. A store request is answered the way this firmware does it: the
// record is stored first, then the node reports its EEPROM control word and acknowledges.
class InputNode : public SimNode {
 public:
  static constexpr int kWordIndicationAB = 50;
  static constexpr int kWordIndicationCD = 51;
  static constexpr int kWordLongpress = 52;
  static constexpr int kWordButtons = 53;
  static constexpr int kWordTemperature = 54;
  static constexpr int kWordTemperatureThreshold = 56;
  static constexpr int kWordStatus = 57;
  static constexpr int kWordLock = 58;

  using SimNode::SimNode;
  const char* family() const override { return "input"; }
  void PressButton() override;
  int inputs() const { return type() == 0x00B ? 6 : 4; }
  int presses() const { return presses_; }

 protected:
  void InitRegisters() override;
  void UpdateLive() override;
  void BuildStatus(MessageBuilder& status) override;
  bool Intercept(const AirFrame& frame) override;

 private:
  bool has_temperature() const { return type() != 0x00E; }

  int presses_ = 0;
  bool started_ = false;  // the simulation's clock is there to clear the press bytes
};

// A device that only transmits (captured by a gateway's unidirectional list): it never hears
// anything and sends two values, words 0 and 1 of its status, on every transmission.
class UnidirectionalNode : public SimNode {
 public:
  UnidirectionalNode(RfAddress address, const NodeSettings& settings);
  const char* family() const override { return "unidirectional"; }
  bool listens() const override { return false; }
  void PressButton() override;

 protected:
  void UpdateLive() override;
  void BuildStatus(MessageBuilder& status) override;

 private:
  uint16_t value_ = 0;
};

// Types without a family of their own (unlisted codes, Stralux-A, the Modbus side).
class GenericNode : public SimNode {
 public:
  using SimNode::SimNode;
  const char* family() const override { return "generic"; }
};

// The node class for a device type: routing families for gateways, fan-coil controllers and
// street-light nodes, the families above for the rest.
std::unique_ptr<SimNode> MakeNode(RfAddress address, const NodeSettings& settings);

}  // namespace corvane::sim
