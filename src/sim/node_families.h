// One class per node family over the shared register-map node. Today most families add only
// their identity and the values that change by themselves; later work extends them with the
// behaviour their dialogs need.
#pragma once

#include <memory>

#include "sim/node.h"

namespace corvane::sim {

// Four- and six-input nodes and the keypad (0x003, 0x00B, 0x00E, 0x014). A button press toggles
// input 1 in word 51 before the node transmits.
class InputNode : public SimNode {
 public:
  using SimNode::SimNode;
  const char* family() const override { return "input"; }
  void PressButton() override;

 protected:
  void BuildStatus(MessageBuilder& status) override;
};

// Room units (0x002, 0x011, 0x013): battery nodes with the common header only so far.
class RoomUnitNode : public SimNode {
 public:
  using SimNode::SimNode;
  const char* family() const override { return "room unit"; }
};

// Climate sensors (0x00A with humidity, 0x00D without): temperature in word 50 and CPU
// temperature in word 51, hundredths of a degree, drifting slowly.
class ClimateNode : public SimNode {
 public:
  using SimNode::SimNode;
  const char* family() const override { return "climate"; }

 protected:
  void InitRegisters() override;
  void UpdateLive() override;
  void BuildStatus(MessageBuilder& status) override;
};

// Pulse counter (0x00F): battery node with the common header only so far.
class CounterNode : public SimNode {
 public:
  using SimNode::SimNode;
  const char* family() const override { return "counter"; }
};

// Window contact (0x012): battery node; the magnet is its button.
class WindowContactNode : public SimNode {
 public:
  using SimNode::SimNode;
  const char* family() const override { return "window contact"; }
};

// Two-output nodes (0x005, 0x007, 0x017): mains powered; they take imitated control frames
// (MSG_RF_FRAME from the tool's test press) without acting on them yet.
class OutputNode : public SimNode {
 public:
  using SimNode::SimNode;
  const char* family() const override { return "output"; }

 protected:
  bool HandleOther(const AirFrame& frame, uint8_t type, int length, const uint8_t* payload,
                   MessageBuilder& answer) override;
};

// Lighting-bus bridges (0x004, 0x006): mains powered, take imitated control frames.
class LightingBridgeNode : public SimNode {
 public:
  using SimNode::SimNode;
  const char* family() const override { return "lighting bridge"; }

 protected:
  bool HandleOther(const AirFrame& frame, uint8_t type, int length, const uint8_t* payload,
                   MessageBuilder& answer) override;
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
